#include "cddb/cddbentry.h"
#include "cddb/scancd.h"

#include <gtest/gtest.h>

namespace {

TScanCD discOf(int tracks)
{
    TScanCD disc;
    for (int i = 0; i < tracks; ++i)
        disc.AddTrack().StartFrame = 150 + 1500 * i;
    disc.LeadOut = 150 + 1500 * tracks;
    disc.ComputeCddbDiscId();
    return disc;
}

} // namespace

TEST(CddbEntry, ParseEntryReadsItsKeywordsOnly)
{
    const TScanCD disc = discOf(10);
    const QStringList reply = {
        QStringLiteral("210 rock 8a0a940a CD database entry follows (until terminating `.')"),
        QStringLiteral("# xmcd"),
        QStringLiteral("# Revision: 7"),
        QStringLiteral("# Submitted via: first"),
        QStringLiteral("# Submitted via: Some Tool 1.0"),
        QStringLiteral("DISCID=8a0a940a"),
        QStringLiteral("DTITLE=Harbour Lights / Songs of"),
        QStringLiteral("DTITLE= the Coast/Live"),
        QStringLiteral("TTITLE0=One"),
        QStringLiteral("TTITLE1=Two"),
        QStringLiteral("TTITLE1=, continued"),
        QStringLiteral("TTITLE10=Not a track of this disc"),
        QStringLiteral("TTITLE12=Ignored"),
        QStringLiteral("TTITLE01=Leading zero, not track 1"),
        QStringLiteral("EXTD=first\\nsecond\\tthird \\\\ \\q"),
        QStringLiteral("EXTT7=x"),
        QStringLiteral("EXTT7=y"),
        QStringLiteral("PLAYORDER="),
        QStringLiteral("."),
    };
    TCddbCD e;
    ParseEntry(disc, reply, e, QStringLiteral("8a0a940a"), QStringLiteral("rock"));
    EXPECT_EQ(e.Category, QStringLiteral("rock"));
    EXPECT_EQ(e.DiscIdText(), QStringLiteral("8a0a940a"));
    EXPECT_EQ(e.Revision, 7);
    EXPECT_EQ(e.SubmittedVia, QStringLiteral("Some Tool 1.0"));
    EXPECT_EQ(e.DTitle, QStringLiteral("Harbour Lights / Songs of the Coast/Live"));
    EXPECT_EQ(e.Artist(), QStringLiteral("Harbour Lights"));
    EXPECT_EQ(e.Title(), QStringLiteral("Songs of the Coast/Live"));
    ASSERT_EQ(e.TrackCount(), 10);
    EXPECT_EQ(e.Track(0).Title, QStringLiteral("One"));
    EXPECT_EQ(e.Track(1).Title, QStringLiteral("Two, continued"));
    EXPECT_EQ(e.Track(9).Title, QString());
    EXPECT_EQ(e.Track(7).ExtData, QStringLiteral("xy"));
    // "\n" is the catalogue's line break, CR LF.
    EXPECT_EQ(e.ExtData, QStringLiteral("first\r\nsecond\tthird \\ \\q"));

    TCddbCD bad;
    ParseEntry(disc, {QStringLiteral("# Revision: seven"), QStringLiteral("DTITLE=Same")}, bad,
               QStringLiteral("zz"), QStringLiteral("misc"));
    EXPECT_EQ(bad.Revision, 0);
    EXPECT_EQ(bad.DiscId, 0);
    EXPECT_EQ(bad.Artist(), QStringLiteral("Same"));
    EXPECT_EQ(bad.Title(), QStringLiteral("Same"));
}

TEST(CddbEntry, EscapesBothWays)
{
    const struct
    {
        QString text;
        QString escaped;
    } cases[] = {
        {QStringLiteral("a\r\nb"), QStringLiteral("a\\nb")},
        {QStringLiteral("a\nb\rc"), QStringLiteral("abc")}, // lone LF and CR dropped
        {QStringLiteral("t\tb\\s"), QStringLiteral("t\\tb\\\\s")},
        {QStringLiteral("\x01\x7f\u0085ok"), QStringLiteral("ok")},
        {QStringLiteral("Café 北野 \U0001F3B5"), QStringLiteral("Café 北野 \U0001F3B5")},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(EscapeText(c.text), c.escaped) << c.text.toStdString();
        if (c.text == UnescapeText(c.escaped))
            continue;
        // What survives escaping reads back as it was, but for the dropped characters.
        EXPECT_EQ(UnescapeText(c.escaped),
                  EscapeText(c.text)
                      .replace(QLatin1String("\\n"), QLatin1String("\r\n"))
                      .replace(QLatin1String("\\t"), QLatin1String("\t"))
                      .replace(QLatin1String("\\\\"), QLatin1String("\\")));
    }
    EXPECT_EQ(UnescapeText(QStringLiteral("end\\")), QStringLiteral("end\\"));
}

TEST(CddbEntry, KeywordLinesAreAtMost79Characters)
{
    QStringList lines;
    AddKeywordLines(QStringLiteral("DTITLE"), QString(150, u'v'), lines);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0].size(), 79);
    EXPECT_EQ(lines[1].size(), 79);
    EXPECT_EQ(lines[2].size(), 13);
    lines.clear();
    AddKeywordLines(QStringLiteral("DTITLE"), QString(), lines);
    EXPECT_EQ(lines, QStringList{QStringLiteral("DTITLE=")});

    // A character outside the basic plane is never cut in two, nor does a line pass 79.
    lines.clear();
    const QString note = QStringLiteral("\U0001F3B5");
    AddKeywordLines(QStringLiteral("DTITLE"), QString(71, u'a') + note + QStringLiteral("b"),
                    lines);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("DTITLE=") + QString(71, u'a'));
    EXPECT_EQ(lines[1], QStringLiteral("DTITLE=") + note + QStringLiteral("b"));
}

TEST(CddbEntry, ComposedEntryReadsBack)
{
    TScanCD disc = discOf(2);
    TCddbCD &e = disc.AddCddbCD();
    e.DTitle = QStringLiteral("Harbour Lights / Live");
    e.Revision = 4;
    e.SubmittedVia = QStringLiteral("Qel Music 3.1.0");
    e.ExtData = QStringLiteral("Recorded live\r\nin 1999");
    e.AddTrack().Title = QStringLiteral("One");
    e.AddTrack().Title = QString(100, u't');
    QStringList lines;
    ComposeEntry(disc, lines);
    const QStringList head = {QStringLiteral("# xmcd"),
                              QStringLiteral("#"),
                              QStringLiteral("# Track frame offsets:"),
                              QStringLiteral("#  150"),
                              QStringLiteral("#  1650"),
                              QStringLiteral("#"),
                              QStringLiteral("# Disc length: 42 seconds"),
                              QStringLiteral("#"),
                              QStringLiteral("# Revision: 5"),
                              QStringLiteral("# Submitted via: Qel Music 3.1.0"),
                              QStringLiteral("#"),
                              QStringLiteral("DISCID=") + disc.CddbDiscIdText(),
                              QStringLiteral("DTITLE=Harbour Lights / Live"),
                              QStringLiteral("TTITLE0=One")};
    EXPECT_EQ(lines.mid(0, head.size()), head);
    EXPECT_EQ(lines.last(), QStringLiteral("PLAYORDER="));
    EXPECT_TRUE(lines.contains(QStringLiteral("EXTD=Recorded live\\nin 1999")));
    EXPECT_TRUE(lines.contains(QStringLiteral("EXTT0=")));
    EXPECT_TRUE(lines.contains(QStringLiteral("EXTT1=")));
    for (const QString &line : lines)
        EXPECT_LE(line.size(), 79) << line.toStdString();

    TCddbCD back;
    ParseEntry(disc, lines, back, disc.CddbDiscIdText(), QStringLiteral("rock"));
    EXPECT_EQ(back.DTitle, e.DTitle);
    EXPECT_EQ(back.ExtData, e.ExtData);
    EXPECT_EQ(back.Track(1).Title, e.Track(1).Title);
    EXPECT_EQ(back.Revision, 5);
}
