#pragma once

#include "tolvar/settings/MacSettingsCardTitled.h"

#include <QList>
#include <QWidget>

class QLabel;

namespace tolvar {

class AppModel;
class SymbolView;

// One of the four status tiles: a symbol tinted green or orange, a caption and the state.
class HealthStatusTile : public QWidget
{
    Q_OBJECT
public:
    explicit HealthStatusTile(QWidget* parent = nullptr);

    void set(const char* title, const QString& value, const QString& systemImage, bool isWarning);
    QString title() const;
    QString value() const;
    QString systemImage() const;
    bool isWarning() const { return m_isWarning; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SymbolView* m_symbol;
    QLabel* m_title;
    QLabel* m_value;
    bool m_isWarning = false;
};

// A labelled finding of the health check, red when it is a warning.
class HealthRow : public QWidget
{
    Q_OBJECT
public:
    explicit HealthRow(QWidget* parent = nullptr);

    void set(const char* title, const QString& value, bool isWarning);
    QString title() const;
    QString value() const;
    bool isWarning() const { return m_isWarning; }

private:
    QLabel* m_title;
    QLabel* m_value;
    bool m_isWarning = false;
};

// The row of four tiles over the health check card.
class HealthTiles : public QWidget
{
    Q_OBJECT
public:
    explicit HealthTiles(AppModel& appModel, QWidget* parent = nullptr);

    void refresh();
    QList<HealthStatusTile*> tiles() const { return m_tiles; }

private:
    AppModel& m_appModel;
    QList<HealthStatusTile*> m_tiles;
};

// The "Health Check" card: eight rows, the local-only hint when it applies, and "Refresh Health".
class HealthCheckCard : public MacSettingsCardTitled
{
    Q_OBJECT
public:
    explicit HealthCheckCard(AppModel& appModel, QWidget* parent = nullptr);

    void refresh();
    // Asks the model to refresh; the rows change when it publishes.
    void refreshHealth();
    QList<HealthRow*> rows() const { return m_rows; }
    bool isSyncHintShown() const;

private:
    AppModel& m_appModel;
    QList<HealthRow*> m_rows;
    QWidget* m_syncHint;
};

} // namespace tolvar
