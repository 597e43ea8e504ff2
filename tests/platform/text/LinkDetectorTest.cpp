#include "platform/text/LinkDetector.h"

#include <gtest/gtest.h>

namespace {

struct Found
{
    QString url;
    QString text;
    bool operator==(const Found&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Found& found)
{
    return out << '{' << found.url.toStdString() << ", " << found.text.toStdString() << '}';
}

std::vector<Found> detect(const QString& text)
{
    std::vector<Found> result;
    for (const platform::DetectedLink& link : platform::detectLinks(text))
        result.push_back({ link.url.toString(QUrl::FullyEncoded), link.text });
    return result;
}

std::vector<Found> same(const QString& link)
{
    return { { link, link } };
}

} // namespace

TEST(LinkDetector, FindsAbsoluteLinksOfAnySchemeInTextOrder)
{
    EXPECT_EQ(detect("Join https://example.zoom.us/j/123?pwd=abc then ftp://files.example.org/a and "
                     "zoommtg://zoom.us/join?confno=1"),
        (std::vector<Found> { { "https://example.zoom.us/j/123?pwd=abc", "https://example.zoom.us/j/123?pwd=abc" },
            { "ftp://files.example.org/a", "ftp://files.example.org/a" },
            { "zoommtg://zoom.us/join?confno=1", "zoommtg://zoom.us/join?confno=1" } }));
    EXPECT_EQ(detect("Call tel:+15551234 or msteams:/l/meetup-join/x"),
        (std::vector<Found> {
            { "tel:+15551234", "tel:+15551234" }, { "msteams:/l/meetup-join/x", "msteams:/l/meetup-join/x" } }));
    EXPECT_EQ(detect("Write mailto:bob@example.com"), same("mailto:bob@example.com"));
}

TEST(LinkDetector, TellsWhereEachLinkStands)
{
    const QString text = QStringLiteral("Room 4 (https://a.example.com/x), bob@example.com and example.zoom.us/j/1.");
    QList<qsizetype> positions;
    platform::forEachLink(text, [&](const platform::DetectedLink& link) {
        positions.append(link.position);
        EXPECT_EQ(QStringView(text).mid(link.position, link.text.size()), link.text);
    });
    EXPECT_EQ(positions, QList<qsizetype>({ 8, 34, 54 }));
}

TEST(LinkDetector, WordsFollowedByAColonAreNotLinks)
{
    EXPECT_TRUE(detect("Note: bring slides. Time:10am. C:/Users/bob").empty());
    // The label in front of a link must not swallow it.
    EXPECT_EQ(detect("Link:https://meet.google.com/abc-defg-hij"), same("https://meet.google.com/abc-defg-hij"));
    EXPECT_EQ(detect("Zoom:example.zoom.us/j/1"),
        (std::vector<Found> { { "http://example.zoom.us/j/1", "example.zoom.us/j/1" } }));
}

TEST(LinkDetector, ReportsBareDomainsAsHttpWithTheirOwnText)
{
    EXPECT_EQ(detect("Dial in at example.zoom.us/j/1 or www.example.berlin"),
        (std::vector<Found> { { "http://example.zoom.us/j/1", "example.zoom.us/j/1" },
            { "http://www.example.berlin", "www.example.berlin" } }));
    EXPECT_EQ(detect("see Example.COM:8080/path?q=1#top"),
        (std::vector<Found> { { "http://example.com:8080/path?q=1#top", "Example.COM:8080/path?q=1#top" } }));
}

TEST(LinkDetector, LeavesFileNamesNumbersAndAbbreviationsAlone)
{
    EXPECT_TRUE(detect("Open notes.txt, readme.md and main.py; version 1.2.3, pi 3.14, e.g. i.e. etc.").empty());
    EXPECT_TRUE(detect("foo.com_bar and bar.example.com@home").empty());
}

TEST(LinkDetector, FindsEmailsAsMailLinks)
{
    EXPECT_EQ(detect("Ask jane.doe+x@mail.example.co.uk."),
        (std::vector<Found> { { "mailto:jane.doe+x@mail.example.co.uk", "jane.doe+x@mail.example.co.uk" } }));
    // An address is not also a bare domain.
    EXPECT_EQ(detect("bob.de@example.com").size(), 1u);
}

TEST(LinkDetector, CutsTrailingPunctuationAndUnopenedBrackets)
{
    EXPECT_EQ(detect("Join https://zoom.us/j/1."), same("https://zoom.us/j/1"));
    EXPECT_EQ(detect("Join https://zoom.us/j/1?!"), same("https://zoom.us/j/1"));
    EXPECT_EQ(detect("(see https://zoom.us/j/1)"), same("https://zoom.us/j/1"));
    EXPECT_EQ(detect("[https://zoom.us/j/1]"), same("https://zoom.us/j/1"));
    EXPECT_EQ(detect("'https://zoom.us/j/1', next"), same("https://zoom.us/j/1"));
    EXPECT_EQ(detect("<https://zoom.us/j/1>"), same("https://zoom.us/j/1"));
    EXPECT_EQ(detect("\u201chttps://zoom.us/j/1\u201d"), same("https://zoom.us/j/1"));
    EXPECT_EQ(detect("(https://en.wikipedia.org/wiki/Foo_(bar))."), same("https://en.wikipedia.org/wiki/Foo_(bar)"));
    EXPECT_EQ(detect("(example.zoom.us/j/1)."),
        (std::vector<Found> { { "http://example.zoom.us/j/1", "example.zoom.us/j/1" } }));
}

TEST(LinkDetector, StopsAtWhitespaceAndLineBreaks)
{
    EXPECT_EQ(detect("https://a.example.com/x\nhttps://b.example.com/y\thttps://c.example.com"),
        (std::vector<Found> { { "https://a.example.com/x", "https://a.example.com/x" },
            { "https://b.example.com/y", "https://b.example.com/y" },
            { "https://c.example.com", "https://c.example.com" } }));
}

TEST(LinkDetector, HandlesLinksAmidOtherScripts)
{
    EXPECT_EQ(detect(QString::fromUtf8("会议链接https://zoom.us/j/9，谢谢")), same("https://zoom.us/j/9"));
}

TEST(LinkDetector, SurvivesDegenerateInput)
{
    for (const char* text : { "", "http://", "https://.", "mailto:", ":", "a:", "www.", "@", "a@b", "...", "http://[",
             "x://)", "-.-.com", "a.-b.com" })
        EXPECT_NO_FATAL_FAILURE(detect(text)) << text;
    EXPECT_TRUE(detect("http:// and mailto: and www.").empty());
}
