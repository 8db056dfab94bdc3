// The `qel` tool as a user runs it: exit status, what it prints, and what it leaves
// on disk.

#include "model/album.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

const std::string kNotValid = "This is not a valid Qel database\n";

std::string notFound(const QString &path)
{
    return QStringLiteral("The file \"%1\" was not found\n").arg(path).toStdString();
}

// Everything after the first line (the first line names the file).
QByteArray afterFirstLine(const QByteArray &text)
{
    return text.mid(text.indexOf('\n') + 1);
}

// The names in a folder, one per line.
std::string entriesOf(const QString &dir)
{
    return QDir(dir)
        .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name)
        .join(u'\n')
        .toStdString();
}

// A generated collection of 1000 albums, made once for the tests that read it.
class QelCli : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir;
        const TRunResult r =
            RunQel({QStringLiteral("generate"), QStringLiteral("--albums"), QStringLiteral("1000"),
                    QStringLiteral("--seed"), QStringLiteral("7"), large()});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    }
    static void TearDownTestSuite()
    {
        delete s_dir;
        s_dir = nullptr;
    }
    static QString large() { return s_dir->filePath(QStringLiteral("a.qel")); }

    QString file(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir m_dir;

private:
    static QTemporaryDir *s_dir;
};

QTemporaryDir *QelCli::s_dir = nullptr;

TEST_F(QelCli, ResaveIsStableAndDumpShowsTheSameItems)
{
    const QString b = file("b.qel");
    const QString c = file("c.qel");
    ASSERT_EQ(RunQel({QStringLiteral("resave"), large(), b}).exitCode, 0);
    ASSERT_EQ(RunQel({QStringLiteral("resave"), b, c}).exitCode, 0);
    // The first save may renumber lookup entries; after that a save changes nothing.
    const QByteArray bBytes = ReadFileBytes(b);
    ASSERT_FALSE(bBytes.isEmpty());
    EXPECT_TRUE(bBytes == ReadFileBytes(c)) << "b.qel and c.qel differ";

    const TRunResult dumpA = RunQel({QStringLiteral("dump"), large()});
    const TRunResult dumpC = RunQel({QStringLiteral("dump"), c});
    ASSERT_EQ(dumpA.exitCode, 0) << dumpA.err.toStdString();
    ASSERT_EQ(dumpC.exitCode, 0) << dumpC.err.toStdString();
    EXPECT_EQ(dumpA.out.count("\"kind\": \"album\""), 1000);
    EXPECT_TRUE(afterFirstLine(dumpA.out) == afterFirstLine(dumpC.out))
        << "the dumps of a.qel and c.qel differ";

    const TRunResult info = RunQel({QStringLiteral("info"), c});
    EXPECT_EQ(info.exitCode, 0);
    EXPECT_TRUE(info.out.contains("\nNr. Albums: 1000\n")) << info.out.toStdString();
}

TEST_F(QelCli, InfoOfACutFileFails)
{
    const QByteArray full = ReadFileBytes(large());
    ASSERT_GT(full.size(), 64 * 1024);
    QList<qsizetype> cuts;
    for (qsizetype i = 0; i < 64; ++i)
        cuts << i;
    for (qsizetype k = 1; k <= 96; ++k)
        cuts << 64 + (full.size() - 65) * k / 96; // the last one leaves out the last byte

    const QString path = file("cut.qel");
    for (qsizetype cut : cuts) {
        WriteFileBytes(path, full.first(cut));
        const TRunResult r = RunQel({QStringLiteral("info"), path});
        EXPECT_EQ(r.exitCode, 2) << "cut at " << cut;
        EXPECT_EQ(r.err.toStdString(), kNotValid) << "cut at " << cut;
        EXPECT_EQ(r.out.toStdString(), "") << "cut at " << cut;
    }
}

TEST_F(QelCli, InfoRefusesWhatIsNoRegularFile)
{
    const QString fifo = file("pipe.qel");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString folder = file("folder.qel");
    ASSERT_TRUE(QDir().mkdir(folder));
    // Opening a pipe without a writer would block: the tool must not open it at all.
    for (const QString &path : {folder, fifo, QStringLiteral("/dev/zero"), file("missing.qel")}) {
        const TRunResult r = RunQel({QStringLiteral("info"), path});
        EXPECT_EQ(r.exitCode, 2) << path.toStdString();
        EXPECT_EQ(r.err.toStdString(), notFound(path)) << path.toStdString();
    }
}

TEST_F(QelCli, FailedResaveLeavesTheOutputAsItWas)
{
    ASSERT_GT(QFileInfo(large()).size(), 64 * 1024);
    const QString out = file("out.qel");
    const QByteArray before = FromHex("06 03 51 65 6C 06 05 4D 75 73 69 63 03 2C 01"
                                      "01 00 01 00 01 00 01 00 01 00 01 00 01 00 01 00"
                                      "01 00 01 00 01 00 01 00 01 00 01 00 01 00 01 00");
    WriteFileBytes(out, before);

    // At most 64 blocks per file: the new file cannot be written completely.
    const TRunResult r =
        RunQel({QStringLiteral("resave"), large(), out}, QStringLiteral("ulimit -f 64;"));
    EXPECT_EQ(r.exitCode, 2) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QFile::encodeName(out))) << r.err.toStdString();
    EXPECT_TRUE(ReadFileBytes(out) == before) << "out.qel was changed";
    EXPECT_EQ(entriesOf(m_dir.path()), "out.qel");
}

// ---------------------------------------------------------------------------
// Merging

struct AlbumSpec
{
    QString title;
    QString artist; // sort name; empty for none
    int tracks = 1;
};

void saveCollection(const QString &path, const QList<AlbumSpec> &albums)
{
    TQelDb db;
    for (const AlbumSpec &spec : albums) {
        auto *album = new TAlbum(&db);
        album->Title = spec.title;
        if (!spec.artist.isEmpty())
            album->Artist = db.LookupList(fdArtist).FindOrCreate(spec.artist, QString());
        auto *disc = new TDisc(album);
        album->Add(disc);
        for (int i = 0; i < spec.tracks; ++i)
            disc->Add(new TTrack(disc));
        disc->RebuildTrackList();
        db.AddAlbum(album);
    }
    db.Save(path);
}

// "title / artist / tracks" of every album, one per line.
std::string albumsIn(const QString &path)
{
    TQelDb db;
    db.ReadFile(path, false);
    QStringList out;
    for (qsizetype i = 0; i < db.AlbumCount(); ++i) {
        const TAlbum *a = db.Album(i);
        out << QStringLiteral("%1 / %2 / %3")
                   .arg(a->Title.view(), a->Artist ? a->Artist->SortName : QStringLiteral("-"))
                   .arg(a->GetTrackCount());
    }
    return out.join(u'\n').toStdString();
}

TEST_F(QelCli, MergeAddsOnlyAlbumsTheTargetDoesNotHave)
{
    const QString target = file("target.qel");
    const QString other = file("other.qel");
    saveCollection(target, {{QStringLiteral("Blue"), QStringLiteral("Kestrel, Elif")},
                            {QStringLiteral("Red"), QStringLiteral("Varga, Ines")}});
    saveCollection(other, {
                              // The artist's name differs only in case: the same entry,
                              // so the same album.
                              {QStringLiteral("Blue"), QStringLiteral("KESTREL, ELIF")},
                              {QStringLiteral("Red"), QStringLiteral("Moreau, Tom")},
                              {QStringLiteral("Green"), QStringLiteral("Varga, Ines"), 2},
                              // Also a duplicate within the imported file is left out.
                              {QStringLiteral("Green"), QStringLiteral("Varga, Ines"), 3},
                              // Titles compare with their case.
                              {QStringLiteral("blue"), QStringLiteral("KESTREL, ELIF")},
                              {QStringLiteral("Red"), QString()},
                          });

    const TRunResult r = RunQel({QStringLiteral("merge"), target, other});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(albumsIn(target), "Blue / Kestrel, Elif / 1\n"
                                "Red / Varga, Ines / 1\n"
                                "Red / Moreau, Tom / 1\n"
                                "Green / Varga, Ines / 2\n"
                                "blue / Kestrel, Elif / 1\n"
                                "Red / - / 1");
    TQelDb merged;
    merged.ReadFile(target, false);
    EXPECT_EQ(merged.LookupList(fdArtist).Count(), 3);
}

TEST_F(QelCli, FailedMergeLeavesTheTargetAsItWas)
{
    const QString target = file("target.qel");
    const QString other = file("other.qel");
    saveCollection(target, {{QStringLiteral("Blue"), QStringLiteral("Kestrel, Elif")}});
    saveCollection(other, {{QStringLiteral("Green"), QStringLiteral("Varga, Ines")},
                           {QStringLiteral("Red"), QStringLiteral("Moreau, Tom")}});
    const QByteArray before = ReadFileBytes(target);
    const QByteArray otherBytes = ReadFileBytes(other);
    // Cut inside the second album: the first one was read before the failure.
    WriteFileBytes(other, otherBytes.first(otherBytes.size() - 10));

    const TRunResult r = RunQel({QStringLiteral("merge"), target, other});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err.toStdString(), kNotValid);
    EXPECT_TRUE(ReadFileBytes(target) == before) << "target.qel was changed";
}

// ---------------------------------------------------------------------------

TEST_F(QelCli, EveryCommandHasHelp)
{
    const TRunResult overview = RunQel({QStringLiteral("--help")});
    EXPECT_EQ(overview.exitCode, 0);
    for (const char *command : {"info", "dump", "resave", "merge", "generate", "build"}) {
        const TRunResult r = RunQel({QString::fromLatin1(command), QStringLiteral("--help")});
        EXPECT_EQ(r.exitCode, 0) << command;
        EXPECT_TRUE(r.out.startsWith(QByteArray("Usage: qel ") + command))
            << command << ": " << r.out.toStdString();
        EXPECT_TRUE(overview.out.contains(QByteArray("  ") + command + ' '))
            << command << " is missing from the overview";
    }
}

TEST_F(QelCli, UnknownOrMissingCommandFails)
{
    const TRunResult unknown = RunQel({QStringLiteral("frobnicate"), large()});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.err.contains("unknown command 'frobnicate'")) << unknown.err.toStdString();
    EXPECT_EQ(unknown.out.toStdString(), "");

    const TRunResult none = RunQel({});
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_EQ(none.out.toStdString(), "");
}

} // namespace
