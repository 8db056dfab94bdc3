#include "exchange/discogsimport.h"
#include "model/album.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "model/valueformat.h"
#include "testsupport.h"

#include <QDate>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QByteArray kHeader =
    "Catalog#,Artist,Title,Label,Format,Rating,Released,release_id,CollectionFolder,"
    "Date Added,Collection Media Condition,Collection Sleeve Condition,Collection Notes,"
    "Collection Purchase Price,My Field\r\n";

struct TRun
{
    bool added = false;
    TImportSummary summary;
    QString error;
};

TRun importDiscogs(TQelDb &db, const QByteArray &bytes)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("collection.csv"));
    WriteFileBytes(file, bytes);
    TDiscogsImport import(nullptr, db, file);
    import.UseWindow = false;
    TRun run;
    run.added = import.Run();
    run.summary = import.Summary;
    run.error = import.Error;
    return run;
}

QString purchaseDate(int y, int m, int d)
{
    return FormatDate(DaysFromDate(QDate(y, m, d)));
}

} // namespace

// Each row an album: the first label and artist names without their " (N)", the first
// format without its quantity and as many discs as it counts, stars as per cent, the
// date the release was added, the folder unless uncategorised, and the notes, the
// conditions and the release in the comments.
TEST(DiscogsImport, RowsBecomeAlbums)
{
    TScriptedInterface ui;
    TQelDb db;
    const TRun run = importDiscogs(
        db, kHeader +
                "CAT-1,Prince (2),Purple Rain,\"Warner Bros. Records (2), Other Label\","
                "\"2xLP, Album, RE\",5,1984,123,Vinyl,2020-11-12 12:24:52,Near Mint (NM or M-),"
                "Very Good Plus (VG+),\"Gift from \"\"Ann\"\"\nsecond line\",12.00,x\r\n"
                "none,Various,Hits,Label X,\"CD, Comp\",,0,456,Uncategorized,"
                "23/04/2023 04:38,,,,,\r\n"
                "ABC 12,Foo (3) & Bar (12),Together,Label Y (5),\"7\"\", Single\",great,2001,,"
                "Singles,yesterday,,,,,\r\n");
    ASSERT_TRUE(run.added) << run.error.toStdString();
    ASSERT_EQ(db.AlbumCount(), 3);
    const struct
    {
        TFieldId field;
        QString values[3];
    } want[] = {
        {fdTitle,
         {QStringLiteral("Purple Rain"), QStringLiteral("Hits"), QStringLiteral("Together")}},
        {fdArtist,
         {QStringLiteral("Prince"), QStringLiteral("Various"), QStringLiteral("Foo & Bar")}},
        {fdLabel,
         {QStringLiteral("Warner Bros. Records"), QStringLiteral("Label X"),
          QStringLiteral("Label Y")}},
        {fdNumber, {QStringLiteral("CAT-1"), QString(), QStringLiteral("ABC 12")}},
        {fdFormat, {QStringLiteral("LP"), QStringLiteral("CD"), QStringLiteral("7\"")}},
        {fdNrDiscs, {QStringLiteral("2"), QStringLiteral("1"), QStringLiteral("1")}},
        {fdYear, {QStringLiteral("1984"), QString(), QStringLiteral("2001")}},
        {fdRating, {QStringLiteral("100%"), QString(), QString()}},
        {fdPurchaseDate, {purchaseDate(2020, 11, 12), purchaseDate(2023, 4, 23), QString()}},
        {fdLocation, {QStringLiteral("Vinyl"), QString(), QStringLiteral("Singles")}},
        {fdInCollection, {QStringLiteral("Yes"), QStringLiteral("Yes"), QStringLiteral("Yes")}},
        {fdComments,
         {QStringLiteral("Gift from \"Ann\"\r\nsecond line\r\nMedia: Near Mint (NM or M-)\r\n"
                         "Sleeve: Very Good Plus (VG+)\r\nDiscogs: 123"),
          QStringLiteral("Discogs: 456"), QString()}},
    };
    for (const auto &w : want)
        for (int a = 0; a < 3; ++a)
            EXPECT_EQ(db.Album(a)->GetFieldAsString(w.field), w.values[a])
                << TQelFields::GetDefaultName(w.field).toStdString() << " of album " << a;
    EXPECT_EQ(db.Album(0)->Disc(1)->Index, 2);

    EXPECT_EQ(run.summary.Unconverted, 2);
    ASSERT_EQ(run.summary.FirstUnconverted.size(), 2u);
    EXPECT_EQ(run.summary.FirstUnconverted[0].column, QStringLiteral("Rating"));
    EXPECT_EQ(run.summary.FirstUnconverted[0].value, QStringLiteral("great"));
    EXPECT_EQ(run.summary.FirstUnconverted[1].column, QStringLiteral("Date Added"));
    EXPECT_EQ(run.summary.FirstUnconverted[1].row, 3);
    EXPECT_TRUE(ui.messages.last().startsWith(QStringLiteral("Imported 3 albums from 3 rows.")));
}

// A release the collection held before is skipped, so an export imported again adds only
// what is new; two rows of one file with the same release are two copies.
TEST(DiscogsImport, ImportingAgainAddsOnlyNewReleases)
{
    TScriptedInterface ui;
    TQelDb db;
    // "Discogs: 12" names release 12, not 123.
    auto *mine = new TAlbum(&db);
    mine->Title = QStringLiteral("Mine");
    mine->Comments = QStringLiteral("Bought in 2001\r\nDiscogs: 12");
    db.AddAlbum(mine);
    const QByteArray rows = "1,A,One,L,CD,,2000,123,,,,,,,\r\n"
                            "1,A,One,L,CD,,2000,123,,,,,,,\r\n"
                            "2,B,Two,L,LP,,2001,456,,,,,,,\r\n";
    TRun run = importDiscogs(db, kHeader + rows);
    EXPECT_TRUE(run.added);
    EXPECT_EQ(db.AlbumCount(), 4);

    run = importDiscogs(db, kHeader + rows);
    EXPECT_FALSE(run.added);
    EXPECT_EQ(run.summary.SkippedRows, 3);
    EXPECT_EQ(db.AlbumCount(), 4);
    EXPECT_EQ(ui.messages.last(),
              QStringLiteral("Imported 0 albums from 3 rows.\r\nSkipped 3 rows whose Discogs "
                             "release the collection already holds."));

    run = importDiscogs(db, kHeader + rows + "3,C,Three,L,CD,,2002,00789,,,,,,,\r\n");
    EXPECT_TRUE(run.added);
    EXPECT_EQ(run.summary.SkippedRows, 3);
    EXPECT_EQ(db.AlbumCount(), 5);
    EXPECT_EQ(TDiscogsImport::ReleasesIn(db),
              QSet<QString>({QStringLiteral("12"), QStringLiteral("123"), QStringLiteral("456"),
                             QStringLiteral("789")}));
}

TEST(DiscogsImport, NamesAndFormatsAsDiscogsWritesThem)
{
    const struct
    {
        const char *written, *name;
    } names[] = {
        {"Prince (2)", "Prince"},
        {"Various", "Various"},
        {"Foo (3) & Bar (12)", "Foo & Bar"},
        {"Foo (3), Bar (4)", "Foo, Bar"},
        {"Foo (3) Feat. Bar (4)", "Foo Feat. Bar"},
        {"The (10) Band", "The (10) Band"},
        {"Track (Live)", "Track (Live)"},
    };
    for (const auto &c : names)
        EXPECT_EQ(TDiscogsImport::WithoutNumberSuffix(QString::fromUtf8(c.written)),
                  QString::fromUtf8(c.name));

    const struct
    {
        const char *written, *format;
        qint32 discs;
    } formats[] = {
        {"2xLP, Album", "LP", 2},
        {"CD", "CD", 1},
        {"CD, Album + DVD, PAL", "CD", 1},
        {"3 x CD, Comp", "CD", 3},
        {"7\", Single", "7\"", 1},
        {"12\"", "12\"", 1},
        {"File, MP3", "File", 1},
        {"Cass, Album", "Cass", 1},
        {"", "", 1},
    };
    for (const auto &c : formats) {
        qint32 discs = 0;
        EXPECT_EQ(TDiscogsImport::FirstFormat(QString::fromUtf8(c.written), &discs),
                  QString::fromUtf8(c.format));
        EXPECT_EQ(discs, c.discs) << c.written;
    }
}

// A file without the columns of a collection export is refused before anything changes.
TEST(DiscogsImport, RefusesOtherFiles)
{
    TScriptedInterface ui;
    TQelDb db;
    const TRun run = importDiscogs(db, "Title,Year\r\nOne,1999\r\n");
    EXPECT_FALSE(run.added);
    EXPECT_TRUE(run.error.contains(QStringLiteral("is not a Discogs collection export")))
        << run.error.toStdString();
    EXPECT_TRUE(run.error.contains(QStringLiteral("\"Artist\""))) << run.error.toStdString();
    EXPECT_EQ(db.AlbumCount(), 0);
    EXPECT_TRUE(importDiscogs(db, QByteArray()).error.contains(QStringLiteral("holds nothing")));
}
