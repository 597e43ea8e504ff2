#include "tolvar/menubar/PanelFooter.h"

#include "platform/text/Localized.h"
#include "tolvar/menubar/FooterButton.h"

#include <QHBoxLayout>

namespace tolvar {

PanelFooter::PanelFooter(QWidget* parent)
    : QWidget(parent)
    , m_refresh(new FooterButton(QStringLiteral("arrow.clockwise"), platform::localized("Refresh"), false, this))
    , m_share(new FooterButton(QStringLiteral("calendar.badge.clock"), platform::localized("Share"), false, this))
    , m_support(new FooterButton(QStringLiteral("questionmark.bubble"), platform::localized("Support"), false, this))
    , m_settings(new FooterButton(QStringLiteral("gearshape"), platform::localized("Settings"), false, this))
    , m_quit(new FooterButton(QStringLiteral("power"), platform::localized("Quit"), true, this))
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(m_refresh);
    row->addWidget(m_share);
    row->addStretch();
    row->addWidget(m_support);
    row->addWidget(m_settings);
    row->addWidget(m_quit);
    connect(m_refresh, &QAbstractButton::clicked, this, &PanelFooter::refreshClicked);
    connect(m_share, &QAbstractButton::clicked, this, &PanelFooter::shareClicked);
    connect(m_support, &QAbstractButton::clicked, this, &PanelFooter::supportClicked);
    connect(m_settings, &QAbstractButton::clicked, this, &PanelFooter::settingsClicked);
    connect(m_quit, &QAbstractButton::clicked, this, &PanelFooter::quitClicked);
}

} // namespace tolvar
