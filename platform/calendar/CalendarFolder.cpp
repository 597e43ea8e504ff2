#include "platform/calendar/CalendarFolder.h"

#include "platform/files/RegularFile.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace platform {

namespace {

// The root holds single files and collections or accounts; an account holds collections. Anything deeper
// is someone else's data.
constexpr int deepestLevel = 2;
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
    Scanner(const QString& root, const CalendarFolder::Entering& entering)
        : m_root(QDir(root))
        , m_entering(entering)
    { }

    CalendarFolder scan()
    {
        if (!QFileInfo(m_root.path()).isDir()) {
            const QString parent = QFileInfo(m_root.path()).absolutePath();
            if (!QFileInfo(parent).isDir())
                return m_result;
            enter(parent);
            // Looked for again now that its parent is watched: it may have been made in between.
            if (!QFileInfo(m_root.path()).isDir())
                return m_result;
        }
        const QString canonical = QFileInfo(m_root.path()).canonicalFilePath();
        m_visited.insert(canonical);
        visit(m_root.path(), canonical, QString(), 0);
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

    // Whether a link leads to a folder already read or under way, or to one that holds it (a link to `/`),
    // which would read the calendars again and whatever lies beside them. Remembers the folder otherwise.
    bool admit(const QString& canonical)
    {
        if (canonical.isEmpty() || m_visited.contains(canonical))
            return false;
        const QString prefix = canonical.endsWith(QLatin1Char('/')) ? canonical : canonical + QLatin1Char('/');
        for (const QString& reading : std::as_const(m_reading)) {
            if (reading.startsWith(prefix))
                return false;
        }
        m_visited.insert(canonical);
        return true;
    }

    void enter(const QString& folder)
    {
        m_result.folders.append(folder);
        if (m_entering)
            m_entering(folder);
    }

    void visit(const QString& path, const QString& canonical, const QString& account, int depth)
    {
        enter(path);
        m_reading.append(canonical);

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
        if (depth < deepestLevel) {
            for (const QString& subfolder : std::as_const(subfolders)) {
                const QString target = QFileInfo(subfolder).canonicalFilePath();
                if (admit(target))
                    visit(subfolder, target, depth == 0 ? QString() : path, depth + 1);
            }
        }
        m_reading.removeLast();
    }

    QDir m_root;
    const CalendarFolder::Entering& m_entering;
    CalendarFolder m_result;
    QSet<QString> m_visited;
    // The canonical paths of the folders under way: the root, then the account being read.
    QStringList m_reading;
};

} // namespace

CalendarFolder CalendarFolder::scan(const QString& root, const Entering& entering)
{
    return Scanner(root, entering).scan();
}

} // namespace platform
