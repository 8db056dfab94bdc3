#include "model/album.h"
#include "model/duplicates.h"
#include "model/lookuplist.h"
#include "model/qeldb.h"
#include "model/similarnames.h"
#include "model/tracks.h"

#include <QStringList>
#include <functional>
#include <gtest/gtest.h>

// Each rule with a pair it joins and a near miss it must not join.
TEST(SimilarNames, EachRuleJoinsItsCaseAndNoMore)
{
    const struct
    {
        const char *a, *b;
        bool same;
    } cases[] = {
        {"The Beatles", "the beatles", true},               // letter case
        {"Beatles", "Beatless", false},                     // one letter more
        {"Beyoncé", "Beyonce", true},                       // accents
        {"Motörhead", "Motrhead", false},                   // the letter stays, only its mark goes
        {"ﬁve", "five", true},                              // compatibility forms
        {"The Beatles", "Beatles", true},                   // a leading "The "
        {"Beatles, The", "Beatles", true},                  // a trailing ", The"
        {"Beatles ,The", "The Beatles", true},              // blanks around the comma
        {"Theatre", "atre", false},                         // "The" must be a word
        {"Bathe", "Ba", false},                             // and the trailing one after a comma
        {"The", "", false},                                 // a name of "The" alone stays
        {"Simon & Garfunkel", "Simon and Garfunkel", true}, // "&" against "and"
        {"Simon&Garfunkel", "simon and garfunkel", true},
        {"Simon + Garfunkel", "Simon and Garfunkel", false},
        {"AC/DC", "ACDC", true}, // punctuation
        {"R.E.M.", "REM", true},
        {"Guns N' Roses", "Guns N Roses", true},
        {"AC/DC", "AC DC", false},              // a blank is not punctuation
        {"Pink   Floyd", " Pink Floyd ", true}, // runs of blanks
        {"Pink Floyd", "PinkFloyd", false},
    };
    for (const auto &c : cases) {
        const QString a = QString::fromUtf8(c.a), b = QString::fromUtf8(c.b);
        SCOPED_TRACE(c.a);
        EXPECT_EQ(SimilarNameKey(a) == SimilarNameKey(b), c.same)
            << SimilarNameKey(a).toStdString() << " / " << SimilarNameKey(b).toStdString();
    }
    EXPECT_TRUE(SimilarNameKey(u"...").isEmpty());
}

// Entries join through either name; entries alone and names
// of punctuation only form no group.
TEST(SimilarNames, GroupsEntriesByEitherNameInListOrder)
{
    TLookupList list(fdArtist);
    auto add = [&list](const char *sort, const char *display) {
        return list.FindOrCreate(QString::fromUtf8(sort), QString::fromUtf8(display));
    };
    add("Lanterns, The", "The Lanterns");
    add("lanterns", "");
    add("Kestrel, Mara", "Mara Kestrel");
    add("Mara Kestrel", ""); // its sort name is the other's display name
    add("Solenne", "");
    add("Solennes", "");
    add("...", "");
    add("!!!", "");
    add("S & S", "");
    add("S and S", "");

    const auto groups = FindSimilarEntries(list);
    QStringList found;
    for (const auto &group : groups) {
        QStringList names;
        for (const TLookupItem *e : group)
            names << e->SortName;
        found << names.join(u'+');
    }
    EXPECT_EQ(found, (QStringList{QStringLiteral("Kestrel, Mara+Mara Kestrel"),
                                  QStringLiteral("lanterns+Lanterns, The"),
                                  QStringLiteral("S & S+S and S")}));
}

namespace {

struct Albums
{
    TQelDb db;
    TAlbum *add(const char *title, const char *artist, qint32 cddb = 0, qint32 ms = 0)
    {
        auto *album = new TAlbum(&db);
        album->Title = QString::fromUtf8(title);
        if (*artist)
            album->Artist = db.LookupList(fdArtist).GetOrAdd(QString::fromUtf8(artist));
        auto *disc = new TDisc(album);
        disc->CddbDiscId = cddb;
        disc->MsDiscId = ms;
        album->Add(disc);
        db.AddAlbum(album);
        return album;
    }
    // The groups as "title+title:rules".
    QStringList groups()
    {
        QStringList out;
        for (const TDuplicateGroup &g : FindDuplicateAlbums(db)) {
            QStringList titles;
            for (const TAlbum *a : g.albums)
                titles << a->Title.toString();
            out << titles.join(u'+') + u':' + QString::number(g.rules);
        }
        return out;
    }
};

} // namespace

TEST(DuplicateAlbums, EachRuleJoinsItsAlbumsAndNoOthers)
{
    const struct
    {
        const char *what;
        std::function<void(Albums &)> fill;
        QStringList expected;
    } cases[] = {
        {"the same CDDB disc ID",
         [](Albums &c) {
             c.add("One", "A", 0x1234, 0);
             c.add("Two", "B", 0x1234, 0);
             c.add("Three", "C", 0x1235, 0);
         },
         {QStringLiteral("One+Two:1")}},
        {"the same Microsoft Disc ID",
         [](Albums &c) {
             c.add("One", "A", 0, 77);
             c.add("Two", "B", 0, 78);
             c.add("Three", "C", 0, 77);
         },
         {QStringLiteral("One+Three:2")}},
        {"no disc IDs join nothing",
         [](Albums &c) {
             c.add("One", "A");
             c.add("Two", "B");
         },
         {}},
        {"title and artist as similar names",
         [](Albums &c) {
             c.add("Abbey Road", "The Beatles");
             c.add("abbey road!", "Beatles, The");
             c.add("Abbey Road", "Beatless");
             c.add("Abbey Roads", "The Beatles");
         },
         {QStringLiteral("Abbey Road+abbey road!:4")}},
        {"the same title without an artist, but not an empty title",
         [](Albums &c) {
             c.add("Mixtape", "");
             c.add("Mixtape", "");
             c.add("", "");
             c.add("", "");
         },
         {QStringLiteral("Mixtape+Mixtape:4")}},
        {"joined through a third album, rules together",
         [](Albums &c) {
             c.add("One", "A", 0x99, 0);
             c.add("Other", "B", 0, 5);
             c.add("Elsewhere", "C", 0x99, 5);
             c.add("Other", "B");
         },
         {QStringLiteral("One+Other+Elsewhere+Other:7")}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Albums albums;
        c.fill(albums);
        EXPECT_EQ(albums.groups(), c.expected);
    }
}

// A disc ID that two discs of one album share makes no group of one album.
TEST(DuplicateAlbums, AnAlbumIsNoDuplicateOfItself)
{
    Albums albums;
    TAlbum *a = albums.add("Double", "A", 0x42, 9);
    auto *second = new TDisc(a);
    second->CddbDiscId = 0x42;
    second->MsDiscId = 9;
    a->Add(second);
    albums.add("Single", "B");
    EXPECT_TRUE(albums.groups().isEmpty());
}
