#include "cddb/cddbsites.h"
#include "shell/settingsstore.h"

#include <gtest/gtest.h>

namespace {

TCddbSite named(const QString &site)
{
    TCddbSite s;
    s.Site = site;
    return s;
}

TEST(CddbSiteList, BuildFromSitesReply)
{
    const QStringList lines = {
        QStringLiteral("210 OK, site information follows (until terminating `.')"),
        QStringLiteral(
            "gnudb.gnudb.org http 80 /~cddb/cddb.cgi N000.00 W000.00 Random gnudb server"),
        QStringLiteral("gnudb.gnudb.org cddbp 8880 - N000.00 W000.00 Random server"),
        QStringLiteral("mirror.example http eighty /cgi N037.33 W122.04 Fremont"),
        QStringLiteral("."),
    };
    TCddbSiteList sites;
    sites.Add(named(QStringLiteral("old")));
    sites.BuildFromReply(lines);
    ASSERT_EQ(sites.Count(), 2);
    EXPECT_EQ(sites.Item(0).Site, QStringLiteral("gnudb.gnudb.org"));
    EXPECT_EQ(sites.Item(0).Port, 80);
    EXPECT_EQ(sites.Item(0).Address, QStringLiteral("/~cddb/cddb.cgi"));
    EXPECT_EQ(sites.Item(0).Latitude, QStringLiteral("N000.00"));
    EXPECT_EQ(sites.Item(0).Longitude, QStringLiteral("W000.00"));
    // Each word of the description keeps the blank after it.
    EXPECT_EQ(sites.Item(0).Description, QStringLiteral("Random gnudb server "));
    EXPECT_EQ(sites.Item(1).Site, QStringLiteral("mirror.example"));
    EXPECT_EQ(sites.Item(1).Port, 80) << "a port that is not a number";

    // The status and "." lines are never sites, whatever they hold.
    sites.BuildFromReply(
        {QStringLiteral("a http 1 /p N W d"), QStringLiteral("b http 2 /p N W d")});
    EXPECT_EQ(sites.Count(), 0);
}

TEST(CddbSiteList, Store)
{
    TMemorySettingsStore store;
    TCddbSiteList sites;
    sites.LoadFromStore(store);
    EXPECT_EQ(sites.Count(), 0) << "no SiteCount";

    for (int i = 0; i < 5; ++i)
        sites.Add(TCddbSite{QStringLiteral("s%1").arg(i), 8000 + i, QStringLiteral("/a"),
                            QStringLiteral("N1"), QStringLiteral("W2"),
                            QStringLiteral("place %1 ").arg(i)});
    sites.SaveToStore(store);
    TCddbSiteList three;
    for (int i = 0; i < 3; ++i)
        three.Add(sites.Item(i + 2));
    three.SaveToStore(store);
    EXPECT_EQ(store.ReadInteger(QStringLiteral("Cddb"), QStringLiteral("SiteCount"), 0), 3);
    // Sections of a longer list saved before go: nothing reads them, and every start
    // would read them from the settings file.
    EXPECT_TRUE(store.SectionExists(QStringLiteral("Cddb\\Site2")));
    EXPECT_FALSE(store.SectionExists(QStringLiteral("Cddb\\Site3")));
    EXPECT_FALSE(store.SectionExists(QStringLiteral("Cddb\\Site4")));

    TCddbSiteList loaded;
    loaded.Add(named(QStringLiteral("kept")));
    loaded.LoadFromStore(store); // appends
    ASSERT_EQ(loaded.Count(), 4);
    EXPECT_EQ(loaded.Item(0).Site, QStringLiteral("kept"));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(loaded.Item(i + 1).Site, QStringLiteral("s%1").arg(i + 2));
        EXPECT_EQ(loaded.Item(i + 1).Port, 8002 + i);
        EXPECT_EQ(loaded.Item(i + 1).Description, QStringLiteral("place %1 ").arg(i + 2));
    }

    // Missing values take the defaults.
    TMemorySettingsStore sparse;
    sparse.WriteInteger(QStringLiteral("Cddb"), QStringLiteral("SiteCount"), 1);
    sparse.WriteString(QStringLiteral("Cddb\\Site0"), QStringLiteral("Site"), QStringLiteral("x"));
    TCddbSiteList one;
    one.LoadFromStore(sparse);
    ASSERT_EQ(one.Count(), 1);
    EXPECT_EQ(one.Item(0).Port, 80);
    EXPECT_EQ(one.Item(0).Address, QStringLiteral("/~cddb/cddb.cgi"));
    EXPECT_EQ(one.Item(0).Latitude, QStringLiteral("N037.33"));
    EXPECT_EQ(one.Item(0).Longitude, QStringLiteral("W122.04"));
    EXPECT_EQ(one.Item(0).Description, QStringLiteral("Fremont, CA USA"));

    // A count written by hand does not make up sites that are not there.
    sparse.WriteInteger(QStringLiteral("Cddb"), QStringLiteral("SiteCount"), 2000000000);
    TCddbSiteList many;
    many.LoadFromStore(sparse);
    EXPECT_EQ(many.Count(), 1);
}

// A server may list any number of sites or categories: only as many are kept as a
// load reads back, so no reply can swell the settings file.
TEST(CddbSiteList, RepliesAreCappedAndStaleEntriesLeaveTheStore)
{
    constexpr int kListed = 1500;
    constexpr int kKept = 1000;
    QStringList sites = {QStringLiteral("210 OK, site information follows")};
    QStringList categories = {QStringLiteral("210 OK, category list follows")};
    for (int i = 0; i < kListed; ++i) {
        sites << QStringLiteral("s%1.example http 80 /cddb N1 W2 Place %1").arg(i);
        categories << QStringLiteral("cat%1").arg(i);
    }
    sites << QStringLiteral(".");
    categories << QStringLiteral(".");
    TCddbSiteList siteList;
    siteList.BuildFromReply(sites);
    ASSERT_EQ(siteList.Count(), kKept);
    EXPECT_EQ(siteList.Item(kKept - 1).Site, QStringLiteral("s%1.example").arg(kKept - 1));
    TCddbCategoryList categoryList;
    categoryList.BuildFromReply(categories);
    ASSERT_EQ(categoryList.size(), kKept);
    EXPECT_EQ(categoryList.last(), QStringLiteral("cat%1").arg(kKept - 1));

    // A store left with more than that by an earlier save: saving clears the rest.
    TMemorySettingsStore store;
    const QString section = QStringLiteral("Cddb\\Categories");
    for (int i = 0; i < kListed + 500; ++i) {
        store.WriteString(QStringLiteral("Cddb\\Site%1").arg(i), QStringLiteral("Site"),
                          QStringLiteral("old"));
        store.WriteString(section, QStringLiteral("Category%1").arg(i), QStringLiteral("old"));
    }
    siteList.SaveToStore(store);
    categoryList.SaveToStore(store);
    EXPECT_TRUE(store.SectionExists(QStringLiteral("Cddb\\Site%1").arg(kKept - 1)));
    EXPECT_FALSE(store.SectionExists(QStringLiteral("Cddb\\Site%1").arg(kKept)));
    EXPECT_FALSE(store.SectionExists(QStringLiteral("Cddb\\Site%1").arg(kListed + 499)));
    EXPECT_TRUE(store.ValueExists(section, QStringLiteral("Category%1").arg(kKept - 1)));
    EXPECT_FALSE(store.ValueExists(section, QStringLiteral("Category%1").arg(kKept)));
    // Six values a site, one a category, and the two counts.
    EXPECT_EQ(store.Values().size(), 6 * kKept + kKept + 2);

    TCddbSiteList loaded;
    loaded.LoadFromStore(store);
    EXPECT_EQ(loaded.Count(), kKept);
    TCddbCategoryList loadedCategories;
    loadedCategories.LoadFromStore(store);
    EXPECT_EQ(loadedCategories, categoryList);
}

TEST(CddbCategoryList, Store)
{
    TMemorySettingsStore store;
    const QString section = QStringLiteral("Cddb\\Categories");
    store.WriteInteger(section, QStringLiteral("Count"), 3);
    store.WriteString(section, QStringLiteral("Category0"), QStringLiteral("rock"));
    store.WriteString(section, QStringLiteral("Category1"), QString());
    store.WriteString(section, QStringLiteral("Category2"), QStringLiteral("jazz"));
    TCddbCategoryList list;
    list.append(QStringLiteral("stale"));
    list.LoadFromStore(store);
    EXPECT_EQ(list, QStringList({QStringLiteral("rock"), QStringLiteral("jazz")}));

    list.SaveToStore(store);
    TCddbCategoryList again;
    again.LoadFromStore(store);
    EXPECT_EQ(again, list);
    EXPECT_EQ(store.ReadInteger(section, QStringLiteral("Count"), 0), 2);
}

} // namespace
