#include "tolvar/settings/SourceToggleList.h"

#include "tolvar/settings/ColorDot.h"
#include "tolvar/settings/ElidedLabel.h"
#include "tolvar/settings/RowBackground.h"
#include "tolvar/settings/SettingsStyle.h"
#include "tolvar/settings/SettingsTexts.h"
#include "tolvar/style/CalendarColor.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace tolvar {

SourceToggleList::SourceToggleList(IsSelected isSelected, SetSelected setSelected, QWidget* parent)
    : QWidget(parent)
    , m_isSelected(std::move(isSelected))
    , m_setSelected(std::move(setSelected))
    , m_rows(new QVBoxLayout(this))
{
    m_rows->setContentsMargins(0, 0, 0, 0);
    m_rows->setSpacing(6);
}

void SourceToggleList::setSources(const QList<CalendarSource>& sources)
{
    if (sources == m_sources && !m_toggles.isEmpty())
        return;
    m_sources = sources;
    m_toggles.clear();
    while (QLayoutItem* item = m_rows->takeAt(0)) {
        if (QWidget* row = item->widget()) {
            row->hide();
            row->deleteLater();
        }
        delete item;
    }
    for (const CalendarSource& source : sources) {
        auto* row = new RowBackground(this);
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(10, 6, 10, 6);
        layout->setSpacing(12);
        layout->addWidget(new ColorDot(calendarAccentColor(source.title), 10, row));
        auto* name = new ElidedLabel(source.displayName(), row);
        name->setFont(settingsStyle::font(13));
        layout->addWidget(name, 1);
        auto* toggle = new QCheckBox(row);
        toggle->setAccessibleName(source.displayName());
        const QString id = source.id;
        connect(toggle, &QCheckBox::clicked, this, [this, id](bool checked) {
            m_setSelected(id, checked);
            refresh();
        });
        layout->addWidget(toggle);
        m_rows->addWidget(row);
        m_toggles.append(toggle);
    }
    refresh();
}

void SourceToggleList::refresh()
{
    for (qsizetype i = 0; i < m_toggles.size(); ++i)
        m_toggles[i]->setChecked(m_isSelected(m_sources[i].id));
}

QCheckBox* SourceToggleList::toggle(const QString& id) const
{
    for (qsizetype i = 0; i < m_sources.size(); ++i) {
        if (m_sources[i].id == id)
            return m_toggles.value(i);
    }
    return nullptr;
}

} // namespace tolvar
