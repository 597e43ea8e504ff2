// Looks for links in a text and cleans it as a meeting's location: whatever the text, the links found stand in
// it where they say, in order and apart, and the cleaned place has no separator at its ends nor a run
// of spaces.
#include "FuzzSupport.h"
#include "platform/text/LinkDetector.h"
#include "tolvar/model/MeetingLinks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QList<platform::DetectedLink> links = platform::detectLinks(text);
    qsizetype end = 0;
    for (const platform::DetectedLink& link : links) {
        FUZZ_CHECK(link.position >= end);
        FUZZ_CHECK(!link.text.isEmpty());
        FUZZ_CHECK(QStringView(text).mid(link.position, link.text.size()) == link.text);
        FUZZ_CHECK(link.url.isValid());
        end = link.position + link.text.size();
    }

    if (const std::optional<QString> place = tolvar::physicalLocationText(text)) {
        // Whitespace other than spaces, tabs and line ends is not trimmed, only collapsed to a space.
        constexpr QStringView separators = u"\n\t-\u2013\u2014\u00b7,;|";
        FUZZ_CHECK(!place->isEmpty());
        FUZZ_CHECK(!separators.contains(place->front()) && !separators.contains(place->back()));
        FUZZ_CHECK(!place->contains(QStringLiteral("  ")));
        FUZZ_CHECK(place->size() <= text.size());
    }
    return 0;
}
