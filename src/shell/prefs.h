#pragma once

#include <QString>

class TDriveList;
class TSettingsStore;

// True for an existing disc image file (.cue, .toc, .nrg, .bin) rather than a drive.
bool IsDiscImagePath(const QString &path);

// A file in the covers or lyrics folder.
struct TFolderFile
{
    QString path; // empty for an empty name
    bool exists = false;
};

// The general preferences, read at start-up and written at exit.
class TPrefs
{
public:
    // drives (not owned) answers GetScanDrive; nullptr means the machine's drives.
    explicit TPrefs(TDriveList *drives = nullptr);

    // Absent values take their defaults; an empty stored drive becomes the first
    // CD drive found.
    void Load(const TSettingsStore &settings);
    void Save(TSettingsStore &settings) const;

    // The drive to scan: Drive while the machine still has it (or, for a disc image,
    // while the file is there), otherwise the first CD drive, which also becomes Drive.
    // Empty when there is none.
    QString GetScanDrive();

    TFolderFile GetCoverFileName(const QString &name) const;
    TFolderFile GetLyricsFileName(const QString &name) const;

    QString Drive; // device path (/dev/sr0)
    bool ConfirmAlbumRemoval = true;
    bool ConfirmTrackRemoval = true;
    bool ConfirmAlbumCancel = true;
    bool ConfirmTrackCancel = true;
    bool ShowInCollectionIndicator = true;
    QString LyricsFolder;
    QString CoversFolder;
    QString DataFolder;
    QString CurrentDatabase;
    // Backups of the collection before saves and large changes, within a space limit.
    bool KeepBackups = true;
    int BackupSpaceMB = 1024;
    // MusicBrainz look-ups: the web service and cover archive (mirrors and tests point
    // them elsewhere), and whether an album made from a release gets its front cover.
    QString MusicBrainzServer;
    QString CoverArtServer;
    bool FetchFrontCovers = true;

private:
    QString firstCdDrive() const;

    TDriveList *m_drives;
};
