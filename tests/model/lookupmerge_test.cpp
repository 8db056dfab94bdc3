#include "model/album.h"
#include "model/lookupmerge.h"
#include "model/qeldb.h"
#include "model/qelerror.h"
#include "model/tracks.h"

#include <QRegularExpression>
#include <QStringList>
#include <gtest/gtest.h>
#include <vector>

namespace {

// An album with a disc holding a header, a track with a subtrack, and a second track:
// every level an entry can be held at.
struct Collection
{
    TQelDb db;
    TAlbum *album = nullptr;
    TDisc *disc = nullptr;
    THeader *header = nullptr;
    TTrack *track = nullptr;
    TSubTrack *sub = nullptr;
    TTrack *plain = nullptr;

    Collection()
    {
        album = new TAlbum(&db);
        album->Title = QStringLiteral("Harbour Lights");
        disc = new TDisc(album);
        album->Add(disc);
        header = new THeader(disc);
        disc->Add(header);
        track = new TTrack(disc);
        disc->Add(track);
        sub = new TSubTrack(track);
        track->Add(sub);
        plain = new TTrack(disc);
        disc->Add(plain);
        disc->RebuildTrackList();
        db.AddAlbum(album);
        auto *other = new TAlbum(&db);
        other->Title = QStringLiteral("Untouched");
        db.AddAlbum(other);
    }
    std::vector<TDataItem *> items() const { return {album, disc, header, track, sub, plain}; }
    TLookupItem *entry(TFieldId field, const char *name)
    {
        return db.LookupList(field).FindOrCreate(QString::fromUtf8(name), {});
    }
};

// The own value of every item for field, by sort name ("-" for none, "x" where the kind
// of item has no such field).
QStringList ownNames(const std::vector<TDataItem *> &items, TFieldId field)
{
    QStringList names;
    for (TDataItem *item : items) {
        TLookupItem **slot = OwnLookupSlot(item, field);
        names << (!slot ? QStringLiteral("x") : *slot ? (*slot)->SortName : QStringLiteral("-"));
    }
    return names;
}

} // namespace

// Every own reference to a merged entry, at every level the field exists, ends at the
// kept entry; values that were inherited stay inherited; other entries stay. The file
// written afterwards reads back the same, and the save that encodes only marked albums
// equals a whole one (a debug build stops on an unmarked change).
TEST(LookupMerge, RepointsEveryLevelAndTheFileReadsBackWithTheKeptEntry)
{
    const struct
    {
        TFieldId field;
        // Per item (album, disc, header, track, subtrack, plain track): the entry
        // given, 0 for none; 'K' keep, 'B' and 'C' merged, 'U' untouched.
        const char *given;
        const char *expected; // the own values afterwards
    } cases[] = {
        {fdArtist, "BCKUB0", "K|K|K|U|K|-"},     {fdGenre, "C0B0U0", "K|-|K|-|U|-"},
        {fdSongwriter, "0BCBU0", "x|K|K|K|U|-"}, {fdTrackLookup1, "0C0BB0", "x|K|-|K|K|-"},
        {fdLabel, "B00000", "K|x|x|x|x|x"},      {fdFormat, "U00000", "U|x|x|x|x|x"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(int(c.field));
        Collection col;
        TLookupItem *keep = col.entry(c.field, "K");
        TLookupItem *b = col.entry(c.field, "B");
        TLookupItem *cc = col.entry(c.field, "C");
        TLookupItem *u = col.entry(c.field, "U");
        const auto items = col.items();
        for (std::size_t i = 0; i < items.size(); ++i) {
            TLookupItem **slot = OwnLookupSlot(items[i], c.field);
            const char g = c.given[i];
            if (slot)
                *slot = g == 'K' ? keep : g == 'B' ? b : g == 'C' ? cc : g == 'U' ? u : nullptr;
        }
        col.db.SavePieces(); // every album keeps its bytes

        const TLookupMergeResult r = MergeLookupItems(col.db, c.field, keep, {b, cc, keep});
        EXPECT_EQ(ownNames(items, c.field).join(u'|'), QString::fromUtf8(c.expected));
        EXPECT_EQ(r.removed, 2);
        EXPECT_EQ(r.albums,
                  QString::fromUtf8(c.given).contains(QRegularExpression(QStringLiteral("[BC]")))
                      ? 1
                      : 0);
        EXPECT_EQ(col.db.LookupList(c.field).SortNames(),
                  (QStringList{QStringLiteral("K"), QStringLiteral("U")}));

        QByteArray joined;
        for (const QByteArray &piece : col.db.SavePieces())
            joined += piece;
        const QByteArray whole = col.db.SaveToBytes();
        EXPECT_EQ(joined, whole);
        TQelDb back;
        back.ReadBytes(whole, false);
        ASSERT_EQ(back.AlbumCount(), 2);
        TAlbum *a = back.Album(0);
        TDisc *d = a->Disc(0);
        const std::vector<TDataItem *> readItems = {
            a, d, d->Items(0), d->Items(1), d->Items(1)->Items(0), d->Items(2)};
        EXPECT_EQ(ownNames(readItems, c.field).join(u'|'), QString::fromUtf8(c.expected));
    }
}

// The views are told once, after every reference has moved, so that nothing they
// rebuild from can still lead to the entries being freed.
TEST(LookupMerge, ListenersAreToldOnceWhenNothingRefersToTheMergedEntries)
{
    struct Listener : TLookupRemovalListener
    {
        TQelDb *db = nullptr;
        QStringList told;
        void LookupItemsAboutToBeRemoved(TFieldId field, const TLookupItemSet &entries) override
        {
            const TLookupUsage usage = CountLookupUsage(*db, field);
            QStringList names;
            for (const TLookupItem *e : entries)
                names << QStringLiteral("%1:%2").arg(e->SortName).arg(usage.count(e));
            names.sort();
            told << names.join(u',');
        }
        void LookupItemsRemoved(TFieldId) override {}
    } listener;
    Collection col;
    listener.db = &col.db;
    col.db.AddLookupRemovalListener(&listener);
    TLookupItem *keep = col.entry(fdArtist, "K");
    TLookupItem *b = col.entry(fdArtist, "B");
    TLookupItem *c = col.entry(fdArtist, "C");
    col.album->Artist = b;
    col.sub->Artist = c;
    MergeLookupItems(col.db, fdArtist, keep, {b, c});
    EXPECT_EQ(listener.told, QStringList{QStringLiteral("B:0,C:0")});
    col.db.RemoveLookupRemovalListener(&listener);
}

TEST(LookupMerge, RefusesAKeptEntryOutsideTheListAndLeavesOtherListsAlone)
{
    Collection col;
    TLookupItem *genre = col.entry(fdGenre, "Jazz");
    TLookupItem *b = col.entry(fdArtist, "B");
    col.album->Artist = b;
    EXPECT_THROW(MergeLookupItems(col.db, fdArtist, genre, {b}), EQel);
    EXPECT_EQ(col.album->Artist, b);
    // An entry of another list among the others is not this list's to remove.
    TLookupItem *keep = col.entry(fdArtist, "K");
    const TLookupMergeResult r = MergeLookupItems(col.db, fdArtist, keep, {genre});
    EXPECT_EQ(r.removed, 0);
    EXPECT_EQ(col.db.LookupList(fdGenre).Count(), 1);
    EXPECT_EQ(col.album->Artist, b);
}

// Counts are of own values: an item that shows its album's artist adds nothing.
TEST(LookupMerge, UsageCountsOwnValuesAtEveryLevel)
{
    Collection col;
    TLookupItem *a = col.entry(fdArtist, "A");
    TLookupItem *b = col.entry(fdArtist, "B");
    col.entry(fdArtist, "Unused");
    col.album->Artist = a;
    col.track->Artist = b;
    col.sub->Artist = b;
    TLookupItem *w = col.entry(fdSongwriter, "W");
    col.disc->Songwriter = w;
    const TLookupUsage artists = CountLookupUsage(col.db, fdArtist);
    EXPECT_EQ(artists.size(), 2u);
    EXPECT_EQ(artists.at(a), 1);
    EXPECT_EQ(artists.at(b), 2);
    const TLookupUsage writers = CountLookupUsage(col.db, fdSongwriter);
    EXPECT_EQ(writers.size(), 1u);
    EXPECT_EQ(writers.at(w), 1);
    EXPECT_TRUE(CountLookupUsage(col.db, fdTitle).empty());
}
