#include "model/album.h"
#include "model/qeldb.h"
#include "model/valueformat.h"
#include "shell/fielddefaults.h"
#include "shell/settingsstore.h"

#include <QDateTime>

#include <gtest/gtest.h>

namespace {

const QString kDefaults = QStringLiteral("Defaults");

TEST(FieldDefaults, EmptyStoreGivesTheDefaults)
{
    TFieldDefaults d;
    d.FormatString = QStringLiteral("LP");
    d.AD = 0;
    d.Live = 0;
    d.Rating = 0;
    d.InCollection = false;
    d.PurchasePrice = 5;
    d.Load(TMemorySettingsStore());

    EXPECT_EQ(d.FormatString, QStringLiteral("CD"));
    EXPECT_EQ(d.AD, 3);
    EXPECT_EQ(d.Live, 2);
    EXPECT_EQ(d.Rating, 70);
    EXPECT_TRUE(d.InCollection);
    EXPECT_EQ(d.PurchasePrice, 0);
}

TEST(FieldDefaults, PriceIsStoredAsAnAmount)
{
    struct Case
    {
        const char *stored;
        qint64 scaled;
    };
    const Case cases[] = {
        {"12.5", 125000},  {"19.99", 199900}, {"0.1", 1000},
        {"-3.25", -32500}, {"1e300", 0},      {"cheap", 0},
    };
    for (const Case &c : cases) {
        TMemorySettingsStore store;
        store.WriteString(kDefaults, QStringLiteral("PurchasePrice"),
                          QString::fromLatin1(c.stored));
        TFieldDefaults d;
        d.Load(store);
        EXPECT_EQ(d.PurchasePrice, c.scaled) << c.stored;
    }

    TFieldDefaults d;
    d.PurchasePrice = 125000;
    TMemorySettingsStore store;
    d.Save(store);
    EXPECT_EQ(store.ReadFloat(kDefaults, QStringLiteral("PurchasePrice"), 0), 12.5);
}

TEST(FieldDefaults, SaveAndLoadAgree)
{
    TFieldDefaults saved;
    saved.Year = QStringLiteral("1999");
    saved.Store = QStringLiteral("Shop");
    saved.Owner = QStringLiteral("Me");
    saved.Genre = QStringLiteral("Jazz");
    saved.FormatString = QStringLiteral("LP");
    saved.UseNowAsPurchaseDate = true;
    saved.PurchasePrice = 99900;
    saved.AD = 1;
    saved.Mono = true;
    saved.Live = 1;
    saved.Rating = 100;
    saved.InCollection = false;
    TMemorySettingsStore store;
    saved.Save(store);

    TFieldDefaults loaded;
    loaded.Load(store);
    EXPECT_EQ(loaded.Year, saved.Year);
    EXPECT_EQ(loaded.Store, saved.Store);
    EXPECT_EQ(loaded.Owner, saved.Owner);
    EXPECT_EQ(loaded.Genre, saved.Genre);
    EXPECT_EQ(loaded.FormatString, saved.FormatString);
    EXPECT_EQ(loaded.UseNowAsPurchaseDate, saved.UseNowAsPurchaseDate);
    EXPECT_EQ(loaded.PurchasePrice, saved.PurchasePrice);
    EXPECT_EQ(loaded.AD, saved.AD);
    EXPECT_EQ(loaded.Mono, saved.Mono);
    EXPECT_EQ(loaded.Live, saved.Live);
    EXPECT_EQ(loaded.Rating, saved.Rating);
    EXPECT_EQ(loaded.InCollection, saved.InCollection);

    // Integers are held in a byte.
    store.WriteInteger(kDefaults, QStringLiteral("Rating"), 300);
    store.WriteInteger(kDefaults, QStringLiteral("AD"), -1);
    loaded.Load(store);
    EXPECT_EQ(loaded.Rating, 44);
    EXPECT_EQ(loaded.AD, 255);
}

TEST(FieldDefaults, AppliedToNewAlbums)
{
    TQelDb db;
    TFieldDefaults d;
    d.Year = QStringLiteral("2001");
    d.Genre = QStringLiteral("Krautrock");
    d.Owner = QStringLiteral("Me");
    d.PurchasePrice = 125000;
    d.AD = 1;
    d.Mono = true;
    d.Live = 0;
    d.Rating = 90;
    d.InCollection = false;

    TAlbum first(&db);
    d.ApplyTo(first, db);
    ASSERT_NE(first.Genre, nullptr);
    EXPECT_EQ(first.Genre->SortName, QStringLiteral("Krautrock"));
    EXPECT_EQ(db.LookupList(fdGenre).Count(), 1);
    EXPECT_EQ(LookupDisplayText(first.Owner), QStringLiteral("Me"));
    EXPECT_EQ(LookupDisplayText(first.Format), QStringLiteral("CD"));
    EXPECT_EQ(first.Store, nullptr);
    EXPECT_EQ(db.LookupList(fdStore).Count(), 0);
    EXPECT_EQ(first.Year.toString(), QStringLiteral("2001"));
    EXPECT_EQ(first.PurchaseDate, 0);
    EXPECT_EQ(first.Price, 125000);
    EXPECT_EQ(first.AD, 1);
    EXPECT_TRUE(first.Mono);
    EXPECT_EQ(first.Live, 0);
    EXPECT_EQ(first.Rating, 90);
    EXPECT_FALSE(first.InCollection);

    d.UseNowAsPurchaseDate = true;
    TAlbum second(&db);
    const double before = DaysFromDateTime(QDateTime::currentDateTime());
    d.ApplyTo(second, db);
    const double after = DaysFromDateTime(QDateTime::currentDateTime());
    EXPECT_EQ(second.Genre, first.Genre);
    EXPECT_EQ(db.LookupList(fdGenre).Count(), 1);
    EXPECT_GE(second.PurchaseDate, before);
    EXPECT_LE(second.PurchaseDate, after);
}

} // namespace
