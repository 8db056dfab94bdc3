#include "mainwindow/ui/mainwindow.h"
#include "model/qeldb.h"
#include "services/backups.h"
#include "shell/settingsstore.h"
#include "testsupport.h"
#include "views/browsestate.h"

#include "model/general.h"
#include <QAction>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

int albumsInFile(const QString &path)
{
    TQelDb db;
    db.ReadFile(path, false);
    return int(db.AlbumCount());
}

// Removes albums one by one with the main window's command, as a hurried user would.
void removeAlbums(TfmMain &w, int count)
{
    TBrowseState &state = w.State();
    for (int i = 0; i < count; ++i) {
        ASSERT_FALSE(state.Root()->children.empty());
        state.SelectNode(&state.Root()->children.front());
        state.SelectRow(0);
        ASSERT_TRUE(state.CurrentAlbum());
        w.Action(QStringLiteral("acRemoveAlbum"))->trigger();
    }
}

} // namespace

// Albums removed by mistake come back with "Restore from Backup...": the first save
// of the run kept the collection as it was, and the restore keeps the mistaken state
// in its turn.
TEST(BackupsWindow, RemovedAlbumsComeBackFromTheBackup)
{
    TTestHome home;
    TScriptedInterface ui;
    TMemorySettingsStore store;
    const QString path = UseDemoCollection(home, store);
    TfmMain w(QStringList{}, &store);
    w.show();
    const int all = int(w.Db().AlbumCount());
    ASSERT_GT(all, 30);
    removeAlbums(w, 30);
    w.FinishSaving();
    ASSERT_EQ(albumsInFile(path), all - 30);

    ASSERT_TRUE(w.Action(QStringLiteral("acRestoreBackup"))->isEnabled());
    QString current;
    int rows = 0;
    WhenModal([&](QDialog *dialog) {
        ASSERT_EQ(dialog->objectName(), QStringLiteral("fmRestoreBackup"));
        auto *list = Child<QTreeWidget>(dialog, "lvBackups");
        rows = list->topLevelItemCount();
        ASSERT_GT(rows, 0);
        EXPECT_EQ(list->topLevelItem(0)->text(2), QString::number(all));
        current = Child<QLabel>(dialog, "lbCurrent")->text();
        list->setCurrentItem(list->topLevelItem(0));
        Click(dialog, "btRestore");
    });
    w.Action(QStringLiteral("acRestoreBackup"))->trigger();
    EXPECT_EQ(rows, 1);
    EXPECT_TRUE(current.contains(QString::number(all - 30))) << current.toStdString();

    EXPECT_EQ(int(w.Db().AlbumCount()), all);
    EXPECT_EQ(w.Db().FileName, path);
    EXPECT_EQ(albumsInFile(path), all);
    const std::vector<TBackupInfo> list = w.Backups().List(path);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(albumsInFile(list[0].path), all - 30);
    EXPECT_TRUE(ui.messages.filter(QStringLiteral("backup")).isEmpty());
}

// A backups folder that cannot be made is said once; the saves go on.
TEST(BackupsWindow, AFailingBackupNeverStopsTheSave)
{
    TTestHome home;
    TScriptedInterface ui;
    TMemorySettingsStore store;
    const QString path = UseDemoCollection(home, store);
    WriteFileBytes(ProgramFolder() + QStringLiteral("Backups"), "not a folder");
    TfmMain w(QStringList{}, &store);
    w.show();
    const int all = int(w.Db().AlbumCount());
    w.Backups().Now = [] { return QDateTime(QDate(2026, 12, 10), QTime(9, 0)); };
    removeAlbums(w, 1);
    w.Backups().Now = [] { return QDateTime(QDate(2026, 12, 10), QTime(11, 0)); };
    removeAlbums(w, 1);
    w.FinishSaving();
    EXPECT_EQ(albumsInFile(path), all - 2);
    EXPECT_EQ(ui.messages.filter(QStringLiteral("backed up")).size() +
                  ui.messages.filter(QStringLiteral("backup folder")).size(),
              1)
        << ui.messages.join(u'\n').toStdString();
}
