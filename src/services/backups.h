#pragma once

#include <QDateTime>
#include <QString>
#include <functional>
#include <map>
#include <vector>

// One kept copy of a collection file.
struct TBackupInfo
{
    QString name; // file name: "2026-12-10_23-55-32_1234a.qel"
    QString path;
    QDateTime time;
    qint64 size = 0;
    int albums = -1;  // the album count recorded in the name; -1 when unknown
    int sequence = 1; // several kept in one second: 2, 3, ...
};

// Keeps the recent past of collection files: before the first save of a run, then at
// most once an hour while saving, and before commands that change many albums at
// once, the file as it stands on disk goes into Backups/<name>-<path hash>/ under the
// program folder, one folder per collection path, so two collections of the same name
// never see each other's backups. A save replaces the file by a rename, so a hard link
// keeps the old version at no cost; where links are refused, the file is copied. A
// collection reached through a symbolic link is backed up as the file it points to.
//
// Backups made before folders carried the path hash sit in Backups/<name>/; such a
// folder is read for the first collection of that name that asks for it and then
// belongs to it (recorded in the folder), never to a second one.
//
// Rotation keeps every backup of the last 24 hours, then the newest of each day for
// 30 days, then the newest of each week, within a space limit, the oldest going
// first. Nothing here ever stops a save: failures come back as texts.
class TBackups
{
public:
    // root: the folder that holds one folder per collection, with a trailing "/".
    explicit TBackups(const QString &root);

    // The clock; tests give their own.
    std::function<QDateTime()> Now = [] { return QDateTime::currentDateTime(); };
    bool Enabled = true;
    qint64 SpaceLimit = qint64(1024) * 1024 * 1024;
    // Copies instead of linking, as on a file system without hard links; for tests.
    bool ForceCopy = false;

    // The folder that new backups of dbFile go to.
    QString FolderFor(const QString &dbFile) const;

    // Called before every save of dbFile: keeps a backup when this run has kept none
    // of it yet or the last is an hour old. albumsOnDisk is the album count of the
    // file as it stands (-1 when unknown). Returns an empty text or why it failed.
    QString BeforeSave(const QString &dbFile, int albumsOnDisk);
    // Called before a command that changes many albums at once.
    QString BeforeBigChange(const QString &dbFile, int albumsOnDisk);
    // Keeps a backup now, unless the newest backup already holds the file as it is
    // (same file, unchanged since). A missing file has nothing to keep.
    QString Keep(const QString &dbFile, int albumsOnDisk);

    // The backups of dbFile, newest first.
    std::vector<TBackupInfo> List(const QString &dbFile) const;
    // The name of the file in a backup folder that records which collection it keeps.
    static QString SourceFileName();
    // Deletes what the rotation no longer keeps.
    void Rotate(const QString &dbFile);
    // The backups the rotation drops from newestFirst at now, within limit bytes.
    static std::vector<TBackupInfo> ToDelete(const std::vector<TBackupInfo> &newestFirst,
                                             const QDateTime &now, qint64 limit);
    // Parses a backup file name; false when it is not one.
    static bool ParseName(const QString &name, QDateTime *time, int *albums,
                          int *sequence = nullptr);

private:
    QString keep(const QString &dbFile, int albumsOnDisk);
    // The folder of backups made before folders were keyed by path, when it belongs to
    // dbFile (claiming it when nobody has); empty otherwise.
    QString legacyFolderFor(const QString &dbFile) const;

    QString m_root;
    std::map<QString, QDateTime> m_lastKept; // per collection file, this run
};
