#include "model/general.h"
#include "shell/drivelist.h"
#include "shell/prefs.h"
#include "shell/settingsstore.h"
#include "testsupport.h"

#include <gtest/gtest.h>

namespace {

class TFakeDrives : public TDriveList
{
public:
    explicit TFakeDrives(QStringList list = {}) : drives(std::move(list)) {}
    QStringList CdDrives() override { return drives; }
    QStringList drives;
};

const QString kSr0 = QStringLiteral("/dev/sr0");
const QString kSr1 = QStringLiteral("/dev/sr1");

TEST(Prefs, FirstStartDefaults)
{
    TTestHome home;
    TFakeDrives drives({kSr0, kSr1});
    TPrefs prefs(&drives);
    prefs.ConfirmAlbumRemoval = prefs.ConfirmTrackRemoval = prefs.ConfirmAlbumCancel =
        prefs.ConfirmTrackCancel = prefs.ShowInCollectionIndicator = false;
    prefs.Load(TMemorySettingsStore());

    EXPECT_TRUE(prefs.ConfirmAlbumRemoval);
    EXPECT_TRUE(prefs.ConfirmTrackRemoval);
    EXPECT_TRUE(prefs.ConfirmAlbumCancel);
    EXPECT_TRUE(prefs.ConfirmTrackCancel);
    EXPECT_TRUE(prefs.ShowInCollectionIndicator);
    const QString program = ProgramFolder();
    EXPECT_TRUE(program.startsWith(home.path()));
    EXPECT_EQ(prefs.DataFolder, program + QStringLiteral("Data"));
    EXPECT_EQ(prefs.LyricsFolder, program + QStringLiteral("Data/Lyrics"));
    EXPECT_EQ(prefs.CoversFolder, program + QStringLiteral("Data/Covers"));
    EXPECT_EQ(prefs.CurrentDatabase, program + QStringLiteral("Data/demo.qel"));
    EXPECT_EQ(prefs.Drive, kSr0);
}

TEST(Prefs, StoredDataFolderMovesTheDefaultDatabase)
{
    TTestHome home;
    TFakeDrives none;
    for (const QString &folder : {QStringLiteral("/music"), QStringLiteral("/music/")}) {
        TMemorySettingsStore store;
        store.WriteString(QStringLiteral("Folders"), QStringLiteral("Data"), folder);
        TPrefs prefs(&none);
        prefs.Load(store);
        EXPECT_EQ(prefs.CurrentDatabase, QStringLiteral("/music/demo.qel")) << folder.toStdString();
        EXPECT_EQ(prefs.CoversFolder, ProgramFolder() + QStringLiteral("Data/Covers"));
    }
}

TEST(Prefs, SaveAndLoadAgree)
{
    TTestHome home;
    TFakeDrives drives({kSr0, kSr1});
    TPrefs saved(&drives);
    saved.Drive = kSr1;
    saved.ConfirmAlbumRemoval = false;
    saved.ConfirmTrackCancel = false;
    saved.ShowInCollectionIndicator = false;
    saved.LyricsFolder = QStringLiteral("/l");
    saved.CoversFolder = QStringLiteral("/c");
    saved.DataFolder = QStringLiteral("/d");
    saved.CurrentDatabase = QStringLiteral("/x/my.qel");
    TMemorySettingsStore store;
    saved.Save(store);

    EXPECT_EQ(store.Values().value(QStringLiteral("Options/ConfirmAlbumRemoval")),
              QStringLiteral("0"));
    EXPECT_EQ(store.Values().value(QStringLiteral("Options/ConfirmTrackRemoval")),
              QStringLiteral("1"));
    EXPECT_EQ(store.Values().value(QStringLiteral("Folders/App")), ProgramFolder());
    EXPECT_EQ(store.Values().value(QStringLiteral("Version info/Version")), QStringLiteral("3.1"));

    TPrefs loaded(&drives);
    loaded.Load(store);
    EXPECT_EQ(loaded.Drive, saved.Drive);
    EXPECT_EQ(loaded.ConfirmAlbumRemoval, false);
    EXPECT_EQ(loaded.ConfirmTrackRemoval, true);
    EXPECT_EQ(loaded.ConfirmAlbumCancel, true);
    EXPECT_EQ(loaded.ConfirmTrackCancel, false);
    EXPECT_EQ(loaded.ShowInCollectionIndicator, false);
    EXPECT_EQ(loaded.LyricsFolder, saved.LyricsFolder);
    EXPECT_EQ(loaded.CoversFolder, saved.CoversFolder);
    EXPECT_EQ(loaded.DataFolder, saved.DataFolder);
    EXPECT_EQ(loaded.CurrentDatabase, saved.CurrentDatabase);
}

TEST(Prefs, GetScanDrive)
{
    struct Case
    {
        const char *name;
        QString stored;
        QStringList present;
        QString expected;
    };
    const Case cases[] = {
        {"no drive at all", {}, {}, {}},
        {"none stored: the first of two", {}, {kSr0, kSr1}, kSr0},
        {"stored drive still there", kSr1, {kSr0, kSr1}, kSr1},
        {"stored drive gone", QStringLiteral("/dev/sr2"), {kSr0, kSr1}, kSr0},
        {"stored drive gone, none left", kSr1, {}, {}},
    };
    for (const Case &c : cases) {
        TFakeDrives drives(c.present);
        TPrefs prefs(&drives);
        prefs.Drive = c.stored;
        EXPECT_EQ(prefs.GetScanDrive(), c.expected) << c.name;
        EXPECT_EQ(prefs.Drive, c.expected) << c.name;
    }
}

TEST(Prefs, CoverAndLyricsFileNames)
{
    QTemporaryDir dir;
    WriteFileBytes(dir.filePath(QStringLiteral("here.jpg")), "x");
    const QString folder = dir.path();
    TFakeDrives none;
    TPrefs prefs(&none);
    prefs.LyricsFolder = QStringLiteral("/nowhere/lyrics");

    struct Case
    {
        QString folder;
        QString name;
        QString path;
        bool exists;
    };
    const Case cases[] = {
        {QStringLiteral("/covers/"), QStringLiteral("a.jpg"), QStringLiteral("/covers/a.jpg"),
         false},
        {QStringLiteral("/covers"), QStringLiteral("a.jpg"), QStringLiteral("/covers/a.jpg"),
         false},
        {QStringLiteral("/covers"), QString(), QString(), false},
        {folder, QStringLiteral("here.jpg"), folder + QStringLiteral("/here.jpg"), true},
    };
    for (const Case &c : cases) {
        prefs.CoversFolder = c.folder;
        const TFolderFile f = prefs.GetCoverFileName(c.name);
        EXPECT_EQ(f.path, c.path) << c.folder.toStdString() << " + " << c.name.toStdString();
        EXPECT_EQ(f.exists, c.exists) << c.path.toStdString();
    }

    // Lyrics use their own folder; a folder is not a file.
    const TFolderFile lyrics = prefs.GetLyricsFileName(QStringLiteral("a.txt"));
    EXPECT_EQ(lyrics.path, QStringLiteral("/nowhere/lyrics/a.txt"));
    prefs.LyricsFolder = QFileInfo(folder).path();
    EXPECT_FALSE(prefs.GetLyricsFileName(QFileInfo(folder).fileName()).exists);
}

} // namespace
