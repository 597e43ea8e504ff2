// A stand-in for the tray panel, for the X11 test of the availability panel: a window with a Share
// button that acts as the menu panel's Share action does, on the application's shared controller and
// real key grabs. For the test script it writes, ten times a second, the panel's last day and where the
// two chips it clicks on that day and the Copy button are on screen.
// Usage: availability_share_harness <state file>
#include "platform/hotkeys/X11HotKeys.h"
#include "tolvar/availability/AvailabilityDayList.h"
#include "tolvar/availability/AvailabilitySharePanelController.h"
#include "tolvar/availability/AvailabilityShareView.h"
#include "tolvar/menubar/PanelTransientHotkeys.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QPushButton>
#include <QSaveFile>
#include <QTimer>
#include <QVBoxLayout>

using namespace tolvar;

namespace {

// "name x y visible": the centre of a chip in screen coordinates, and whether it shows in the list.
QString chipLine(const QString& name, const AvailabilityShareView& view, platform::Date start)
{
    for (const AvailabilitySlot& slot : view.allSlots()) {
        if (slot.start != start)
            continue;
        const QRectF chip = view.chipRect(slot.id());
        const QWidget* viewport = view.dayList()->parentWidget();
        const QRect shown(viewport->mapTo(&view, QPoint(0, 0)), viewport->size());
        const QPoint centre = view.mapToGlobal(chip.center().toPoint());
        const bool visible = shown.contains(chip.toRect());
        return QStringLiteral("%1 %2 %3 %4\n").arg(name).arg(centre.x()).arg(centre.y()).arg(visible ? 1 : 0);
    }
    return {};
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    if (argc != 2)
        return 2;
    const QString stateFile = QString::fromLocal8Bit(argv[1]);

    platform::X11HotKeys hotKeys;
    PanelTransientHotkeys::shared().setHotKeys(hotKeys);
    AvailabilitySharePanelController& controller = AvailabilitySharePanelController::shared();

    QWidget trayPanel(nullptr, Qt::FramelessWindowHint);
    trayPanel.setWindowTitle(QStringLiteral("Tray panel stand-in"));
    auto* share = new QPushButton(QStringLiteral("Share"), &trayPanel);
    share->setObjectName(QStringLiteral("share"));
    auto* layout = new QVBoxLayout(&trayPanel);
    layout->addStretch();
    layout->addWidget(share);
    trayPanel.setGeometry(40, 60, 360, 520);
    trayPanel.show();
    QObject::connect(share, &QPushButton::clicked, &trayPanel, [&controller, &trayPanel] {
        if (controller.isOpen())
            controller.close();
        else
            controller.show(&trayPanel, {}, false);
    });

    QTimer report;
    QObject::connect(&report, &QTimer::timeout, &app, [&] {
        QString state = QStringLiteral("share %1 %2\n")
                            .arg(share->mapToGlobal(share->rect().center()).x())
                            .arg(share->mapToGlobal(share->rect().center()).y());
        state += QStringLiteral("open %1\n").arg(controller.isOpen() ? 1 : 0);
        if (const AvailabilityShareView* view = controller.view();
            view && controller.isOpen() && !view->allSlots().isEmpty()) {
            // The last day of the week the panel lists, by its own clock: a run may cross midnight.
            const QTimeZone zone = view->systemZone();
            const QDate lastDay = view->allSlots().last().start.toDateTime().toTimeZone(zone).date();
            state += QStringLiteral("lastday %1\n").arg(lastDay.toString(Qt::ISODate));
            const auto start = [&](int hour, int minute) {
                return platform::Date::fromDateTime(QDateTime(lastDay, QTime(hour, minute), zone));
            };
            state += chipLine(QStringLiteral("early"), *view, start(14, 0));
            state += chipLine(QStringLiteral("late"), *view, start(16, 30));
            const QPoint copy = view->mapToGlobal(view->copyButtonRect().center().toPoint());
            state += QStringLiteral("copy %1 %2\n").arg(copy.x()).arg(copy.y());
        }
        QSaveFile file(stateFile);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(state.toUtf8());
            file.commit();
        }
    });
    report.start(100);
    return QApplication::exec();
}
