#pragma once

#include <QByteArrayView>
#include <QString>

class TSettingsStore;

// Where the files of the Windows programs the collection exchanges with are: the
// settings name them, or else a Wine prefix ($WINEPREFIX, by default ~/.wine) holds
// them.

// The Wine prefix's folder, without a trailing "/"; it need not exist.
QString WinePrefix();

// cdplayer.ini in the settings value "CdPlayer/WindowsFolder" when that folder exists,
// otherwise in the Wine prefix's Windows folder (drive_c/windows) when there is one;
// empty when neither gives a folder. A file in the folder whose name differs only in
// case is taken; when there is none the name is "cdplayer.ini" (the export makes it).
QString FindCdPlayerIni(const TSettingsStore &settings);
// The file cdplayer.ini in folder, found as FindCdPlayerIni does.
QString CdPlayerIniIn(const QString &folder);
void SetCdPlayerFolder(TSettingsStore &settings, const QString &folder);

// CD Valet's folder (with a trailing "/"): the settings value "CdValet/MainDirectory"
// when that folder exists, otherwise the folder CD Valet's installer recorded in the
// Wine prefix's registry (system.reg) when it exists; empty when neither gives one.
QString FindCdValetFolder(const TSettingsStore &settings);
void SetCdValetFolder(TSettingsStore &settings, const QString &folder);

// The text value name of the registry key (e.g. "Software\\Vendor\\App", as regedit
// writes it) in a Wine registry file; empty when it is not there.
QString ReadWineRegistryString(QByteArrayView regFile, const QString &key, const QString &name);
// A Windows path ("C:\Program Files\X\") as the path of the Wine prefix's file, each
// part matched without regard to case as Windows does; empty for a path that is not
// on a drive.
QString WindowsPathInPrefix(const QString &prefix, const QString &windowsPath);
