#include "cddb/cddbalbum.h"
#include "cddb/scancd.h"
#include "model/album.h"
#include "model/lookuplist.h"
#include "model/qeldb.h"
#include "model/tracks.h"

#include <gtest/gtest.h>

TEST(CddbAlbum, TrackTitlesSplitByTheOptions)
{
    const struct
    {
        const char *title;
        const char *ext;
        int content, separator, trackExt;
        const char *artist, *name, *comments;
    } cases[] = {
        {"Mara Kestrel / Low Tide", "", tcArtistTitle, 0, teAsComments, "Mara Kestrel", "Low Tide",
         ""},
        {"Low Tide", "", tcArtistTitle, 0, teAsComments, "", "Low Tide", ""},
        {"Low Tide (Mara Kestrel)", "", tcTitleArtist, 5, teAsComments, "Mara Kestrel", "Low Tide",
         ""},
        {"Mara Kestrel 'Low Tide'", "", tcArtistTitle, 6, teAsComments, "Mara Kestrel", "Low Tide",
         ""},
        {"Mara Kestrel \\ Low Tide", "", tcArtistTitle, 1, teDontUse, "Mara Kestrel", "Low Tide",
         ""},
        {"Mara Kestrel - Low Tide -", "", tcArtistTitle, 2, teAsComments, "Mara Kestrel",
         "Low Tide", ""},
        {"Mara Kestrel", "", tcArtistOnly, 0, teAsComments, "Mara Kestrel", "", ""},
        {"A / B", "", tcTitleOnly, 0, teAsComments, "", "A / B", ""},
        {"A / B", "Guest Singer", tcArtistTitle, 0, teAsArtist, "Guest Singer", "B", ""},
        {"A / B", "Live take", tcArtistTitle, 0, teAsComments, "A", "B", "Live take"},
        {"A / B", "Live take", tcArtistTitle, 0, teDontUse, "A", "B", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.title);
        TCddbTrack t;
        t.Title = QString::fromUtf8(c.title);
        t.ExtData = QString::fromUtf8(c.ext);
        EXPECT_EQ(TrackArtist(t, c.content, c.separator, c.trackExt), QString::fromUtf8(c.artist));
        EXPECT_EQ(TrackTitle(t, c.content, c.separator), QString::fromUtf8(c.name));
        EXPECT_EQ(TrackComments(t, c.trackExt), QString::fromUtf8(c.comments));
    }
}

TEST(CddbAlbum, AlbumFromTheSelectedEntry)
{
    TScanCD record;
    record.AddTrack() = {150, 14850, 14850};
    record.AddTrack() = {15000, 15000, 15000};
    record.AddTrack() = {30000, 7500, 7520};
    record.LeadOut = 37500;
    record.MsDiscId = 1234;
    record.ComputeCddbDiscId();
    TCddbCD &e = record.AddCddbCD();
    e.DTitle = QStringLiteral("Harbour Lights / Songs of the Coast");
    e.Category = QStringLiteral("folk");
    e.Revision = 4;
    e.ExtData = QStringLiteral("Recorded live\r\nin 1999");
    e.AddTrack().Title = QStringLiteral("Guest, A / Opening");
    e.AddTrack().Title = QStringLiteral("Harbour Song");
    record.UseGenre = true;
    record.UseDiscExtData = true;

    TQelDb db;
    // An artist already listed without a display name gets one.
    TLookupItem *empty = db.LookupList(fdArtist).FindOrCreate(QStringLiteral("Harbour Lights"), {});
    for (const int selected : {0, -1}) {
        SCOPED_TRACE(selected);
        record.SelectCddbCD(selected);
        std::unique_ptr<TAlbum> album(CreateFromScanCD(record, db, nullptr));
        ASSERT_EQ(album->DiscCount(), 1);
        const TDisc *disc = album->Disc(0);
        EXPECT_EQ(disc->MsDiscId, 1234);
        EXPECT_EQ(disc->CddbDiscId, record.CddbDiscId);
        EXPECT_EQ(disc->LeadOut, 37500);
        EXPECT_EQ(album->GetFieldAsString(fdFormat), QStringLiteral("CD"));
        ASSERT_EQ(disc->TrackCount(), 3);
        EXPECT_EQ(disc->Track(2)->Position, 3);
        EXPECT_EQ(disc->Track(2)->Length, 100);
        EXPECT_EQ(disc->Track(1)->StartFrame, 15000);
        if (selected == 0) {
            EXPECT_EQ(QString(album->Title), QStringLiteral("Songs of the Coast"));
            EXPECT_EQ(album->Artist, empty);
            EXPECT_EQ(empty->DisplayName, QStringLiteral("Harbour Lights"));
            EXPECT_EQ(album->GetFieldAsString(fdGenre), QStringLiteral("folk"));
            EXPECT_EQ(QString(album->Comments), e.ExtData);
            EXPECT_EQ(disc->CddbRevision, 4);
            EXPECT_EQ(disc->Track(0)->GetFieldAsString(fdArtist), QStringLiteral("Guest, A"));
            EXPECT_EQ(QString(disc->Track(0)->Title), QStringLiteral("Opening"));
            EXPECT_EQ(disc->Track(1)->Artist, nullptr);   // shows the album's artist
            EXPECT_TRUE(disc->Track(2)->Title.isEmpty()); // no entry track
        } else {
            EXPECT_TRUE(album->Title.isEmpty());
            EXPECT_EQ(album->Artist, nullptr);
            EXPECT_TRUE(album->Comments.isEmpty());
            EXPECT_TRUE(disc->Track(0)->Title.isEmpty());
        }
    }
}

// An album from CDDB makes lookup entries as the user's typing does; only artists take
// their name as display name (the submission sends an artist's display name).
TEST(CddbAlbum, OnlyArtistEntriesTakeADisplayName)
{
    TScanCD record;
    record.AddTrack() = {150, 14850, 14850};
    record.LeadOut = 15000;
    record.ComputeCddbDiscId();
    TCddbCD &e = record.AddCddbCD();
    e.DTitle = QStringLiteral("Harbour Lights / Songs of the Coast");
    e.Category = QStringLiteral("folk");
    e.AddTrack().Title = QStringLiteral("Guest, A / Opening");
    record.UseGenre = true;
    record.SelectCddbCD(0);

    for (const bool typedBefore : {false, true}) {
        SCOPED_TRACE(typedBefore);
        TQelDb db;
        if (typedBefore) {
            db.LookupList(fdGenre).GetOrAdd(QStringLiteral("Folk"));
            db.LookupList(fdFormat).GetOrAdd(QStringLiteral("cd"));
        }
        std::unique_ptr<TAlbum> album(CreateFromScanCD(record, db, nullptr));
        const struct
        {
            TFieldId field;
            const TLookupItem *entry;
            const char *display;
        } cases[] = {
            {fdArtist, album->Artist, "Harbour Lights"},
            {fdArtist, album->Disc(0)->Track(0)->Artist, "Guest, A"},
            {fdGenre, album->Genre, ""},
            {fdFormat, album->Format, ""},
        };
        for (const auto &c : cases) {
            ASSERT_NE(c.entry, nullptr) << c.field;
            EXPECT_EQ(c.entry->DisplayName, QLatin1String(c.display)) << c.field;
            EXPECT_EQ(db.LookupList(c.field).Count(), c.field == fdArtist ? 2 : 1) << c.field;
        }
    }
}
