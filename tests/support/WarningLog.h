#pragma once

#include <QStringList>
#include <QtGlobal>
#include <mutex>

// The warnings logged while it lives, from any thread: the stores read their files on threads of their own.
class WarningLog
{
public:
    WarningLog()
        : m_previous(qInstallMessageHandler(&WarningLog::collect))
    {
        const std::lock_guard lock(s_mutex);
        s_lines.clear();
    }
    ~WarningLog() { qInstallMessageHandler(m_previous); }
    WarningLog(const WarningLog&) = delete;
    WarningLog& operator=(const WarningLog&) = delete;

    void clear()
    {
        const std::lock_guard lock(s_mutex);
        s_lines.clear();
    }

    QStringList lines() const
    {
        const std::lock_guard lock(s_mutex);
        return s_lines;
    }

    // The lines that hold `text`.
    QStringList linesWith(const QString& text) const
    {
        const std::lock_guard lock(s_mutex);
        return s_lines.filter(text);
    }

private:
    static void collect(QtMsgType type, const QMessageLogContext&, const QString& message)
    {
        if (type != QtWarningMsg && type != QtCriticalMsg)
            return;
        const std::lock_guard lock(s_mutex);
        s_lines.append(message);
    }

    inline static std::mutex s_mutex;
    inline static QStringList s_lines;
    QtMessageHandler m_previous;
};
