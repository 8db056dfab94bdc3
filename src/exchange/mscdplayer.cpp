#include "exchange/mscdplayer.h"

#include "exchange/discalbums.h"
#include "model/album.h"
#include "model/dataitemlist.h"
#include "model/general.h"
#include "model/lookuplist.h"
#include "model/qeldb.h"
#include "model/tracks.h"

namespace {

const QString kEntryType = QStringLiteral("EntryType");
const QString kArtist = QStringLiteral("artist");
const QString kTitle = QStringLiteral("title");
const QString kNumTracks = QStringLiteral("numtracks");
const QString kOrder = QStringLiteral("order");
const QString kNumPlay = QStringLiteral("numplay");

} // namespace

void TMsCdPlayerIniFile::ReadDisc(const QString &section, QString &artist, QString &title,
                                  qint32 &tracks)
{
    artist = ReadString(section, kArtist, QString());
    title = ReadString(section, kTitle, QString());
    tracks = ReadInteger(section, kNumTracks, 0);
}

void TMsCdPlayerIniFile::WriteDisc(const QString &section, const QString &artist, qint32 tracks,
                                   const QString &title)
{
    WriteInteger(section, kEntryType, 1);
    WriteString(section, kArtist, artist);
    WriteString(section, kTitle, title);
    WriteInteger(section, kNumTracks, tracks);
}

QString TMsCdPlayerIniFile::ReadTrackTitle(const QString &section, qint32 track)
{
    return ReadString(section, QString::number(qint64(track) - 1), QString());
}

void TMsCdPlayerIniFile::WriteTrackTitle(const QString &section, qint32 track, const QString &text)
{
    WriteString(section, QString::number(qint64(track) - 1), text);
}

void TMsCdPlayerIniFile::WritePlayOrder(const QString &section, qint32 count)
{
    QString order;
    for (qint32 i = 0; i < count; ++i) {
        order += QString::number(i);
        order += u' ';
    }
    WriteString(section, kOrder, order);
    WriteInteger(section, kNumPlay, count);
    WriteInteger(section, kNumTracks, count);
}

bool TMsCdPlayerIniFile::DiscExists(const QString &section)
{
    return ReadInteger(section, kNumTracks, -1) != -1;
}

TImportMsCdPlayer::TImportMsCdPlayer(QObject *owner, TQelDb &db, const QString &iniFile)
    : TProcess(owner), m_db(db), m_iniFile(iniFile)
{
}

bool TImportMsCdPlayer::Run()
{
    Imported = 0;
    Skipped = 0;
    Unreadable = 0;
    SetCaption(tr("Import from MS CD Player"));
    SetMessage(tr("Importing CDs..."));
    TMsCdPlayerIniFile ini;
    if (!ini.SetFileName(m_iniFile)) {
        Error = ini.ErrorString();
        ShowInfo(Error);
        return false;
    }
    QStringList sections;
    ini.ReadSections(sections);
    Max = qint32(sections.size());
    if (AskYesNo(tr("%1 CDs found in your CDPLAYER.INI file. Do you want to mport these into "
                    "your Qel database now?")
                     .arg(sections.size())) != TAnswer::Yes)
        return false;

    if (BeforeChange)
        BeforeChange();
    std::unordered_set<qint32> known = MsDiscIdsOf(m_db);
    Start();
    for (qsizetype i = 0; i < sections.size() && !Cancelled(); ++i) {
        const QString &section = sections[i];
        QString artist, title;
        qint32 count = 0;
        ini.ReadDisc(section, artist, title, count);
        qint32 id = 0;
        if (!ParseMsDiscId(section, id) || count > MaxTracks) {
            ++Unreadable;
        } else if (known.count(id)) {
            ++Skipped;
        } else {
            auto *album = new TAlbum(&m_db);
            album->Artist = m_db.LookupList(fdArtist).GetOrAddShown(artist);
            album->Title = title;
            album->Format = m_db.LookupList(fdFormat).GetOrAdd(QStringLiteral("CD"));
            auto *disc = new TDisc(album);
            album->Add(disc);
            disc->Index = 1;
            disc->MsDiscId = id;
            for (qint32 n = 1; n <= count; ++n) {
                auto *track = new TTrack(disc);
                disc->Add(track);
                track->Index = n;
                track->Position = n;
                track->Title = ini.ReadTrackTitle(section, n);
            }
            disc->RebuildTrackList();
            m_db.AddAlbum(album);
            known.insert(id);
            ++Imported;
        }
        SetPosition(qint32(i + 1));
    }
    Finish();

    ShowInfo(ImportSummary(Imported, Skipped, Unreadable));
    // Rewrites the file only when reading it dropped duplicate sections.
    if (!ini.UpdateFile()) {
        Error = ini.ErrorString();
        ini.DiscardChanges();
        ShowInfo(Error);
    }
    return Imported > 0;
}

TExportMsCdPlayer::TExportMsCdPlayer(QObject *owner, const TDataItemList &albums,
                                     const QString &iniFile)
    : TProcess(owner), m_albums(albums), m_iniFile(iniFile)
{
}

bool TExportMsCdPlayer::Run()
{
    Added = 0;
    Updated = 0;
    Skipped = 0;
    SetCaption(tr("Export to MS CD Player"));
    SetMessage(tr("Exporting CDs..."));
    Max = qint32(m_albums.size());
    TMsCdPlayerIniFile ini;
    if (!ini.SetFileName(m_iniFile)) {
        Error = ini.ErrorString();
        ShowInfo(Error);
        return false;
    }

    Start();
    for (qsizetype i = 0; i < m_albums.size() && !Cancelled(); ++i) {
        const auto *album = static_cast<const TAlbum *>(m_albums[i]);
        for (const TDisc *disc : DiscsOf(*album)) {
            if (disc->MsDiscId == 0) {
                ++Skipped;
                continue;
            }
            const QString section = MsDiscIdText(disc->MsDiscId);
            if (ini.DiscExists(section))
                ++Updated;
            else
                ++Added;
            ini.WriteDisc(section, disc->GetFieldAsString(fdArtist), 0,
                          ExportedDiscTitle(*album, *disc));
            const std::vector<TTrack *> tracks = DiscTracks(*disc);
            for (const TTrack *track : tracks) {
                QString text = track->Title;
                if (track->Artist)
                    text = LookupDisplayText(track->Artist) + QStringLiteral(" - ") + text;
                ini.WriteTrackTitle(section, track->Position, text);
            }
            ini.WritePlayOrder(section, qint32(tracks.size()));
        }
        SetPosition(qint32(i + 1));
    }
    Finish();

    if (!ini.UpdateFile()) {
        Error = ini.ErrorString();
        ini.DiscardChanges();
        ShowInfo(Error);
        return false;
    }
    QString summary = tr("Added %1 CDs to CDPLAYER.INI").arg(Added);
    if (Updated > 0)
        summary += tr("\r\nUpdated %1 CDs because they were already there").arg(Updated);
    if (Skipped > 0)
        summary += tr("\r\nSkipped %1 CDs because they had no valid MS Disc ID").arg(Skipped);
    ShowInfo(summary);
    return true;
}
