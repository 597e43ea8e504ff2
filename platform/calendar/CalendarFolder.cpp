#include "platform/calendar/CalendarFolder.h"

#include "platform/files/RegularFile.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace platform {

namespace {

// Deep enough for any account/collection layout; a deeper tree is someone else's data.
constexpr int maximumDepth = 6;
constexpr qint64 maximumSmallFileSize = 64 * 1024;
// Every calendar has a source: those that no account folder holds belong to this one.
const QString localSourceTitle = QStringLiteral("Local");

QStringList smallFileLines(const QString& path)
{
    RegularFile file(path);
    const std::optional<QByteArray> data = file.readPrefix(maximumSmallFileSize);
    return data ? QString::fromUtf8(*data).split(QLatin1Char('\n'), Qt::SkipEmptyParts) : QStringList();
}

QString displayName(const QString& folder)
{
    const QStringList lines = smallFileLines(folder + QLatin1String("/displayname"));
    const QString name = lines.isEmpty() ? QString() : lines.first().trimmed();
    return name.isEmpty() ? QFileInfo(folder).fileName() : name;
}

QString asAddress(QString text)
{
    text = text.trimmed().toLower();
    if (text.startsWith(QLatin1String("mailto:")))
        text = text.mid(7).trimmed();
    return text;
}

void addOwners(const QString& folder, QSet<QString>& owners)
{
    for (const QString& line : smallFileLines(folder + QLatin1String("/owner"))) {
        const QString address = asAddress(line);
        if (!address.isEmpty())
            owners.insert(address);
    }
}

class Scanner
{
public:
    explicit Scanner(const QString& root)
        : m_root(QDir(root))
    { }

    CalendarFolder scan()
    {
        const QFileInfo rootInfo(m_root.path());
        if (!rootInfo.isDir()) {
            const QString parent = rootInfo.absolutePath();
            if (QFileInfo(parent).isDir())
                m_result.folders.append(parent);
            return m_result;
        }
        visit(m_root.path(), QString(), 0);
        std::sort(m_result.collections.begin(), m_result.collections.end(),
            [](const CalendarCollection& a, const CalendarCollection& b) { return a.identifier < b.identifier; });
        return m_result;
    }

private:
    static CalendarFileStamp stamp(const QFileInfo& info)
    {
        const QString path = info.absoluteFilePath();
        return { path, FileIdentity::ofPath(path) };
    }

    void visit(const QString& path, const QString& account, int depth)
    {
        const QString canonical = QFileInfo(path).canonicalFilePath();
        if (canonical.isEmpty() || m_visited.contains(canonical) || depth > maximumDepth)
            return;
        m_visited.insert(canonical);
        m_result.folders.append(path);

        const QDir dir(path);
        // With the FIFOs, sockets and broken links too: the reader says why it skips such an item.
        const QFileInfoList entries
            = dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        QList<CalendarFileStamp> items;
        QStringList subfolders;
        for (const QFileInfo& entry : entries) {
            if (entry.fileName().startsWith(QLatin1Char('.')))
                continue;
            if (entry.isDir())
                subfolders.append(entry.absoluteFilePath());
            else if (entry.suffix().compare(QLatin1String("ics"), Qt::CaseInsensitive) == 0)
                items.append(stamp(entry));
        }

        if (depth == 0) {
            for (const CalendarFileStamp& item : std::as_const(items)) {
                CalendarCollection collection;
                collection.identifier = m_root.relativeFilePath(item.path);
                collection.isSingleFile = true;
                collection.sourceTitle = localSourceTitle;
                collection.files = { item };
                m_result.collections.append(collection);
            }
        } else if (!items.isEmpty() || subfolders.isEmpty()) {
            CalendarCollection collection;
            collection.identifier = m_root.relativeFilePath(path);
            collection.title = displayName(path);
            collection.files = items;
            collection.sourceTitle = localSourceTitle;
            if (!account.isEmpty()) {
                collection.sourceTitle = displayName(account);
                // vdirsyncer setups often name the account folder after the user's address.
                const QString accountName = asAddress(QFileInfo(account).fileName());
                if (accountName.contains(QLatin1Char('@')))
                    collection.ownerAddresses.insert(accountName);
                addOwners(account, collection.ownerAddresses);
            }
            addOwners(path, collection.ownerAddresses);
            m_result.collections.append(collection);
        }
        for (const QString& subfolder : std::as_const(subfolders))
            visit(subfolder, depth == 0 ? QString() : path, depth + 1);
    }

    QDir m_root;
    CalendarFolder m_result;
    QSet<QString> m_visited;
};

} // namespace

CalendarFolder CalendarFolder::scan(const QString& root)
{
    return Scanner(root).scan();
}

} // namespace platform
