// The MusicBrainz disc ID of scanned discs, against libdiscid's own answer for the
// offsets worked out here, and the identifiers a table of contents gives.
#include "mbsupport.h"
#include "musicbrainz/mbdiscid.h"
#include "testsupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <discid/discid.h>
#include <gtest/gtest.h>

namespace {

struct TLibdiscid
{
    QString id, toc, url;
};

// What libdiscid says for tracks first..last starting at offsets, ending at leadOut.
TLibdiscid libdiscid(int first, int last, int leadOut, const std::vector<int> &offsets)
{
    int table[100] = {};
    table[0] = leadOut;
    for (int t = first; t <= last; ++t)
        table[t] = offsets[size_t(t - first)];
    DiscId *d = discid_new();
    TLibdiscid answer;
    if (discid_put(d, first, last, table)) {
        answer.id = QString::fromLatin1(discid_get_id(d));
        answer.toc = QString::fromLatin1(discid_get_toc_string(d));
        answer.url = QString::fromLatin1(discid_get_submission_url(d));
    }
    discid_free(d);
    return answer;
}

std::vector<int> everyTwentySeconds(int tracks)
{
    std::vector<int> starts;
    for (int i = 0; i < tracks; ++i)
        starts.push_back(150 + i * 1500);
    return starts;
}

struct TDiscCase
{
    const char *what;
    TDiscLayout layout;
    // The identity worked out by hand: the audio tracks and where their session ends.
    int lastAudio;
    int audioLeadOut;
    const char *knownId; // from the ID's definition (SHA-1 of the table), or null
};

std::vector<TDiscCase> discCases()
{
    return {
        {"one track", {{150}, 30000}, 1, 30000, nullptr},
        {"five tracks", MbDiscs::Tidewater, 5, 92850, "KuNFKHm34dfUgqH1inSkHLJESEI-"},
        {"99 tracks", {everyTwentySeconds(99), 150 + 99 * 1500}, 99, 150 + 99 * 1500, nullptr},
        // The data track is no track of the identity; the audio session ends 11,400
        // frames before it starts.
        {"enhanced CD", MbDiscs::Lantern, 3, 63900 - 11400, "RbLCI91xU25ihxjFdKyKVABJKO0-"},
    };
}

} // namespace

TEST(MbDiscId, EqualsLibdiscidForTheSameOffsets)
{
    TTestHome home;
    for (const TDiscCase &c : discCases()) {
        SCOPED_TRACE(c.what);
        const TScanCD disc = ScanMbDisc(home.path(), c.layout, QStringLiteral("disc"));
        const TMbDiscId id = MbDiscIdOf(disc);
        const std::vector<int> audio(c.layout.starts.begin(),
                                     c.layout.starts.begin() + c.lastAudio);
        const TLibdiscid expected = libdiscid(1, c.lastAudio, c.audioLeadOut, audio);
        ASSERT_FALSE(expected.id.isEmpty());
        EXPECT_EQ(id.Id, expected.id);
        EXPECT_EQ(id.Toc, expected.toc);
        EXPECT_EQ(id.SubmitUrl, expected.url);
        EXPECT_EQ(id.LastTrack, c.lastAudio);
        EXPECT_EQ(id.LeadOut, c.audioLeadOut);
        EXPECT_EQ(id.DataTrackLast, c.layout.dataTrackLast);
        if (c.knownId) {
            EXPECT_EQ(id.Id, QLatin1String(c.knownId));
        }
    }
}

TEST(MbDiscId, RefusedTablesSayWhy)
{
    const struct
    {
        const char *what;
        int first, last, leadOut;
        std::vector<qint32> offsets;
    } cases[] = {
        {"no tracks", 1, 0, 30000, {}},
        {"lead-out before the last track", 1, 2, 15000, {150, 20000}},
        {"more than 99 tracks", 1, 100, 200000, std::vector<qint32>(100, 150)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const TMbDiscId id = MbDiscIdOfToc(c.first, c.last, c.leadOut, c.offsets);
        EXPECT_FALSE(id.IsValid());
        EXPECT_FALSE(id.Error.isEmpty());
    }
    // An enhanced CD whose data track starts too early for an audio session before it.
    TScanCD odd;
    odd.LeadOut = 30000;
    odd.AddTrack().StartFrame = 150;
    TScanTrack &data = odd.AddTrack();
    data.StartFrame = 9000;
    data.Data = true;
    EXPECT_FALSE(MbDiscIdOf(odd).IsValid());
}

// Other media of a release carry only a table of contents: their identifiers must be
// those a scan of that disc gives.
TEST(MbDiscId, TableOfContentsGivesTheScansIdentifiers)
{
    TTestHome home;
    const TDiscLayout layouts[] = {MbDiscs::Tidewater, MbDiscs::DemoTape, {{150}, 30000}};
    for (const TDiscLayout &layout : layouts) {
        const TScanCD scanned = ScanMbDisc(home.path(), layout, QStringLiteral("toc"));
        TScanCD computed;
        ScanCdFromToc(std::vector<qint32>(layout.starts.begin(), layout.starts.end()),
                      layout.leadOut, computed);
        EXPECT_EQ(computed.CddbDiscIdText(), scanned.CddbDiscIdText());
        EXPECT_EQ(computed.MsDiscIdText(), scanned.MsDiscIdText());
        EXPECT_EQ(computed.LeadOut, scanned.LeadOut);
        ASSERT_EQ(computed.TrackCount(), scanned.TrackCount());
        for (int i = 0; i < computed.TrackCount(); ++i) {
            EXPECT_EQ(computed.Track(i).StartFrame, scanned.Track(i).StartFrame) << i;
            EXPECT_EQ(computed.Track(i).Length, scanned.Track(i).Length) << i;
        }
    }
    // "Evening Set" of the two-disc fixture, by hand: start seconds 2, 240, 500 (digit
    // sums 2 + 6 + 5), 800 - 2 = 798 s, 3 tracks; M:S:F 0:2:0, 4:0:0, 8:20:0.
    TScanCD evening;
    ScanCdFromToc({150, 18000, 37500}, 60000, evening);
    EXPECT_EQ(evening.CddbDiscIdText(), QLatin1String("0d031e03"));
    EXPECT_EQ(evening.MsDiscIdText(), QLatin1String("000C1600"));
}

TEST(QelMb, DiscidEqualsLibdiscid)
{
    TTestHome home;
    for (const TDiscCase &c : discCases()) {
        SCOPED_TRACE(c.what);
        const QString image = MakeDiscImage(home.path(), QStringLiteral("cli"), c.layout);
        const TRunResult r = RunQel(
            {QStringLiteral("mb"), QStringLiteral("discid"), image, QStringLiteral("--json")});
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        const QJsonObject o = QJsonDocument::fromJson(r.out).object();
        const std::vector<int> audio(c.layout.starts.begin(),
                                     c.layout.starts.begin() + c.lastAudio);
        const TLibdiscid expected = libdiscid(1, c.lastAudio, c.audioLeadOut, audio);
        EXPECT_EQ(o.value(QLatin1String("mbDiscId")).toString(), expected.id);
        EXPECT_EQ(o.value(QLatin1String("toc")).toString(), expected.toc);
        EXPECT_EQ(o.value(QLatin1String("submitUrl")).toString(), expected.url);
        EXPECT_EQ(o.value(QLatin1String("firstTrack")).toInt(), 1);
        EXPECT_EQ(o.value(QLatin1String("lastTrack")).toInt(), c.lastAudio);
        EXPECT_EQ(o.value(QLatin1String("leadOut")).toInt(), c.audioLeadOut);
        const QJsonArray offsets = o.value(QLatin1String("offsets")).toArray();
        ASSERT_EQ(offsets.size(), c.lastAudio);
        for (int i = 0; i < c.lastAudio; ++i)
            EXPECT_EQ(offsets[i].toInt(), c.layout.starts[size_t(i)]);
    }
    // The keys in their documented order.
    const QString image = MakeDiscImage(home.path(), QStringLiteral("one"), {{150}, 30000});
    const TRunResult one =
        RunQel({QStringLiteral("mb"), QStringLiteral("discid"), image, QStringLiteral("--json")});
    EXPECT_TRUE(one.out.startsWith("{\"mbDiscId\":\"")) << one.out.constData();
    EXPECT_TRUE(one.out.contains("\",\"toc\":\"1 1 30000 150\",\"submitUrl\":\""));
    EXPECT_TRUE(one.out.endsWith(",\"firstTrack\":1,\"lastTrack\":1,\"leadOut\":30000,"
                                 "\"offsets\":[150]}\n"));

    const TRunResult missing = RunQel(
        {QStringLiteral("mb"), QStringLiteral("discid"), home.file(QStringLiteral("none.cue"))});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_FALSE(missing.err.isEmpty());
}
