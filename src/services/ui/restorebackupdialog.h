#pragma once

#include "services/backups.h"

#include <QDialog>

class QTreeWidget;

// "Restore from Backup...": the backups of the collection, newest first, with date,
// time, album count and size, and the current collection's counts above them.
class TfmRestoreBackup : public QDialog
{
    Q_OBJECT

public:
    TfmRestoreBackup(const std::vector<TBackupInfo> &backups, int currentAlbums, qint64 currentSize,
                     QWidget *parent = nullptr);

    // The chosen backup; valid after the dialog was accepted.
    const TBackupInfo &Chosen() const;

private:
    std::vector<TBackupInfo> m_backups;
    QTreeWidget *m_list;
};

// Shows the dialog over owner; true with *chosen filled when the user picked a backup
// to restore. Says so and returns false when there is no backup yet.
bool ChooseBackup(QWidget *owner, const std::vector<TBackupInfo> &backups, int currentAlbums,
                  qint64 currentSize, TBackupInfo *chosen);
