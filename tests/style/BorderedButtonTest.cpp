// The two bordered button styles in a light and a dark palette, in every state: the prominent one filled
// with the highlight and titled in the highlighted text's colour, and each symbol in its title's colour.
#include "tolvar/style/BorderedButton.h"
#include "tests/support/ButtonInk.h"
#include "tests/support/DarkPalette.h"
#include "tests/support/Screenshot.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using testsupport::buttonInk;
using testsupport::colorDistance;
using tolvar::BorderedButton;

namespace {

constexpr int symbolWidth = 14;

enum class State { enabled, pressed, disabled };

void put(BorderedButton& button, State state)
{
    button.setEnabled(state != State::disabled);
    button.setDown(state == State::pressed);
}

QPalette::ColorGroup groupOf(State state)
{
    return state == State::disabled ? QPalette::Disabled : QPalette::Active;
}

class BorderedButtonTest : public ::testing::TestWithParam<const char*>
{
protected:
    void SetUp() override
    {
        m_original = QApplication::palette();
        if (isDark())
            QApplication::setPalette(testsupport::darkPalette());
    }
    void TearDown() override { QApplication::setPalette(m_original); }

    bool isDark() const { return QString(GetParam()) == "dark"; }

private:
    QPalette m_original;
};

TEST_P(BorderedButtonTest, ProminentIsFilledWithTheHighlightAndSymbolsTakeTheTitlesColour)
{
    const QPalette palette = QApplication::palette();
    QWidget sheet;
    sheet.setAutoFillBackground(true);
    auto* rows = new QVBoxLayout(&sheet);
    const QList<State> states = { State::enabled, State::pressed, State::disabled };
    QList<QList<BorderedButton*>> buttons;
    for (const State state : states) {
        auto* row = new QHBoxLayout;
        rows->addLayout(row);
        buttons.append(
            { new BorderedButton("play.fill", "Show Fullscreen Test", BorderedButton::Style::borderedProminent, &sheet),
                new BorderedButton("Finish", BorderedButton::Style::borderedProminent, &sheet),
                new BorderedButton("plus", "Create Test Reminder", BorderedButton::Style::bordered, &sheet) });
        for (BorderedButton* button : buttons.last()) {
            put(*button, state);
            row->addWidget(button);
        }
    }
    sheet.show();
    for (qsizetype i = 0; i < states.size(); ++i) {
        const State state = states[i];
        BorderedButton* prominent = buttons[i][0];
        BorderedButton* plainProminent = buttons[i][1];
        BorderedButton* bordered = buttons[i][2];
        const QPalette::ColorGroup group = groupOf(state);
        const std::string what = std::string(GetParam()) + " palette, state " + std::to_string(int(state));

        const testsupport::ButtonInk ink = buttonInk(*prominent, symbolWidth);
        const QColor highlight = palette.color(group, QPalette::Highlight);
        if (state != State::disabled) {
            EXPECT_NEAR(ink.fill.hslHueF(), highlight.hslHueF(), 0.04)
                << what << " fill " << qPrintable(ink.fill.name());
            EXPECT_GT(ink.fill.hslSaturationF(), 0.4) << what << " fill " << qPrintable(ink.fill.name());
        } else {
            EXPECT_LT(colorDistance(ink.fill, highlight), 50) << what << " fill " << qPrintable(ink.fill.name());
        }
        const QColor highlightedText = palette.color(group, QPalette::HighlightedText);
        EXPECT_LT(colorDistance(ink.title, highlightedText), 40) << what << " title " << qPrintable(ink.title.name());
        EXPECT_LT(colorDistance(ink.symbol, ink.title), 40) << what << " symbol " << qPrintable(ink.symbol.name());
        EXPECT_LT(colorDistance(buttonInk(*plainProminent, 0).title, highlightedText), 40) << what;

        const testsupport::ButtonInk plain = buttonInk(*bordered, symbolWidth);
        if (state != State::disabled) {
            EXPECT_GT(colorDistance(plain.fill, ink.fill), 60) << what << ": the bordered style stands back";
        }
        const QColor buttonText = palette.color(group, QPalette::ButtonText);
        EXPECT_LT(colorDistance(plain.title, buttonText), 40) << what << " title " << qPrintable(plain.title.name());
        EXPECT_LT(colorDistance(plain.symbol, plain.title), 40)
            << what << " symbol " << qPrintable(plain.symbol.name());
    }
    sheet.adjustSize();
    testsupport::saveScreenshot(sheet, QStringLiteral("bordered-buttons-%1").arg(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Palettes, BorderedButtonTest, ::testing::Values("light", "dark"),
    [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

} // namespace
