#pragma once

#include <QString>
#include <optional>

namespace platform {

// The program word at the head of a desktop entry's Exec value, read and written by the entry's rules:
// first the escapes of a string value, then the Exec quoting and its %% for a percent sign.
struct ExecProgram
{
    // The program as the system gets it.
    QString path;
    // How many characters of the stored value the word takes.
    qsizetype storedLength = 0;

    // Empty when the value does not begin with one plain word: an empty value, a field code or an
    // unquoted reserved character in the word, a broken escape or an unclosed quote.
    static std::optional<ExecProgram> read(const QString& storedValue);
    // The stored form of a program word starting `path`, always quoted.
    static QString stored(const QString& path);
};

} // namespace platform
