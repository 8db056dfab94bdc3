#include "model/album.h"
#include "model/general.h"
#include "model/qeldb.h"
#include "services/backups.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const QDateTime kNow(QDate(2026, 12, 10), QTime(12, 0));

TBackupInfo at(const QDateTime &time, qint64 size = 10)
{
    TBackupInfo b;
    b.time = time;
    b.name = time.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")) + QStringLiteral(".qel");
    b.size = size;
    return b;
}

QStringList names(const std::vector<TBackupInfo> &list)
{
    QStringList result;
    for (const TBackupInfo &b : list)
        result << b.name;
    return result;
}

ino_t inodeOf(const QString &path)
{
    struct stat s;
    return ::stat(QFile::encodeName(path).constData(), &s) == 0 ? s.st_ino : 0;
}

// A collection file of count albums at path.
void writeCollection(const QString &path, int count)
{
    TQelDb db;
    for (int i = 0; i < count; ++i) {
        auto *album = new TAlbum(&db);
        album->Title = QStringLiteral("Album %1").arg(i);
        db.AddAlbum(album);
    }
    db.Save(path);
}

int albumsIn(const QString &path)
{
    TQelDb db;
    db.ReadFile(path, false);
    return int(db.AlbumCount());
}

} // namespace

TEST(Backups, RotationKeepsADayThenOneADayThenOneAWeekWithinTheSpace)
{
    const struct
    {
        const char *what;
        std::vector<TBackupInfo> newestFirst;
        qint64 limit;
        QStringList dropped;
    } cases[] = {
        {"everything of the last 24 hours",
         {at(kNow), at(kNow.addSecs(-3600)), at(kNow.addSecs(-23 * 3600)),
          at(kNow.addSecs(-24 * 3600))},
         1000,
         {}},
        {"older than a day: the newest of each day",
         {at(kNow.addSecs(-25 * 3600)), at(QDateTime(QDate(2026, 12, 8), QTime(20, 0))),
          at(QDateTime(QDate(2026, 12, 8), QTime(8, 0))),
          at(QDateTime(QDate(2026, 12, 8), QTime(7, 0)))},
         1000,
         {QStringLiteral("2026-12-08_08-00-00.qel"), QStringLiteral("2026-12-08_07-00-00.qel")}},
        {"older than 30 days: the newest of each week",
         // 2026-10-05 is a Monday: the 5th and the 7th share a week, the 4th is before it.
         {at(QDateTime(QDate(2026, 10, 7), QTime(9, 0))),
          at(QDateTime(QDate(2026, 10, 5), QTime(9, 0))),
          at(QDateTime(QDate(2026, 10, 4), QTime(9, 0)))},
         1000,
         {QStringLiteral("2026-10-05_09-00-00.qel")}},
        {"over the space, the oldest go first",
         {at(kNow, 40), at(kNow.addSecs(-60), 40), at(kNow.addSecs(-120), 40)},
         100,
         {QStringLiteral("2026-12-10_11-58-00.qel")}},
        {"the newest stays even when it alone is over the space",
         {at(kNow, 400), at(kNow.addSecs(-60), 40)},
         100,
         {QStringLiteral("2026-12-10_11-59-00.qel")}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(names(TBackups::ToDelete(c.newestFirst, kNow, c.limit)), c.dropped);
    }
}

TEST(Backups, KeptBeforeTheFirstSaveThenHourlyAndBeforeBigChanges)
{
    TTestHome home;
    const QString db = home.file(QStringLiteral("music.qel"));
    writeCollection(db, 3);
    TBackups backups(home.file(QStringLiteral("Backups/")));
    QDateTime now = kNow;
    backups.Now = [&] { return now; };

    // Each step: the clock moves, the file is saved (changed) after the hook ran.
    const struct
    {
        int minutesLater;
        bool bigChange;
        int backupsAfter;
    } steps[] = {
        {0, false, 1},  // the first save of the run
        {30, false, 1}, // within the hour
        {31, false, 2}, // an hour after the last
        {1, true, 3},   // a merge or an import
        {1, false, 3},  // within the hour of the last
    };
    int albums = 3;
    for (const auto &s : steps) {
        SCOPED_TRACE(albums);
        now = now.addSecs(s.minutesLater * 60);
        const QString error =
            s.bigChange ? backups.BeforeBigChange(db, albums) : backups.BeforeSave(db, albums);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        writeCollection(db, ++albums);
        EXPECT_EQ(backups.List(db).size(), size_t(s.backupsAfter));
    }
    // Each backup holds the file as it was before its save, and says its count.
    const std::vector<TBackupInfo> list = backups.List(db);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(albumsIn(list[0].path), 6);
    EXPECT_EQ(list[0].albums, 6);
    EXPECT_EQ(albumsIn(list[1].path), 5);
    EXPECT_EQ(albumsIn(list[2].path), 3);
    EXPECT_EQ(list[2].albums, 3);

    // Nothing changed since the newest backup: no second copy of the same file.
    now = now.addSecs(2 * 3600);
    writeCollection(db, 9);
    EXPECT_TRUE(backups.BeforeBigChange(db, 9).isEmpty());
    EXPECT_TRUE(backups.BeforeBigChange(db, 9).isEmpty());
    EXPECT_EQ(backups.List(db).size(), 4u);
}

TEST(Backups, HardLinkWhereAllowedCopyOtherwise)
{
    for (const bool forceCopy : {false, true}) {
        SCOPED_TRACE(forceCopy);
        TTestHome home;
        const QString db = home.file(QStringLiteral("music.qel"));
        writeCollection(db, 2);
        const QByteArray before = ReadFileBytes(db);
        TBackups backups(home.file(QStringLiteral("Backups/")));
        backups.ForceCopy = forceCopy;
        ASSERT_TRUE(backups.Keep(db, 2).isEmpty());
        const std::vector<TBackupInfo> list = backups.List(db);
        ASSERT_EQ(list.size(), 1u);
        EXPECT_EQ(inodeOf(list[0].path) == inodeOf(db), !forceCopy);
        // The save replaces the file by a rename: the backup keeps the old bytes.
        writeCollection(db, 7);
        EXPECT_EQ(ReadFileBytes(list[0].path), before);
        EXPECT_EQ(albumsIn(list[0].path), 2);
    }
}

TEST(Backups, AFolderThatCannotBeWrittenIsReportedAndTouchesNothing)
{
    TTestHome home;
    const QString db = home.file(QStringLiteral("music.qel"));
    writeCollection(db, 2);
    const QByteArray before = ReadFileBytes(db);
    // A plain file where the backups folder should be.
    WriteFileBytes(home.file(QStringLiteral("Backups")), "x");
    TBackups backups(home.file(QStringLiteral("Backups/")));
    const QString error = backups.BeforeSave(db, 2);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(ReadFileBytes(db), before);
    // Not tried again within the hour: one message, not one per save.
    EXPECT_TRUE(backups.BeforeSave(db, 2).isEmpty());
}

TEST(Backups, NamesOfOtherFilesInTheFolderAreLeftAlone)
{
    QDateTime time;
    int albums = 0;
    EXPECT_TRUE(
        TBackups::ParseName(QStringLiteral("2026-12-10_23-55-32_1234a.qel"), &time, &albums));
    EXPECT_EQ(albums, 1234);
    EXPECT_EQ(time, QDateTime(QDate(2026, 12, 10), QTime(23, 55, 32)));
    EXPECT_TRUE(TBackups::ParseName(QStringLiteral("2026-12-10_23-55-32-2.qel"), &time, &albums));
    EXPECT_EQ(albums, -1);
    for (const char *name : {"music.qel", "2026-13-10_23-55-32.qel", "2026-12-10_23-55-32.txt"})
        EXPECT_FALSE(TBackups::ParseName(QString::fromLatin1(name), &time, &albums)) << name;
}

// A collection opened through a symbolic link: the backup keeps the file the link leads
// to, so a later save (which replaces that file) leaves the backup as it was.
TEST(Backups, ACollectionBehindASymbolicLinkIsKeptAsItsTarget)
{
    TTestHome home;
    ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("real")));
    const QString target = home.file(QStringLiteral("real/Music.qel"));
    const QString link = home.file(QStringLiteral("Music.qel"));
    writeCollection(target, 5);
    ASSERT_TRUE(QFile::link(target, link));
    TBackups backups(home.file(QStringLiteral("Backups/")));

    ASSERT_TRUE(backups.Keep(link, 5).isEmpty());
    writeCollection(link, 3); // a restore of another state, saved through the link
    ASSERT_TRUE(QFileInfo(link).isSymLink());
    std::vector<TBackupInfo> list = backups.List(link);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_FALSE(QFileInfo(list[0].path).isSymLink());
    EXPECT_EQ(albumsIn(list[0].path), 5);

    // The 3-album state is a new state: kept beside the first, not taken for it.
    ASSERT_TRUE(backups.Keep(link, 3).isEmpty());
    list = backups.List(link);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(albumsIn(list[0].path), 3);
    EXPECT_EQ(albumsIn(list[1].path), 5);
}

// Two collections of one name in two folders keep apart: listing, restoring and
// rotating one never reaches the other's backups.
TEST(Backups, CollectionsOfTheSameNameInTwoFoldersKeepTheirOwn)
{
    TTestHome home;
    QDir(home.path()).mkpath(QStringLiteral("disk1"));
    QDir(home.path()).mkpath(QStringLiteral("disk2"));
    const QString one = home.file(QStringLiteral("disk1/Music.qel"));
    const QString two = home.file(QStringLiteral("disk2/Music.qel"));
    writeCollection(one, 7);
    writeCollection(two, 2);
    TBackups backups(home.file(QStringLiteral("Backups/")));
    QDateTime now = kNow;
    backups.Now = [&] { return now; };

    ASSERT_TRUE(backups.Keep(two, 2).isEmpty());
    now = now.addSecs(60);
    ASSERT_TRUE(backups.Keep(one, 7).isEmpty());
    EXPECT_NE(backups.FolderFor(one), backups.FolderFor(two));
    ASSERT_EQ(backups.List(one).size(), 1u);
    ASSERT_EQ(backups.List(two).size(), 1u);
    EXPECT_EQ(albumsIn(backups.List(one)[0].path), 7);
    EXPECT_EQ(albumsIn(backups.List(two)[0].path), 2);

    // Days later disk1's rotation keeps one backup a day: of its own, not disk2's.
    now = now.addDays(3);
    writeCollection(one, 8);
    ASSERT_TRUE(backups.Keep(one, 8).isEmpty());
    EXPECT_EQ(backups.List(one).size(), 2u);
    ASSERT_EQ(backups.List(two).size(), 1u);
    EXPECT_EQ(albumsIn(backups.List(two)[0].path), 2);
}

// Backups made when the folder had the collection's name only: the first collection of
// that name to ask reads them, the second never does. Symbolic links left there by an
// earlier version lead to the live file and hold nothing: not listed, and rotated away.
TEST(Backups, TheOldFolderOfANameBelongsToOneCollection)
{
    TTestHome home;
    QDir(home.path()).mkpath(QStringLiteral("disk1"));
    QDir(home.path()).mkpath(QStringLiteral("disk2"));
    QDir(home.path()).mkpath(QStringLiteral("Backups/Music"));
    const QString one = home.file(QStringLiteral("disk1/Music.qel"));
    const QString two = home.file(QStringLiteral("disk2/Music.qel"));
    writeCollection(one, 7);
    writeCollection(two, 2);
    writeCollection(home.file(QStringLiteral("Backups/Music/2026-12-01_10-00-00_4a.qel")), 4);
    const QString staleLink = home.file(QStringLiteral("Backups/Music/2026-12-01_11-00-00_7a.qel"));
    ASSERT_TRUE(QFile::link(one, staleLink));
    TBackups backups(home.file(QStringLiteral("Backups/")));
    backups.Now = [] { return kNow; };

    std::vector<TBackupInfo> list = backups.List(one);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name, QStringLiteral("2026-12-01_10-00-00_4a.qel"));
    EXPECT_TRUE(backups.List(two).empty());

    ASSERT_TRUE(backups.Keep(one, 7).isEmpty());
    list = backups.List(one);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(albumsIn(list[0].path), 7);
    EXPECT_EQ(albumsIn(list[1].path), 4);
    EXPECT_FALSE(QFileInfo(staleLink).isSymLink());
    EXPECT_EQ(albumsIn(one), 7);
    EXPECT_TRUE(backups.List(two).empty());
}
