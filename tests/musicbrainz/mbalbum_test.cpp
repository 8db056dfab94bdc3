// Release to album, against what the album must be, written out by hand from the
// recorded replies and the disc layouts.
#include "mbsupport.h"
#include "model/album.h"
#include "model/lookuplist.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "musicbrainz/mbalbum.h"
#include "musicbrainz/mbdiscid.h"
#include "musicbrainz/mbjson.h"
#include "shell/fielddefaults.h"
#include "testsupport.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

struct TTrackWant
{
    int position;
    const char *title;
    const char *artist; // display name; null: the album's artist shows
    const char *artistSort;
    int seconds;
    int start;
};

struct TDiscWant
{
    int index;
    const char *title;
    quint32 msId;
    quint32 cddbId;
    int leadOut;
    std::vector<TTrackWant> tracks;
};

struct TAlbumWant
{
    const char *what;
    const char *release;
    TDiscLayout scanned;
    bool near;
    const char *title;
    const char *artist;
    const char *artistSort;
    const char *year;
    const char *label; // null: none
    const char *labelSort;
    const char *number;
    const char *format;
    const char *genre;
    const char *comments;
    std::vector<TDiscWant> discs;
};

std::vector<TAlbumWant> albums()
{
    const char *hl = "Harbour Lights";
    const char *salt = "Saltmarsh Records";
    return {
        {"one disc",
         MbReleases::Tidewater,
         MbDiscs::Tidewater,
         false,
         "Tidewater Songs",
         hl,
         hl,
         "1998",
         salt,
         salt,
         "SMR 014",
         "CD",
         "folk", // 3 like "indie folk", and before it
         "Barcode: 5012345678900\r\nMusicBrainz: 3f1c2a10-5b6d-4e7f-8a9b-0c1d2e3f4a51",
         {{1,
           "",
           0x0023CE00,
           0x3804d405,
           92850,
           {{1, "Low Tide", nullptr, nullptr, 214, 150},
            {2, "Pier Lamps", nullptr, nullptr, 196, 16200},
            {3, "Salt on the Window", nullptr, nullptr, 305, 30900},
            {4, "Fog Signal", nullptr, nullptr, 242, 53775},
            {5, "Homeward", nullptr, nullptr, 279, 71925}}}}},
        {"two discs, the second scanned",
         MbReleases::NightFerry,
         MbDiscs::NightFerryLate,
         false,
         "Night Ferry: Live",
         "Mara Kestrel & Jonas Bell",
         "Kestrel, Mara & Jonas Bell",
         "2011",
         "Fjord Sound",
         "Fjord Sound",
         "FJ-221",
         "CD",
         "Pop", // none given: the default stays
         "MusicBrainz: 5a7c9e1b-3d5f-4a6c-8e0a-1b3d5f7a9c24",
         {// From its table of contents; lengths from the track lengths, rounded.
          {1,
           "Evening Set",
           0x000C1600,
           0x0d031e03,
           60000,
           {{1, "Harbour Overture", nullptr, nullptr, 238, 150},
            {2, "Crossing", nullptr, nullptr, 260, 18000},
            {3, "Second Watch", nullptr, nullptr, 302, 37500}}},
          {2,
           "Late Set",
           0x001A4800,
           0x27045604,
           83400,
           {{1, "Night Ferry", nullptr, nullptr, 269, 150},
            {2, "Lantern Hands", "Jonas Bell", "Bell, Jonas", 279, 20325},
            {3, "Bergen Rain", nullptr, nullptr, 259, 41250},
            {4, "Homeward (Reprise)", nullptr, nullptr, 303, 60675}}}}},
        {"various artists",
         MbReleases::Sessions,
         MbDiscs::Sessions,
         false,
         "Harbour Sessions",
         "Various Artists",
         "Various Artists",
         "2009",
         salt,
         salt,
         "SMR-VA1",
         "CD",
         "blues",
         "MusicBrainz: 7b9d1f3a-5c7e-4b9d-a1c3-5e7f9b1d3f46",
         {{1,
           "",
           0x00132C00,
           0x20033204,
           61500,
           {{1, "Low Tide (Session)", hl, hl, 190, 150},
            {2, "Two Lamps", "Mara Kestrel feat. Jonas Bell", "Kestrel, Mara feat. Jonas Bell", 198,
             14400},
            {3, "Interlude", nullptr, nullptr, 210, 29250},
            {4, "Norðurljós", "Óskar Þór", "Þór, Óskar", 220, 45000}}}}},
        {"no label, no date",
         MbReleases::DemoTape,
         MbDiscs::DemoTape,
         false,
         "Demo Tape",
         "Quiet Harbour",
         "Quiet Harbour",
         "",
         nullptr,
         nullptr,
         "",
         "CD",
         "Pop",
         "MusicBrainz: 2c4e6a8c-0e2a-4c6e-8a0c-2e4a6c8e0a35",
         {{1,
           "",
           0x0005B3C8,
           0x07025802,
           45150,
           {{1, "First Light", nullptr, nullptr, 300, 150},
            {2, "Untitled", nullptr, nullptr, 300, 22650}}}}},
        // The scan's identifiers stay (the data track counts in them); the data track
        // is no track, and the last audio track ends 11,400 frames before it.
        {"enhanced CD",
         MbReleases::Lantern,
         MbDiscs::Lantern,
         false,
         "Lantern Room",
         hl,
         hl,
         "2015",
         salt,
         salt,
         "SMR 090",
         "Enhanced CD",
         "folk",
         "Barcode: 5012345678924\r\nMusicBrainz: 9e1a3c5e-7a9c-4e1a-b3c5-7e9a1c3e5a57",
         {{1,
           "",
           0x00182B00,
           0x2203e604,
           75000,
           {{1, "Lantern Room", nullptr, nullptr, 200, 150},
            {2, "Stairwell", nullptr, nullptr, 225, 15150},
            {3, "Open Window", nullptr, nullptr, 273, 32025}}}}},
        // Its medium lists another disc ID: the medium with as many tracks is the disc.
        {"near match",
         MbReleases::LowTide,
         MbDiscs::LowTide,
         true,
         "Low Tide EP",
         hl,
         hl,
         "1997",
         salt,
         salt,
         "SMR 009",
         "CD",
         "Pop",
         "MusicBrainz: 4f6a8c0e-2a4c-4e6a-8c0e-4a6c8e0a2c68",
         {{1,
           "",
           0x00093E00,
           0x08025603,
           45000,
           {{1, "Low Tide", nullptr, nullptr, 198, 150},
            {2, "Pier Lamps (Edit)", nullptr, nullptr, 200, 15000},
            {3, "Homeward", nullptr, nullptr, 200, 30000}}}}},
    };
}

TMbRelease readRelease(const char *id)
{
    TMbRelease release;
    const QString error = ReadMbRelease(
        MbFixture(QStringLiteral("release/") + QLatin1String(id) + QStringLiteral(".json")),
        release);
    EXPECT_EQ(error, QString());
    return release;
}

QString text(const char *s)
{
    return QString::fromUtf8(s);
}

} // namespace

TEST(MbAlbum, ReleaseToAlbum)
{
    TTestHome home;
    TFieldDefaults defaults;
    defaults.Genre = QStringLiteral("Pop");
    defaults.FormatString = QStringLiteral("LP");
    for (const TAlbumWant &want : albums()) {
        SCOPED_TRACE(want.what);
        TMbRelease release = readRelease(want.release);
        release.Near = want.near;
        const TScanCD scan = ScanMbDisc(home.path(), want.scanned, QStringLiteral("disc"));
        const TMbDiscId id = MbDiscIdOf(scan);
        ASSERT_TRUE(id.IsValid());
        TQelDb db;
        std::unique_ptr<TAlbum> album(CreateFromMbRelease(release, scan, id, db, &defaults));
        EXPECT_EQ(album->Title.view(), text(want.title));
        ASSERT_NE(album->Artist, nullptr);
        EXPECT_EQ(album->Artist->DisplayName, text(want.artist));
        EXPECT_EQ(album->Artist->SortName, text(want.artistSort));
        EXPECT_EQ(album->Year.view(), text(want.year));
        if (want.label) {
            ASSERT_NE(album->Label, nullptr);
            EXPECT_EQ(album->Label->DisplayName, text(want.label));
            EXPECT_EQ(album->Label->SortName, text(want.labelSort));
        } else {
            EXPECT_EQ(album->Label, nullptr);
        }
        EXPECT_EQ(album->Number.view(), text(want.number));
        EXPECT_EQ(LookupDisplayText(album->Format), text(want.format));
        EXPECT_EQ(LookupDisplayText(album->Genre), text(want.genre));
        EXPECT_EQ(album->Comments.view(), text(want.comments));
        ASSERT_EQ(album->DiscCount(), qsizetype(want.discs.size()));
        for (size_t d = 0; d < want.discs.size(); ++d) {
            SCOPED_TRACE(d);
            const TDiscWant &w = want.discs[d];
            const TDisc *disc = album->Disc(qsizetype(d));
            EXPECT_EQ(disc->Index, w.index);
            EXPECT_EQ(disc->Title.view(), text(w.title));
            EXPECT_EQ(quint32(disc->MsDiscId), w.msId);
            EXPECT_EQ(quint32(disc->CddbDiscId), w.cddbId);
            EXPECT_EQ(disc->LeadOut, w.leadOut);
            ASSERT_EQ(disc->TrackCount(), qsizetype(w.tracks.size()));
            for (size_t t = 0; t < w.tracks.size(); ++t) {
                SCOPED_TRACE(t);
                const TTrackWant &tw = w.tracks[t];
                const TTrack *track = disc->Track(qsizetype(t));
                EXPECT_EQ(track->Index, tw.position);
                EXPECT_EQ(track->Position, tw.position);
                EXPECT_EQ(track->Title.view(), text(tw.title));
                EXPECT_EQ(track->Length, tw.seconds);
                EXPECT_EQ(track->StartFrame, tw.start);
                if (tw.artist) {
                    ASSERT_NE(track->Artist, nullptr);
                    EXPECT_EQ(track->Artist->DisplayName, text(tw.artist));
                    EXPECT_EQ(track->Artist->SortName, text(tw.artistSort));
                } else {
                    EXPECT_EQ(track->Artist, nullptr);
                }
            }
        }
    }
}

// An entry the collection has is taken as it is, by sort name or display name; only a
// missing display name is filled in.
TEST(MbAlbum, LookupEntriesOfTheCollectionAreReused)
{
    TTestHome home;
    TQelDb db;
    TLookupList &artists = db.LookupList(fdArtist);
    TLookupItem *pair = artists.FindOrCreate(QStringLiteral("Kestrel, Mara & Jonas Bell"), {});
    TLookupItem *bell =
        artists.FindOrCreate(QStringLiteral("Bell J."), QStringLiteral("Jonas Bell"));
    TLookupItem *fjord = db.LookupList(fdLabel).FindOrCreate(QStringLiteral("fjord sound"), {});
    const qsizetype artistCount = artists.Count();

    const TScanCD scan = ScanMbDisc(home.path(), MbDiscs::NightFerryLate, QStringLiteral("late"));
    std::unique_ptr<TAlbum> album(CreateFromMbRelease(readRelease(MbReleases::NightFerry), scan,
                                                      MbDiscIdOf(scan), db, nullptr));
    EXPECT_EQ(album->Artist, pair);
    EXPECT_EQ(pair->SortName, QStringLiteral("Kestrel, Mara & Jonas Bell"));
    EXPECT_EQ(pair->DisplayName, QStringLiteral("Mara Kestrel & Jonas Bell"));
    EXPECT_EQ(album->Disc(1)->Track(1)->Artist, bell);
    EXPECT_EQ(bell->SortName, QStringLiteral("Bell J.")) << "a sort name found stays";
    EXPECT_EQ(album->Label, fjord);
    EXPECT_EQ(fjord->DisplayName, QStringLiteral("Fjord Sound"));
    EXPECT_EQ(artists.Count(), artistCount);
}

// The medium that holds the scanned disc, and the album that holds it already.
TEST(MbAlbum, ScannedMediumAndTheAlbumHoldingTheDisc)
{
    TTestHome home;
    const TScanCD scan = ScanMbDisc(home.path(), MbDiscs::NightFerryLate, QStringLiteral("late"));
    const TMbDiscId id = MbDiscIdOf(scan);
    TMbRelease release = readRelease(MbReleases::NightFerry);
    EXPECT_EQ(ScannedMediumIndex(release, id), 1) << "listed by the second medium";
    release.Media[1].Discs.clear();
    release.Media[0].TrackCount = 4;
    EXPECT_EQ(ScannedMediumIndex(release, id), 0) << "not listed: the first with 4 tracks";
    release.Media[0].TrackCount = 3;
    release.Media[1].TrackCount = 3;
    EXPECT_EQ(ScannedMediumIndex(release, id), 0) << "none with 4 tracks: the first";
    release.Media.clear();
    EXPECT_EQ(ScannedMediumIndex(release, id), -1);

    TQelDb db;
    EXPECT_EQ(FindAlbumOfDisc(db, scan), nullptr);
    for (const bool byMsId : {true, false}) {
        auto *album = new TAlbum(&db);
        auto *disc = new TDisc(album);
        album->Add(disc);
        if (byMsId)
            disc->MsDiscId = scan.MsDiscId;
        else
            disc->CddbDiscId = scan.CddbDiscId;
        db.AddAlbum(album);
        EXPECT_EQ(FindAlbumOfDisc(db, scan), album) << byMsId;
        db.RemoveAlbum(album);
        delete album;
    }
}
