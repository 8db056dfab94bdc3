#include "model/fields.h"
#include "views/fieldselection.h"

#include <gtest/gtest.h>
#include <set>

namespace {
// The rows as field numbers, top to bottom.
std::vector<TFieldId> rows(const TFieldSelection &s)
{
    std::vector<TFieldId> ids;
    for (int i = 0; i < s.Count(); ++i)
        ids.push_back(s.Row(i)->FieldId);
    return ids;
}

TShowFields threeColumns()
{
    TShowFields f(ilAlbum);
    f.Add(std::make_unique<TShowField>(fdArtist, 120));
    f.Add(std::make_unique<TShowField>(fdTitle, 80));
    f.Add(std::make_unique<TShowField>(fdYear, 40));
    return f;
}
} // namespace

TEST(FieldSelection, DroppingAFieldAddsItOnceAndSelectsIt)
{
    const TQelFields names;
    struct
    {
        TFieldId field;
        int before; // -1 appends, as a double click does
        std::vector<TFieldId> expected;
        int selected;
    } cases[] = {
        {fdTitle, 0, {fdTitle, fdArtist, fdYear}, 0}, // already there: moved, not added
        {fdTitle, -1, {fdArtist, fdYear, fdTitle}, 2},
        {fdTitle, 3, {fdArtist, fdYear, fdTitle}, 2},
        {fdTitle, 2, {fdArtist, fdTitle, fdYear}, 1}, // before the next row: stays
        {fdArtist, 2, {fdTitle, fdArtist, fdYear}, 1},
        {fdGenre, 1, {fdArtist, fdGenre, fdTitle, fdYear}, 1},
        {fdGenre, -1, {fdArtist, fdTitle, fdYear, fdGenre}, 3},
    };
    for (const auto &c : cases) {
        TFieldSelection s(threeColumns(), names);
        EXPECT_EQ(s.DropField(c.field, c.before), c.selected) << c.field << " before " << c.before;
        EXPECT_EQ(rows(s), c.expected) << c.field << " before " << c.before;
        EXPECT_EQ(s.Selected(), c.selected);
    }

    // A moved row keeps its width; a new one gets 100.
    TFieldSelection s(threeColumns(), names);
    s.DropField(fdTitle, 0);
    s.DropField(fdGenre, -1);
    TShowFields edited(ilAlbum);
    s.ApplyTo(edited);
    EXPECT_EQ(edited.Items(0)->Width, 80);
    EXPECT_EQ(edited.Items(3)->Width, 100);
}

TEST(FieldSelection, MovingRows)
{
    const TQelFields names;
    struct
    {
        int from, before;
        std::vector<TFieldId> expected;
    } cases[] = {
        {0, 3, {fdTitle, fdYear, fdArtist}}, {0, -1, {fdTitle, fdYear, fdArtist}},
        {2, 0, {fdYear, fdArtist, fdTitle}}, {0, 2, {fdTitle, fdArtist, fdYear}},
        {1, 1, {fdArtist, fdTitle, fdYear}},
    };
    for (const auto &c : cases) {
        TFieldSelection s(threeColumns(), names);
        s.MoveRow(c.from, c.before);
        EXPECT_EQ(rows(s), c.expected) << c.from << " before " << c.before;
    }
}

TEST(FieldSelection, RemovingARowSelectsItsNeighbour)
{
    const TQelFields names;
    TFieldSelection s(threeColumns(), names);
    s.RemoveRow(2); // the last: the new last is selected
    EXPECT_EQ(rows(s), (std::vector<TFieldId>{fdArtist, fdTitle}));
    EXPECT_EQ(s.Selected(), 1);
    s.RemoveRow(0); // the row that moved up into its place
    EXPECT_EQ(s.Selected(), 0);
    s.RemoveRow(0); // the only row: nothing left to select
    EXPECT_EQ(s.Count(), 0);
    EXPECT_EQ(s.Selected(), -1);
}

TEST(FieldSelection, OrderOfSortRows)
{
    const TQelFields names;
    TSortFields sort(ilTrack);
    sort.Add(std::make_unique<TSortField>(fdYear, -1));
    TFieldSelection s(sort, names);
    ASSERT_TRUE(s.IsSortList());
    s.FlipOrder(0);
    EXPECT_EQ(s.RowOrder(0), 1);
    s.FlipOrder(0);
    EXPECT_EQ(s.RowOrder(0), -1);
    s.DropField(fdTitle, -1);
    EXPECT_EQ(s.RowOrder(1), 1); // new sort rows are ascending

    // The edited rows reach the list only through ApplyTo (OK).
    EXPECT_EQ(sort.Count(), 1);
    s.ApplyTo(sort);
    ASSERT_EQ(sort.Count(), 2);
    EXPECT_EQ(sort.Items(0)->Order, -1);
    EXPECT_EQ(sort.Items(1)->FieldId, fdTitle);

    // Show lists have no order to flip.
    TFieldSelection show(threeColumns(), names);
    show.FlipOrder(0);
    EXPECT_EQ(show.RowOrder(0), 1);
}

TEST(FieldSelection, GroupsOfferEachValidFieldOnce)
{
    for (TItemLevel level : {ilAlbum, ilTrack}) {
        std::set<TFieldId> seen;
        for (const TFieldGroup &g : TFieldSelection::Groups(level))
            for (TFieldId f : g.fields) {
                EXPECT_TRUE(f >= 1 && f <= fdLast);
                EXPECT_TRUE(seen.insert(f).second) << "field " << f << " twice";
            }
    }
}
