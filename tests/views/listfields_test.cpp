#include "model/qeldb.h"
#include "shell/settingsstore.h"
#include "views/listfields.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

TEST(ShowFields, StorageAndDefaults)
{
    TMemorySettingsStore s;
    TShowFields none(ilAlbum);
    none.Save(s, QStringLiteral("MainWindow\\AlbumShowFields")); // saved empty
    TShowFields loaded(ilTrack);
    loaded.Load(s, QStringLiteral("MainWindow\\AlbumShowFields"));
    ASSERT_EQ(loaded.Count(), 3);
    EXPECT_EQ(loaded.Items(0)->FieldId, fdArtist);
    EXPECT_EQ(loaded.Items(2)->FieldId, fdYear);
    EXPECT_EQ(loaded.Items(2)->Width, 40);

    s.WriteInteger(QStringLiteral("K"), QStringLiteral("Count"), 2);
    s.WriteInteger(QStringLiteral("K\\0"), QStringLiteral("Field"), fdGenre);
    s.WriteInteger(QStringLiteral("K\\0"), QStringLiteral("Width"), -5);
    s.WriteInteger(QStringLiteral("K\\1"), QStringLiteral("Field"), 77);
    s.WriteInteger(QStringLiteral("K\\1"), QStringLiteral("Width"), 0);
    TShowFields stored(ilAlbum);
    stored.Load(s, QStringLiteral("K"));
    ASSERT_EQ(stored.Count(), 2);
    EXPECT_EQ(stored.Items(0)->Width, 100); // negative widths read back as 100
    EXPECT_EQ(stored.Items(1)->GetWidth(), 100);
    TQelFields fields;
    EXPECT_EQ(stored.Items(1)->GetName(fields), QStringLiteral("[INVALID FIELD]"));

    s.WriteInteger(QStringLiteral("N"), QStringLiteral("Count"), -3);
    TShowFields negative(ilAlbum);
    negative.Load(s, QStringLiteral("N"));
    EXPECT_EQ(negative.Count(), 0);
}

TEST(SortFields, RoundTripAndEmpty)
{
    TMemorySettingsStore s;
    TSortFields sort(ilTrack);
    sort.Add(std::make_unique<TSortField>(fdYear, -1));
    sort.Add(std::make_unique<TSortField>(fdTitle, 1));
    sort.Save(s, QStringLiteral("MainWindow\\TrackSortFields"));
    EXPECT_EQ(
        s.ReadInteger(QStringLiteral("MainWindow\\TrackSortFields\\0"), QStringLiteral("Order"), 0),
        -1);
    TSortFields back(ilTrack);
    back.Load(s, QStringLiteral("MainWindow\\TrackSortFields"));
    ASSERT_EQ(back.Count(), 2);
    EXPECT_EQ(back.Items(0)->FieldId, fdYear);
    EXPECT_EQ(back.Items(0)->Order, -1);
    TSortFields empty(ilTrack);
    empty.Load(s, QStringLiteral("Nothing"));
    EXPECT_EQ(empty.Count(), 0);
}

// A stored count is only what the file declares: no more entries are read than a
// list can hold, and only those present. Each case stores a count and the entries at
// the indexes listed.
TEST(ListFields, StoredCountsReadOnlyTheEntriesThere)
{
    const qint32 full = TListFields::kMaxStoredEntries;
    struct Case
    {
        qint32 count;
        std::vector<int> present;
        qsizetype shown; // 3: the default columns
        qsizetype sorted;
    };
    std::vector<int> many(100);
    std::iota(many.begin(), many.end(), 0);
    const Case cases[] = {
        {2, {0, 1}, 2, 2},            // as saved
        {1000, {0, 2}, 2, 2},         // a missing entry between two others
        {2147483647, {0, 1}, 2, 2},   // a count far beyond the entries
        {1000, many, full, full},     // more entries than a list can hold
        {full + 1, many, full, full}, // one more than that
        {2000000000, {}, 3, 0},       // no entry at all
        {-2147483647 - 1, {0}, 0, 0}, // a negative count loads nothing
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "count " << c.count);
        TMemorySettingsStore s;
        s.WriteInteger(QStringLiteral("K"), QStringLiteral("Count"), c.count);
        for (int i : c.present) {
            const QString section = QStringLiteral("K\\%1").arg(i);
            s.WriteInteger(section, QStringLiteral("Field"), fdGenre);
            s.WriteInteger(section, QStringLiteral("Width"), 70);
            s.WriteInteger(section, QStringLiteral("Order"), -1);
        }
        TShowFields shown(ilAlbum);
        shown.Load(s, QStringLiteral("K"));
        ASSERT_EQ(shown.Count(), c.shown);
        if (c.shown > 0) {
            EXPECT_EQ(shown.Items(0)->FieldId, c.present.empty() ? fdArtist : fdGenre);
        }
        TSortFields sorted(ilAlbum);
        sorted.Load(s, QStringLiteral("K"));
        ASSERT_EQ(sorted.Count(), c.sorted);
        for (qsizetype i = 0; i < sorted.Count(); ++i)
            EXPECT_EQ(sorted.Items(i)->Order, -1);
    }
}

TEST(CompareItems, OrderThenIdentifier)
{
    TQelDb db;
    auto make = [&](const char *title, const char *year) {
        auto *a = new TAlbum(&db);
        a->Title = QLatin1String(title);
        a->Year = QLatin1String(year);
        db.AddAlbum(a);
        return a;
    };
    TAlbum *a = make("b", "1999"), *b = make("a", "2001"), *c = make("B", "2001");
    TSortFields byYear(ilAlbum);
    byYear.Add(std::make_unique<TSortField>(fdYear, -1));
    QList<TAlbum *> list = {a, b, c};
    std::sort(list.begin(), list.end(),
              [&](auto *x, auto *y) { return CompareItems(byYear, x, y) < 0; });
    EXPECT_EQ(list, (QList<TAlbum *>{b, c, a}));
    TSortFields none(ilAlbum);
    // Titles equal but for case compare equal and fall back to the identifier.
    EXPECT_LT(CompareItems(none, a, c), 0);
    EXPECT_GT(CompareItems(none, c, a), 0);
    EXPECT_LT(CompareItems(none, b, a), 0);
}
