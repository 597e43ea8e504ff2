#pragma once

#include <QObject>
#include <QSet>

namespace ShortcutKit {

// Tells when the first of the application's popup menus opens and the last one closes.
class MenuTracking : public QObject
{
    Q_OBJECT
public:
    explicit MenuTracking(QObject* parent = nullptr);
    ~MenuTracking() override;

Q_SIGNALS:
    void began();
    void ended();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void forget(QObject* menu);

    QSet<QObject*> m_openMenus;
};

} // namespace ShortcutKit
