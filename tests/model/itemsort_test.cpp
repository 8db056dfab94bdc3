#include "model/collectiongenerator.h"
#include "model/dataitemlist.h"
#include "model/itemsort.h"
#include "model/qeldb.h"
#include "model/tracks.h"

#include <gtest/gtest.h>

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
