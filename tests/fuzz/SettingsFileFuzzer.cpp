// Opens a settings file: whatever it holds, every value it offers survives being written to another file and
// read back, a file it cannot use is set aside rather than lost, and bytes that are not UTF-8 are kept in a copy
// before the file is written back.
#include "FuzzSupport.h"
#include "platform/defaults/JsonFileUserDefaults.h"

#include <QDir>

using platform::JsonFileUserDefaults;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::application();
    fuzz::silenceMessages();
    const QDir dir = fuzz::emptyFolder(QStringLiteral("settings"));
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    fuzz::writeFile(dir.filePath(QStringLiteral("read.json")), bytes);

    JsonFileUserDefaults read(dir.filePath(QStringLiteral("read.json")));
    const QStringList keys = read.keys();
    {
        JsonFileUserDefaults written(dir.filePath(QStringLiteral("written.json")));
        for (const QString& key : keys) {
            FUZZ_CHECK(read.value(key).has_value());
            written.setValue(key, *read.value(key));
        }
    }
    const JsonFileUserDefaults reread(dir.filePath(QStringLiteral("written.json")));
    FUZZ_CHECK(reread.keys().size() == keys.size());
    for (const QString& key : keys)
        FUZZ_CHECK(reread.value(key) == read.value(key));

    // The file either was read or sits aside unchanged.
    const QStringList aside = dir.entryList({ QStringLiteral("read.json.broken-*") });
    if (!aside.isEmpty()) {
        QFile file(dir.filePath(aside.first()));
        FUZZ_CHECK(file.open(QIODevice::ReadOnly) && file.readAll() == bytes);
        FUZZ_CHECK(keys.isEmpty());
    }

    read.setBool(QStringLiteral("written back"), true);
    const QStringList copies = dir.entryList({ QStringLiteral("read.json.before-utf8-repair*") });
    FUZZ_CHECK(copies.size() == (aside.isEmpty() && !QByteArrayView(bytes).isValidUtf8() ? 1 : 0));
    if (!copies.isEmpty()) {
        QFile file(dir.filePath(copies.first()));
        FUZZ_CHECK(file.open(QIODevice::ReadOnly) && file.readAll() == bytes);
    }
    return 0;
}
