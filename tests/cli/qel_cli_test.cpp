// The `qel` tool as a user runs it: exit status, what it prints, and what it leaves
// on disk.

#include "model/album.h"
#include "model/general.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "services/backups.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

const std::string kNotValid = "This is not a valid Qel database\n";

std::string notFound(const QString &path)
{
    return QStringLiteral("The file \"%1\" was not found\n").arg(path).toStdString();
}

std::string notRegular(const QString &path)
{
    return QStringLiteral("\"%1\" is not a regular file\n").arg(path).toStdString();
}

std::string empty(const QString &path)
{
    return QStringLiteral("The file \"%1\" is empty\n").arg(path).toStdString();
}

// Everything after the first line (the first line names the file).
QByteArray afterFirstLine(const QByteArray &text)
{
    return text.mid(text.indexOf('\n') + 1);
}

// The names in a folder (pipes and devices too), one per line.
std::string entriesOf(const QString &dir)
{
    return QDir(dir)
        .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot | QDir::Hidden,
                   QDir::Name)
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
        EXPECT_EQ(r.err.toStdString(), cut == 0 ? empty(path) : kNotValid) << "cut at " << cut;
        EXPECT_EQ(r.out.toStdString(), "") << "cut at " << cut;
    }
}

TEST_F(QelCli, InfoRefusesWhatIsNoRegularFile)
{
    const QString fifo = file("pipe.qel");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString folder = file("folder.qel");
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString emptyFile = file("empty.qel");
    WriteFileBytes(emptyFile, {});
    // Opening a pipe without a writer would block: the tool must not open it at all.
    const std::pair<QString, std::string> cases[] = {
        {folder, notRegular(folder)},
        {fifo, notRegular(fifo)},
        {QStringLiteral("/dev/zero"), notRegular(QStringLiteral("/dev/zero"))},
        {QStringLiteral("/dev/null"), notRegular(QStringLiteral("/dev/null"))},
        {emptyFile, empty(emptyFile)},
        {file("missing.qel"), notFound(file("missing.qel"))},
    };
    for (const auto &[path, message] : cases) {
        for (const QString &command : {QStringLiteral("info"), QStringLiteral("dump")}) {
            const TRunResult r = RunQel({command, path});
            EXPECT_EQ(r.exitCode, 2) << command.toStdString() << ' ' << path.toStdString();
            EXPECT_EQ(r.err.toStdString(), message) << command.toStdString();
            EXPECT_EQ(r.out.toStdString(), "") << command.toStdString();
        }
    }
    // Also the collection to import.
    const TRunResult merge =
        RunQel({QStringLiteral("merge"), large(), QStringLiteral("/dev/null")});
    EXPECT_EQ(merge.exitCode, 2);
    EXPECT_EQ(merge.err.toStdString(), notRegular(QStringLiteral("/dev/null")));
}

TEST_F(QelCli, OutputThatIsNoRegularFileIsLeftAlone)
{
    const QString fifo = file("pipe.qel");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString folder = file("folder.qel");
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString source = file("source.json");
    WriteFileBytes(source, R"({"albums": [{"Title": "One", "discs": [{}]}]})");
    QStringList outputs = {fifo, folder};
    // A device node of our own (a null device), where the system lets us make one.
    const QString device = file("device.qel");
    if (::mknod(QFile::encodeName(device).constData(), S_IFCHR | 0600, makedev(1, 3)) == 0)
        outputs << device;
    for (const QString &out : outputs) {
        const QStringList commands[] = {
            {QStringLiteral("resave"), large(), out},
            {QStringLiteral("generate"), QStringLiteral("--albums"), QStringLiteral("2"), out},
            {QStringLiteral("build"), source, out},
        };
        for (const QStringList &args : commands) {
            const TRunResult r = RunQel(args);
            EXPECT_EQ(r.exitCode, 2) << args.join(u' ').toStdString();
            EXPECT_EQ(r.err.toStdString(),
                      QStringLiteral("\"%1\" is not a regular file: it is left as it is\n")
                          .arg(out)
                          .toStdString());
        }
    }
    struct stat st
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(fifo).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    if (outputs.contains(device)) {
        ASSERT_EQ(::stat(QFile::encodeName(device).constData(), &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode));
        QFile::remove(device);
    }
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(entriesOf(m_dir.path()), "folder.qel\npipe.qel\nsource.json");

    // A link to a regular file is a regular file: the new collection goes to its target.
    const QString target = file("target.qel");
    WriteFileBytes(target, "old");
    const QString link = file("link.qel");
    ASSERT_TRUE(QFile::link(target, link));
    const TRunResult r = RunQel({QStringLiteral("resave"), large(), link});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(ReadFileBytes(target).startsWith("\x06\x03Qel")) << "target.qel not written";
    EXPECT_TRUE(QFileInfo(link).isSymLink());
}

TEST_F(QelCli, InfoAddsLengthsPastThirtyTwoBits)
{
    // Two albums of two discs, each disc holding two tracks of 2^31 - 1 seconds.
    TQelDb db;
    for (int a = 0; a < 2; ++a) {
        auto *album = new TAlbum(&db);
        album->Title = QStringLiteral("Long %1").arg(a);
        db.AddAlbum(album);
        for (int d = 0; d < 2; ++d) {
            auto *disc = new TDisc(album);
            album->Add(disc);
            for (int t = 0; t < 2; ++t) {
                auto *track = new TTrack(disc);
                disc->Add(track);
                track->Length = std::numeric_limits<qint32>::max();
            }
            disc->RebuildTrackList();
        }
    }
    const QString path = file("long.qel");
    db.Save(path);

    // 8 * (2^31 - 1) = 17179869176 seconds.
    const TRunResult info = RunQel({QStringLiteral("info"), path});
    ASSERT_EQ(info.exitCode, 0) << info.err.toStdString();
    EXPECT_TRUE(info.out.contains("\nTotal Length: 4772185 hours, 52 minutes, 56 seconds\n"))
        << info.out.toStdString();
    EXPECT_TRUE(info.out.contains("\nAverage Length per Album: 143165576:28\n"))
        << info.out.toStdString();
    EXPECT_TRUE(info.out.contains("\nAverage Length per Track: 35791394:07\n"))
        << info.out.toStdString();

    const TRunResult list = RunQel({QStringLiteral("list"), path, QStringLiteral("--columns"),
                                    QStringLiteral("Title,Length")});
    ASSERT_EQ(list.exitCode, 0) << list.err.toStdString();
    EXPECT_TRUE(list.out.startsWith("Long 0\t143165576:28\nLong 1\t143165576:28\n"))
        << list.out.toStdString();
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

// The backups of a collection listed and one restored; the state it replaces is kept.
TEST(QelBackups, ListAndRestore)
{
    TTestHome home;
    const QString db = home.file(QStringLiteral("music.qel"));
    ASSERT_EQ(
        RunQel({QStringLiteral("generate"), QStringLiteral("--albums"), QStringLiteral("5"), db})
            .exitCode,
        0);
    TBackups backups(ProgramFolder() + QStringLiteral("Backups/"));
    ASSERT_TRUE(backups.Keep(db, 5).isEmpty());
    ASSERT_EQ(
        RunQel({QStringLiteral("generate"), QStringLiteral("--albums"), QStringLiteral("2"), db})
            .exitCode,
        0);

    TRunResult listed = RunQel({QStringLiteral("backups"), db});
    ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    const QList<QByteArray> fields = listed.out.trimmed().split('\t');
    ASSERT_EQ(fields.size(), 4) << listed.out.toStdString();
    EXPECT_EQ(fields[2], "5");

    TRunResult restored = RunQel(
        {QStringLiteral("backups"), db, QStringLiteral("--restore"), QString::fromUtf8(fields[0])});
    ASSERT_EQ(restored.exitCode, 0) << restored.err.toStdString();
    TRunResult info = RunQel({QStringLiteral("info"), db});
    EXPECT_TRUE(info.out.contains("Nr. Albums: 5")) << info.out.toStdString();
    // The two-album state before the restore is a backup now.
    const std::vector<TBackupInfo> list = backups.List(db);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].albums, 2);

    TRunResult missing = RunQel(
        {QStringLiteral("backups"), db, QStringLiteral("--restore"), QStringLiteral("x.qel")});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_TRUE(missing.err.contains("There is no backup")) << missing.err.toStdString();
}
