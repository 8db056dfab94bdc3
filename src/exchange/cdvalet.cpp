#include "exchange/cdvalet.h"

#include "cddb/scancd.h"
#include "exchange/discalbums.h"
#include "model/album.h"
#include "model/atomicfile.h"
#include "model/dataitemlist.h"
#include "model/general.h"
#include "model/lookuplist.h"
#include "model/qeldb.h"
#include "model/textcodec.h"
#include "model/tracks.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <unordered_set>

int TCdValet::LockTimeout = 10000;

TCdValet::TCdValet(const QString &folder)
{
    if (folder.isEmpty())
        return;
    Folder = folder.endsWith(u'/') ? folder : folder + u'/';
    TocFileName = Folder + QStringLiteral("CDValet.toc");
    DatFileName = Folder + QStringLiteral("CDValet.dat");
}

TCdValet::~TCdValet()
{
    Unlock();
}

QString TCdValet::LockFileName() const
{
    return Folder + QStringLiteral("CDValet.lock");
}

bool TCdValet::Lock()
{
    if (m_lock && m_lock->isLocked())
        return true;
    m_lock = std::make_unique<QLockFile>(LockFileName());
    // Only a lock whose program has ended is stale, however long it has been held.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(LockTimeout))
        return true;
    if (m_lock->error() == QLockFile::LockFailedError)
        m_lockError = QCoreApplication::translate(
            "TCdValet", "Another application is currently using the CDValet database.");
    else
        m_lockError = QCoreApplication::translate(
                          "TCdValet", "The CDValet database cannot be locked: \"%1\" cannot be "
                                      "created.")
                          .arg(QDir::toNativeSeparators(LockFileName()));
    m_lock.reset();
    return false;
}

void TCdValet::Unlock()
{
    if (m_lock)
        m_lock->unlock();
    m_lock.reset();
}

namespace {

bool readWholeFile(const QString &path, QByteArray &bytes, QString &error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QCoreApplication::translate("TCdValet", "\"%1\" cannot be read: %2")
                    .arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error = QCoreApplication::translate("TCdValet", "\"%1\" cannot be read: %2")
                    .arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    return true;
}

// Frees the lock on every way out.
struct TLockGuard
{
    TCdValet &valet;
    ~TLockGuard() { valet.Unlock(); }
};

} // namespace

TAlbum *CdValetAlbum(TQelDb &db, qint32 msDiscId, const TCdValetRecord &record)
{
    auto *album = new TAlbum(&db);
    album->Artist = db.LookupList(fdArtist).GetOrAddShown(record.Artist);
    album->Title = record.Title;
    album->Comments = record.Notes;
    album->Format = db.LookupList(fdFormat).GetOrAdd(QStringLiteral("CD"));
    auto *disc = new TDisc(album);
    album->Add(disc);
    disc->Index = 1;
    disc->MsDiscId = msDiscId;
    disc->Title = record.Title;
    disc->LeadOut = record.LeadOut;
    TScanCD scan;
    const qsizetype count = qsizetype(record.Tracks.size());
    for (qsizetype t = 0; t < count; ++t) {
        const TCdValetTrack &from = record.Tracks[size_t(t)];
        auto *track = new TTrack(disc);
        disc->Add(track);
        track->Index = qint32(t + 1);
        track->Position = qint32(t + 1);
        track->StartFrame = from.StartFrame;
        track->Comments = from.Notes;
        const qsizetype slash = from.Text.indexOf(u'/');
        if (slash >= 0) {
            track->Artist = db.LookupList(fdArtist).GetOrAddShown(from.Text.left(slash).trimmed());
            track->Title = from.Text.mid(slash + 1).trimmed();
        } else {
            track->Title = from.Text;
        }
        const qint64 end = t + 1 < count ? record.Tracks[size_t(t + 1)].StartFrame : record.LeadOut;
        track->Length = qint32(std::max<qint64>(0, (end - from.StartFrame) / 75));
        scan.AddTrack().StartFrame = from.StartFrame;
    }
    scan.LeadOut = record.LeadOut;
    disc->CddbDiscId = scan.ComputeCddbDiscId();
    disc->RebuildTrackList();
    return album;
}

TImportFromCdValet::TImportFromCdValet(QObject *owner, TQelDb &db, TCdValet &valet)
    : TProcess(owner), m_db(db), m_valet(valet)
{
}

bool TImportFromCdValet::Run()
{
    Imported = 0;
    Skipped = 0;
    const auto fail = [this](const QString &message) {
        Error = message;
        ShowInfo(message);
        return false;
    };
    if (!m_valet.Found())
        return fail(tr("Qel could not find the CDValet application on this machine."));
    if (!QFileInfo::exists(m_valet.TocFileName) || !QFileInfo::exists(m_valet.DatFileName))
        return fail(tr("CDValet database is empty"));
    if (!m_valet.Lock())
        return fail(m_valet.LockError());
    TLockGuard guard{m_valet};
    QByteArray toc, dat;
    QString error;
    if (!readWholeFile(m_valet.TocFileName, toc, error) ||
        !readWholeFile(m_valet.DatFileName, dat, error))
        return fail(error);
    const QStringList ids = ReadCdValetToc(toc);

    Max = qint32(ids.size());
    SetCaption(tr("Import from CDValet"));
    SetMessage(tr("Importing CDs..."));
    if (AskYesNo(tr("%1 CDs found in your CDValet database. Do you want to mport these into your "
                    "Qel database now?")
                     .arg(ids.size())) != TAnswer::Yes)
        return false;

    if (BeforeChange)
        BeforeChange();
    std::unordered_set<qint32> known = MsDiscIdsOf(m_db);
    TCdValetReader reader(dat);
    Start();
    for (qsizetype i = 0; i < ids.size() && !Cancelled(); ++i) {
        const QString id = ids[i].trimmed();
        if (id.isEmpty()) {
            SetPosition(qint32(i + 1));
            continue;
        }
        TCdValetRecord record;
        const TCdValetReader::TResult result = reader.ReadRecord(id, record);
        if (result == TCdValetReader::TResult::OutOfStep) {
            Error = tr("Error reading CDValet database");
            ShowInfo(Error);
            Abort();
            break;
        }
        qint32 discId = 0;
        if (result == TCdValetReader::TResult::Malformed || !ParseMsDiscId(id, discId)) {
            SetPosition(qint32(i + 1));
            continue;
        }
        if (known.count(discId)) {
            ++Skipped;
            SetPosition(qint32(i + 1));
            continue;
        }

        m_db.AddAlbum(CdValetAlbum(m_db, discId, record));
        known.insert(discId);
        ++Imported;
        SetPosition(qint32(i + 1));
    }
    Finish();

    ShowInfo(ImportSummary(Imported, Skipped));
    return Imported > 0;
}

TExportToCdValet::TExportToCdValet(QObject *owner, const TDataItemList &albums, TCdValet &valet)
    : TProcess(owner), m_albums(albums), m_valet(valet)
{
}

namespace {

// Only the characters CD Valet shows: codes 32 to 126 and 160 to 255.
QByteArray filtered(const QString &text)
{
    QByteArray bytes = cp1252::encode(text);
    bytes.removeIf([](char c) {
        const auto b = uchar(c);
        return b < 32 || (b >= 127 && b < 160);
    });
    return bytes;
}

class TRecordWriter
{
public:
    explicit TRecordWriter(QByteArray &out) : m_out(out) {}
    void line(QByteArrayView bytes)
    {
        m_out.append(bytes);
        m_out.append("\r\n");
    }
    void number(qint64 value) { line(QByteArray::number(value)); }
    void text(const QString &value)
    {
        const QByteArray bytes = filtered(value);
        number(bytes.size());
        line(bytes);
    }
    void emptyNotes()
    {
        number(0);
        line({});
    }

private:
    QByteArray &m_out;
};

void writeRecord(const TAlbum &album, const TDisc &disc, const QString &id, QByteArray &out)
{
    TRecordWriter w(out);
    w.line(cp1252::encode(id));
    w.number(0);
    w.number(1);
    w.number(0);
    w.text(disc.GetFieldAsString(fdArtist));
    w.text(ExportedDiscTitle(album, disc));
    w.emptyNotes();
    const std::vector<TTrack *> tracks = DiscTracks(disc);
    w.number(qint64(tracks.size()));
    const QString albumArtist = album.GetFieldAsString(fdArtist);
    for (const TTrack *track : tracks) {
        w.number(track->StartFrame);
        QString text = track->Title;
        const QString artist = track->GetFieldAsString(fdArtist);
        if (!artist.isEmpty() && artist != albumArtist)
            text = artist + QStringLiteral(" / ") + text;
        w.text(text);
        w.emptyNotes();
    }
    w.number(disc.LeadOut);
    w.number(0);
    w.line("\f");
}

} // namespace

bool TExportToCdValet::Run()
{
    Added = 0;
    AlreadyThere = 0;
    NoScanInfo = 0;
    const auto fail = [this](const QString &message) {
        Error = message;
        ShowInfo(message);
        return false;
    };
    if (!m_valet.Found())
        return fail(tr("Qel could not find the CDValet application on this system."));
    Max = qint32(m_albums.size());
    if (!m_valet.Lock())
        return fail(m_valet.LockError());
    TLockGuard guard{m_valet};
    QByteArray toc, dat;
    QString error;
    if ((QFileInfo::exists(m_valet.TocFileName) &&
         !readWholeFile(m_valet.TocFileName, toc, error)) ||
        (QFileInfo::exists(m_valet.DatFileName) && !readWholeFile(m_valet.DatFileName, dat, error)))
        return fail(error);
    std::unordered_set<QString> listed;
    for (const QString &line : ReadCdValetToc(toc))
        listed.insert(line.trimmed().toCaseFolded());
    SetCaption(tr("Export to CDValet"));
    SetMessage(tr("Exporting CDs..."));

    QByteArray newToc, newRecords;
    Start();
    for (qsizetype i = 0; i < m_albums.size() && !Cancelled(); ++i) {
        const auto *album = static_cast<const TAlbum *>(m_albums[i]);
        for (const TDisc *disc : DiscsOf(*album)) {
            if (disc->MsDiscId == 0 || disc->CddbDiscId == 0) {
                ++NoScanInfo;
                continue;
            }
            const QString id = MsDiscIdText(disc->MsDiscId);
            if (!listed.insert(id.toCaseFolded()).second) {
                ++AlreadyThere;
                continue;
            }
            newToc.append(cp1252::encode(id));
            newToc.append("\r\n");
            writeRecord(*album, *disc, id, newRecords);
            ++Added;
        }
        SetPosition(qint32(i + 1));
    }
    Finish();

    if (Added > 0) {
        // The data first: a table of contents that lags behind names only records
        // that are there.
        const auto joined = [](QByteArray old, const QByteArray &more) {
            if (!old.isEmpty() && !old.endsWith('\n'))
                old.append("\r\n");
            return old + more;
        };
        QString why = WriteFileAtomically(m_valet.DatFileName, joined(dat, newRecords));
        if (why.isEmpty())
            why = WriteFileAtomically(m_valet.TocFileName, joined(toc, newToc));
        if (!why.isEmpty())
            return fail(tr("The CDValet database cannot be written: %1").arg(why));
    }
    QString summary = tr("Added %1 CDs to CDValet database").arg(Added);
    if (AlreadyThere > 0)
        summary += tr("\r\nSkipped %1 CDs because they were already there").arg(AlreadyThere);
    if (NoScanInfo > 0)
        summary += tr("\r\nSkipped %1 CDs because they did not have the necessary scan info")
                       .arg(NoScanInfo);
    ShowInfo(summary);
    return true;
}
