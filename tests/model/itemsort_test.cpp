#include "model/collectiongenerator.h"
#include "model/dataitemlist.h"
#include "model/itemsort.h"
#include "model/qeldb.h"
#include "model/tracks.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

// The reference order: CompareByField field by field, then identifier.
QList<TDataItem *> referenceSort(QList<TDataItem *> items, TItemLevel level,
                                 std::vector<TSortSpec> specs)
{
    if (specs.empty())
        specs.push_back({fdTitle, 1});
    std::stable_sort(items.begin(), items.end(), [&](const TDataItem *a, const TDataItem *b) {
        for (const TSortSpec &s : specs) {
            const int r = CompareByField(level, a, b, s.field) * s.order;
            if (r != 0)
                return r < 0;
        }
        return a->ID < b->ID;
    });
    return items;
}

struct Collection
{
    TQelDb db;
    QList<TDataItem *> albums, items;
    Collection()
    {
        GenerateCollection(db, 60, 11);
        // Texts that differ only in case, and one outside Latin-1, to test the folding.
        db.Album(0)->Title = QStringLiteral("harbour");
        db.Album(1)->Title = QStringLiteral("HARBOUR");
        db.Album(2)->Title = QStringLiteral("Ωmega");
        db.Album(3)->Title = QStringLiteral("harbour lights");
        for (qsizetype i = 0; i < db.AlbumCount(); ++i) {
            albums.append(db.Album(i));
            std::function<void(TDataItem *)> walk = [&](TDataItem *item) {
                for (TDataItem *child : item->Children) {
                    items.append(child);
                    walk(child);
                }
            };
            walk(db.Album(i));
        }
    }
};

} // namespace

TEST(SortItems, AgreesWithTheFieldComparison)
{
    Collection c;
    struct
    {
        TItemLevel level;
        std::vector<TSortSpec> specs;
    } cases[] = {
        {ilAlbum, {}},
        {ilAlbum, {{fdTitle, 1}}},
        {ilAlbum, {{fdArtist, -1}, {fdYear, 1}}},
        {ilAlbum, {{fdYear, -1}}},
        {ilAlbum, {{fdPrice, 1}, {fdTitle, -1}}},
        {ilAlbum, {{fdPurchaseDate, -1}}},
        {ilAlbum, {{fdRating, 1}, {fdNrTracks, -1}}},
        {ilAlbum, {{fdFormat, 1}, {fdLabel, 1}}},
        {ilAlbum, {{fdAD, 1}, {fdLength, -1}}},
        {ilTrack, {}},
        {ilTrack, {{fdArtist, 1}}},
        {ilTrack, {{fdTitle, -1}}},
        {ilTrack, {{fdAlbumIndex, 1}, {fdDiscIndex, 1}, {fdIndex, 1}}},
        {ilTrack, {{fdBPM, -1}, {fdSongwriter, 1}}},
        {ilTrack, {{fdLength, 1}}},
        {ilTrack, {{fdHeaderTitle, 1}, {fdPosition, -1}}},
        {ilTrack, {{fdAlbumName, 1}}},
        {ilTrack, {{fdMsDiscId, 1}}},
    };
    for (const auto &cs : cases) {
        QList<TDataItem *> items = cs.level == ilAlbum ? c.albums : c.items;
        std::reverse(items.begin(), items.end());
        const QList<TDataItem *> expected = referenceSort(items, cs.level, cs.specs);
        SortItems(items, cs.level, cs.specs);
        EXPECT_EQ(items, expected) << "level " << int(cs.level) << ", first field "
                                   << (cs.specs.empty() ? 0 : int(cs.specs[0].field));
    }
}

TEST(SortItems, LengthTotalsPastThirtyTwoBitsSortBySize)
{
    constexpr qint32 kMax = std::numeric_limits<qint32>::max();
    TQelDb db;
    auto album = [&db](std::initializer_list<qint32> lengths) {
        auto *a = new TAlbum(&db);
        db.AddAlbum(a);
        auto *disc = new TDisc(a);
        a->Add(disc);
        for (const qint32 length : lengths) {
            auto *track = new TTrack(disc);
            disc->Add(track);
            track->Length = length;
        }
        disc->RebuildTrackList();
        return a;
    };
    TAlbum *longest = album({kMax, kMax}); // 2^32 - 2 seconds
    TAlbum *shortest = album({10});
    TAlbum *justPast = album({kMax, 1}); // 2^31 seconds
    const QList<TDataItem *> expected = {shortest, justPast, longest};
    for (const int order : {1, -1}) {
        QList<TDataItem *> items = {longest, justPast, shortest};
        const TSortSpec byLength[] = {{fdLength, order}};
        SortItems(items, ilAlbum, byLength);
        QList<TDataItem *> want = expected;
        if (order < 0)
            std::reverse(want.begin(), want.end());
        EXPECT_EQ(items, want) << "order " << order;
        EXPECT_EQ(referenceSort(items, ilAlbum, {{fdLength, order}}), want) << "order " << order;
    }
}

TEST(SortItems, FoldsOnlyAsciiLetters)
{
    Collection c;
    QList<TDataItem *> four = {c.db.Album(3), c.db.Album(2), c.db.Album(1), c.db.Album(0)};
    const TSortSpec byTitle[] = {{fdTitle, 1}};
    SortItems(four, ilAlbum, byTitle);
    // Equal titles in other case fall back to the identifier; Ω sorts after every
    // ASCII letter.
    EXPECT_EQ(four,
              (QList<TDataItem *>{c.db.Album(0), c.db.Album(1), c.db.Album(3), c.db.Album(2)}));
}

// Texts that share long beginnings (past the bytes a sort entry holds), differ only in
// letter case or are empty, and lookup entries whose sort names fold alike, in lists
// long enough to be split into buckets: the order stays the reference order.
TEST(SortItems, LongSharedBeginningsAndLookalikeEntriesKeepTheReferenceOrder)
{
    TQelDb db;
    GenerateCollection(db, 300, 5);
    TLookupList &artists = db.LookupList(fdArtist);
    TLookupItem *lookalikes[] = {artists.FindOrCreate(QStringLiteral("Abba"), {}),
                                 artists.FindOrCreate(QStringLiteral("ABBA "), {}),
                                 artists.FindOrCreate(QStringLiteral("abba"), {}), nullptr};
    const QString prefix = QStringLiteral("The very long shared beginning of a title, ");
    QList<TDataItem *> albums, tracks;
    int n = 0;
    for (qsizetype i = 0; i < db.AlbumCount(); ++i) {
        TAlbum *album = db.Album(i);
        albums.append(album);
        album->Artist = lookalikes[i % 4];
        std::function<void(TDataItem *)> walk = [&](TDataItem *item) {
            for (TDataItem *child : item->Children) {
                ++n;
                // Every fifth text empty, others sharing 44 or 60 characters, in both cases.
                QString title = n % 5 == 0 ? QString()
                                           : prefix +
                                                 (n % 3 ? QStringLiteral("and more: ")
                                                        : QStringLiteral("AND MORE: ")) +
                                                 QString::number(n % 37);
                child->Title = title;
                if (n % 7 == 0)
                    child->Artist = lookalikes[n % 3];
                tracks.append(child);
                walk(child);
            }
        };
        walk(album);
    }
    struct
    {
        TItemLevel level;
        std::vector<TSortSpec> specs;
    } cases[] = {
        {ilTrack, {{fdTitle, 1}}},
        {ilTrack, {{fdTitle, -1}}},
        {ilTrack, {{fdArtist, 1}, {fdTitle, -1}}},
        {ilTrack, {{fdArtist, -1}}},
        {ilAlbum, {{fdArtist, 1}}},
        {ilAlbum, {{fdArtist, -1}, {fdTitle, 1}}},
    };
    for (const auto &cs : cases) {
        QList<TDataItem *> items = cs.level == ilAlbum ? albums : tracks;
        std::reverse(items.begin(), items.end());
        const QList<TDataItem *> expected = referenceSort(items, cs.level, cs.specs);
        SortItems(items, cs.level, cs.specs);
        EXPECT_EQ(items, expected) << "level " << int(cs.level) << ", first field "
                                   << int(cs.specs[0].field) << " order " << cs.specs[0].order;
    }
}
