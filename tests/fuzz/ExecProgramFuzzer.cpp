// Reads the program word of a desktop entry's Exec value: whatever the value, a word read lies at its
// head and ends where an argument may begin, and a program stored and read again is the same program.
#include "FuzzSupport.h"
#include "platform/login/ExecProgram.h"

namespace {

void checkRoundTrip(const QString& path, const QString& rest)
{
    const QString stored = platform::ExecProgram::stored(path);
    const std::optional<platform::ExecProgram> again = platform::ExecProgram::read(stored + rest);
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(again->path == path);
    FUZZ_CHECK(again->storedLength == stored.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString value = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const std::optional<platform::ExecProgram> program = platform::ExecProgram::read(value)) {
        FUZZ_CHECK(!program->path.isEmpty());
        FUZZ_CHECK(program->storedLength > 0 && program->storedLength <= value.size());
        const QString rest = value.mid(program->storedLength);
        FUZZ_CHECK(rest.isEmpty() || rest.front() == u' ' || rest.front() == u'\t' || rest.startsWith(u"\\s")
            || rest.startsWith(u"\\t"));
        checkRoundTrip(program->path, rest);
    }
    if (!value.isEmpty())
        checkRoundTrip(value, {});
    return 0;
}
