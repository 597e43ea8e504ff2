#include "platform/calendar/CalendarFolder.h"

#include "platform/files/RegularFile.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <map>
#include <optional>

namespace platform {

namespace {

// The root's collections and accounts and the accounts' collections are read first, in order, as they always
// were: where two paths lead to one folder, the same one names it. Deeper folders come after, level by level,
// within bounds that keep a link into someone else's large tree from costing thousands of watches.
constexpr int firstLevels = 2;
constexpr int deepestLevel = 8;
constexpr int maximumDeeperFolders = 500;
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

QString reasonText(UnreadFolder::Reason reason)
{
    switch (reason) {
    case UnreadFolder::Reason::tooDeep:
        return QStringLiteral("it lies more than %1 folders deep").arg(deepestLevel);
    case UnreadFolder::Reason::tooManyFolders:
        return QStringLiteral("the read stops at %1 folders deeper than an account's calendars; it and those after it "
                              "are left")
            .arg(maximumDeeperFolders);
    case UnreadFolder::Reason::readAlready:
        return QStringLiteral("it is read already by another path");
    case UnreadFolder::Reason::leadsToItsHolder:
        return QStringLiteral("it leads to a folder that holds it");
    case UnreadFolder::Reason::unreadable:
        return QStringLiteral("it cannot be read");
    }
    return {};
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
        visit({ m_root.path(), canonical }, {});
        const qsizetype firstFolders = m_result.folders.size();
        // Level by level: each folder read adds its own to the end.
        for (qsizetype i = 0; i < m_deeper.size(); ++i) {
            if (m_result.folders.size() - firstFolders == maximumDeeperFolders) {
                leave(m_deeper.at(i).path, UnreadFolder::Reason::tooManyFolders);
                break;
            }
            const Pending next = m_deeper.at(i);
            consider(next.path, next.holders);
        }
        std::sort(m_result.collections.begin(), m_result.collections.end(),
            [](const CalendarCollection& a, const CalendarCollection& b) { return a.identifier < b.identifier; });
        return m_result;
    }

private:
    struct Folder
    {
        QString path;
        QString canonical;
    };
    // A folder to look at, with the folders that hold it from the root down.
    struct Pending
    {
        QString path;
        QList<Folder> holders;
    };

    static CalendarFileStamp stamp(const QFileInfo& info)
    {
        const QString path = info.absoluteFilePath();
        return { path, FileIdentity::ofPath(path) };
    }

    // Why a folder reached through `holders` is not read: a link to a folder read already, or to one that
    // holds it (a link to `/`), which would read the calendars again and whatever lies beside them. Remembers
    // the folder otherwise.
    std::optional<UnreadFolder::Reason> refusal(const QString& canonical, const QList<Folder>& holders)
    {
        if (canonical.isEmpty())
            return UnreadFolder::Reason::unreadable;
        const QString prefix = canonical.endsWith(QLatin1Char('/')) ? canonical : canonical + QLatin1Char('/');
        for (const Folder& holder : holders) {
            if (holder.canonical == canonical || holder.canonical.startsWith(prefix))
                return UnreadFolder::Reason::leadsToItsHolder;
        }
        if (m_visited.contains(canonical))
            return UnreadFolder::Reason::readAlready;
        m_visited.insert(canonical);
        return std::nullopt;
    }

    void leave(const QString& path, UnreadFolder::Reason reason) { m_result.unread.append({ path, reason }); }

    void consider(const QString& path, const QList<Folder>& holders)
    {
        if (holders.size() > deepestLevel) {
            leave(path, UnreadFolder::Reason::tooDeep);
            return;
        }
        const QString canonical = QFileInfo(path).canonicalFilePath();
        if (const auto reason = refusal(canonical, holders))
            leave(path, *reason);
        else
            visit({ path, canonical }, holders);
    }

    void enter(const QString& folder)
    {
        m_result.folders.append(folder);
        if (m_entering)
            m_entering(folder);
    }

    void visit(const Folder& folder, const QList<Folder>& holders)
    {
        const QString& path = folder.path;
        const qsizetype depth = holders.size();
        enter(path);

        const QFileInfo info(path);
        // Listed as before, as a folder with nothing in it, so that its calendar keeps its place.
        if (!info.isReadable() || !info.isExecutable())
            leave(path, UnreadFolder::Reason::unreadable);
        const QDir dir(path);
        // With the FIFOs, sockets and broken links too: the reader says why it skips such an item.
        const QFileInfoList entries
            = dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        // Thousands of files each: grown one by one, the list would keep up to twice their room.
        QList<CalendarFileStamp> items;
        items.reserve(entries.size());
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
            collection.sourceTitle = depth == 1 ? localSourceTitle : displayName(holders.last().path);
            // Every folder between the root and the collection may say who the user is: vdirsyncer setups often
            // name the account folder after the user's address.
            for (qsizetype i = 1; i < holders.size(); ++i) {
                const QString name = asAddress(QFileInfo(holders.at(i).path).fileName());
                if (name.contains(QLatin1Char('@')))
                    collection.ownerAddresses.insert(name);
                addOwners(holders.at(i).path, collection.ownerAddresses);
            }
            addOwners(path, collection.ownerAddresses);
            m_result.collections.append(collection);
        }

        QList<Folder> chain = holders;
        chain.append(folder);
        for (const QString& subfolder : std::as_const(subfolders)) {
            if (depth < firstLevels)
                consider(subfolder, chain);
            else
                m_deeper.append({ subfolder, chain });
        }
    }

    QDir m_root;
    const CalendarFolder::Entering& m_entering;
    CalendarFolder m_result;
    QSet<QString> m_visited;
    // The folders below the first levels, in the order they are found.
    QList<Pending> m_deeper;
};

} // namespace

CalendarFolder CalendarFolder::scan(const QString& root, const Entering& entering)
{
    return Scanner(root, entering).scan();
}

void CalendarFolder::logUnreadSince(const CalendarFolder& before) const
{
    // A tree of someone else's may leave tens of thousands unread: no list search per folder, and beyond a few
    // folders for one reason, their number and the first few rather than a line each.
    constexpr qsizetype examples = 3;
    const QSet<UnreadFolder> told(before.unread.cbegin(), before.unread.cend());
    std::map<UnreadFolder::Reason, std::pair<qsizetype, QStringList>> untold;
    for (const UnreadFolder& folder : unread) {
        if (told.contains(folder))
            continue;
        auto& [count, paths] = untold[folder.reason];
        if (++count <= examples)
            paths.append(folder.path);
    }
    for (const auto& [reason, folders] : untold) {
        const auto& [count, paths] = folders;
        if (count > examples) {
            qWarning("Did not read %lld calendar folders: %s; among them %s", qlonglong(count),
                qUtf8Printable(reasonText(reason)), qUtf8Printable(paths.join(QLatin1String(", "))));
            continue;
        }
        for (const QString& path : paths)
            qWarning(
                "Did not read the calendar folder %s: %s", qUtf8Printable(path), qUtf8Printable(reasonText(reason)));
    }
}

} // namespace platform
