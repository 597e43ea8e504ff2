#pragma once

#include "tolvar/model/CalendarSource.h"

#include <QList>
#include <QWidget>
#include <functional>

class QCheckBox;
class QVBoxLayout;

namespace tolvar {

// One row per calendar or reminder list, each with its colour, its name and a check box that selects it.
class SourceToggleList : public QWidget
{
    Q_OBJECT
public:
    using IsSelected = std::function<bool(const QString& id)>;
    using SetSelected = std::function<void(const QString& id, bool selected)>;

    SourceToggleList(IsSelected isSelected, SetSelected setSelected, QWidget* parent = nullptr);

    // Rebuilds the rows only when the sources differ from those shown.
    void setSources(const QList<CalendarSource>& sources);
    // Shows each source's selection as the owner reads it now.
    void refresh();

    QList<CalendarSource> sources() const { return m_sources; }
    QCheckBox* toggle(const QString& id) const;
    QList<QCheckBox*> toggles() const { return m_toggles; }

private:
    IsSelected m_isSelected;
    SetSelected m_setSelected;
    QList<CalendarSource> m_sources;
    QList<QCheckBox*> m_toggles;
    QVBoxLayout* m_rows;
};

} // namespace tolvar
