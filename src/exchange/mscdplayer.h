#pragma once

#include "exchange/biginifile.h"
#include "services/process.h"

#include <functional>

class TDataItemList;
class TQelDb;

// The CD Player's cdplayer.ini: one section per disc, named by its "Microsoft Disc ID"
// in hexadecimal, with the artist, the title and the track titles under the keys 0,
// 1, ... (track n under n - 1).
class TMsCdPlayerIniFile : public TBigIniFile
{
public:
    explicit TMsCdPlayerIniFile(const QString &fileName = {}) : TBigIniFile(fileName) {}

    void ReadDisc(const QString &section, QString &artist, QString &title, qint32 &tracks);
    void WriteDisc(const QString &section, const QString &artist, qint32 tracks,
                   const QString &title);
    QString ReadTrackTitle(const QString &section, qint32 track); // track from 1
    void WriteTrackTitle(const QString &section, qint32 track, const QString &text);
    // "order" 0 to count - 1, each followed by a blank, and "numplay" and "numtracks".
    void WritePlayOrder(const QString &section, qint32 count);
    bool DiscExists(const QString &section);
};

// Imports the discs of a cdplayer.ini as new albums, after asking. Discs the
// collection already holds, and sections that name no disc, are skipped and counted
// apart.
class TImportMsCdPlayer : public TProcess
{
    Q_OBJECT

public:
    // More tracks than a disc can hold: such a section is no disc's.
    static constexpr qint32 MaxTracks = 999;

    TImportMsCdPlayer(QObject *owner, TQelDb &db, const QString &iniFile);
    // True when at least one disc was imported. Questions, the summary and failures
    // are shown through AskYesNo and ShowInfo.
    bool Run();

    int Imported = 0;
    int Skipped = 0;    // discs the collection holds already
    int Unreadable = 0; // sections that name no disc
    QString Error;      // the failure that was shown, if any
    // Called once the user has said Yes, before the collection changes.
    std::function<void()> BeforeChange;

private:
    TQelDb &m_db;
    QString m_iniFile;
};

// Writes every disc of the albums that has a "Microsoft Disc ID" into cdplayer.ini:
// a new section, or the existing one updated (entries it does not write stay).
class TExportMsCdPlayer : public TProcess
{
    Q_OBJECT

public:
    TExportMsCdPlayer(QObject *owner, const TDataItemList &albums, const QString &iniFile);
    // False when the file could not be read or written (the old file then stays as it
    // was); the summary or the failure is shown through ShowInfo.
    bool Run();

    int Added = 0;
    int Updated = 0;
    int Skipped = 0;
    QString Error;

private:
    const TDataItemList &m_albums;
    QString m_iniFile;
};
