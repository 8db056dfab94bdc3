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

// Albums removed by mistake come back with "Restore from Backup...": each removal kept
// the collection as it was before it, newest first also within one second, and the
// restore keeps the mistaken state in its turn.
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
    // All in one second, as a hurried user manages.
    const QDateTime now = w.Backups().Now();
    w.Backups().Now = [now] { return now; };
    removeAlbums(w, 30);
    w.FinishSaving();
    ASSERT_EQ(albumsInFile(path), all - 30);

    ASSERT_TRUE(w.Action(QStringLiteral("acRestoreBackup"))->isEnabled());
    QString current;
    QStringList counts;
    WhenModal([&](QDialog *dialog) {
        ASSERT_EQ(dialog->objectName(), QStringLiteral("fmRestoreBackup"));
        auto *list = Child<QTreeWidget>(dialog, "lvBackups");
        for (int row = 0; row < list->topLevelItemCount(); ++row)
            counts << list->topLevelItem(row)->text(2);
        current = Child<QLabel>(dialog, "lbCurrent")->text();
        // The oldest: the collection before the first removal.
        list->setCurrentItem(list->topLevelItem(list->topLevelItemCount() - 1));
        Click(dialog, "btRestore");
    });
    w.Action(QStringLiteral("acRestoreBackup"))->trigger();
    QStringList expected;
    for (int removed = 29; removed >= 0; --removed)
        expected << QString::number(all - removed);
    EXPECT_EQ(counts, expected);
    EXPECT_TRUE(current.contains(QString::number(all - 30))) << current.toStdString();

    EXPECT_EQ(int(w.Db().AlbumCount()), all);
    EXPECT_EQ(w.Db().FileName, path);
    EXPECT_EQ(albumsInFile(path), all);
    const std::vector<TBackupInfo> list = w.Backups().List(path);
    ASSERT_EQ(list.size(), 31u);
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
