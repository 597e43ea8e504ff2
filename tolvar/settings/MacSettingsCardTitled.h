#pragma once

#include <QColor>
#include <QString>
#include <QWidget>
#include <optional>

class QLabel;
class QVBoxLayout;

namespace tolvar {

class SymbolView;

// The titled card of every settings section and onboarding step: a symbol, a title and an optional
// status pill over the card's own rows.
class MacSettingsCardTitled : public QWidget
{
    Q_OBJECT
public:
    // `title` is the English text, looked up here; an empty `systemImage` shows no symbol.
    MacSettingsCardTitled(const char* title, const QString& systemImage, std::optional<QString> status = std::nullopt,
        QColor statusColor = QColor(), QWidget* parent = nullptr);

    // The card's rows go here; they sit 14 below the title line.
    QVBoxLayout& body() { return *m_body; }

    // `status` is shown through the localisation lookup, as given.
    void setStatus(std::optional<QString> status, QColor statusColor = QColor());
    std::optional<QString> status() const { return m_status; }
    QColor statusColor() const { return m_statusColor; }
    QString title() const { return m_title; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
    std::optional<QString> m_status;
    QColor m_statusColor;
    QLabel* m_statusPill = nullptr;
    QVBoxLayout* m_body = nullptr;
};

// The hairline under the settings window's section picker.
class MacSettingsDivider : public QWidget
{
    Q_OBJECT
public:
    explicit MacSettingsDivider(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tolvar
