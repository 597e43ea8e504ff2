#pragma once

// Helpers of the tests that run on a real X display.
#include "tests/support/Patience.h"
#include <QProcess>
#include <QString>
#include <QStringList>

namespace X11TestSupport {

inline bool xdotool(const QStringList& arguments)
{
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}

// A second X client that grabs one combination, as another program would.
class OtherClient
{
public:
    OtherClient(int xKeyCode, int xModifiers)
    {
        m_process.start(QStringLiteral(GRAB_HELPER), { QString::number(xKeyCode), QString::number(xModifiers) });
    }
    ~OtherClient()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    // "grabbed", "taken" or "pressed".
    QString nextLine()
    {
        while (!m_process.canReadLine() && m_process.waitForReadyRead(testsupport::patienceMs)) { }
        return QString::fromUtf8(m_process.readLine()).trimmed();
    }

private:
    QProcess m_process;
};

} // namespace X11TestSupport
