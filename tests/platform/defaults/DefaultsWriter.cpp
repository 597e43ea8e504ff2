// Writes large values into the defaults file given as argument, without end, so that a test can kill
// it in the middle of a write. Each value says which write it was: "<n>:" and a letter repeated.
#include "platform/defaults/JsonFileUserDefaults.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    platform::JsonFileUserDefaults defaults(QString::fromLocal8Bit(argv[1]));
    defaults.setString(QStringLiteral("fixed"), QStringLiteral("kept"));
    std::puts("ready");
    std::fflush(stdout);
    for (qint64 n = 0;; ++n) {
        const QString payload = QString::number(n) + u':' + QString(100'000, QChar(char16_t(u'a' + n % 26)));
        defaults.setString(QStringLiteral("payload"), payload);
    }
}
