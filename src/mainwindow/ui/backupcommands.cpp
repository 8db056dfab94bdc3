// The backup commands: backups kept before saves and large changes, and restoring the
// collection from one of them.
#include "mainwindow/ui/mainwindow.h"

#include "model/general.h"
#include "model/qeldb.h"
#include "model/qelerror.h"
#include "services/backups.h"
#include "services/ui/restorebackupdialog.h"
#include "shell/dmglobal.h"
#include <QAction>
#include <QFileInfo>

void TfmMain::wireBackupCommands()
{
    makeAction("acRestoreBackup", tr("Restore from &Backup..."),
               tr("Restore the Collection from a Backup"), {}, &TfmMain::cmRestoreBackup);
}

void TfmMain::updateBackupCommands()
{
    enableAction("acRestoreBackup", !m_db->FileName.isEmpty());
}

void TfmMain::keepBackup(const QString &file, bool bigChange)
{
    const TPrefs &prefs = m_dm->Prefs();
    m_backups->Enabled = prefs.KeepBackups;
    m_backups->SpaceLimit = qint64(prefs.BackupSpaceMB) * 1024 * 1024;
    // Another file than the one read has an unknown count.
    const int albums = file == m_db->FileName ? m_diskAlbums : -1;
    const QString error =
        bigChange ? m_backups->BeforeBigChange(file, albums) : m_backups->BeforeSave(file, albums);
    if (!error.isEmpty() && !m_backupFailureShown) {
        m_backupFailureShown = true;
        ShowInfo(error);
    }
}

void TfmMain::keepBigChangeBackup()
{
    if (m_db->FileName.isEmpty())
        return;
    // The file must hold the newest state first: a write still under way is the
    // state the change is about to leave.
    FinishSaving();
    keepBackup(m_db->FileName, true);
}

void TfmMain::cmRestoreBackup()
{
    if (m_db->FileName.isEmpty())
        return;
    FinishSaving();
    const QString file = m_db->FileName;
    TBackupInfo chosen;
    if (!ChooseBackup(this, m_backups->List(file), int(m_db->AlbumCount()), QFileInfo(file).size(),
                      &chosen))
        return;
    // What memory holds beyond the file is saved, or given up by the user, first.
    TPrefs &prefs = m_dm->Prefs();
    const QString current = prefs.CurrentDatabase, folder = prefs.DataFolder;
    if (!settleUnsavedChanges())
        return;
    // Saved under another name instead: that file keeps those changes, and the restore
    // goes on for the file it was asked for, which stays the current one.
    const bool savedElsewhere = m_db->FileName != file;

    // The state being replaced becomes a backup of its own, so a restore can be undone.
    const QString kept = m_backups->Keep(file, savedElsewhere ? -1 : m_diskAlbums);
    if (!kept.isEmpty()) {
        ShowInfo(kept);
        return;
    }
    if (savedElsewhere) {
        prefs.CurrentDatabase = current;
        prefs.DataFolder = folder;
    }
    m_listReady = false;
    clearCollection();
    bool restored = true;
    try {
        TWaitCursor wait;
        m_db->ReadFile(chosen.path, false);
    } catch (const EQel &e) {
        ShowInfo(e.message());
        restored = false;
        clearCollection();
        TWaitCursor wait;
        m_db->Open(file);
    }
    m_db->FileName = file;
    if (restored) {
        queueSave(file, nullptr);
        FinishSaving();
    }
    m_listReady = true;
    startAfresh();
}
