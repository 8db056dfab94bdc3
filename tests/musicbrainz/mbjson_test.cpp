// The readers of the web service's JSON: recorded replies, and bodies that are not
// what was asked for.
#include "mbsupport.h"
#include "musicbrainz/mbjson.h"
#include "testsupport.h"

#include <gtest/gtest.h>

namespace {

QByteArray release(const QByteArray &fields)
{
    return "{\"id\":\"5a7c9e1b-3d5f-4a6c-8e0a-1b3d5f7a9c24\",\"title\":\"T\"" + fields + "}";
}

} // namespace

TEST(MbJson, ReadsRecordedReplies)
{
    TMbReleases found;
    ASSERT_EQ(
        ReadMbReleaseList(MbFixture(QStringLiteral("discid/KuNFKHm34dfUgqH1inSkHLJESEI-.json")),
                          false, found),
        QString());
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].Id, QLatin1String(MbReleases::Tidewater));
    EXPECT_EQ(found[1].Disambiguation, QStringLiteral("2004 remaster"));
    EXPECT_FALSE(found[0].Near);
    EXPECT_FALSE(found[0].Complete) << "a look-up gives summaries";
    ASSERT_EQ(found[0].Media.size(), 1u);
    EXPECT_EQ(found[0].Media[0].TrackCount, 5);
    EXPECT_TRUE(found[0].Media[0].Tracks.empty());

    TMbRelease ferry;
    ASSERT_EQ(
        ReadMbRelease(MbFixture(QStringLiteral("release/") + QLatin1String(MbReleases::NightFerry) +
                                QStringLiteral(".json")),
                      ferry),
        QString());
    EXPECT_TRUE(ferry.Complete);
    EXPECT_EQ(MbCreditText(ferry.Credit), QStringLiteral("Mara Kestrel & Jonas Bell"));
    EXPECT_EQ(MbCreditSortName(ferry.Credit), QStringLiteral("Kestrel, Mara & Jonas Bell"));
    // The reply lists the second medium first: media come in position order.
    ASSERT_EQ(ferry.Media.size(), 2u);
    EXPECT_EQ(ferry.Media[0].Title, QStringLiteral("Evening Set"));
    EXPECT_EQ(ferry.Media[1].Title, QStringLiteral("Late Set"));
    ASSERT_EQ(ferry.Media[0].Discs.size(), 1u);
    EXPECT_EQ(ferry.Media[0].Discs[0].Offsets, (std::vector<qint32>{150, 18000, 37500}));
    EXPECT_EQ(ferry.Media[0].Discs[0].Sectors, 60000);
    ASSERT_EQ(ferry.Media[1].Tracks.size(), 4u);
    EXPECT_EQ(ferry.Media[1].Tracks[1].LengthMs, -1) << "a track without a length";
    EXPECT_EQ(MbCreditText(ferry.Media[1].Tracks[1].Credit), QStringLiteral("Jonas Bell"));
    // The first label-info has no label and no number; the label is the first there is.
    ASSERT_NE(ferry.FirstLabel(), nullptr);
    EXPECT_EQ(ferry.FirstLabel()->Name, QStringLiteral("Fjord Sound"));
    EXPECT_EQ(ferry.FirstCatalogNumber(), QStringLiteral("FJ-221"));
}

TEST(MbJson, RefusesBodiesThatAreNotTheReplyAskedFor)
{
    const struct
    {
        const char *what;
        QByteArray body;
    } lists[] = {
        {"empty", ""},
        {"HTML", "<html><body>502 Bad Gateway</body></html>"},
        {"cut short", "{\"releases\":[{\"id\":\"5a7c9e1b-3d5f-4a6c-8e0a-1b3d5f7a9c24\",\"tit"},
        {"an array", "[]"},
        {"no release list", "{\"error\":\"Not Found\"}"},
        {"releases not a list", "{\"releases\":{}}"},
        {"a release that is a number", "{\"releases\":[7]}"},
        {"a release without an id", "{\"releases\":[{\"title\":\"T\"}]}"},
        // The identifier names a request path and a cover file.
        {"an id that is a path", "{\"releases\":[{\"id\":\"../../covers/x\",\"title\":\"T\"}]}"},
        {"a release without a title",
         "{\"releases\":[{\"id\":\"5a7c9e1b-3d5f-4a6c-8e0a-1b3d5f7a9c24\"}]}"},
    };
    for (const auto &c : lists) {
        SCOPED_TRACE(c.what);
        TMbReleases found(1);
        EXPECT_FALSE(ReadMbReleaseList(c.body, false, found).isEmpty());
        EXPECT_TRUE(found.empty());
        TMbRelease one;
        one.Title = QStringLiteral("left over");
        EXPECT_FALSE(ReadMbRelease(c.body, one).isEmpty());
        EXPECT_TRUE(one.Title.isEmpty());
    }
    TMbReleases none;
    EXPECT_EQ(ReadMbReleaseList("{\"release-count\":0,\"releases\":[]}", true, none), QString());
    EXPECT_TRUE(none.empty());
}

// Values a server may send that make no sense are dropped, never trusted.
TEST(MbJson, OddValuesAreDropped)
{
    TMbRelease r;
    ASSERT_EQ(ReadMbRelease(release(",\"media\":[{\"position\":1,\"discs\":["
                                    "{\"id\":\"a\",\"sectors\":30000,\"offsets\":[150,9000,4000]},"
                                    "{\"id\":\"b\",\"sectors\":3000,\"offsets\":[150,9000]},"
                                    "{\"id\":\"c\",\"sectors\":1e300,\"offsets\":[150]},"
                                    "{\"id\":\"d\",\"sectors\":30000,\"offsets\":[150,\"x\"]}],"
                                    "\"tracks\":[{\"position\":1,\"title\":\"a\\r\\nb\\u0000c\","
                                    "\"length\":-5}]}],"
                                    "\"cover-art-archive\":{\"front\":false}"),
                            r),
              QString());
    ASSERT_EQ(r.Media.size(), 1u);
    for (const TMbDisc &d : r.Media[0].Discs) {
        EXPECT_TRUE(d.Offsets.empty()) << d.Id.toStdString();
        EXPECT_FALSE(d.Id.isEmpty());
    }
    ASSERT_EQ(r.Media[0].Tracks.size(), 1u);
    EXPECT_EQ(r.Media[0].Tracks[0].Title, QStringLiteral("a  b c")) << "control characters";
    EXPECT_EQ(r.Media[0].Tracks[0].LengthMs, -1);
    EXPECT_FALSE(r.HasFrontCover);

    QByteArray offsets;
    for (int i = 0; i < 100; ++i)
        offsets += (i ? "," : "") + QByteArray::number(150 + i * 100);
    ASSERT_EQ(ReadMbRelease(release(",\"media\":[{\"discs\":[{\"id\":\"x\",\"sectors\":90000,"
                                    "\"offsets\":[" +
                                    offsets + "]}]}]"),
                            r),
              QString());
    EXPECT_TRUE(r.Media[0].Discs[0].Offsets.empty()) << "more than 99 tracks";
    EXPECT_TRUE(r.HasFrontCover) << "unless the release says otherwise";
}

TEST(MbJson, CreditsAndGenres)
{
    const auto name = [](const char *n, const char *sort, const char *join) {
        return TMbCreditName{QString::fromUtf8(n), QString::fromUtf8(sort),
                             QString::fromUtf8(join)};
    };
    const struct
    {
        const char *what;
        TMbCredit credit;
        const char *text;
        const char *sort;
    } credits[] = {
        {"one artist", {name("Jonas Bell", "Bell, Jonas", "")}, "Jonas Bell", "Bell, Jonas"},
        {"two artists",
         {name("Mara Kestrel", "Kestrel, Mara", " & "), name("Jonas Bell", "Bell, Jonas", "")},
         "Mara Kestrel & Jonas Bell",
         "Kestrel, Mara & Jonas Bell"},
        {"three with a featured one",
         {name("A One", "One, A", ", "), name("B Two", "Two, B", " feat. "),
          name("C Three", "Three, C", "")},
         "A One, B Two feat. C Three",
         "One, A, B Two feat. C Three"},
        {"no sort name", {name("Anon", "", "")}, "Anon", "Anon"},
        {"nobody", {}, "", ""},
    };
    for (const auto &c : credits) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(MbCreditText(c.credit), QString::fromUtf8(c.text));
        EXPECT_EQ(MbCreditSortName(c.credit), QString::fromUtf8(c.sort));
    }

    const struct
    {
        std::vector<TMbGenre> genres;
        const char *top;
    } genres[] = {
        {{}, ""},
        {{{QStringLiteral("rock"), 1}, {QStringLiteral("jazz"), 4}}, "jazz"},
        {{{QStringLiteral("indie folk"), 3},
          {QStringLiteral("Folk"), 3},
          {QStringLiteral("rock"), 1}},
         "Folk"},
    };
    for (const auto &g : genres) {
        TMbRelease r;
        r.GroupGenres = g.genres;
        EXPECT_EQ(r.TopGenre(), QLatin1String(g.top));
    }
}
