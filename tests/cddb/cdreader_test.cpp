#include "cddb/cdreader.h"
#include "cddb/scancd.h"
#include "discimages.h"
#include "testsupport.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

std::vector<int> everyTwentySeconds(int tracks)
{
    std::vector<int> starts;
    for (int i = 0; i < tracks; ++i)
        starts.push_back(150 + i * 1500);
    return starts;
}

} // namespace

// Identifiers worked out by hand from the tables of contents: the CDDB id from the
// start seconds' digit sums, the seconds from the first start to the lead-out and the
// track count; the "Microsoft Disc ID" from the packed M:S:F starts (plus, below three
// tracks, track 1's frame field and the disc's frames).
TEST(CdReader, IdentifiersOfDiscImages)
{
    const struct
    {
        const char *what;
        TDiscLayout layout;
        TImageKind kind;
        const char *cddbId;
        const char *msId;
    } cases[] = {
        // 2 + 200 s: sum 4, 400 - 2 = 398 s; MS 512 + 201728 + 0 + 29850.
        {"two tracks", {{150, 15000}, 30000}, TImageKind::Cue, "04018e02", "00038A9A"},
        {"two tracks, cdrdao", {{150, 15000}, 30000}, TImageKind::Toc, "04018e02", "00038A9A"},
        // 2 s: sum 2, 398 s, 1 track; MS 512 + 0 + 29850.
        {"one track", {{150}, 30000}, TImageKind::Cue, "02018e01", "0000769A"},
        // 00:02:00 and 03:22:17, lead-out 07:07:40: sum 2 + 4, 427 - 2 = 425 s.
        {"first example", {{150, 15167}, 32065}, TImageKind::Cue, "0601a902", "000394BC"},
        // 2 + 818 s: sum 19, 2369 - 2 = 2367 s.
        {"second example", {{150, 61408}, 177675}, TImageKind::Cue, "13093f02", "000FDDAF"},
        // 2, 200, 300 s: sum 7, 398 s, 3 tracks; MS 512 + 201728 + 327680, no extra term.
        {"data track last",
         {{150, 15000, 22500}, 30000, true},
         TImageKind::Cue,
         "07018e03",
         "00081600"},
        // Starts 2, 22, ... 1962 s: digit sums 1080 (mod 255: 60), 1982 - 2 = 1980 s.
        {"99 tracks",
         {everyTwentySeconds(99), 150 + 99 * 1500},
         TImageKind::Cue,
         "3c07bc63",
         "06388200"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        TTestHome home;
        const QString image = MakeDiscImage(home.path(), QStringLiteral("disc"), c.layout, c.kind);
        ASSERT_FALSE(image.isEmpty());
        TScanCD disc;
        try {
            TCdScanner().Scan(image, disc);
        } catch (const EQel &e) {
            ADD_FAILURE() << e.message().toStdString();
            continue;
        }
        ASSERT_EQ(disc.TrackCount(), int(c.layout.starts.size()));
        EXPECT_EQ(disc.CddbDiscIdText(), QLatin1String(c.cddbId));
        EXPECT_EQ(disc.MsDiscIdText(), QLatin1String(c.msId));
        EXPECT_EQ(disc.LeadOut, c.layout.leadOut);
        for (int i = 0; i < disc.TrackCount(); ++i)
            EXPECT_EQ(disc.Track(i).StartFrame, c.layout.starts[size_t(i)]) << i;
    }
}

// The lengths as the Windows driver reports them, and what the scan makes of them.
TEST(CdReader, DeviceLengthsAndTrackLengths)
{
    TTestHome home;
    const QString image = MakeDiscImage(home.path(), QStringLiteral("disc"), {{150, 15000}, 30000});
    TScanCD disc;
    disc.AddCddbCD().DTitle = QStringLiteral("Kept / Across Scans");
    TCdScanner().Scan(image, disc);
    EXPECT_EQ(disc.DiscLength, 29849);
    EXPECT_EQ(disc.DiscEnd, 30000);
    EXPECT_EQ(disc.Track(0).DeviceLength, 14850);
    EXPECT_EQ(disc.Track(1).DeviceLength, 15000); // 30000 - 15000 - 1, plus the scan's 1
    EXPECT_EQ(disc.Track(0).Length, 14850);
    EXPECT_EQ(disc.Track(1).Length, 15000);
    EXPECT_EQ(disc.Track(0).LengthText(), QStringLiteral("03:18"));
    EXPECT_EQ(disc.DiscLengthText(), QStringLiteral("06:37"));
    EXPECT_EQ(disc.CddbCDCount(), 1);
}

TEST(CdReader, FailuresSayWhyAndResetTheRecord)
{
    TTestHome home;
    const QString garbage = home.file(QStringLiteral("garbage.cue"));
    WriteFileBytes(garbage, "this is not a cue sheet\n\x01\x02");
    const QString noBin = home.file(QStringLiteral("nobin.cue"));
    WriteFileBytes(noBin, "FILE \"missing.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    const QString cannotRead = QStringLiteral("Qel Music cannot read from the CD-ROM drive.");
    const struct
    {
        QString source;
        QString message;
    } cases[] = {
        {QString(), QStringLiteral("No CD-ROM drive found.")},
        {home.file(QStringLiteral("missing.cue")), cannotRead},
        {garbage, cannotRead},
        {noBin, cannotRead},
        {home.file(QStringLiteral("empty.toc")), cannotRead},
        {QStringLiteral("/dev/no-such-drive-sr9"), cannotRead},
    };
    WriteFileBytes(home.file(QStringLiteral("empty.toc")), "");
    for (const auto &c : cases) {
        SCOPED_TRACE(c.source.toStdString());
        TScanCD disc;
        disc.AddTrack().StartFrame = 150;
        disc.AddCddbCD();
        disc.CddbDiscId = 42;
        try {
            TCdScanner().Scan(c.source, disc);
            ADD_FAILURE() << "no error";
        } catch (const ECdScanner &e) {
            EXPECT_EQ(e.message(), c.message);
        }
        // Without a source nothing is touched; a failed read leaves the record reset.
        const bool reset = !c.source.isEmpty();
        EXPECT_EQ(disc.TrackCount(), reset ? 0 : 1);
        EXPECT_EQ(disc.CddbCDCount(), reset ? 0 : 1);
        EXPECT_EQ(disc.CddbDiscId, reset ? 0 : 42);
    }
}

TEST(ScanCD, IdentifierPartsAndEntrySelection)
{
    // The digit sum wraps at 255 into the top byte.
    TScanCD disc;
    disc.AddTrack().StartFrame = 75 * 99999; // digit sum 45
    disc.LeadOut = 75 * 100000;
    disc.ComputeCddbDiscId();
    EXPECT_EQ(disc.CddbDiscIdText(), QStringLiteral("2d000101"));

    disc.AddCddbCD();
    disc.AddCddbCD();
    disc.AddCddbCD();
    disc.SelectCddbCD(2);
    EXPECT_EQ(disc.SelectedEntry(), &disc.CddbCD(2));
    disc.SelectCddbCD(5);
    EXPECT_EQ(disc.SelectedCddbCD, -1);
    EXPECT_EQ(disc.SelectedEntry(), nullptr);
}
