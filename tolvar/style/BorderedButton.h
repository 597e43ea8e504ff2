#pragma once

#include <QPushButton>

namespace tolvar {

// A push button of the settings and the onboarding. The prominent style marks the step to take: it is
// drawn as the desktop draws its default button, filled with the palette's highlight. A symbol before
// the title takes the title's colour in every state, pressed and disabled included.
class BorderedButton : public QPushButton
{
public:
    enum class Style { bordered, borderedProminent };

    BorderedButton(const QString& title, Style style, QWidget* parent = nullptr);
    // `symbol` is a name of the symbol table (SymbolIcon).
    BorderedButton(const QString& symbol, const QString& title, Style style, QWidget* parent = nullptr);

    Style buttonStyle() const { return m_style; }
    QString symbol() const { return m_symbol; }

    // `palette` with the highlight's colours as the button's, in every colour group.
    static QPalette prominentPalette(QPalette palette);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QIcon symbolIcon(const QColor& color) const;

    Style m_style;
    QString m_symbol;
};

} // namespace tolvar
