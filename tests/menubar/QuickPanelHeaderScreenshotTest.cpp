// The Quick Panel's header, unpinned and pinned, saved for a person to look at.
#include "PanelTestSupport.h"
#include "tolvar/menubar/MenuBarContentView.h"
#include "tolvar/menubar/PanelHeader.h"
#include "tolvar/menubar/PanelWindowDragHandle.h"
#include "tolvar/menubar/QuickPanelPinHeaderControls.h"
#include "tolvar/menubar/QuickPanelPinModel.h"
#include "tolvar/style/Palette.h"

#include <QPainter>

using namespace paneltest;

namespace {

class QuickPanelHeaderTest : public PanelViewTest
{
protected:
    // The view's top, header and padding, as the panel shows it.
    void save(const QString& name)
    {
        settle();
        const QRect header = view->header()->geometry();
        testsupport::saveScreenshot(view->grab(QRect(0, 0, view->width(), header.bottom() + 1 + 14)), name);
    }

    tolvar::QuickPanelPinModel pinModel;
};

} // namespace

TEST_F(QuickPanelHeaderTest, PinControlsUnpinnedAndPinned)
{
    app().setSyncStatus(QStringLiteral("Synced 10:14"), tolvar::AppModel::SyncState::synced);
    view = std::make_unique<tolvar::MenuBarContentView>(app());
    auto* controls = new tolvar::QuickPanelPinHeaderControls(pinModel);
    controls->setSyncStatus(app().syncStatus());
    view->setHeaderAccessory(controls);
    view->show();
    settle();

    const QRect header = view->header()->geometry();
    QRect button = controls->pinButton()->geometry().translated(controls->mapTo(view.get(), QPoint()));
    EXPECT_EQ(button.size(), QSize(28, 28));
    EXPECT_EQ(controls->geometry().right(), view->header()->width() - 1) << "at the header's right end";
    EXPECT_EQ(controls->pinButton()->accessibleName(), "Pin Quick Panel");
    EXPECT_FALSE(controls->dragHandle()->isVisible());
    save("quick-panel-header-unpinned");

    controls->pinButton()->click();
    EXPECT_TRUE(pinModel.isPinned());
    settle();
    EXPECT_EQ(controls->pinButton()->accessibleName(), "Unpin Quick Panel");
    EXPECT_TRUE(controls->dragHandle()->isVisible());
    EXPECT_EQ(controls->dragHandle()->size(), QSize(18, 22));
    EXPECT_EQ(controls->dragHandle()->toolTip(), "Drag to move");
    const QRect pinnedButton = controls->pinButton()->geometry().translated(controls->mapTo(view.get(), QPoint()));
    EXPECT_EQ(pinnedButton.x(), button.x()) << "the handle comes in on the left";
    EXPECT_EQ(controls->dragHandle()->geometry().right() + 1 + 8, controls->pinButton()->x());
    EXPECT_TRUE(header.contains(pinnedButton.center()));
    save("quick-panel-header-pinned");

    app().setSyncStatus(QStringLiteral("Cloud folder sync disabled"), tolvar::AppModel::SyncState::disabled);
    controls->setSyncStatus(app().syncStatus());
    settle();
    button = controls->pinButton()->geometry().translated(controls->mapTo(view.get(), QPoint()));
    EXPECT_LT(button.x(), pinnedButton.x()) << "a longer status moves the controls left";
}

namespace {
// The box of the pixels in `area` at least `minAlpha` opaque.
QRect inkBox(const QImage& image, const QRect& area, int minAlpha)
{
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (qAlpha(image.pixel(x, y)) >= minAlpha)
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

QImage transparentImage(QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// The ink of `symbol` as the panel style paints every other panel symbol at `points` in `box`.
QRect panelSymbolInk(
    QSize size, const QString& symbol, const QRect& box, qreal points, const QColor& color, int minAlpha)
{
    QImage image = transparentImage(size);
    QPainter painter(&image);
    tolvar::PanelStyle::paintSymbol(painter, symbol, box, points, color);
    painter.end();
    return inkBox(image, box, minAlpha);
}
} // namespace

TEST_F(QuickPanelHeaderTest, PinAndDragHandleGlyphsTakeThePanelSymbolScale)
{
    auto* controls = new tolvar::QuickPanelPinHeaderControls(pinModel);
    view = std::make_unique<tolvar::MenuBarContentView>(app());
    view->setHeaderAccessory(controls);
    pinModel.togglePin();
    view->show();
    settle();

    QImage image = transparentImage(controls->size());
    controls->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    const QRect button = controls->pinButton()->geometry();
    const QColor teal = tolvar::Palette::shared().teal;
    // The glyph is the only opaque paint of the pinned button; its fill and outline are faint.
    EXPECT_EQ(inkBox(image, button, 200), panelSymbolInk(image.size(), "pin.fill", button, 12, teal, 200));
    const QRect handle = controls->dragHandle()->geometry();
    EXPECT_EQ(inkBox(image, handle, 40),
        panelSymbolInk(image.size(), "line.3.horizontal", handle, 11, tolvar::PanelStyle::white(0.45), 40));
}
