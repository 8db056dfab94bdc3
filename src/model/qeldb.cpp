#include "model/qeldb.h"

#include "model/atomicfile.h"
#include "model/general.h"
#include "model/itemloader.h"
#include "model/qelerror.h"
#include "model/qelstream.h"
#include "model/tracks.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <unordered_set>

const std::array<TFieldId, 15> TQelDb::LookupFieldOrder = {
    fdArtist,     fdLabel,        fdGenre,        fdProducer,     fdEngineer,
    fdStudio,     fdOwner,        fdConductor,    fdOrchestra,    fdStore,
    fdSongwriter, fdAlbumLookup1, fdAlbumLookup2, fdTrackLookup1, fdFormat,
};

TQelDb::TQelDb()
{
    for (std::size_t i = 0; i < m_lists.size(); ++i)
        m_lists[i] = std::make_unique<TLookupList>(LookupFieldOrder[i]);
}

TQelDb::~TQelDb()
{
    freeAlbums();
}

void TQelDb::freeAlbums()
{
    for (TDataItem *album : std::as_const(Albums))
        delete album;
    Albums.clear();
}

void TQelDb::Clear()
{
    FileName.clear();
    for (auto &list : m_lists)
        list->Clear();
    freeAlbums();
    m_arena.Clear();
    Pictures.Reset();
    LastAlbumID = 0;
    LastTrackID = 0;
    m_lastSaveSize = 0;
    m_encodeFrom = 0;
    ++m_version;
}

QString TQelDb::GetDisplayName() const
{
    return FileName.isEmpty() ? QStringLiteral("[New Database]") : QFileInfo(FileName).fileName();
}

TLookupList &TQelDb::LookupListFromGroupField(TFieldId field)
{
    for (std::size_t i = 0; i < LookupFieldOrder.size(); ++i)
        if (LookupFieldOrder[i] == field)
            return *m_lists[i];
    throw EQel(QStringLiteral("TQelDb.LookupListFromGroupField : Field is not a lookup field"));
}

void TQelDb::AddAlbum(TAlbum *album)
{
    album->Db = this;
    album->Saved.Bytes = QByteArray(); // it may have changed while out of the collection
    Albums.append(album);
    ++m_version;
}

TQelDb::TVersion TQelDb::Version() const
{
    TVersion v{m_version, 0};
    for (const auto &list : m_lists)
        v.names += list->Version();
    return v;
}

bool TQelDb::PictureShared(qint32 index, const TAlbum *album) const
{
    for (qsizetype i = 0; i < AlbumCount(); ++i)
        if (Album(i) != album && Album(i)->ThumbnailIndex == index)
            return true;
    return false;
}

void TQelDb::RemoveAlbum(TAlbum *album)
{
    Albums.removeOne(album);
    album->Saved.Bytes = QByteArray();
    ++m_version;
}

TAlbum *TQelDb::FindAlbumUsingLookup(TFieldId field, const TLookupItem *entry) const
{
    for (qsizetype i = 0; i < AlbumCount(); ++i)
        if (Album(i)->UsesLookupItem(field, entry))
            return Album(i);
    return nullptr;
}

std::unordered_set<const TLookupItem *> TQelDb::LookupItemsInUse(TFieldId field) const
{
    std::unordered_set<const TLookupItem *> used;
    const bool albumField = IsAlbumLookupField(field);
    const bool trackField = IsTrackLookupField(field);
    std::vector<const TDataItem *> stack;
    for (qsizetype i = 0; i < AlbumCount(); ++i) {
        const TAlbum *album = Album(i);
        if (albumField)
            if (const TLookupItem *e = album->getLookupItem(field))
                used.insert(e);
        if (!trackField)
            continue;
        // The items' own values and what they fall back to.
        stack.assign(album->Children.begin(), album->Children.end());
        while (!stack.empty()) {
            const TDataItem *item = stack.back();
            stack.pop_back();
            if (const TLookupItem *e = item->getLookupItem(field))
                used.insert(e);
            for (const TDataItem *child : item->Children)
                stack.push_back(child);
        }
    }
    return used;
}

namespace {

// Calls f(item, album) for every album and item that can hold an entry of field, each
// before the items below it. Items are fetched as soon as their parent names them, and
// albums a few ahead: a walk over a million items otherwise waits on memory for each.
template <class F> void forEachLookupHolder(const TQelDb &db, TFieldId field, F f)
{
    constexpr qsizetype kAhead = 4;
    const bool albumField = IsAlbumLookupField(field);
    const bool trackField = IsTrackLookupField(field);
    std::vector<TDataItem *> stack;
    const qsizetype n = db.AlbumCount();
    for (qsizetype i = 0; i < n; ++i) {
        TAlbum *album = db.Album(i);
        if (i + kAhead < n)
            PrefetchForRead(db.Album(i + kAhead));
        if (albumField)
            f(static_cast<TDataItem *>(album), album);
        if (!trackField)
            continue;
        stack.assign(album->Children.begin(), album->Children.end());
        while (!stack.empty()) {
            TDataItem *item = stack.back();
            stack.pop_back();
            f(item, album);
            for (TDataItem *child : item->Children) {
                PrefetchForRead(child);
                stack.push_back(child);
            }
        }
    }
}

} // namespace

std::unordered_map<const TLookupItem *, TAlbum *>
TQelDb::AlbumsUsingLookups(TFieldId field, const TLookupItemSet &entries) const
{
    std::unordered_map<const TLookupItem *, TAlbum *> users;
    if (!entries.empty())
        forEachLookupHolder(*this, field, [&](const TDataItem *item, TAlbum *album) {
            // An item's own entry or the one it falls back to.
            const TLookupItem *e = item->getLookupItem(field);
            if (e && entries.count(e))
                users.try_emplace(e, album);
        });
    return users;
}

TLookupItemSet TQelDb::entriesOfList(TFieldId field, const TLookupItemSet &entries)
{
    const TLookupList &list = LookupListFromGroupField(field);
    TLookupItemSet own;
    for (qsizetype i = 0; i < list.Count() && own.size() < entries.size(); ++i)
        if (entries.count(list.Items(i)))
            own.insert(list.Items(i));
    return own;
}

std::unordered_map<const TLookupItem *, TAlbum *>
TQelDb::RemoveUnusedLookupItems(TFieldId field, const TLookupItemSet &entries)
{
    TLookupItemSet doomed = entriesOfList(field, entries);
    auto users = AlbumsUsingLookups(field, doomed);
    for (const auto &[entry, album] : users)
        doomed.erase(entry);
    freeLookupItems(field, doomed, false);
    return users;
}

void TQelDb::RemoveLookupItems(TFieldId field, const TLookupItemSet &entries)
{
    freeLookupItems(field, entriesOfList(field, entries), true);
}

void TQelDb::freeLookupItems(TFieldId field, const TLookupItemSet &doomed, bool clearReferences)
{
    if (doomed.empty())
        return;
    // A copy: a listener may unsubscribe while it is told.
    for (TLookupRemovalListener *l : std::vector(m_removalListeners))
        l->LookupItemsAboutToBeRemoved(field, doomed);
    // Parents come before their children: by the time an item is reached, what it
    // falls back to is no longer doomed, so a doomed entry it answers is its own.
    if (clearReferences)
        forEachLookupHolder(*this, field, [&](TDataItem *item, TAlbum *album) {
            const TLookupItem *e = item->getLookupItem(field);
            if (e && doomed.count(e)) {
                item->setLookupItem(field, nullptr);
                album->Saved.Bytes = QByteArray();
            }
        });
    LookupListFromGroupField(field).Remove(doomed);
    ++m_version;
    for (TLookupRemovalListener *l : std::vector(m_removalListeners))
        l->LookupItemsRemoved(field);
}

void TQelDb::AddLookupRemovalListener(TLookupRemovalListener *listener)
{
    if (std::find(m_removalListeners.begin(), m_removalListeners.end(), listener) ==
        m_removalListeners.end())
        m_removalListeners.push_back(listener);
}

void TQelDb::RemoveLookupRemovalListener(TLookupRemovalListener *listener)
{
    std::erase(m_removalListeners, listener);
}

bool TQelDb::AlbumExists(const QString &title, const TLookupItem *artist) const
{
    TWaitCursor wait;
    for (qsizetype i = 0; i < AlbumCount(); ++i) {
        const TAlbum *a = Album(i);
        if (a->Artist == artist && a->Title == QStringView(title))
            return true;
    }
    return false;
}

TAlbum *TQelDb::FindAlbumByMsDiscId(qint32 id) const
{
    TWaitCursor wait;
    for (qsizetype i = 0; i < AlbumCount(); ++i) {
        TAlbum *a = Album(i);
        for (const TDataItem *child : a->Children)
            if (child->Kind() == TItemKind::Disc &&
                static_cast<const TDisc *>(child)->MsDiscId == id)
                return a;
    }
    return nullptr;
}

namespace {

struct TitleArtist
{
    QStringView title;
    const TLookupItem *artist;
    bool operator==(const TitleArtist &o) const { return artist == o.artist && title == o.title; }
};
struct TitleArtistHash
{
    std::size_t operator()(const TitleArtist &k) const
    {
        return qHash(k.title) ^ (std::hash<const void *>()(k.artist) * 31);
    }
};

} // namespace

void TQelDb::read(TQelReader &reader, bool merge)
{
    ++m_version; // also when the read fails half-way: what came in stays
    if (reader.ReadString() != QStringLiteral("Qel"))
        throw EQel(QStringLiteral("This is not a Qel database"));
    const QString edition = reader.ReadString();
    if (edition != QStringLiteral("Music"))
        throw EQel(QStringLiteral(
                       "This is not a Qel Music database, please use Qel %1 to open this database")
                       .arg(edition));
    reader.ReadInteger(); // the version changes nothing: there is one record layout

    TItemLoader loader(reader, this, &m_arena);
    for (std::size_t i = 0; i < m_lists.size(); ++i) {
        TLoadIdMap &map = loader.Map(LookupFieldOrder[i]);
        if (merge)
            m_lists[i]->MergeFromStream(reader, &map);
        else
            m_lists[i]->LoadFromStream(reader, &map);
    }

    // A merge leaves out the albums already present, also those it added itself.
    std::unordered_set<TitleArtist, TitleArtistHash> present;
    if (merge) {
        present.reserve(std::size_t(AlbumCount()) * 2);
        for (qsizetype i = 0; i < AlbumCount(); ++i)
            present.insert({Album(i)->Title.view(), Album(i)->Artist});
    }

    reader.ReadListBegin();
    if (!merge)
        Albums.reserve(qsizetype(reader.BytesLeft() / 4096));
    while (!reader.EndOfList()) {
        TAlbum *album = loader.MakeAlbum();
        try {
            album->LoadFromStream(loader);
        } catch (...) {
            delete album;
            throw;
        }
        if (merge) {
            if (!present.insert({album->Title.view(), album->Artist}).second) {
                delete album;
                continue;
            }
        }
        AddAlbum(album);
    }
    reader.ReadListEnd();
    for (auto &list : m_lists)
        list->ClearLoadIDs();
    // The first save after a read makes room for about this much at once.
    m_lastSaveSize = (merge ? m_lastSaveSize : 0) + qsizetype(reader.Position());
}

void TQelDb::ReadBytes(QByteArrayView bytes, bool merge)
{
    if (!merge)
        Clear();
    TQelReader reader(bytes);
    try {
        read(reader, merge);
    } catch (...) {
        for (auto &list : m_lists)
            list->ClearLoadIDs();
        throw;
    }
}

void TQelDb::ReadFile(const QString &fileName, bool merge)
{
    const QString notFound = QStringLiteral("The file \"%1\" was not found").arg(fileName);
    // Only regular files: a folder, a pipe or a device is no database (and a pipe
    // would block the open).
    if (!QFileInfo(fileName).isFile())
        throw EQel(notFound);
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EQel(notFound);
    if (!merge)
        Clear();
    TWaitCursor wait;
    TQelReader reader(&file);
    try {
        read(reader, merge);
    } catch (...) {
        for (auto &list : m_lists)
            list->ClearLoadIDs();
        throw;
    }
}

bool TQelDb::Open(const QString &fileName)
{
    Clear();
    if (!QFileInfo::exists(fileName))
        return false;
    try {
        ReadFile(fileName, false);
    } catch (const EQel &e) {
        Clear();
        ShowInfo(e.message());
        return false;
    }
    FileName = fileName;
    return true;
}

bool TQelDb::Merge(const QString &fileName)
{
    if (!QFileInfo::exists(fileName))
        return false;
    try {
        ReadFile(fileName, true);
    } catch (const EQel &e) {
        ShowInfo(e.message());
        return false;
    }
    return true;
}

void TQelDb::writeHead(TQelWriter &w) const
{
    w.WriteString(u"Qel");
    w.WriteString(u"Music");
    w.WriteInteger(300);
    for (const auto &list : m_lists)
        list->SaveToStream(w);
    w.WriteListBegin();
}

void TQelDb::write(TQelWriter &w) const
{
    writeHead(w);
    for (const TDataItem *album : Albums)
        album->SaveToStream(w);
    w.WriteListEnd();
}

QByteArray TQelDb::SaveToBytes() const
{
    // Room for the last save and some growth: one buffer, never moved.
    TQelWriter writer(m_lastSaveSize + m_lastSaveSize / 8);
    write(writer);
    m_lastSaveSize = writer.Data().size();
    return writer.Data();
}

void TQelDb::MarkChanged(const TDataItem *item) const
{
    while (item && item->Parent)
        item = item->Parent;
    if (item && item->Kind() == TItemKind::Album)
        static_cast<const TAlbum *>(item)->Saved.Bytes = QByteArray();
    m_encodeFrom = 0;
    ++m_version;
}

void TQelDb::MarkAllChanged() const
{
    for (qsizetype i = 0; i < AlbumCount(); ++i)
        Album(i)->Saved.Bytes = QByteArray();
    m_encodeFrom = 0;
    ++m_version;
}

void TQelDb::encodeAlbum(const TAlbum *album, TQelWriter &scratch) const
{
    scratch.Restart();
    album->SaveToStream(scratch);
    // A copy of its own size: the scratch buffer's room is not kept 100,000 times.
    const QByteArrayView bytes = scratch.Written();
    album->Saved.Bytes = QByteArray(bytes.data(), bytes.size());
}

bool TQelDb::EncodeSomeAlbums(qsizetype count) const
{
    TQelWriter scratch(qsizetype(64) << 10);
    const qsizetype n = AlbumCount();
    for (; m_encodeFrom < n && count > 0; ++m_encodeFrom) {
        const TAlbum *album = Album(m_encodeFrom);
        if (album->Saved.Bytes.isEmpty()) {
            encodeAlbum(album, scratch);
            --count;
        }
    }
    return m_encodeFrom < n;
}

namespace {
bool checkEverySave()
{
#ifdef NDEBUG
    static const bool check = qEnvironmentVariableIntValue("QEL_CHECK_SAVES") != 0;
#else
    static const bool check = qEnvironmentVariable("QEL_CHECK_SAVES") != QLatin1String("0");
#endif
    return check;
}
} // namespace

std::vector<QByteArray> TQelDb::SavePieces() const
{
    std::vector<QByteArray> pieces;
    pieces.reserve(std::size_t(AlbumCount()) + 2);
    {
        TQelWriter head(qsizetype(1) << 20);
        writeHead(head);
        pieces.push_back(head.Data());
    }
    TQelWriter scratch(qsizetype(64) << 10);
    const qsizetype n = AlbumCount();
    for (qsizetype i = 0; i < n; ++i) {
        // Albums lie apart in memory, each among its tracks: fetched a few ahead.
        if (i + 8 < n)
            PrefetchForRead(&Album(i + 8)->Saved);
        const TAlbum *album = Album(i);
        if (album->Saved.Bytes.isEmpty())
            encodeAlbum(album, scratch);
        pieces.push_back(album->Saved.Bytes);
    }
    {
        TQelWriter tail(16);
        tail.WriteListEnd();
        pieces.push_back(tail.Data());
    }
    if (checkEverySave()) {
        // A change nobody marked leaves an album's old bytes behind: find it while the
        // program that made it is still running.
        TQelWriter fresh(qsizetype(64) << 10);
        for (qsizetype i = 0; i < AlbumCount(); ++i) {
            fresh.Restart();
            Album(i)->SaveToStream(fresh);
            if (fresh.Written() != QByteArrayView(pieces[std::size_t(i) + 1]))
                qFatal("Album %d (\"%s\") changed without being marked: its kept bytes are stale",
                       int(Album(i)->ID), qPrintable(Album(i)->GetFieldAsString(fdTitle)));
        }
    }
    return pieces;
}

QString TQelDb::SaveFailedText(const QString &fileName, const QString &why)
{
    return QStringLiteral("Could not save \"%1\": %2").arg(fileName, why);
}

bool TQelDb::Save(const QString &fileName)
{
    TWaitCursor wait;
    TAtomicFile file(fileName);
    auto fail = [&fileName](const QString &why) { return EQel(SaveFailedText(fileName, why)); };
    if (!file.Open())
        throw fail(file.ErrorString());
    try {
        TQelWriter writer(file.Device());
        write(writer);
        writer.Flush();
    } catch (const EQel &e) {
        file.Cancel();
        throw fail(e.message());
    }
    if (!file.Commit())
        throw fail(file.ErrorString());
    FileName = fileName;
    return true;
}
