#include "model/qeldb.h"
#include "shell/settingsstore.h"
#include "views/listfields.h"

#include <gtest/gtest.h>

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
