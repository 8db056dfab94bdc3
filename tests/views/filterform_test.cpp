#include "model/fields.h"
#include "views/filter.h"
#include "views/filterform.h"

#include <functional>
#include <gtest/gtest.h>

namespace {
QString describe(const TFilterFields &f)
{
    return f.GetDescription(TQelFields());
}
} // namespace

TEST(FilterForm, ConditionsAreAddedInTheFixedOrder)
{
    // "Year" comes before "Genre" whatever the pages show first.
    TFilterForm form(ilAlbum);
    form.Combination = 1;
    form.Value(fdGenre).text = QStringLiteral("Rock");
    form.Value(fdYear).text = QStringLiteral("1999");
    TFilterFields filter(ilAlbum);
    form.ApplyTo(filter);
    EXPECT_EQ(describe(filter), QStringLiteral("(\"1999\" in Year) OR (\"Rock\" in Genre)"));
    EXPECT_EQ(filter.Combination, 1);
}

TEST(FilterForm, WhenAControlAddsACondition)
{
    struct
    {
        const char *what;
        TItemLevel level;
        std::function<void(TFilterForm &)> set;
        const char *description;
    } cases[] = {
        {"empty text", ilAlbum, [](TFilterForm &f) { f.Value(fdTitle).text.clear(); }, "[None]"},
        {"rating 0 to 0", ilAlbum, [](TFilterForm &f) { f.Value(fdRating).low = 0; }, "[None]"},
        {"rating up to 50", ilAlbum, [](TFilterForm &f) { f.Value(fdRating).high = 50; },
         "(Rating between 0 and 50)"},
        {"length in seconds", ilTrack,
         [](TFilterForm &f) {
             f.Value(fdLength).lowText = QStringLiteral("04:10");
             f.Value(fdLength).highText = QStringLiteral("10:00");
         },
         "(Length between 250 and 600)"},
        {"length with a blank in the mask", ilTrack,
         [](TFilterForm &f) { f.Value(fdLength).highText = QStringLiteral("4 :1 "); },
         "(Length between 0 and 241)"},
        {"length left empty", ilTrack,
         [](TFilterForm &f) {
             f.Value(fdLength).lowText = QStringLiteral("  :  ");
             f.Value(fdLength).highText = QStringLiteral("00:00");
         },
         "[None]"},
        {"one date ticked", ilAlbum,
         [](TFilterForm &f) {
             f.Value(fdPurchaseDate).from = 36526;
             f.Value(fdPurchaseDate).fromTicked = true;
             f.Value(fdPurchaseDate).to = 36600;
         },
         "[None]"},
        {"price both 0", ilAlbum, [](TFilterForm &f) { f.Value(fdPrice).to = 0; }, "[None]"},
        {"price up to 12.5", ilAlbum, [](TFilterForm &f) { f.Value(fdPrice).to = 12.5; },
         "(Price between 0.00 and 12.50)"},
        {"greyed box", ilAlbum, [](TFilterForm &f) { f.Value(fdRare).state = 2; }, "[None]"},
        {"cleared box", ilAlbum, [](TFilterForm &f) { f.Value(fdRare).state = 0; }, "(Rare is No)"},
        {"ticked box", ilAlbum, [](TFilterForm &f) { f.Value(fdMono).state = 1; }, "(Mono is Yes)"},
        // Controls disabled for the level add nothing, whatever they hold.
        {"rare in a track filter", ilTrack, [](TFilterForm &f) { f.Value(fdRare).state = 1; },
         "[None]"},
        {"BPM in an album filter", ilAlbum, [](TFilterForm &f) { f.Value(fdBPM).high = 120; },
         "[None]"},
    };
    for (const auto &c : cases) {
        TFilterForm form(c.level);
        c.set(form);
        TFilterFields filter(c.level);
        form.ApplyTo(filter);
        EXPECT_EQ(describe(filter), QLatin1String(c.description)) << c.what;
    }
}

TEST(FilterForm, BothDatesTickedMakeADateCondition)
{
    TFilterForm form(ilAlbum);
    TFilterValue &v = form.Value(fdRecordingDate);
    v.from = 36526;
    v.to = 36600;
    v.fromTicked = v.toTicked = true;
    TFilterFields filter(ilAlbum);
    form.ApplyTo(filter);
    EXPECT_EQ(filter.GetDateRange(fdRecordingDate), std::pair(36526.0, 36600.0));
}

TEST(FilterForm, FillingAndApplyingKeepsTheFilter)
{
    TFilterFields filter(ilAlbum);
    filter.Combination = 1;
    filter.CaseSensitive = true;
    filter.Add(std::make_unique<TStringFilterField>(fdArtist, QStringLiteral("beat")));
    filter.Add(std::make_unique<TBoolFilterField>(fdInCollection, 0));
    filter.Add(std::make_unique<TIntegerFilterField>(fdLength, 61, 3599));
    filter.Add(std::make_unique<TIntegerFilterField>(fdNrDiscs, 2, 3));
    filter.Add(std::make_unique<TDateFilterField>(fdPurchaseDate, 36526, 36600));
    filter.Add(std::make_unique<TFloatFilterField>(fdPrice, 5, 20.5));

    TFilterForm form(ilAlbum);
    form.Fill(filter);
    EXPECT_EQ(form.Value(fdLength).lowText, QStringLiteral("01:01"));
    EXPECT_EQ(form.Value(fdRare).state, 2);
    EXPECT_FALSE(form.Value(fdRecordingDate).fromTicked);
    TFilterFields rebuilt(ilAlbum);
    form.ApplyTo(rebuilt);
    EXPECT_EQ(describe(rebuilt), describe(filter));
    EXPECT_EQ(rebuilt.Combination, 1);
    EXPECT_TRUE(rebuilt.CaseSensitive);

    // Clearing empties every control but keeps how they are joined.
    form.Clear();
    form.ApplyTo(rebuilt);
    EXPECT_EQ(rebuilt.Count(), 0);
    EXPECT_EQ(rebuilt.Combination, 1);
    EXPECT_TRUE(rebuilt.CaseSensitive);
}
