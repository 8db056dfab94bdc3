#include "model/album.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kDemo = QStringLiteral(QEL_BINARY_DIR "/resources/demo.qel");

// The rows of a tab-delimited, double-quoted file as Python's csv module reads them,
// each row joined by tabs.
QStringList csvRows(const QString &file)
{
    QProcess p;
    p.start(QStringLiteral("python3"),
            {QStringLiteral("-c"),
             QStringLiteral("import csv, json, sys\n"
                            "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                            "    print(json.dumps(['\\t'.join(r) for r in csv.reader(f, "
                            "delimiter='\\t', strict=True)]))\n"),
             file});
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    QStringList rows;
    for (const QJsonValue &v : QJsonDocument::fromJson(p.readAllStandardOutput()).array())
        rows << v.toString();
    return rows;
}

} // namespace

// The export writes the list `qel list` prints from the same list options.
TEST(QelExport, ExportsTheListQelListSelects)
{
    QTemporaryDir dir;
    const QStringList listOptions =
        Strings({"--tracks", "--group", "Genre", "--folder", "Jazz", "--columns",
                 "Title,Artist/Composer,Length", "--sort", "Length:desc", "--filter", "Title~a"});
    const TRunResult list = RunQel(QStringList{QStringLiteral("list"), kDemo} + listOptions);
    ASSERT_EQ(list.exitCode, 0) << list.err.constData();
    QStringList want = QString::fromUtf8(list.out).split(u'\n');
    want = want.mid(0, want.size() - 3); // the count, the filter and the last line end
    ASSERT_GT(want.size(), 3);

    const QString out = dir.filePath(QStringLiteral("jazz.csv"));
    const TRunResult r = RunQel(QStringList{QStringLiteral("export"), kDemo, out,
                                            QStringLiteral("--format"), QStringLiteral("csv"),
                                            QStringLiteral("--delimiter"), QStringLiteral("tab")} +
                                listOptions);
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(QString::fromUtf8(r.out),
              QStringLiteral("%1 Tracks exported to \"%2\"\n").arg(want.size()).arg(out));
    EXPECT_EQ(csvRows(out), want);
}

TEST(QelExport, AllTracksCountsTracksOfEveryAlbum)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("all.htm"));
    // Every track of every disc, those under section headers included.
    TQelDb db;
    db.ReadFile(kDemo, false);
    qsizetype count = 0;
    for (qsizetype a = 0; a < db.AlbumCount(); ++a)
        for (qsizetype d = 0; d < db.Album(a)->DiscCount(); ++d)
            count += db.Album(a)->Disc(d)->TrackCount();
    const TRunResult r = RunQel(QStringList{QStringLiteral("export"), kDemo, out} +
                                Strings({"--format", "html", "--all-tracks", "--no-border"}));
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(QString::fromUtf8(r.out),
              QStringLiteral("%1 Tracks exported to \"%2\"\n").arg(count).arg(out));
    EXPECT_TRUE(ReadFileBytes(out).contains("<TABLE BORDER=0>"));
}

TEST(QelExport, WrongArgumentsAndRefusalsLeaveOutAlone)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("keep.csv"));
    WriteFileBytes(out, "precious");
    const QString other = dir.filePath(QStringLiteral("new.csv"));
    const struct
    {
        QStringList args;
        const char *error;
    } cases[] = {
        {{out, QStringLiteral("--format"), QStringLiteral("csv")},
         "already exists: add --force to replace it"},
        {{other}, "--format csv or --format html is needed"},
        {{other, QStringLiteral("--format"), QStringLiteral("pdf")}, "Unknown format \"pdf\""},
        {{other, QStringLiteral("--format"), QStringLiteral("html"), QStringLiteral("--names")},
         "--names is not an option of --format html"},
        {{other, QStringLiteral("--format"), QStringLiteral("csv"), QStringLiteral("--delimiter"),
          QStringLiteral("|")},
         "Unknown delimiter \"|\""},
        {{other, QStringLiteral("--format"), QStringLiteral("csv"), QStringLiteral("--all-albums"),
          QStringLiteral("--filter"), QStringLiteral("Title~a")},
         "only --columns applies"},
        {{other, QStringLiteral("--format"), QStringLiteral("csv"), QStringLiteral("--group"),
          QStringLiteral("Genre")},
         "The list shows folders"},
        {{other, QStringLiteral("--format"), QStringLiteral("csv"), QStringLiteral("--columns"),
          QStringLiteral("Title,Nothing")},
         "Unknown field \"Nothing\""},
        {{dir.path(), QStringLiteral("--format"), QStringLiteral("csv"), QStringLiteral("--force")},
         "is not a regular file"},
        {{dir.filePath(QStringLiteral("keep.csv/x.csv")), QStringLiteral("--format"),
          QStringLiteral("csv")},
         "Could not create export file"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.error);
        const TRunResult r = RunQel(QStringList{QStringLiteral("export"), kDemo} + c.args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.out.isEmpty()) << r.out.constData();
        EXPECT_TRUE(r.err.contains(c.error)) << r.err.constData();
    }
    EXPECT_EQ(ReadFileBytes(out), QByteArray("precious"));
    EXPECT_FALSE(QFile::exists(other));

    // A full disk: the old file stays whole, and no temporary file is left behind.
    const TRunResult full = RunQel(QStringList{QStringLiteral("export"), kDemo, out} +
                                       Strings({"--format", "csv", "--all-tracks", "--force"}),
                                   QStringLiteral("trap '' XFSZ; ulimit -f 1;"));
    EXPECT_EQ(full.exitCode, 2);
    EXPECT_TRUE(full.err.contains("Could not write export file")) << full.err.constData();
    EXPECT_FALSE(full.err.contains("Unknown error")) << full.err.constData();
    EXPECT_EQ(ReadFileBytes(out), QByteArray("precious"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("keep.csv")});

    // With --force it is replaced.
    const TRunResult forced = RunQel(QStringList{QStringLiteral("export"), kDemo, out} +
                                     Strings({"--format", "csv", "--force"}));
    EXPECT_EQ(forced.exitCode, 0) << forced.err.constData();
    EXPECT_TRUE(ReadFileBytes(out).startsWith("\""));
}
