#pragma once

#include <QByteArrayView>
#include <QString>
#include <optional>

namespace platform {

// Replaces a file's contents in one step: the new contents are written whole beside it and renamed over it
// only then, so that a full disk, a quota or a crash leaves the file as it was. A buffered write would
// learn of a full disk only when its buffer is flushed, after which the rename still goes ahead.
class WholeFileWriter
{
public:
    // A user's own file may be a link into a dotfiles folder, written through. In a folder others write, a link
    // may point at any file of the user's: there the link itself is replaced and its target never written.
    enum class Links { WrittenThrough, Replaced };

    // `description` names the file in the log, as in "the defaults file".
    WholeFileWriter(QString path, QString description, Links links = Links::WrittenThrough);

    // True when the file now holds `data`; otherwise it holds what it held before. The first failure since
    // the last success is logged, so that a full disk says so once, not at every attempt.
    bool write(QByteArrayView data);

    // Why `path` could not be made to hold `data`, when it could not; it then holds what it held before.
    static std::optional<QString> writeFile(
        const QString& path, QByteArrayView data, Links links = Links::WrittenThrough);

private:
    QString m_path;
    QString m_description;
    Links m_links;
    bool m_failing = false;
};

} // namespace platform
