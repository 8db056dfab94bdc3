#include "model/lookuplist.h"
#include "model/qelerror.h"
#include "model/qelstream.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <numeric>
#include <vector>

namespace {
QStringList sortNames(const TLookupList &list)
{
    QStringList names;
    for (qsizetype i = 0; i < list.Count(); ++i)
        names << list.Items(i)->SortName;
    return names;
}

// A list record as the file holds it.
QByteArray listBytes(const QList<std::tuple<int, QString, QString>> &entries)
{
    TQelWriter w;
    w.WriteListBegin();
    for (const auto &[number, sortName, displayName] : entries) {
        w.WriteInteger(number);
        w.WriteString(sortName);
        w.WriteString(displayName);
    }
    w.WriteListEnd();
    return w.Data();
}
} // namespace

TEST(LookupList, FindingAndAddingByName)
{
    TLookupList list(fdArtist);
    TLookupItem *mara =
        list.FindOrCreate(QStringLiteral("Kestrel, Mara"), QStringLiteral("Mara Kestrel"));
    EXPECT_EQ(list.GetOrAdd(QStringLiteral("Mara Kestrel")), mara);
    EXPECT_EQ(list.GetOrAdd(QStringLiteral("mara kestrel")), mara);
    EXPECT_EQ(list.GetOrAdd(QStringLiteral("KESTREL, MARA")), mara);
    TLookupItem *other = list.GetOrAdd(QStringLiteral("Kestrel Mara"));
    EXPECT_NE(other, mara);
    EXPECT_TRUE(other->DisplayName.isEmpty());
    EXPECT_EQ(list.GetOrAdd(QString()), nullptr);
    EXPECT_EQ(list.FindOrCreate(QString(), QStringLiteral("x")), nullptr);
    // An existing sort name keeps its display name.
    EXPECT_EQ(list.FindOrCreate(QStringLiteral("Kestrel, Mara"), QStringLiteral("Other")), mara);
    EXPECT_EQ(mara->DisplayName, QStringLiteral("Mara Kestrel"));
    EXPECT_EQ(mara->ID, 1);
    EXPECT_EQ(other->ID, 2);
    EXPECT_EQ(list.GetDisplayText(list.IndexOfItem(mara)), QStringLiteral("Mara Kestrel"));
}

TEST(LookupList, StaysOrderedThroughEditsAndRemovals)
{
    TLookupList list(fdGenre);
    for (const char *name : {"Soul", "blues", "Ambient", "Jazz", "Émigré", "funk"})
        list.GetOrAdd(QString::fromUtf8(name));
    EXPECT_EQ(sortNames(list), QStringList({QStringLiteral("Ambient"), QStringLiteral("blues"),
                                            QString::fromUtf8("Émigré"), QStringLiteral("funk"),
                                            QStringLiteral("Jazz"), QStringLiteral("Soul")}));
    TLookupItem *jazz = list.FindByName(QStringLiteral("jazz"));
    list.Edit(jazz, QStringLiteral("Acid Jazz"), QString());
    EXPECT_EQ(list.Items(0), jazz);
    list.Remove(jazz);
    EXPECT_EQ(list.IndexOf(QStringLiteral("Acid Jazz")), -1);
    TLookupItem stranger(99, QStringLiteral("x"), QString());
    try {
        list.Edit(&stranger, QStringLiteral("y"), QString());
        FAIL();
    } catch (const EQel &e) {
        EXPECT_EQ(e.message(), QStringLiteral("TLookupList.Edit : item not found in list"));
    }
    try {
        list.Remove(&stranger);
        FAIL();
    } catch (const EQel &e) {
        EXPECT_EQ(e.message(), QStringLiteral("TLookupList.Remove : item not found in list"));
    }
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.NextID(), 1);
}

TEST(LookupList, ReadingRenumbersAndResolvesStoredNumbers)
{
    const QByteArray bytes = listBytes({{7, QStringLiteral("Alpha"), QString()},
                                        {3, QStringLiteral("Beta"), QStringLiteral("B")},
                                        {12, QStringLiteral("Gamma"), QString()}});
    TQelReader reader(bytes);
    TLookupList list(fdArtist);
    TLoadIdMap map;
    list.LoadFromStream(reader, &map);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Items(0)->ID, 1);
    EXPECT_EQ(list.Items(1)->ID, 2);
    EXPECT_EQ(list.Items(2)->ID, 3);
    EXPECT_EQ(map.Find(3), list.Items(1));
    EXPECT_EQ(list.FindByLoadID(3), list.Items(1));
    EXPECT_EQ(map.Find(0), nullptr);
    EXPECT_EQ(map.Find(5), nullptr);
    EXPECT_EQ(list.LastID, 3);
    list.ClearLoadIDs();
    EXPECT_EQ(list.FindByLoadID(3), nullptr);
}

TEST(LookupList, MergeJoinsEntriesByNameAndKeepsEveryStoredNumber)
{
    TLookupList list(fdArtist);
    TLookupItem *lanterns =
        list.FindOrCreate(QStringLiteral("lanterns, the"), QStringLiteral("the lanterns"));
    // Two entries of the file that collate equal both lead to one entry.
    const QByteArray bytes =
        listBytes({{4, QStringLiteral("Lanterns, The"), QStringLiteral("The Lanterns")},
                   {9, QStringLiteral("Solenne"), QString()},
                   {11, QStringLiteral("SOLENNE"), QString()}});
    TQelReader reader(bytes);
    TLoadIdMap map;
    list.MergeFromStream(reader, &map);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(map.Find(4), lanterns);
    EXPECT_EQ(lanterns->DisplayName, QStringLiteral("the lanterns"));
    ASSERT_NE(map.Find(9), nullptr);
    EXPECT_EQ(map.Find(9), map.Find(11));
    EXPECT_EQ(sortNames(list),
              QStringList({QStringLiteral("lanterns, the"), QStringLiteral("Solenne")}));
}

TEST(LookupList, LoadIdMapWithSparseNumbers)
{
    TLookupItem a(1, QStringLiteral("a"), {}), b(2, QStringLiteral("b"), {}),
        c(3, QStringLiteral("c"), {});
    TLoadIdMap map;
    map.Add(2000000000, &a);
    map.Add(5, &b);
    map.Add(5, &c); // the first keeps the number
    map.Add(-7, &c);
    EXPECT_EQ(map.Find(2000000000), &a);
    EXPECT_EQ(map.Find(5), &b);
    EXPECT_EQ(map.Find(-7), nullptr);
    EXPECT_EQ(map.Find(6), nullptr);
}

TEST(LookupList, LoadIdMapFindsEveryNumberWhateverTheOrder)
{
    // Numbers arrive in name order, not in number order: a large number first goes
    // to the hash, and the dense table later grows past it.
    struct Case
    {
        const char *name;
        std::vector<qint32> numbers;
    };
    std::vector<qint32> late(200);
    std::iota(late.begin(), late.end(), 1);
    late.insert(late.begin(), {101, 102}); // 101 and 102 first, then 1..200
    std::vector<qint32> downwards(300);
    std::iota(downwards.rbegin(), downwards.rend(), 1);
    std::vector<qint32> gaps;
    for (qint32 n = 1; n < 5000; n += 37)
        gaps.push_back(n % 3 ? n : n * 1000);
    const std::vector<Case> cases = {
        {"large numbers first", late}, {"downwards", downwards}, {"gaps and huge numbers", gaps}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::unique_ptr<TLookupItem>> items;
        TLoadIdMap map;
        std::map<qint32, TLookupItem *> expected;
        for (qint32 n : c.numbers) {
            items.push_back(std::make_unique<TLookupItem>(n, QString::number(n), QString()));
            map.Add(n, items.back().get());
            expected.emplace(n, items.back().get()); // the first keeps the number
        }
        for (const auto &[n, item] : expected)
            ASSERT_EQ(map.Find(n), item) << n;
    }
}

TEST(LookupItemList, SortByNameWithNoEntryFirst)
{
    TLookupItem b(1, QStringLiteral("B"), {}), a(2, QStringLiteral("a"), {}),
        c(3, QStringLiteral("C"), {}), a2(4, QStringLiteral("A"), {});
    TLookupItemList list;
    list << &b << &a << nullptr << &c << &a2;
    list.SortByName(-1);
    EXPECT_EQ(list, (TLookupItemList() << nullptr << &c << &b << &a << &a2));
    list.SortByName(1);
    EXPECT_EQ(list, (TLookupItemList() << nullptr << &a << &a2 << &b << &c));
}

TEST(LookupNames, Generated)
{
    struct
    {
        const char *display, *sort;
    } sorts[] = {{"Mara Kestrel", "Kestrel, Mara"},
                 {"The Lanterns", "Lanterns, The"},
                 {"Solenne", "Solenne"},
                 {"Mara Jo Kestrel", "Jo Kestrel, Mara"}};
    for (const auto &c : sorts)
        EXPECT_EQ(GenerateSortName(QLatin1String(c.display)), QLatin1String(c.sort));
    struct
    {
        const char *sort, *display;
    } displays[] = {{"Kestrel, Mara", "Mara Kestrel"},
                    {"Lanterns, The", "The Lanterns"},
                    {"Kestrel, Mara Jo", "Mara Jo Kestrel"},
                    {"Solenne", "Solenne"}};
    for (const auto &c : displays)
        EXPECT_EQ(GenerateDisplayName(QLatin1String(c.sort)), QLatin1String(c.display));
}
