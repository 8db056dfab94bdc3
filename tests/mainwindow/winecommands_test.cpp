#include "mainwindow/ui/mainwindow.h"
#include "model/qeldb.h"
#include "services/backups.h"
#include "shell/settingsstore.h"
#include "testsupport.h"

#include <QAction>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

int albumsInFile(const QString &path)
{
    TQelDb db;
    db.ReadFile(path, false);
    return int(db.AlbumCount());
}

} // namespace

// The CD Player import finds cdplayer.ini in the Wine prefix, keeps a backup of the
// collection before it, and saves what it added.
TEST(WineCommands, AnImportIsBackedUpBeforeAndSavedAfter)
{
    TTestHome home;
    TScriptedInterface ui;
    TMemorySettingsStore store;
    const QString path = UseDemoCollection(home, store);
    QTemporaryDir prefix;
    const QByteArray oldPrefix = qgetenv("WINEPREFIX");
    const bool hadPrefix = qEnvironmentVariableIsSet("WINEPREFIX");
    qputenv("WINEPREFIX", QFile::encodeName(prefix.path()));
    QDir().mkpath(prefix.filePath(QStringLiteral("drive_c/windows")));
    WriteFileBytes(prefix.filePath(QStringLiteral("drive_c/windows/cdplayer.ini")),
                   "[7FFFFFF1]\r\nartist=Imported\r\ntitle=One\r\nnumtracks=1\r\n0=Song\r\n"
                   "[7FFFFFF2]\r\nartist=Imported\r\ntitle=Two\r\n");
    {
        TfmMain w(QStringList{}, &store);
        w.show();
        const int all = int(w.Db().AlbumCount());
        // Answered No: no backup, nothing added.
        ui.yes = false;
        w.Action(QStringLiteral("acImportCdPlayer"))->trigger();
        EXPECT_TRUE(w.Backups().List(path).empty());
        ui.yes = true;
        w.Action(QStringLiteral("acImportCdPlayer"))->trigger();
        EXPECT_TRUE(ui.messages.contains(QStringLiteral("Imported 2 CDs")))
            << ui.messages.join(u'\n').toStdString();
        EXPECT_EQ(int(w.Db().AlbumCount()), all + 2);
        w.FinishSaving();
        EXPECT_EQ(albumsInFile(path), all + 2);
        const std::vector<TBackupInfo> backups = w.Backups().List(path);
        ASSERT_FALSE(backups.empty());
        EXPECT_EQ(albumsInFile(backups.front().path), all);

        // Answered No, the export touches nothing.
        ui.yes = false;
        ui.messages.clear();
        w.Action(QStringLiteral("acExportCdPlayer"))->trigger();
        EXPECT_EQ(ui.messages.size(), 1);
        EXPECT_FALSE(ReadFileBytes(prefix.filePath(QStringLiteral("drive_c/windows/cdplayer.ini")))
                         .contains("numplay"));
    }
    if (hadPrefix)
        qputenv("WINEPREFIX", oldPrefix);
    else
        qunsetenv("WINEPREFIX");
}
