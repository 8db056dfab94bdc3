#include "model/album.h"
#include "model/general.h"
#include "model/qeldb.h"
#include "model/qelerror.h"
#include "model/tracks.h"

#include <QLocale>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <memory>

namespace {

template <class T> T *addChild(TDataItem *parent)
{
    auto *item = new T(parent);
    parent->Add(item);
    item->Index = qint32(parent->Count());
    return item;
}

// An album with one disc: a header holding two tracks, then one more track with a
// subtrack.
struct SmallAlbum : ::testing::Test
{
    TQelDb db;
    TAlbum *album = nullptr;
    TDisc *disc = nullptr;
    THeader *header = nullptr;
    TTrack *t1 = nullptr, *t2 = nullptr, *t3 = nullptr;
    TSubTrack *sub = nullptr;
    TLookupItem *mara = nullptr, *jazz = nullptr;

    void SetUp() override
    {
        mara = db.LookupList(fdArtist).FindOrCreate(QStringLiteral("Kestrel, Mara"),
                                                    QStringLiteral("Mara Kestrel"));
        jazz = db.LookupList(fdGenre).FindOrCreate(QStringLiteral("Jazz"), {});
        album = new TAlbum(&db);
        album->Title = QStringLiteral("Harbour Lights");
        album->Artist = mara;
        album->Genre = jazz;
        album->Year = QStringLiteral("1998");
        album->Rating = 70;
        album->Live = 1;
        db.AddAlbum(album);
        disc = addChild<TDisc>(album);
        disc->MsDiscId = 0x394BC;
        disc->CddbDiscId = qint32(0xE10650D7u);
        header = addChild<THeader>(disc);
        header->Title = QStringLiteral("Side A");
        t1 = addChild<TTrack>(header);
        t2 = addChild<TTrack>(header);
        t3 = addChild<TTrack>(disc);
        sub = addChild<TSubTrack>(t3);
        t1->Length = 100;
        t2->Length = 200;
        t3->Length = 300;
        sub->Length = 50;
        disc->RebuildTrackList();
        for (qsizetype i = 0; i < disc->TrackCount(); ++i)
            disc->Track(i)->Position = qint32(i + 1);
    }
};

} // namespace

TEST_F(SmallAlbum, CountsPositionsAndLengths)
{
    EXPECT_EQ(album->GetFieldAsString(fdNrTracks), QStringLiteral("3"));
    EXPECT_EQ(album->GetFieldAsString(fdNrDiscs), QStringLiteral("1"));
    EXPECT_EQ(t1->Position, 1);
    EXPECT_EQ(t2->Position, 2);
    EXPECT_EQ(t3->Position, 3);
    EXPECT_EQ(album->GetLength(), 600); // subtrack lengths are not added to their track
    EXPECT_EQ(header->GetFieldAsString(fdLength), QStringLiteral("05:00"));
    TAlbum empty(&db);
    EXPECT_EQ(empty.GetFieldAsString(fdLength), QStringLiteral("00:00"));
}

TEST_F(SmallAlbum, LengthsAddUpPastThirtyTwoBits)
{
    constexpr qint32 kMax = std::numeric_limits<qint32>::max();
    constexpr qint32 kMin = std::numeric_limits<qint32>::min();
    t1->Length = kMax;
    t2->Length = kMax;
    t3->Length = 2;
    // The header holds 2 * (2^31 - 1) seconds, the disc and the album 2 more.
    const qint64 header64 = 2 * qint64(kMax);
    EXPECT_EQ(header->TotalLength(), header64);
    EXPECT_EQ(album->TotalLength(), header64 + 2);
    EXPECT_EQ(header->GetFieldAsString(fdLength), FormatLength(header64));
    EXPECT_EQ(album->GetFieldAsString(fdLength), QStringLiteral("71582788:16"));
    EXPECT_EQ(disc->GetCaption(), QStringLiteral("01  -  (71582788:16)"));
    // As 32-bit numbers they stay the largest there is.
    for (const TDataItem *item : {static_cast<TDataItem *>(header), static_cast<TDataItem *>(disc),
                                  static_cast<TDataItem *>(album)}) {
        EXPECT_EQ(item->GetLength(), kMax);
        EXPECT_EQ(item->GetFieldAsInteger(fdLength), kMax);
    }
    t1->Length = kMin;
    t2->Length = kMin;
    EXPECT_EQ(header->GetLength(), kMin);
    EXPECT_EQ(album->TotalLength(), 2 * qint64(kMin) + 2);
}

TEST_F(SmallAlbum, FieldsOfEachLevelAreThoseItsItemsAnswer)
{
    const std::pair<TItemLevel, std::vector<const TDataItem *>> levels[] = {
        {ilAlbum, {album}},
        {ilTrack, {disc, header, t1, sub}},
    };
    for (const auto &[level, items] : levels) {
        for (const TDataItem *item : items) {
            for (int f = 0; f <= fdLast + 1; ++f) {
                const bool answers = item->GetFieldAsString(TFieldId(f)) != InvalidFieldText();
                EXPECT_EQ(FieldOfLevel(level, TFieldId(f)), answers)
                    << "field " << f << " of level " << int(level);
            }
        }
    }
}

TEST_F(SmallAlbum, InheritanceAndOwnValues)
{
    struct
    {
        TDataItem *item;
        TFieldId field;
        const char *text;
    } cases[] = {
        {t1, fdArtist, "Mara Kestrel"}, // through header and disc
        {sub, fdGenre, "Jazz"},
        {t1, fdYear, "1998"},
        {t1, fdRating, "70%"},
        {t1, fdLive, "No"}, // a new track says "No" of its own
        {t1, fdTitle, ""},  // never inherited
        {t1, fdComments, ""},
        {t1, fdHeaderTitle, "Side A"},
        {t3, fdHeaderTitle, ""},
        {t1, fdIndex, "01"},
        {album, fdIndex, "0"},
        {t2, fdPosition, "02"},
        {header, fdPosition, ""},
        {sub, fdMsDiscId, "394BC"},
        {sub, fdCddbDiscId, "e10650d7"},
        {t1, fdAlbumName, "Harbour Lights - Mara Kestrel (1998)"},
        {t1, fdAlbumTitle, "Harbour Lights"},
        {t1, fdSubmitArtist, "Mara Kestrel"},
        {t1, fdBPM, "0"},
        {album, fdSoloists, ""},
        {t1, fdSoloists, "[INVALID FIELD]"},
        {album, fdPosition, "[INVALID FIELD]"},
        {album, fdAD, "DDD"},
        {album, fdMono, "Stereo"},
        {album, fdInCollection, "Yes"},
        {t1, fdNone, "[INVALID FIELD]"},
        {t1, 57, "[INVALID FIELD]"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.item->GetFieldAsString(c.field), QString::fromUtf8(c.text))
            << "field " << int(c.field) << " of item " << c.item->ID;

    t1->Live = 2;
    EXPECT_EQ(t1->GetFieldAsString(fdLive), QStringLiteral("No")); // header's own 0
    header->Live = 2;
    disc->Live = 2;
    EXPECT_EQ(t1->GetFieldAsString(fdLive), QStringLiteral("Yes"));
    album->Rating = 5;
    EXPECT_EQ(t1->GetFieldAsString(fdRating), QStringLiteral("05%"));
    t1->Rating = 100;
    EXPECT_EQ(t1->GetFieldAsString(fdRating), QStringLiteral("100%"));
    mara->DisplayName.clear();
    EXPECT_EQ(t1->GetFieldAsString(fdSubmitArtist), QStringLiteral("[EMPTY]"));
    EXPECT_EQ(t1->GetFieldAsString(fdArtist), QStringLiteral("Kestrel, Mara"));
}

TEST_F(SmallAlbum, BpmFallsBackWithinTheDisc)
{
    EXPECT_EQ(t1->GetFieldAsInteger(fdBPM), -1); // the album answers -1
    disc->BPM = 120;
    EXPECT_EQ(t1->GetFieldAsString(fdBPM), QStringLiteral("120"));
    EXPECT_EQ(t1->GetFieldAsInteger(fdBPM), 120);
    t1->BPM = 90;
    EXPECT_EQ(t1->GetFieldAsString(fdBPM), QStringLiteral("90"));
    EXPECT_EQ(album->GetFieldAsInteger(fdBPM), -1);
}

TEST_F(SmallAlbum, LookupEntriesAndSortTexts)
{
    EXPECT_EQ(t1->getLookupItem(fdArtist), mara);
    EXPECT_EQ(t1->GetFieldSortText(fdArtist), QStringLiteral("Kestrel, Mara"));
    EXPECT_EQ(disc->getLookupItem(fdSongwriter), nullptr);
    EXPECT_EQ(t1->getLookupItem(fdSongwriter), nullptr);
    TLookupItem *writer = db.LookupList(fdSongwriter).GetOrAdd(QStringLiteral("Ode, Ida"));
    disc->Songwriter = writer;
    // A disc's songwriter reaches its tracks; the album has none to give.
    EXPECT_EQ(t1->getLookupItem(fdSongwriter), writer);
    EXPECT_EQ(t1->GetFieldAsString(fdSongwriter), QStringLiteral("Ode, Ida"));
    EXPECT_THROW(t1->getLookupItem(fdFormat), EQel);
    EXPECT_THROW(album->getLookupItem(fdSongwriter), EQel);
    EXPECT_THROW(t1->setLookupItem(fdLabel, writer), EQel);
    try {
        t1->getLookupItem(fdFormat);
    } catch (const EQel &e) {
        EXPECT_EQ(e.message(), QStringLiteral("TDataItem.getLookupItem: Invalid field"));
    }
    album->setLookupItem(fdFormat, db.LookupList(fdFormat).GetOrAdd(QStringLiteral("LP")));
    EXPECT_EQ(album->GetFieldAsString(fdFormat), QStringLiteral("LP"));
    EXPECT_TRUE(album->UsesLookupItem(fdSongwriter, writer));
    EXPECT_TRUE(album->UsesLookupItem(fdArtist, mara));
    EXPECT_FALSE(album->UsesLookupItem(fdGenre, mara));
    EXPECT_EQ(db.FindAlbumUsingLookup(fdSongwriter, writer), album);
}

TEST_F(SmallAlbum, Captions)
{
    EXPECT_EQ(t2->GetCaption(), QStringLiteral("02  -  (03:20)"));
    t2->Title = QStringLiteral("Low Tide");
    t2->Artist = mara;
    EXPECT_EQ(t2->GetCaption(), QStringLiteral("02 Low Tide - Mara Kestrel (03:20)"));
    disc->Index = 1;
    disc->Title = QStringLiteral("One");
    EXPECT_EQ(disc->GetCaption(), QStringLiteral("01 One -  (10:00)"));
    EXPECT_EQ(header->GetCaption(), QStringLiteral("Side A -  (05:00)"));
    EXPECT_EQ(album->GetAlbumName(), QStringLiteral("Harbour Lights - Mara Kestrel (1998)"));
}

TEST_F(SmallAlbum, CopiesKeepOrRenewIdentifiers)
{
    std::unique_ptr<TAlbum> same(album->Copy(true));
    std::unique_ptr<TAlbum> fresh(album->Copy(false));
    // Walk the three trees side by side.
    std::function<void(const TDataItem *, const TDataItem *, const TDataItem *)> walk =
        [&](const TDataItem *a, const TDataItem *b, const TDataItem *c) {
            EXPECT_EQ(a->ID, b->ID);
            EXPECT_NE(a->ID, c->ID);
            for (TFieldId f = 1; f <= fdLast; ++f) {
                if (f == fdID || f == fdAlbumID)
                    continue;
                EXPECT_EQ(a->GetFieldAsString(f), b->GetFieldAsString(f)) << int(f);
                EXPECT_EQ(a->GetFieldAsString(f), c->GetFieldAsString(f)) << int(f);
            }
            ASSERT_EQ(a->Count(), b->Count());
            ASSERT_EQ(a->Count(), c->Count());
            for (qsizetype i = 0; i < a->Count(); ++i) {
                EXPECT_EQ(b->Items(i)->Parent, b);
                walk(a->Items(i), b->Items(i), c->Items(i));
            }
        };
    walk(album, same.get(), fresh.get());
    EXPECT_EQ(fresh->Disc(0)->TrackCount(), 3);
    // The copy owns its texts: changing the source leaves it alone.
    t1->Title = QStringLiteral("changed");
    EXPECT_TRUE(fresh->Disc(0)->Track(0)->Title.isEmpty());
}

TEST(AlbumFormat, ImageByFormatName)
{
    TQelDb db;
    struct
    {
        const char *format;
        int image;
    } cases[] = {{"", 4},           {"CD", 4},        {"LaserDisc", 4},
                 {"LP", 22},        {"12 inch", 22},  {"CD-Single", 8},
                 {"Mini Disc", 18}, {"MC", 16},       {"Music Cassette", 16},
                 {"CD-ROM", 6},     {"VHS tape", 20}, {"45", 26},
                 {"DAT", 10},       {"DCC", 12},      {"DVD", 14},
                 {"10-inch", 24},   {"MP3", 28},      {"Super Audio CD", 4}};
    for (const auto &c : cases) {
        TAlbum album(&db);
        album.Format =
            *c.format ? db.LookupList(fdFormat).GetOrAdd(QLatin1String(c.format)) : nullptr;
        auto *disc = new TDisc(&album);
        album.Add(disc);
        EXPECT_EQ(album.FormatImage(), c.image) << c.format;
        EXPECT_EQ(album.GetImageIndex(), c.image + 1);
        EXPECT_EQ(album.GetSelectedIndex(), c.image + 29);
        EXPECT_EQ(disc->GetImageIndex(), c.image);
        EXPECT_EQ(disc->GetSelectedIndex(), c.image + 28);
    }
}

TEST(AlbumThumbnail, SetGetAndClear)
{
    TQelDb db;
    TAlbum album(&db);
    QImage wrong(32, 31, QImage::Format_RGB888);
    album.SetThumbnail(&wrong);
    EXPECT_FALSE(album.HasThumbnail());
    QImage picture(32, 32, QImage::Format_RGB888);
    picture.fill(QColor(10, 200, 30));
    album.SetThumbnail(&picture);
    EXPECT_GE(album.ThumbnailIndex, 30);
    const qint32 index = album.ThumbnailIndex;
    picture.fill(QColor(1, 2, 3));
    album.SetThumbnail(&picture); // replaces in place
    EXPECT_EQ(album.ThumbnailIndex, index);
    QImage back;
    album.GetThumbnail(&back);
    EXPECT_EQ(back.pixelColor(5, 5), QColor(1, 2, 3));
    EXPECT_THROW(album.GetThumbnail(nullptr), EQel);
    album.ThumbnailIndex = 9999;
    EXPECT_THROW(album.GetThumbnail(&back), EQel);
    EXPECT_THROW(album.SetThumbnail(&picture), EQel);
    album.ClearThumbnail();
    EXPECT_FALSE(album.HasThumbnail());
}

TEST(AlbumValues, DatesPricesAndNumbers)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    TQelDb db;
    TAlbum album(&db);
    album.PurchaseDate = 36526.0; // 1 January 2000
    album.Price = 125000;
    album.AD = 7; // only a damaged file holds this
    EXPECT_EQ(album.GetFieldAsString(fdPurchaseDate), QStringLiteral("1/1/00"));
    EXPECT_EQ(album.GetFieldAsString(fdRecordingDate), QString());
    EXPECT_EQ(album.GetFieldAsString(fdPrice), QStringLiteral("$12.50"));
    EXPECT_EQ(album.GetFieldAsString(fdAD), QString());
    EXPECT_DOUBLE_EQ(album.GetFieldAsFloat(fdPrice), 12.5);
    EXPECT_DOUBLE_EQ(album.GetFieldAsDate(fdPurchaseDate), 36526.0);
    EXPECT_DOUBLE_EQ(album.GetFieldAsDate(fdTitle), -1.0);
    EXPECT_EQ(album.GetFieldAsBoolean(fdInCollection), 1);
    EXPECT_EQ(album.GetFieldAsBoolean(fdTitle), 2);
    EXPECT_EQ(album.GetFieldAsInteger(fdTitle), -1);
    QLocale::setDefault(QLocale::c());
}
