#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

// A property every input must keep; a broken one is a finding.
#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition);                      \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)

namespace fuzz {

// The application object the stores need, made once for the whole run.
inline QCoreApplication& application()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = { name, nullptr };
    static QCoreApplication app(argc, argv);
    return app;
}

// A folder for the run's files, removed when the run ends.
inline const QTemporaryDir& folder()
{
    static QTemporaryDir dir;
    return dir;
}

// Drops Qt's messages: the code under test warns about every bad input, which would drown the fuzzer's output.
inline void silenceMessages()
{
    static const bool silenced = [] {
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        return true;
    }();
    FUZZ_CHECK(silenced);
}

// The run's folder `name`, emptied for the next input.
inline QDir emptyFolder(const QString& name)
{
    QDir dir(folder().path() + u'/' + name);
    dir.removeRecursively();
    FUZZ_CHECK(dir.mkpath(QStringLiteral(".")));
    return dir;
}

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(bytes) == bytes.size());
}

} // namespace fuzz
