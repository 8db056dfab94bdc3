#include "model/qeldb.h"
#include "model/tracks.h"
#include "shell/settingsstore.h"
#include "views/filter.h"

#include <gtest/gtest.h>

namespace {
struct Albums
{
    TQelDb db;
    TQelFields fields;
    TAlbum *beatles = nullptr, *quiet = nullptr;
    Albums()
    {
        beatles = add(QStringLiteral("Help"), QStringLiteral("Beatles, The"),
                      QStringLiteral("The Beatles"), 1965);
        quiet = add(QStringLiteral("Hush"), QStringLiteral("QUIET"), QString(), 2001);
    }
    TAlbum *add(const QString &title, const QString &sortName, const QString &display, int year)
    {
        auto *a = new TAlbum(&db);
        a->Title = title;
        a->Year = QString::number(year);
        a->Artist = db.LookupList(fdArtist).FindOrCreate(sortName, display);
        a->Rating = 50;
        db.AddAlbum(a);
        return a;
    }
};

TFilterFields textFilter(TFieldId field, const QString &text, bool caseSensitive = false)
{
    TFilterFields f(ilAlbum);
    f.CaseSensitive = caseSensitive;
    f.Add(std::make_unique<TStringFilterField>(field, text));
    return f;
}
} // namespace

TEST(Filter, TextConditions)
{
    Albums c;
    struct
    {
        TFieldId field;
        const char *text;
        bool caseSensitive;
        bool beatles, quiet;
    } cases[] = {
        {fdArtist, "beat", false, true, false},
        {fdArtist, "BEAT", true, false, false},
        {fdArtist, "Beat", true, true, false},
        {fdArtist, "beatles,", false, true, false}, // only the sort name has the comma
        {fdArtist, "quiet", false, false, true},
        {fdArtist, "quiet", true, false, false},
        {fdTitle, "h", false, true, true},
        {fdTitle, "", false, false, false}, // an empty text matches nothing
        {fdYear, "196", false, true, false},
        {fdRating, "50", false, true, true}, // a computed display text
    };
    for (const auto &cs : cases) {
        const TFilterFields f = textFilter(cs.field, QLatin1String(cs.text), cs.caseSensitive);
        EXPECT_EQ(f.Matches(c.beatles), cs.beatles) << cs.text;
        EXPECT_EQ(f.Matches(c.quiet), cs.quiet) << cs.text;
    }
}

TEST(Filter, RangesBooleansAndCombination)
{
    Albums c;
    c.beatles->Price = 125000;
    c.beatles->PurchaseDate = 36526;
    c.quiet->Rare = true;
    TFilterFields f(ilAlbum);
    f.Add(std::make_unique<TIntegerFilterField>(fdRating, 40, 60));
    f.Add(std::make_unique<TFloatFilterField>(fdPrice, 10.0, 20.0));
    f.Add(std::make_unique<TDateFilterField>(fdPurchaseDate, 36526, 36526));
    EXPECT_TRUE(f.Matches(c.beatles));
    EXPECT_FALSE(f.Matches(c.quiet));
    f.Add(std::make_unique<TBoolFilterField>(fdRare, 1));
    EXPECT_FALSE(f.Matches(c.beatles));
    f.Combination = 1;
    EXPECT_TRUE(f.Matches(c.quiet));
    f.Enabled = false; // switched off: everything passes, the entries stay
    EXPECT_TRUE(f.Matches(c.quiet));
    EXPECT_FALSE(f.IsActive());
    EXPECT_EQ(f.Count(), 4);
}

TEST(Filter, DescriptionsAndLookups)
{
    TQelFields fields;
    TFilterFields f(ilAlbum);
    EXPECT_EQ(f.GetDescription(fields), QStringLiteral("[None]"));
    f.Add(std::make_unique<TStringFilterField>(fdYear, QStringLiteral("19")));
    f.Add(std::make_unique<TStringFilterField>(fdGenre, QStringLiteral("Jazz")));
    f.Add(std::make_unique<TIntegerFilterField>(fdLength, 60, 300));
    f.Add(std::make_unique<TFloatFilterField>(fdPrice, 1.5, 20));
    f.Add(std::make_unique<TBoolFilterField>(fdLive, 2));
    f.Combination = 1;
    EXPECT_EQ(
        f.GetDescription(fields),
        QStringLiteral("(\"19\" in Year) OR (\"Jazz\" in Genre) OR (Length between 60 and 300) OR "
                       "(Price between 1.50 and 20.00) OR (Live is Yes or No)"));
    EXPECT_EQ(f.GetStringValue(fdGenre), QStringLiteral("Jazz"));
    EXPECT_EQ(f.GetStringValue(fdTitle), QString());
    EXPECT_EQ(f.GetIntRange(fdLength), std::pair(60, 300));
    EXPECT_EQ(f.GetIntRange(fdRating), std::pair(0, 0));
    EXPECT_EQ(f.GetFloatRange(fdPrice), std::pair(1.5, 20.0));
    EXPECT_EQ(f.GetBoolValue(fdLive), 2);
    EXPECT_EQ(f.GetBoolValue(fdMono), 2);
    EXPECT_EQ(dynamic_cast<TDateFilterField *>(TFilterFields::MakeEntry(fdRecordingDate).get())
                  ->DateValue1,
              -1.0);
    EXPECT_EQ(dynamic_cast<TIntegerFilterField *>(TFilterFields::MakeEntry(fdBPM).get())->IntValue2,
              2147483647);
    EXPECT_NE(dynamic_cast<TStringFilterField *>(TFilterFields::MakeEntry(fdCover).get()), nullptr);
}

TEST(Filter, StorageKeepsEveryKindAndTheSwitch)
{
    TMemorySettingsStore s;
    TFilterFields f(ilTrack);
    f.Combination = 1;
    f.CaseSensitive = true;
    f.Add(std::make_unique<TStringFilterField>(fdTitle, QStringLiteral("Ωmega")));
    f.Add(std::make_unique<TIntegerFilterField>(fdBPM, 60, 90));
    f.Add(std::make_unique<TDateFilterField>(fdPurchaseDate, 36526.5, 40000));
    f.Add(std::make_unique<TFloatFilterField>(fdPrice, 0.1, 9.99));
    f.Add(std::make_unique<TBoolFilterField>(fdLive, 0));
    f.Save(s, QStringLiteral("MainWindow\\TrackFilterFields"));

    TFilterFields back(ilTrack);
    EXPECT_TRUE(back.Enabled); // a new filter is enabled
    back.Load(s, QStringLiteral("MainWindow\\TrackFilterFields"));
    EXPECT_EQ(back.Combination, 1);
    EXPECT_TRUE(back.CaseSensitive);
    EXPECT_TRUE(back.Enabled);
    TQelFields fields;
    EXPECT_EQ(back.GetDescription(fields), f.GetDescription(fields));
    EXPECT_EQ(back.GetDateRange(fdPurchaseDate), std::pair(36526.5, 40000.0));

    TFilterFields absent(ilTrack);
    absent.Load(s, QStringLiteral("Elsewhere"));
    EXPECT_FALSE(absent.Enabled); // a loaded filter without a stored switch is off
}

// However many entries the file declares, a filter reads those present, and no
// more than a list of fields can hold.
TEST(Filter, StoredCountReadsOnlyTheEntriesThere)
{
    const std::pair<qint32, int> cases[] = {{1000, 2}, {2000000000, 100}}; // count, present
    for (const auto &[count, present] : cases) {
        SCOPED_TRACE(count);
        TMemorySettingsStore s;
        s.WriteInteger(QStringLiteral("F"), QStringLiteral("Count"), count);
        for (int i = 0; i < present; ++i)
            s.WriteInteger(QStringLiteral("F\\%1").arg(i), QStringLiteral("Field"), fdYear);
        TFilterFields f(ilAlbum);
        f.Load(s, QStringLiteral("F"));
        ASSERT_EQ(f.Count(), std::min(present, int(TListFields::kMaxStoredEntries)));
    }
}
