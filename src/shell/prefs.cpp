#include "shell/prefs.h"

#include "model/general.h"
#include "shell/drivelist.h"
#include "shell/settingsstore.h"

#include <QFileInfo>

namespace {

const QString sOptions = QStringLiteral("Options");
const QString sFolders = QStringLiteral("Folders");
const QString sDatabases = QStringLiteral("Databases");
const QString sScan = QStringLiteral("Scan");
const QString sMusicBrainz = QStringLiteral("MusicBrainz");

// folder + "/" + name, without doubling a separator the folder already has.
QString joinPath(const QString &folder, const QString &name)
{
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

TFolderFile folderFile(const QString &folder, const QString &name)
{
    if (name.isEmpty())
        return {};
    const QString path = joinPath(folder, name);
    return {path, QFileInfo(path).isFile()};
}

} // namespace

TPrefs::TPrefs(TDriveList *drives) : m_drives(drives ? drives : &SystemDriveList()) {}

void TPrefs::Load(const TSettingsStore &settings)
{
    ConfirmAlbumRemoval = settings.ReadBool(sOptions, QStringLiteral("ConfirmAlbumRemoval"), true);
    ConfirmTrackRemoval = settings.ReadBool(sOptions, QStringLiteral("ConfirmTrackRemoval"), true);
    ConfirmAlbumCancel = settings.ReadBool(sOptions, QStringLiteral("ConfirmAlbumCancel"), true);
    ConfirmTrackCancel = settings.ReadBool(sOptions, QStringLiteral("ConfirmTrackCancel"), true);
    ShowInCollectionIndicator =
        settings.ReadBool(sOptions, QStringLiteral("ShowInCollectionIndicator"), true);
    KeepBackups = settings.ReadBool(sOptions, QStringLiteral("KeepBackups"), true);
    BackupSpaceMB =
        qBound(10, settings.ReadInteger(sOptions, QStringLiteral("BackupSpaceMB"), 1024), 1048576);

    const QString program = ProgramFolder();
    DataFolder =
        settings.ReadString(sFolders, QStringLiteral("Data"), program + QStringLiteral("Data"));
    LyricsFolder = settings.ReadString(sFolders, QStringLiteral("Lyrics"),
                                       program + QStringLiteral("Data/Lyrics"));
    CoversFolder = settings.ReadString(sFolders, QStringLiteral("Covers"),
                                       program + QStringLiteral("Data/Covers"));

    // The default follows the data folder just read, so a stored folder moves it.
    CurrentDatabase = settings.ReadString(sDatabases, QStringLiteral("CurrentDatabase"),
                                          joinPath(DataFolder, QStringLiteral("demo.qel")));

    Drive = settings.ReadString(sScan, QStringLiteral("Drive"), QString());
    if (Drive.isEmpty())
        Drive = firstCdDrive();

    MusicBrainzServer = settings.ReadString(sMusicBrainz, QStringLiteral("Server"),
                                            QStringLiteral("https://musicbrainz.org"));
    CoverArtServer = settings.ReadString(sMusicBrainz, QStringLiteral("CoverServer"),
                                         QStringLiteral("https://coverartarchive.org"));
    FetchFrontCovers = settings.ReadBool(sMusicBrainz, QStringLiteral("FetchFrontCovers"), true);
}

void TPrefs::Save(TSettingsStore &settings) const
{
    settings.WriteBool(sOptions, QStringLiteral("ConfirmAlbumRemoval"), ConfirmAlbumRemoval);
    settings.WriteBool(sOptions, QStringLiteral("ConfirmTrackRemoval"), ConfirmTrackRemoval);
    settings.WriteBool(sOptions, QStringLiteral("ConfirmAlbumCancel"), ConfirmAlbumCancel);
    settings.WriteBool(sOptions, QStringLiteral("ConfirmTrackCancel"), ConfirmTrackCancel);
    settings.WriteBool(sOptions, QStringLiteral("ShowInCollectionIndicator"),
                       ShowInCollectionIndicator);
    settings.WriteBool(sOptions, QStringLiteral("KeepBackups"), KeepBackups);
    settings.WriteInteger(sOptions, QStringLiteral("BackupSpaceMB"), BackupSpaceMB);

    settings.WriteString(sFolders, QStringLiteral("Data"), DataFolder);
    settings.WriteString(sFolders, QStringLiteral("Lyrics"), LyricsFolder);
    settings.WriteString(sFolders, QStringLiteral("Covers"), CoversFolder);
    // Informational only, like the version below: never read back.
    settings.WriteString(sFolders, QStringLiteral("App"), ProgramFolder());

    settings.WriteString(sDatabases, QStringLiteral("CurrentDatabase"), CurrentDatabase);
    settings.WriteString(sScan, QStringLiteral("Drive"), Drive);
    settings.WriteString(sMusicBrainz, QStringLiteral("Server"), MusicBrainzServer);
    settings.WriteString(sMusicBrainz, QStringLiteral("CoverServer"), CoverArtServer);
    settings.WriteBool(sMusicBrainz, QStringLiteral("FetchFrontCovers"), FetchFrontCovers);

    settings.WriteString(QStringLiteral("Version info"), QStringLiteral("Version"),
                         GetVersionText(true));
}

bool IsDiscImagePath(const QString &path)
{
    const QFileInfo info(path);
    const QString suffix = info.suffix().toLower();
    return info.isFile() &&
           (suffix == u"cue" || suffix == u"toc" || suffix == u"nrg" || suffix == u"bin");
}

QString TPrefs::GetScanDrive()
{
    if (!Drive.isEmpty() && (m_drives->CdDrives().contains(Drive) || IsDiscImagePath(Drive)))
        return Drive;
    Drive = firstCdDrive();
    return Drive;
}

QString TPrefs::firstCdDrive() const
{
    const QStringList drives = m_drives->CdDrives();
    return drives.isEmpty() ? QString() : drives.first();
}

TFolderFile TPrefs::GetCoverFileName(const QString &name) const
{
    return folderFile(CoversFolder, name);
}

TFolderFile TPrefs::GetLyricsFileName(const QString &name) const
{
    return folderFile(LyricsFolder, name);
}
