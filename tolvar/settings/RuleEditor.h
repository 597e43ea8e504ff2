#pragma once

#include "tolvar/settings/RuleRow.h"

#include <QList>
#include <QWidget>

class QLabel;
class QVBoxLayout;

namespace tolvar {

// The rules of the watched calendars or reminder lists, in the order the model lists them, under their
// explanation.
class RuleEditor : public QWidget
{
    Q_OBJECT
public:
    RuleEditor(AppModel& appModel, RuleRow::Kind kind, QWidget* parent = nullptr);

    void refresh();
    // The watched sources: those listed whose id is selected, in the listed order.
    QList<CalendarSource> monitoredSources() const;
    QList<RuleRow*> rows() const { return m_rows; }
    bool isEmptyTextShown() const;

private:
    AppModel& m_appModel;
    RuleRow::Kind m_kind;
    QLabel* m_emptyText;
    QVBoxLayout* m_rowLayout;
    QList<RuleRow*> m_rows;
};

} // namespace tolvar
