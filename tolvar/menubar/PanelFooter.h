#pragma once

#include <QWidget>

namespace tolvar {

class FooterButton;

// The panel's last row: Refresh and Share on the left; Support, Settings and Quit on the right.
class PanelFooter : public QWidget
{
    Q_OBJECT
public:
    explicit PanelFooter(QWidget* parent = nullptr);

    FooterButton* refreshButton() const { return m_refresh; }
    FooterButton* shareButton() const { return m_share; }
    FooterButton* supportButton() const { return m_support; }
    FooterButton* settingsButton() const { return m_settings; }
    FooterButton* quitButton() const { return m_quit; }

Q_SIGNALS:
    void refreshClicked();
    void shareClicked();
    void supportClicked();
    void settingsClicked();
    void quitClicked();

private:
    FooterButton* m_refresh;
    FooterButton* m_share;
    FooterButton* m_support;
    FooterButton* m_settings;
    FooterButton* m_quit;
};

} // namespace tolvar
