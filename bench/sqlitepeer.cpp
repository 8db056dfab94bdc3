#include "sqlitepeer.h"

#include "model/album.h"
#include "model/qeldb.h"
#include "model/qelstream.h"
#include "model/tracks.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>

namespace bench {

// Both directions work in reused buffers so that the peer pays for one allocation
// per text, as the items need it.

void ToUtf8(QStringView s, std::string &out)
{
    out.resize(std::size_t(s.size()) * 3);
    char *p = out.data();
    const char16_t *u = s.utf16();
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = u[i];
        if (c < 0x80) {
            *p++ = char(c);
        } else if (c < 0x800) {
            *p++ = char(0xC0 | (c >> 6));
            *p++ = char(0x80 | (c & 0x3F));
        } else if (c >= 0xD800 && c < 0xDC00 && i + 1 < n && u[i + 1] >= 0xDC00 &&
                   u[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (u[++i] - 0xDC00);
            *p++ = char(0xF0 | (c >> 18));
            *p++ = char(0x80 | ((c >> 12) & 0x3F));
            *p++ = char(0x80 | ((c >> 6) & 0x3F));
            *p++ = char(0x80 | (c & 0x3F));
        } else {
            *p++ = char(0xE0 | (c >> 12));
            *p++ = char(0x80 | ((c >> 6) & 0x3F));
            *p++ = char(0x80 | (c & 0x3F));
        }
    }
    out.resize(std::size_t(p - out.data()));
}

// out needs room for n units (UTF-16 is never longer than the UTF-8 it came from).
qsizetype FromUtf8(const unsigned char *b, int n, char16_t *out)
{
    char16_t *o = out;
    int i = 0;
    while (i < n) {
        const unsigned c = b[i];
        if (c < 0x80) {
            *o++ = char16_t(c);
            i += 1;
        } else if (c < 0xE0) {
            if (i + 2 > n)
                break;
            *o++ = char16_t(((c & 0x1F) << 6) | (b[i + 1] & 0x3F));
            i += 2;
        } else if (c < 0xF0) {
            if (i + 3 > n)
                break;
            *o++ = char16_t(((c & 0x0F) << 12) | ((b[i + 1] & 0x3F) << 6) | (b[i + 2] & 0x3F));
            i += 3;
        } else {
            if (i + 4 > n)
                break;
            const char32_t cp = ((c & 0x07) << 18) | ((b[i + 1] & 0x3F) << 12) |
                                ((b[i + 2] & 0x3F) << 6) | (b[i + 3] & 0x3F);
            *o++ = char16_t(0xD800 + ((cp - 0x10000) >> 10));
            *o++ = char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
            i += 4;
        }
    }
    return o - out;
}

namespace {

// Lookup columns hold the entry's number within the list the column belongs to.
const std::string kBaseColumns = "idx INTEGER, title TEXT, year TEXT, artist INTEGER, genre "
                                 "INTEGER, studio INTEGER, producer INTEGER, "
                                 "engineer INTEGER, conductor INTEGER, orchestra INTEGER, comments "
                                 "TEXT, rating INTEGER, live INTEGER";
const std::string kTrackColumns = "songwriter INTEGER, track_lookup1 INTEGER, track_text1 TEXT, "
                                  "lyrics_file TEXT, audio_file TEXT, bpm INTEGER";

const std::string kAlbumColumns =
    "id INTEGER PRIMARY KEY, " + kBaseColumns +
    ", format INTEGER, label INTEGER, number TEXT, owner INTEGER, location TEXT, purchase_date "
    "REAL, "
    "price INTEGER, store INTEGER, soloists TEXT, tour_name TEXT, recording_date REAL, ad INTEGER, "
    "mono INTEGER, rare INTEGER, in_collection INTEGER, album_text1 TEXT, album_text2 TEXT, "
    "album_lookup1 INTEGER, album_lookup2 INTEGER, thumbnail BLOB, cover_file TEXT";
const std::string kDiscColumns =
    "id INTEGER PRIMARY KEY, album_id INTEGER NOT NULL REFERENCES albums(id), " + kBaseColumns +
    ", " + kTrackColumns +
    ", ms_disc_id INTEGER, cddb_disc_id INTEGER, cddb_revision INTEGER, lead_out INTEGER";
const std::string kItemColumns =
    "id INTEGER PRIMARY KEY, disc_id INTEGER NOT NULL REFERENCES discs(id), "
    "parent_id INTEGER REFERENCES items(id), kind INTEGER NOT NULL, " +
    kBaseColumns + ", " + kTrackColumns + ", length INTEGER, start_frame INTEGER, position INTEGER";
const std::string kLookupColumns =
    "list INTEGER NOT NULL, pos INTEGER NOT NULL, id INTEGER NOT NULL, sort_name TEXT NOT NULL, "
    "display_name TEXT, PRIMARY KEY(list, pos)";

// "a INTEGER, b TEXT" -> "a, b"
std::string names(const std::string &columns)
{
    std::string out;
    std::size_t pos = 0;
    while (pos < columns.size()) {
        std::size_t comma = columns.find(',', pos);
        if (comma == std::string::npos)
            comma = columns.size();
        std::string part = columns.substr(pos, comma - pos);
        pos = comma + 1;
        part.erase(0, part.find_first_not_of(' '));
        if (part.rfind("PRIMARY KEY(", 0) == 0) // table constraint, not a column
            continue;
        if (part.find('(') == std::string::npos && part.find(')') != std::string::npos)
            continue; // the tail of a constraint's column list
        part = part.substr(0, part.find(' '));
        if (!out.empty())
            out += ", ";
        out += part;
    }
    return out;
}

std::string insertSql(const std::string &table, const std::string &columns)
{
    const std::string list = names(columns);
    std::string marks;
    for (std::size_t i = 0, n = std::size_t(std::count(list.begin(), list.end(), ',')) + 1; i < n;
         ++i)
        marks += i ? ",?" : "?";
    return "INSERT INTO " + table + "(" + list + ") VALUES(" + marks + ")";
}

std::string selectSql(const std::string &table, const std::string &columns,
                      const std::string &order)
{
    return "SELECT " + names(columns) + " FROM " + table + " ORDER BY " + order;
}

} // namespace

// Position of a lookup field's list in TQelDb::LookupFieldOrder.
int LookupListOf(TFieldId field)
{
    for (std::size_t i = 0; i < TQelDb::LookupFieldOrder.size(); ++i)
        if (TQelDb::LookupFieldOrder[i] == field)
            return int(i);
    Fail("not a lookup field");
}

namespace {

void bindBase(TStatement &s, const TDataItem &d)
{
    s.Int(d.Index);
    s.Text(d.Title.view());
    s.Text(d.Year.view());
    s.Ref(d.Artist);
    s.Ref(d.Genre);
    s.Ref(d.Studio);
    s.Ref(d.Producer);
    s.Ref(d.Engineer);
    s.Ref(d.Conductor);
    s.Ref(d.Orchestra);
    s.Text(d.Comments.view());
    s.Int(d.Rating);
    s.Int(d.Live);
}

void bindTrackPart(TStatement &s, const TCustomTrack &t)
{
    s.Ref(t.Songwriter);
    s.Ref(t.TrackLookup1);
    s.Text(t.TrackText1.view());
    s.Text(t.LyricsFile.view());
    s.Text(t.AudioFile.view());
    s.Int(t.BPM);
}

struct TSaveIds
{
    qint64 disc = 0;
    qint64 item = 0;
};

void saveItem(TStatement &s, const TDataItem &item, qint64 discId, qint64 parentId, TSaveIds &ids)
{
    const qint64 id = ++ids.item;
    s.Int(id);
    s.Int(discId);
    parentId ? s.Int(parentId) : s.Null();
    s.Int(int(item.Kind()));
    bindBase(s, item);
    const auto &t = static_cast<const TCustomTrack &>(item);
    bindTrackPart(s, t);
    switch (item.Kind()) {
    case TItemKind::Track: {
        const auto &track = static_cast<const TTrack &>(item);
        s.Int(track.Length);
        s.Int(track.StartFrame);
        s.Int(track.Position);
        break;
    }
    case TItemKind::SubTrack:
        s.Int(static_cast<const TSubTrack &>(item).Length);
        s.Null();
        s.Null();
        break;
    default:
        s.Null();
        s.Null();
        s.Null();
        break;
    }
    s.Insert();
    for (const TDataItem *child : item.Children)
        saveItem(s, *child, discId, id, ids);
}

} // namespace

// Writes the collection into a new SQLite file in one transaction. Row numbers are
// handed out in tree order, so reading by row number meets parents before children
// and siblings in their order.
void SqliteSave(TQelDb &db, const QString &path)
{
    TSqlDb sql(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX);
    sql.Exec("PRAGMA synchronous=FULL");
    sql.Exec("BEGIN");
    sql.Exec("CREATE TABLE lookups(" + kLookupColumns +
             ") WITHOUT ROWID;"
             "CREATE TABLE albums(" +
             kAlbumColumns +
             ");"
             "CREATE TABLE discs(" +
             kDiscColumns +
             ");"
             "CREATE TABLE items(" +
             kItemColumns + ");");
    {
        TStatement lookups(sql, insertSql("lookups", kLookupColumns));
        for (int list = 0; list < int(TQelDb::LookupFieldOrder.size()); ++list) {
            const TLookupList &entries = db.LookupListAt(list);
            for (qsizetype pos = 0; pos < entries.Count(); ++pos) {
                const TLookupItem *e = entries.Items(pos);
                lookups.Int(list);
                lookups.Int(pos);
                lookups.Int(e->ID);
                lookups.Text(e->SortName);
                lookups.Text(e->DisplayName);
                lookups.Insert();
            }
        }

        TStatement albums(sql, insertSql("albums", kAlbumColumns));
        TStatement discs(sql, insertSql("discs", kDiscColumns));
        TStatement items(sql, insertSql("items", kItemColumns));
        TSaveIds ids;
        for (qsizetype i = 0; i < db.AlbumCount(); ++i) {
            const TAlbum &a = *db.Album(i);
            const qint64 albumId = i + 1;
            albums.Int(albumId);
            bindBase(albums, a);
            albums.Ref(a.Format);
            albums.Ref(a.Label);
            albums.Text(a.Number.view());
            albums.Ref(a.Owner);
            albums.Text(a.Location.view());
            albums.Real(a.PurchaseDate);
            albums.Int(a.Price);
            albums.Ref(a.Store);
            albums.Text(a.Soloists.view());
            albums.Text(a.TourName.view());
            albums.Real(a.RecordingDate);
            albums.Int(a.AD);
            albums.Int(a.Mono);
            albums.Int(a.Rare);
            albums.Int(a.InCollection);
            albums.Text(a.AlbumText1.view());
            albums.Text(a.AlbumText2.view());
            albums.Ref(a.AlbumLookup1);
            albums.Ref(a.AlbumLookup2);
            if (a.HasThumbnail() && a.ThumbnailIndex < db.Pictures.Count())
                albums.Blob(db.Pictures.Rgb(a.ThumbnailIndex));
            else
                albums.Null();
            albums.Text(a.CoverFile.view());
            albums.Insert();

            for (const TDataItem *child : a.Children) {
                const auto &disc = static_cast<const TDisc &>(*child);
                const qint64 discId = ++ids.disc;
                discs.Int(discId);
                discs.Int(albumId);
                bindBase(discs, disc);
                bindTrackPart(discs, disc);
                discs.Int(disc.MsDiscId);
                discs.Int(disc.CddbDiscId);
                discs.Int(disc.CddbRevision);
                discs.Int(disc.LeadOut);
                discs.Insert();
                for (const TDataItem *item : disc.Children)
                    saveItem(items, *item, discId, 0, ids);
            }
        }
    }
    // Indexes on the foreign keys of the tree and on the artist columns, built after
    // the rows since the file is new.
    sql.Exec("CREATE UNIQUE INDEX lookups_id ON lookups(list, id);"
             "CREATE INDEX discs_album ON discs(album_id);"
             "CREATE INDEX items_disc ON items(disc_id);"
             "CREATE INDEX items_parent ON items(parent_id);"
             "CREATE INDEX albums_artist ON albums(artist);"
             "CREATE INDEX items_artist ON items(artist);");
    sql.Exec("COMMIT");
}

namespace {

struct TLoadMaps
{
    std::array<TLoadIdMap, 15> lists;
    const TLoadIdMap &operator[](TFieldId field) const
    {
        static const std::array<qint8, fdLast + 1> listByField = [] {
            std::array<qint8, fdLast + 1> table{};
            for (std::size_t i = 0; i < table.size(); ++i) {
                const auto field = TFieldId(i);
                const auto &order = TQelDb::LookupFieldOrder;
                table[i] = qint8(std::find(order.begin(), order.end(), field) != order.end()
                                     ? LookupListOf(field)
                                     : -1);
            }
            return table;
        }();
        return lists[std::size_t(listByField[field])];
    }
};

void loadBase(TStatement &s, TDataItem &d, const TLoadMaps &maps)
{
    d.Index = qint32(s.GetInt());
    d.Title = s.GetText();
    d.Year = s.GetText();
    d.Artist = s.GetRef(maps[fdArtist]);
    d.Genre = s.GetRef(maps[fdGenre]);
    d.Studio = s.GetRef(maps[fdStudio]);
    d.Producer = s.GetRef(maps[fdProducer]);
    d.Engineer = s.GetRef(maps[fdEngineer]);
    d.Conductor = s.GetRef(maps[fdConductor]);
    d.Orchestra = s.GetRef(maps[fdOrchestra]);
    d.Comments = s.GetText();
    d.Rating = quint8(s.GetInt());
    d.Live = quint8(s.GetInt());
}

void loadTrackPart(TStatement &s, TCustomTrack &t, const TLoadMaps &maps)
{
    t.Songwriter = s.GetRef(maps[fdSongwriter]);
    t.TrackLookup1 = s.GetRef(maps[fdTrackLookup1]);
    t.TrackText1 = s.GetText();
    t.LyricsFile = s.GetText();
    t.AudioFile = s.GetText();
    t.BPM = qint32(s.GetInt());
}

template <class T> T *byId(const std::vector<T *> &table, qint64 id)
{
    if (id <= 0 || quint64(id) >= table.size() || !table[std::size_t(id)])
        Fail("dangling reference in the SQLite file");
    return table[std::size_t(id)];
}

template <class T> void keep(std::vector<T *> &table, qint64 id, T *item)
{
    if (id <= 0)
        Fail("bad row number in the SQLite file");
    if (quint64(id) >= table.size())
        table.resize(std::size_t(id) + 1, nullptr);
    table[std::size_t(id)] = item;
}

} // namespace

// Loads an SQLite file written by SqliteSave into an empty database: one SELECT per
// table, parents resolved through tables indexed by row number.
void SqliteLoad(TQelDb &db, const QString &path)
{
    TSqlDb sql(path, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX); // one thread: no locking per call
    TLoadMaps maps;

    {
        // The lists take their entries in their stored (sorted) order through their
        // own bulk reader instead of one sorted insert per entry.
        constexpr int kLists = int(TQelDb::LookupFieldOrder.size());
        std::vector<std::unique_ptr<TQelWriter>> lists;
        for (int i = 0; i < kLists; ++i) {
            lists.push_back(std::make_unique<TQelWriter>());
            lists.back()->WriteListBegin();
        }
        TStatement s(sql,
                     "SELECT list, id, sort_name, display_name FROM lookups ORDER BY list, pos");
        while (s.Next()) {
            const qint64 list = s.GetInt();
            if (list < 0 || list >= kLists)
                Fail("bad lookup list in the SQLite file");
            TQelWriter &w = *lists[std::size_t(list)];
            w.WriteInteger(qint32(s.GetInt()));
            w.WriteString(s.GetString());
            w.WriteString(s.GetString());
        }
        for (int i = 0; i < kLists; ++i) {
            lists[std::size_t(i)]->WriteListEnd();
            TQelReader reader(lists[std::size_t(i)]->Data());
            db.LookupListAt(i).LoadFromStream(reader, &maps.lists[std::size_t(i)]);
            db.LookupListAt(i).ClearLoadIDs();
        }
    }

    std::vector<TAlbum *> albums;
    {
        TStatement s(sql, selectSql("albums", kAlbumColumns, "id"));
        while (s.Next()) {
            const qint64 id = s.GetInt();
            auto *a = new TAlbum(&db);
            db.AddAlbum(a);
            keep(albums, id, a);
            loadBase(s, *a, maps);
            a->Format = s.GetRef(maps[fdFormat]);
            a->Label = s.GetRef(maps[fdLabel]);
            a->Number = s.GetText();
            a->Owner = s.GetRef(maps[fdOwner]);
            a->Location = s.GetText();
            a->PurchaseDate = s.GetReal();
            a->Price = s.GetInt();
            a->Store = s.GetRef(maps[fdStore]);
            a->Soloists = s.GetText();
            a->TourName = s.GetText();
            a->RecordingDate = s.GetReal();
            a->AD = quint8(s.GetInt());
            a->Mono = s.GetInt() != 0;
            a->Rare = s.GetInt() != 0;
            a->InCollection = s.GetInt() != 0;
            a->AlbumText1 = s.GetText();
            a->AlbumText2 = s.GetText();
            a->AlbumLookup1 = s.GetRef(maps[fdAlbumLookup1]);
            a->AlbumLookup2 = s.GetRef(maps[fdAlbumLookup2]);
            const QByteArrayView rgb = s.GetBlob();
            if (rgb.size() == TPictureList::kBytes) {
                const QImage picture(reinterpret_cast<const uchar *>(rgb.data()),
                                     TPictureList::kSide, TPictureList::kSide,
                                     TPictureList::kSide * 3, QImage::Format_RGB888);
                a->SetThumbnail(&picture);
            }
            a->CoverFile = s.GetText();
        }
    }

    std::vector<TDisc *> discs;
    {
        TStatement s(sql, selectSql("discs", kDiscColumns, "id"));
        while (s.Next()) {
            const qint64 id = s.GetInt();
            TAlbum *album = byId(albums, s.GetInt());
            auto *d = new TDisc(album);
            album->Add(d);
            keep(discs, id, d);
            loadBase(s, *d, maps);
            loadTrackPart(s, *d, maps);
            d->MsDiscId = qint32(s.GetInt());
            d->CddbDiscId = qint32(s.GetInt());
            d->CddbRevision = qint32(s.GetInt());
            d->LeadOut = qint32(s.GetInt());
        }
    }

    std::vector<TDataItem *> items;
    {
        TStatement s(sql, selectSql("items", kItemColumns, "id"));
        while (s.Next()) {
            const qint64 id = s.GetInt();
            TDisc *disc = byId(discs, s.GetInt());
            const qint64 parentId = s.GetInt();
            TDataItem *parent = parentId ? byId(items, parentId) : disc;
            TCustomTrack *item = nullptr;
            TTrack *track = nullptr;
            TSubTrack *sub = nullptr;
            switch (TItemKind(s.GetInt())) {
            case TItemKind::Track:
                item = track = new TTrack(parent);
                break;
            case TItemKind::SubTrack:
                item = sub = new TSubTrack(parent);
                break;
            case TItemKind::Header:
                item = new THeader(parent);
                break;
            default:
                Fail("bad item kind in the SQLite file");
            }
            parent->Add(item);
            keep(items, id, static_cast<TDataItem *>(item));
            loadBase(s, *item, maps);
            loadTrackPart(s, *item, maps);
            const qint32 length = qint32(s.GetInt());
            if (track) {
                track->Length = length;
                track->StartFrame = qint32(s.GetInt());
                track->Position = qint32(s.GetInt());
                disc->Tracks.append(track); // rows come in tree order
            } else if (sub) {
                sub->Length = length;
            }
        }
    }
}

// The same collection as an SQLite file; checked once: loaded from either file, the
// collection must save to the same bytes, so both sides really hold the same data.
TCollection &PeerCollection(int albums)
{
    TCollection &c = Collection(albums);
    if (c.sqlitePath.isEmpty()) {
        const QString path = WorkFile(QStringLiteral("collection-%1.sqlite").arg(albums));
        RemoveFile(path);
        {
            TQelDb db;
            db.ReadFile(c.qelPath, false);
            SqliteSave(db, path);
        }
        TQelDb ours, peer;
        ours.ReadFile(c.qelPath, false);
        SqliteLoad(peer, path);
        const QByteArray want = ours.SaveToBytes();
        const QByteArray got = peer.SaveToBytes();
        if (want != got) {
            qsizetype at = 0;
            while (at < want.size() && at < got.size() && want[at] == got[at])
                ++at;
            std::fprintf(stderr, "[first difference at byte %lld of %lld / %lld]\n", (long long)at,
                         (long long)want.size(), (long long)got.size());
            QFile dump(path + QStringLiteral(".readback"));
            if (dump.open(QIODevice::WriteOnly))
                dump.write(got);
            Fail("the SQLite copy of " + Utf8(c.qelPath) + " does not read back the same");
        }
        c.sqliteBytes = QFileInfo(path).size();
        c.sqlitePath = path;
    }
    return c;
}

} // namespace bench
