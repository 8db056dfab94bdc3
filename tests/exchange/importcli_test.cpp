#include "model/album.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "testsupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kDemo = QStringLiteral(QEL_BINARY_DIR "/resources/demo.qel");

QStringList csvArgs(const QString &db, const QString &file, const QStringList &more = {})
{
    return QStringList{QStringLiteral("import"), QStringLiteral("csv"), db, file} + more;
}

} // namespace

// `qel import csv` guesses the format and the fields, takes --map over the guess, makes
// the collection when there is none yet, prints the summary and saves; into an existing
// collection it keeps a backup first.
TEST(QelImport, CsvImportsWithTheColumnsMapped)
{
    TTestHome home;
    const QString db = home.file(QStringLiteral("new.qel"));
    const QString file = home.file(QStringLiteral("list.csv"));
    WriteFileBytes(file, "Name;Band;When;Junk\r\nAbbey Road;The Beatles;1969;x\r\n"
                         "\"Kind of Blue\";Miles Davis;1959;y\r\n");
    TRunResult r = RunQel(csvArgs(db, file,
                                  Strings({"--map", "Name=Title", "--map", "band=Artist/Composer",
                                           "--map", "When=Year", "--map", "Junk=skip"})));
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(r.out, QByteArray("Imported 2 albums from 2 rows.\n"));
    {
        TQelDb result;
        result.ReadFile(db, false);
        ASSERT_EQ(result.AlbumCount(), 2);
        EXPECT_EQ(result.Album(1)->GetFieldAsString(fdTitle), QStringLiteral("Kind of Blue"));
        EXPECT_EQ(result.Album(1)->GetFieldAsString(fdArtist), QStringLiteral("Miles Davis"));
        EXPECT_EQ(result.Album(1)->GetFieldAsString(fdYear), QStringLiteral("1959"));
        EXPECT_EQ(result.Album(1)->GetFieldAsString(fdComments), QString());
    }
    EXPECT_TRUE(RunQel({QStringLiteral("backups"), db}).out.isEmpty()); // nothing to keep

    // Into the existing file: the file as it was is kept first.
    WriteFileBytes(file, "Title,Year\r\nBlue Train,1957\r\n");
    r = RunQel(csvArgs(db, file));
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(r.out, QByteArray("Imported 1 albums from 1 rows.\n"));
    const QList<QByteArray> backups = RunQel({QStringLiteral("backups"), db}).out.split('\n');
    ASSERT_GE(backups.size(), 2);
    EXPECT_TRUE(backups[0].contains("\t2\t")) << backups[0].constData(); // two albums then
    TQelDb result;
    result.ReadFile(db, false);
    EXPECT_EQ(result.AlbumCount(), 3);
}

// Whatever is wrong ends with status 2 and a message; the collection stays as it was.
TEST(QelImport, WrongFilesAndArgumentsChangeNothing)
{
    TTestHome home;
    const QString db = home.file(QStringLiteral("keep.qel"));
    QFile::copy(kDemo, db);
    const QByteArray before = ReadFileBytes(db);
    const QString good = home.file(QStringLiteral("good.csv"));
    WriteFileBytes(good, "Title,Year\r\nOne,1999\r\n");
    const QString empty = home.file(QStringLiteral("empty.csv"));
    WriteFileBytes(empty, "");
    const QString fieldless = home.file(QStringLiteral("fieldless.csv"));
    WriteFileBytes(fieldless, "Notes,Misc\r\n1,2\r\n");
    const struct
    {
        QStringList args;
        const char *error;
    } cases[] = {
        {csvArgs(db, home.file(QStringLiteral("missing.csv"))), "Could not read"},
        {csvArgs(db, home.path()), "is not a regular file"},
        {csvArgs(db, empty), "is empty"},
        {csvArgs(db, fieldless), "No column of"},
        {csvArgs(db, good, Strings({"--map", "Title=Nothing"})), "Unknown field \"Nothing\""},
        {csvArgs(db, good, Strings({"--map", "Cover=Title"})), "has no column \"Cover\""},
        {csvArgs(db, good, Strings({"--map", "Title"})), "--map takes COLUMN=FIELD"},
        {csvArgs(db, good, Strings({"--delimiter", "|"})), "Unknown delimiter \"|\""},
        {csvArgs(db, good, Strings({"--encoding", "latin9"})), "Unknown encoding \"latin9\""},
        {csvArgs(db, good, Strings({"--names"})), "unexpected argument '--names'"},
        {{QStringLiteral("import"), QStringLiteral("csv"), db}, "Usage: qel import csv"},
        {{QStringLiteral("import"), QStringLiteral("discogs"), db, good},
         "is not a Discogs collection export"},
        {{QStringLiteral("import"), QStringLiteral("discogs"), db, good, QStringLiteral("--map"),
          QStringLiteral("a=b")},
         "unexpected argument '--map'"},
        {{QStringLiteral("import"), QStringLiteral("spreadsheet"), db, good},
         "say what to import: csv, discogs, cdplayer or cdvalet"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.error);
        const TRunResult r = RunQel(c.args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.out.isEmpty()) << r.out.constData();
        EXPECT_TRUE(r.err.contains(c.error)) << r.err.constData();
    }
    EXPECT_EQ(ReadFileBytes(db), before);
    EXPECT_TRUE(RunQel({QStringLiteral("backups"), db}).out.isEmpty());
}

// A Discogs export imported twice: the second run adds nothing and leaves the file alone.
TEST(QelImport, DiscogsTwiceAddsNothingTheSecondTime)
{
    TTestHome home;
    const QString db = home.file(QStringLiteral("d.qel"));
    const QString file = home.file(QStringLiteral("discogs.csv"));
    WriteFileBytes(file, "Catalog#,Artist,Title,Label,Format,Rating,Released,release_id,"
                         "CollectionFolder,Date Added,Collection Media Condition,"
                         "Collection Sleeve Condition,Collection Notes\r\n"
                         "X1,A (2),One,L,\"2xLP, Album\",4,1999,11,Uncategorized,"
                         "2020-01-02 10:00:00,,,\r\n"
                         "X2,B,Two,L,CD,,2001,12,Uncategorized,2020-01-03 10:00:00,,,\r\n");
    const QStringList args{QStringLiteral("import"), QStringLiteral("discogs"), db, file};
    TRunResult r = RunQel(args);
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(r.out, QByteArray("Imported 2 albums from 2 rows.\n"));
    const QByteArray saved = ReadFileBytes(db);
    r = RunQel(args);
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(r.out, QByteArray("Imported 0 albums from 2 rows.\nSkipped 2 rows whose Discogs "
                                "release the collection already holds.\n"));
    EXPECT_EQ(ReadFileBytes(db), saved);
    TQelDb result;
    result.ReadFile(db, false);
    ASSERT_EQ(result.AlbumCount(), 2);
    EXPECT_EQ(result.Album(0)->GetFieldAsString(fdArtist), QStringLiteral("A"));
    EXPECT_EQ(result.Album(0)->DiscCount(), 2);
}

// The demo collection's tracks exported with their names and imported into a new
// collection come back in order with their titles, lengths and artists.
TEST(QelImport, OurExportOfTheDemoComesBack)
{
    TTestHome home;
    const QString csv = home.file(QStringLiteral("tracks.csv"));
    const QString db = home.file(QStringLiteral("copy.qel"));
    TRunResult r =
        RunQel({QStringLiteral("export"), kDemo, csv, QStringLiteral("--format"),
                QStringLiteral("csv"), QStringLiteral("--all-tracks"), QStringLiteral("--names"),
                QStringLiteral("--delimiter"), QStringLiteral(";"), QStringLiteral("--columns"),
                QStringLiteral("Album Title,Album ID,Disc Index,Position,Index,Title,"
                               "Length,Artist/Composer,Comments,Header Title")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    r = RunQel(csvArgs(db, csv));
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.out.contains("Not carried back, as the collection derives them from other "
                               "values: Album ID, Header Title."))
        << r.out.constData();

    TQelDb demo, copy;
    demo.ReadFile(kDemo, false);
    copy.ReadFile(db, false);
    QStringList was, is;
    for (const TQelDb *from : {&demo, &copy})
        for (qsizetype a = 0; a < from->AlbumCount(); ++a)
            for (qsizetype d = 0; d < from->Album(a)->DiscCount(); ++d)
                for (const TTrack *t : from->Album(a)->Disc(d)->Tracks)
                    (from == &demo ? was : is) << QStringList{t->GetFieldAsString(fdAlbumTitle),
                                                              t->GetFieldAsString(fdDiscIndex),
                                                              t->GetFieldAsString(fdPosition),
                                                              t->GetFieldAsString(fdIndex),
                                                              t->GetFieldAsString(fdTitle),
                                                              t->GetFieldAsString(fdLength),
                                                              t->GetFieldAsString(fdArtist),
                                                              t->GetFieldAsString(fdComments)}
                                                      .join(u'|');
    ASSERT_FALSE(was.isEmpty());
    EXPECT_EQ(is, was);
}
