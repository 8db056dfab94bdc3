#include "model/lookuplist.h"
#include "model/qelerror.h"
#include "model/qelstream.h"
#include "model/textcompare.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <numeric>
#include <random>
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

// Names that imports and look-ups bring always show: new entries and found ones without
// a display name take the name as it; a found sort name, and a display name, stay.
TEST(LookupList, NamesBroughtInAreShown)
{
    TLookupList list(fdArtist);
    TLookupItem *mara =
        list.FindOrCreate(QStringLiteral("Kestrel, Mara"), QStringLiteral("Mara Kestrel"));
    TLookupItem *bare = list.GetOrAdd(QStringLiteral("Harbour Lights"));
    EXPECT_EQ(list.GetOrAddShown(QStringLiteral("mara kestrel")), mara);
    EXPECT_EQ(mara->DisplayName, QStringLiteral("Mara Kestrel"));
    EXPECT_EQ(list.GetOrAddShown(QStringLiteral("HARBOUR LIGHTS")), bare);
    EXPECT_EQ(bare->SortName, QStringLiteral("Harbour Lights"));
    EXPECT_EQ(bare->DisplayName, QStringLiteral("HARBOUR LIGHTS"));
    TLookupItem *added = list.GetOrAddShown(QStringLiteral("Blue Quarter"));
    EXPECT_EQ(added->SortName, QStringLiteral("Blue Quarter"));
    EXPECT_EQ(added->DisplayName, QStringLiteral("Blue Quarter"));
    EXPECT_EQ(list.GetOrAddShown(QString()), nullptr);
    EXPECT_EQ(list.Count(), 3);
}

// Filling in a missing display name leaves the sort name, so the entry keeps its place,
// also among entries whose names collate equal.
TEST(LookupList, ShowingANameKeepsTheEntryInPlace)
{
    const QByteArray bytes = listBytes({{1, QStringLiteral("twin"), QString()},
                                        {2, QStringLiteral("TWIN"), QStringLiteral("Second")},
                                        {3, QStringLiteral("Abel"), QString()},
                                        {4, QStringLiteral("Zed"), QString()}});
    TQelReader reader(bytes);
    TLookupList list(fdArtist);
    list.LoadFromStream(reader);
    const std::vector<TLookupItem *> before = {list.Items(0), list.Items(1), list.Items(2),
                                               list.Items(3)};
    TLookupItem *twin = list.GetOrAddShown(QStringLiteral("Twin"));
    ASSERT_EQ(twin, before[1]);
    EXPECT_EQ(twin->SortName, QStringLiteral("twin"));
    EXPECT_EQ(twin->DisplayName, QStringLiteral("Twin"));
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(list.Items(qsizetype(i)), before[i]) << i;
    EXPECT_EQ(list.FindByName(QStringLiteral("TWIN")), twin);
    EXPECT_EQ(list.GetOrAddShown(QStringLiteral("zed")), before[3]);
    EXPECT_EQ(list.FindByName(QStringLiteral("ZED")), before[3]) << "found by its display name";
    EXPECT_EQ(list.Items(3), before[3]);
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

namespace {
// The search the lists did before they were hashed, over the list in order: the first
// sort name the collation calls equal, else the first display name equal with A to Z
// lowered. The oracle for the hashed search.
qsizetype linearIndexOf(const TLookupList &list, const QString &sortName)
{
    for (qsizetype i = 0; i < list.Count(); ++i)
        if (CompareLookupNames(list.Items(i)->SortName, sortName) == 0)
            return i;
    return -1;
}

TLookupItem *linearFindByName(const TLookupList &list, const QString &name)
{
    if (name.isEmpty())
        return nullptr;
    if (const qsizetype i = linearIndexOf(list, name); i >= 0)
        return list.Items(i);
    auto lower = [](QString s) {
        for (QChar &c : s)
            if (c >= u'A' && c <= u'Z')
                c = QChar(c.unicode() + 32);
        return s;
    };
    for (qsizetype i = 0; i < list.Count(); ++i) {
        const QString &d = list.Items(i)->DisplayName;
        if (!d.isEmpty() && lower(d) == lower(name))
            return list.Items(i);
    }
    return nullptr;
}

void expectInCollationOrder(const TLookupList &list)
{
    for (qsizetype i = 1; i < list.Count(); ++i)
        ASSERT_LE(CompareLookupNames(list.Items(i - 1)->SortName, list.Items(i)->SortName), 0)
            << "at " << i;
}
} // namespace

// Edit finds its entry by position and moves it up or down to where a new entry of its
// name would go: after those that collate equal. Entries just added and not yet in
// order are edited too.
TEST(LookupList, EditsMoveEntriesWhereANewOneWouldGo)
{
    const char *const pool[] = {"a", "B", "b", "c", "C", "d", "e", "E", "f"};
    std::mt19937 random(20261211);
    auto name = [&] { return QLatin1String(pool[random() % std::size(pool)]); };
    QList<std::tuple<int, QString, QString>> file;
    for (int i = 1; i <= 40; ++i)
        file.append({i, name(), QString()});
    const QByteArray bytes = listBytes(file);
    TQelReader reader(bytes);
    TLookupList list(fdLabel);
    list.LoadFromStream(reader);
    for (int round = 0; round < 300; ++round) {
        TLookupItem *entry = round % 3 ? list.Items(qsizetype(random() % list.Count()))
                                       : list.FindOrCreate(name() + name() + name(), QString());
        if (!entry)
            continue;
        const QString renamed = name();
        list.Edit(entry, renamed, round % 2 ? renamed : QString());
        expectInCollationOrder(list);
        const qsizetype at = list.IndexOfItem(entry);
        ASSERT_GE(at, 0) << round;
        ASSERT_TRUE(at + 1 == list.Count() ||
                    CompareLookupNames(list.Items(at + 1)->SortName, renamed) > 0)
            << round;
        ASSERT_EQ(list.FindByName(renamed), linearFindByName(list, renamed)) << round;
    }
    for (qsizetype i = 0; i < list.Count(); ++i)
        ASSERT_EQ(list.IndexOfItem(list.Items(i)), i);
}

TEST(LookupList, FindsNamesAsTheCollationComparesThem)
{
    TLookupList list(fdArtist);
    TLookupItem *emigre = list.FindOrCreate(QString::fromUtf8("Émigré"), QString());
    TLookupItem *zola =
        list.FindOrCreate(QString::fromUtf8("Zola, Émile"), QString::fromUtf8("Émile Zola"));
    TLookupItem *mara =
        list.FindOrCreate(QStringLiteral("Kestrel, Mara"), QStringLiteral("Mara Kestrel"));
    struct
    {
        const char *query;
        TLookupItem *found;
    } cases[] = {
        {"émigré", emigre},
        {"ÉMIGRÉ", emigre},
        {"E\xCC\x81migre\xCC\x81", emigre}, // accents as combining marks
        {"Emigre", nullptr},                // accents count
        {"émigre", nullptr},
        {"kestrel, MARA", mara},
        {"mara kestrel", mara}, // the display name, A to Z folded
        {"MARA KESTREL", mara},
        {"ZOLA, émile", zola},
        {"émile zola", nullptr}, // display names fold A to Z only
        {"Émile ZOLA", zola},
        {"Kestrel,Mara", nullptr},
        {"", nullptr},
    };
    for (const auto &c : cases) {
        const QString query = QString::fromUtf8(c.query);
        EXPECT_EQ(list.FindByName(query), c.found) << c.query;
        EXPECT_EQ(list.FindByName(query), linearFindByName(list, query)) << c.query;
    }
}

TEST(LookupList, HashedSearchAgreesWithTheLinearSearch)
{
    // Names from pieces the collation treats in various ways: case, accents, combining
    // marks, ligatures, punctuation, ignorable characters.
    const char *const pieces[] = {"a",
                                  "A",
                                  "\xC3\xA1",
                                  "\xC3\x81",
                                  "e",
                                  "E\xCC\x81",
                                  "\xC3\xA9",
                                  "ss",
                                  "\xC3\x9F",
                                  "fi",
                                  "\xEF\xAC\x81",
                                  "o",
                                  "\xC3\x98",
                                  " ",
                                  "-",
                                  "'",
                                  "\xE2\x80\x8B",
                                  "Z"};
    std::mt19937 random(20261210);
    auto name = [&] {
        QString n;
        const int parts = 1 + int(random() % 4);
        for (int i = 0; i < parts; ++i)
            n += QString::fromUtf8(pieces[random() % std::size(pieces)]);
        return n;
    };
    // A file may hold names that collate equal; reading keeps them all.
    QList<std::tuple<int, QString, QString>> file;
    for (int i = 1; i <= 60; ++i)
        file.append({i, name(), random() % 2 ? name() : QString()});
    const QByteArray bytes = listBytes(file);
    TQelReader reader(bytes);
    TLookupList list(fdArtist);
    list.LoadFromStream(reader);

    for (int round = 0; round < 300; ++round) {
        // Additions wait unordered until positions are read: search before the oracle
        // (which reads positions) looks.
        if (random() % 2)
            list.FindOrCreate(name(), random() % 3 ? QString() : name());
        else
            list.GetOrAdd(name());
        const QString query = name();
        TLookupItem *found = list.FindByName(query);
        const qsizetype index = list.IndexOf(query);
        ASSERT_EQ(found, linearFindByName(list, query)) << qPrintable(query);
        ASSERT_EQ(index, linearIndexOf(list, query)) << qPrintable(query);
    }
    expectInCollationOrder(list);
    for (qsizetype i = 0; i < list.Count(); ++i)
        ASSERT_EQ(list.IndexOfItem(list.Items(i)), i);
}

TEST(LookupList, AddedInBulkThenSearchedEditedAndRemoved)
{
    TLookupList list(fdLabel);
    constexpr int kNames = 3000;
    auto sortName = [](int i) { return QStringLiteral("Label %1, Ö").arg(kNames - i); };
    for (int i = 0; i < kNames; ++i)
        list.FindOrCreate(sortName(i), QStringLiteral("Display %1").arg(i));
    ASSERT_EQ(list.Count(), kNames);
    for (int i = 0; i < kNames; i += 7) {
        TLookupItem *e = list.FindByName(sortName(i).toUpper());
        ASSERT_NE(e, nullptr) << i;
        EXPECT_EQ(e->ID, i + 1);
        EXPECT_EQ(list.FindByName(QStringLiteral("DISPLAY %1").arg(i)), e);
    }
    expectInCollationOrder(list);
    EXPECT_EQ(list.SortNames().first(), sortName(kNames - 1));

    // Two entries whose names collate equal (as a file may hold): the first found
    // while it lasts, then the other.
    const QByteArray bytes = listBytes({{1, QStringLiteral("twin"), QStringLiteral("Tw")},
                                        {2, QStringLiteral("TWIN"), QStringLiteral("tw")}});
    TQelReader reader(bytes);
    TLookupList twins(fdLabel);
    twins.LoadFromStream(reader);
    TLookupItem *first = twins.FindByName(QStringLiteral("Twin"));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->SortName, QStringLiteral("twin"));
    twins.Remove(first);
    ASSERT_NE(twins.FindByName(QStringLiteral("Twin")), nullptr);
    EXPECT_EQ(twins.FindByName(QStringLiteral("tW"))->SortName, QStringLiteral("TWIN"));

    // Edits and removals leave the hashes right.
    TLookupItem *renamed = list.FindByName(sortName(5));
    list.Edit(renamed, QStringLiteral("Aardvark"), QStringLiteral("Zebra"));
    EXPECT_EQ(list.FindByName(sortName(5)), nullptr);
    EXPECT_EQ(list.FindByName(QStringLiteral("Display 5")), nullptr);
    EXPECT_EQ(list.FindByName(QStringLiteral("aardvark")), renamed);
    EXPECT_EQ(list.FindByName(QStringLiteral("zebra")), renamed);
    EXPECT_EQ(list.Items(0), renamed);
    std::unordered_set<const TLookupItem *> doomed;
    for (int i = 100; i < 200; ++i)
        doomed.insert(list.FindByName(sortName(i)));
    const TLookupItem *gone = list.FindByName(sortName(100));
    list.Remove(doomed);
    EXPECT_EQ(list.IndexOfItem(gone), -1); // asked by address, never read
    EXPECT_EQ(list.Count(), kNames - 100);
    EXPECT_EQ(list.FindByName(sortName(150)), nullptr);
    EXPECT_EQ(list.FindByName(QStringLiteral("display 150")), nullptr);
    EXPECT_EQ(list.FindOrCreate(sortName(150), QString())->ID, kNames + 1);
    EXPECT_NE(list.FindByName(sortName(99)), nullptr);
    expectInCollationOrder(list);
}

TEST(LookupList, MergeNumbersNewEntriesOnAndKeepsTheirDisplayNames)
{
    TLookupList list(fdArtist);
    list.FindOrCreate(QStringLiteral("Varga, Béla"), QStringLiteral("Béla Varga"));
    list.FindOrCreate(QStringLiteral("Moreau, Ines"), QString());
    const QByteArray bytes =
        listBytes({{5, QStringLiteral("Thorne, Ada"), QStringLiteral("Ada Thorne")},
                   {6, QStringLiteral("béla varga"), QStringLiteral("Other")},
                   {7, QStringLiteral("Brook, Kai"), QString()}});
    TQelReader reader(bytes);
    TLoadIdMap map;
    list.MergeFromStream(reader, &map);
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(map.Find(5)->ID, 3);
    EXPECT_EQ(map.Find(5)->DisplayName, QStringLiteral("Ada Thorne"));
    EXPECT_EQ(map.Find(6)->ID, 1);
    EXPECT_EQ(map.Find(6)->DisplayName, QString::fromUtf8("Béla Varga"));
    EXPECT_EQ(map.Find(7)->ID, 4);
    EXPECT_EQ(list.LastID, 4);
    EXPECT_EQ(sortNames(list),
              QStringList({QStringLiteral("Brook, Kai"), QStringLiteral("Moreau, Ines"),
                           QStringLiteral("Thorne, Ada"), QString::fromUtf8("Varga, Béla")}));

    // A file that breaks off midway leaves what was read ordered and found.
    const QByteArray more = listBytes({{1, QStringLiteral("Crane, Ilse"), QString()},
                                       {2, QStringLiteral("Ashdown, Vera"), QString()}});
    const QByteArray cutBytes = more.left(more.size() - 4);
    TQelReader cut(cutBytes);
    EXPECT_THROW(list.MergeFromStream(cut), EQel);
    EXPECT_NE(list.FindByName(QStringLiteral("crane, ilse")), nullptr);
    expectInCollationOrder(list);
    EXPECT_EQ(list.Items(0)->SortName, QStringLiteral("Brook, Kai"));
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
