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
    EXPECT_EQ(store.ReadString(QStringLiteral("Cddb\\Site4"), QStringLiteral("Site"), {}),
              QStringLiteral("s4"))
        << "sections of earlier saves stay";

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
