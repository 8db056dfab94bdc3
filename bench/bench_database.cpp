// Opening, saving and closing a collection, side by side with the same collection
// kept in a normalised SQLite database and loaded into the same item objects.
//
// Collections of 1,000, 10,000 and 100,000 albums are generated once per size (on
// first use) into a temporary folder; QEL_BENCH_DIR picks another parent folder and
// QEL_BENCH_KEEP=1 leaves the folder in place.
// Peak memory (and the time of a first open) is measured in a freshly executed copy
// of this program, so nothing the benchmarks allocated before can hide in the numbers.

#include "model/album.h"
#include "model/collectiongenerator.h"
#include "model/lookuplist.h"
#include "model/qeldb.h"
#include "model/qelstream.h"
#include "model/tracks.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kSeed = 7;
constexpr const char *kFreshLoadFlag = "--qel-fresh-load";

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double threadCpuSeconds()
{
    timespec ts{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

[[noreturn]] void fail(const std::string &what)
{
    throw std::runtime_error(what);
}

std::string utf8(const QString &s)
{
    return s.toStdString();
}

qint64 countTracks(const TQelDb &db)
{
    qint64 n = 0;
    for (qsizetype i = 0; i < db.AlbumCount(); ++i)
        for (const TDataItem *child : db.Album(i)->Children)
            if (child->Kind() == TItemKind::Disc)
                n += static_cast<const TDisc *>(child)->TrackCount();
    return n;
}

// Writes bytes with one write() loop and makes them durable: the floor under Save.
void writeAndSync(const QString &path, const QByteArray &bytes)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        fail("cannot create " + name.toStdString());
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, std::size_t(left));
        if (n <= 0) {
            ::close(fd);
            fail("cannot write " + name.toStdString());
        }
        p += n;
        left -= n;
    }
    if (::fsync(fd) != 0) {
        ::close(fd);
        fail("cannot sync " + name.toStdString());
    }
    ::close(fd);
}

// ---------------------------------------------------------------------------
// Text conversion for SQLite, which stores UTF-8. Both directions work in reused
// buffers so that the peer pays for one allocation per text, as the items need it.

void toUtf8(QStringView s, std::string &out)
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
        } else if (c >= 0xD800 && c < 0xDC00 && i + 1 < n && u[i + 1] >= 0xDC00 && u[i + 1] < 0xE000) {
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
qsizetype fromUtf8(const unsigned char *b, int n, char16_t *out)
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
            const char32_t cp = ((c & 0x07) << 18) | ((b[i + 1] & 0x3F) << 12) | ((b[i + 2] & 0x3F) << 6)
                                | (b[i + 3] & 0x3F);
            *o++ = char16_t(0xD800 + ((cp - 0x10000) >> 10));
            *o++ = char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
            i += 4;
        }
    }
    return o - out;
}

// ---------------------------------------------------------------------------
// A thin layer over the sqlite3 C API.

class TSqlDb
{
public:
    TSqlDb(const QString &path, int flags)
    {
        const QByteArray name = QFile::encodeName(path);
        if (sqlite3_open_v2(name.constData(), &m_db, flags, nullptr) != SQLITE_OK) {
            const std::string why = m_db ? sqlite3_errmsg(m_db) : "out of memory";
            sqlite3_close(m_db);
            fail("sqlite3_open " + name.toStdString() + ": " + why);
        }
    }
    ~TSqlDb() { sqlite3_close_v2(m_db); }
    TSqlDb(const TSqlDb &) = delete;
    TSqlDb &operator=(const TSqlDb &) = delete;

    void Exec(const std::string &sql)
    {
        char *error = nullptr;
        if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string why = error ? error : "?";
            sqlite3_free(error);
            fail("sqlite3_exec: " + why);
        }
    }
    sqlite3 *Handle() const { return m_db; }

private:
    sqlite3 *m_db = nullptr;
};

// A prepared statement that binds (insert) or reads (select) its columns in order.
class TStatement
{
public:
    TStatement(const TSqlDb &db, const std::string &sql) : m_db(db.Handle())
    {
        if (sqlite3_prepare_v3(m_db, sql.c_str(), int(sql.size()), SQLITE_PREPARE_PERSISTENT, &m_stmt, nullptr)
            != SQLITE_OK)
            fail(std::string("sqlite3_prepare: ") + sqlite3_errmsg(m_db) + " in " + sql);
        m_text.resize(std::size_t(sqlite3_bind_parameter_count(m_stmt)) + 1);
    }
    ~TStatement() { sqlite3_finalize(m_stmt); }
    TStatement(const TStatement &) = delete;
    TStatement &operator=(const TStatement &) = delete;

    // Binding, one parameter after the other.
    void Null() { sqlite3_bind_null(m_stmt, ++m_col); }
    void Int(qint64 v) { sqlite3_bind_int64(m_stmt, ++m_col, v); }
    void Real(double v) { sqlite3_bind_double(m_stmt, ++m_col, v); }
    void Ref(const TLookupItem *e) { e ? Int(e->ID) : Null(); }
    void Text(QStringView s)
    {
        if (s.isEmpty())
            return Null();
        const int col = ++m_col;
        std::string &buf = m_text[std::size_t(col)]; // stays put until the row is stepped
        toUtf8(s, buf);
        sqlite3_bind_text(m_stmt, col, buf.data(), int(buf.size()), SQLITE_STATIC);
    }
    void Blob(QByteArrayView b) { sqlite3_bind_blob(m_stmt, ++m_col, b.data(), int(b.size()), SQLITE_STATIC); }
    void Insert()
    {
        if (sqlite3_step(m_stmt) != SQLITE_DONE)
            fail(std::string("sqlite3_step: ") + sqlite3_errmsg(m_db));
        sqlite3_reset(m_stmt);
        m_col = 0;
    }

    // Reading, one column after the other.
    bool Next()
    {
        const int rc = sqlite3_step(m_stmt);
        m_col = 0;
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        fail(std::string("sqlite3_step: ") + sqlite3_errmsg(m_db));
    }
    qint64 GetInt() { return sqlite3_column_int64(m_stmt, m_col++); }
    double GetReal() { return sqlite3_column_double(m_stmt, m_col++); }
    TLookupItem *GetRef(const TLoadIdMap &map) { return map.Find(qint32(GetInt())); }
    TText GetText()
    {
        const int col = m_col++;
        const unsigned char *s = sqlite3_column_text(m_stmt, col);
        const int n = sqlite3_column_bytes(m_stmt, col);
        if (!s || n == 0)
            return {};
        if (m_scratch.size() < std::size_t(n))
            m_scratch.resize(std::size_t(n));
        return TText(QStringView(m_scratch.data(), fromUtf8(s, n, m_scratch.data())));
    }
    QString GetString()
    {
        const int col = m_col++;
        const auto *s = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, col));
        return QString::fromUtf8(s, sqlite3_column_bytes(m_stmt, col));
    }
    QByteArrayView GetBlob()
    {
        const int col = m_col++;
        const void *p = sqlite3_column_blob(m_stmt, col);
        return QByteArrayView(static_cast<const char *>(p), sqlite3_column_bytes(m_stmt, col));
    }

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_stmt = nullptr;
    int m_col = 0;
    std::vector<std::string> m_text;
    std::vector<char16_t> m_scratch;
};

// ---------------------------------------------------------------------------
// The peer: one row per album, disc and item (header, track, subtrack), every field
// in a column, lookup entries in one table keyed by list and number. Lookup columns
// hold the entry's number within the list the column belongs to.

const std::string kBaseColumns =
    "idx INTEGER, title TEXT, year TEXT, artist INTEGER, genre INTEGER, studio INTEGER, producer INTEGER, "
    "engineer INTEGER, conductor INTEGER, orchestra INTEGER, comments TEXT, rating INTEGER, live INTEGER";
const std::string kTrackColumns =
    "songwriter INTEGER, track_lookup1 INTEGER, track_text1 TEXT, lyrics_file TEXT, audio_file TEXT, bpm INTEGER";

const std::string kAlbumColumns =
    "id INTEGER PRIMARY KEY, " + kBaseColumns
    + ", format INTEGER, label INTEGER, number TEXT, owner INTEGER, location TEXT, purchase_date REAL, "
      "price INTEGER, store INTEGER, soloists TEXT, tour_name TEXT, recording_date REAL, ad INTEGER, "
      "mono INTEGER, rare INTEGER, in_collection INTEGER, album_text1 TEXT, album_text2 TEXT, "
      "album_lookup1 INTEGER, album_lookup2 INTEGER, thumbnail BLOB, cover_file TEXT";
const std::string kDiscColumns =
    "id INTEGER PRIMARY KEY, album_id INTEGER NOT NULL REFERENCES albums(id), " + kBaseColumns + ", "
    + kTrackColumns + ", ms_disc_id INTEGER, cddb_disc_id INTEGER, cddb_revision INTEGER, lead_out INTEGER";
const std::string kItemColumns =
    "id INTEGER PRIMARY KEY, disc_id INTEGER NOT NULL REFERENCES discs(id), "
    "parent_id INTEGER REFERENCES items(id), kind INTEGER NOT NULL, "
    + kBaseColumns + ", " + kTrackColumns + ", length INTEGER, start_frame INTEGER, position INTEGER";
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
    for (std::size_t i = 0, n = std::size_t(std::count(list.begin(), list.end(), ',')) + 1; i < n; ++i)
        marks += i ? ",?" : "?";
    return "INSERT INTO " + table + "(" + list + ") VALUES(" + marks + ")";
}

std::string selectSql(const std::string &table, const std::string &columns, const std::string &order)
{
    return "SELECT " + names(columns) + " FROM " + table + " ORDER BY " + order;
}

// Position of a lookup field's list in TQelDb::LookupFieldOrder.
int listOf(TFieldId field)
{
    for (std::size_t i = 0; i < TQelDb::LookupFieldOrder.size(); ++i)
        if (TQelDb::LookupFieldOrder[i] == field)
            return int(i);
    fail("not a lookup field");
}

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

// Writes the collection into a new SQLite file in one transaction. Row numbers are
// handed out in tree order, so reading by row number meets parents before children
// and siblings in their order.
void sqliteSave(TQelDb &db, const QString &path)
{
    TSqlDb sql(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX);
    sql.Exec("PRAGMA synchronous=FULL");
    sql.Exec("BEGIN");
    sql.Exec("CREATE TABLE lookups(" + kLookupColumns + ") WITHOUT ROWID;"
             "CREATE TABLE albums(" + kAlbumColumns + ");"
             "CREATE TABLE discs(" + kDiscColumns + ");"
             "CREATE TABLE items(" + kItemColumns + ");");
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
                table[i] = qint8(std::find(order.begin(), order.end(), field) != order.end() ? listOf(field) : -1);
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
        fail("dangling reference in the SQLite file");
    return table[std::size_t(id)];
}

template <class T> void keep(std::vector<T *> &table, qint64 id, T *item)
{
    if (id <= 0)
        fail("bad row number in the SQLite file");
    if (quint64(id) >= table.size())
        table.resize(std::size_t(id) + 1, nullptr);
    table[std::size_t(id)] = item;
}

// Loads an SQLite file written by sqliteSave into an empty database: one SELECT per
// table, parents resolved through tables indexed by row number.
void sqliteLoad(TQelDb &db, const QString &path)
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
        TStatement s(sql, "SELECT list, id, sort_name, display_name FROM lookups ORDER BY list, pos");
        while (s.Next()) {
            const qint64 list = s.GetInt();
            if (list < 0 || list >= kLists)
                fail("bad lookup list in the SQLite file");
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
                const QImage picture(reinterpret_cast<const uchar *>(rgb.data()), TPictureList::kSide,
                                     TPictureList::kSide, TPictureList::kSide * 3, QImage::Format_RGB888);
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
                fail("bad item kind in the SQLite file");
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

// ---------------------------------------------------------------------------
// Loading in a fresh process: this program run again with kFreshLoadFlag loads one
// file and writes its peak resident bytes (VmHWM), the tracks and the load's wall and CPU
// seconds to a pipe. A fresh process pays the first touch of every page it fills,
// as the first open after starting the program does.

struct TFreshLoad
{
    qint64 maxRss = 0;
    qint64 tracks = 0;
    double wall = 0;
    double cpu = 0;
};

// The high-water mark of this process's resident memory. getrusage's ru_maxrss would
// do but for exec: it keeps the mark of the forked copy of the parent, which after a
// large load is far above anything the child itself uses.
qint64 peakResidentBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        fail("cannot read /proc/self/status");
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    fail("no VmHWM in /proc/self/status");
}

int freshLoadChild(int argc, char **argv)
{
    // argv: program flag mode path fd
    if (argc != 5)
        return 2;
    QCoreApplication app(argc, argv);
    const std::string mode = argv[2];
    const QString path = QFile::decodeName(argv[3]);
    const int fd = std::atoi(argv[4]);
    TFreshLoad load;
    try {
        auto *db = new TQelDb; // left to the exit: freeing is no part of the load
        const double cpu = threadCpuSeconds();
        const auto start = Clock::now();
        if (mode == "qel")
            db->ReadFile(path, false);
        else if (mode == "sqlite")
            sqliteLoad(*db, path);
        else if (mode != "empty")
            return 2;
        load.wall = secondsSince(start);
        load.cpu = threadCpuSeconds() - cpu;
        load.tracks = countTracks(*db);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "fresh load: %s\n", e.what());
        return 1;
    }
    load.maxRss = peakResidentBytes();
    char line[128];
    const int n = std::snprintf(line, sizeof line, "%lld %lld %.9f %.9f\n", static_cast<long long>(load.maxRss),
                                static_cast<long long>(load.tracks), load.wall, load.cpu);
    if (::write(fd, line, std::size_t(n)) != n)
        return 1;
    ::_exit(0);
}

TFreshLoad runFreshLoad(const char *mode, const QString &path)
{
    int fds[2];
    if (::pipe(fds) != 0)
        fail("pipe");
    ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    const std::string fdText = std::to_string(fds[1]);
    const QByteArray file = QFile::encodeName(path);
    const pid_t pid = ::fork();
    if (pid < 0)
        fail("fork");
    if (pid == 0) {
        ::execl("/proc/self/exe", "bench_database", kFreshLoadFlag, mode, file.constData(), fdText.c_str(),
                static_cast<char *>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    std::string out;
    char buf[256];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0)
        out.append(buf, std::size_t(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    TFreshLoad load;
    long long rss = 0, tracks = 0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0
        || std::sscanf(out.c_str(), "%lld %lld %lf %lf", &rss, &tracks, &load.wall, &load.cpu) != 4)
        fail(std::string("fresh load child failed (") + mode + ")");
    load.maxRss = rss;
    load.tracks = tracks;
    return load;
}

// The median of a few fresh loads; maxRss becomes the peak above an empty process
// of this program.
TFreshLoad freshLoad(const char *mode, const QString &path)
{
    static const qint64 emptyRss = runFreshLoad("empty", QString()).maxRss;
    constexpr int kRuns = 3;
    std::vector<TFreshLoad> runs;
    for (int i = 0; i < kRuns; ++i)
        runs.push_back(runFreshLoad(mode, path));
    if (runs.front().tracks <= 0)
        fail("no tracks loaded");
    auto middle = [&runs](auto member) {
        std::vector<double> v;
        for (const TFreshLoad &r : runs)
            v.push_back(double(r.*member));
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    TFreshLoad result;
    result.tracks = runs.front().tracks;
    result.maxRss = qint64(middle(&TFreshLoad::maxRss)) - emptyRss;
    result.wall = middle(&TFreshLoad::wall);
    result.cpu = middle(&TFreshLoad::cpu);
    return result;
}

// ---------------------------------------------------------------------------
// The collections, generated on first use and kept for the whole run.

struct TCollection
{
    QString qelPath;
    QString sqlitePath;
    qint64 tracks = 0;
    qint64 qelBytes = 0;
    qint64 sqliteBytes = 0;
    std::optional<TFreshLoad> qelFresh; // maxRss: bytes above an empty process
    std::optional<TFreshLoad> sqliteFresh;
};

QString workDir()
{
    static const std::unique_ptr<QTemporaryDir> dir = [] {
        const QByteArray parent = qgetenv("QEL_BENCH_DIR");
        const QString base = parent.isEmpty() ? QDir::tempPath() : QFile::decodeName(parent);
        QDir().mkpath(base);
        auto d = std::make_unique<QTemporaryDir>(base + QStringLiteral("/qel-bench-XXXXXX"));
        if (!d->isValid())
            fail("cannot create a folder in " + utf8(base));
        d->setAutoRemove(qEnvironmentVariableIsEmpty("QEL_BENCH_KEEP"));
        return d;
    }();
    return dir->path();
}

QString workFile(const QString &name)
{
    return workDir() + u'/' + name;
}

void removeFile(const QString &path)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

TCollection &collection(int albums)
{
    static std::map<int, TCollection> cache;
    TCollection &c = cache[albums];
    if (c.qelPath.isEmpty()) {
        const auto start = Clock::now();
        TQelDb db;
        GenerateCollection(db, albums, kSeed);
        const QString path = workFile(QStringLiteral("collection-%1.qel").arg(albums));
        db.Save(path);
        c.tracks = countTracks(db);
        c.qelBytes = QFileInfo(path).size();
        c.qelPath = path;
        std::fprintf(stderr, "[generated %d albums, %lld tracks, %.1f MB in %.1f s]\n", albums,
                     static_cast<long long>(c.tracks), double(c.qelBytes) / 1e6, secondsSince(start));
    }
    return c;
}

// The same collection as an SQLite file; checked once: loaded from either file, the
// collection must save to the same bytes, so both sides really hold the same data.
TCollection &peerCollection(int albums)
{
    TCollection &c = collection(albums);
    if (c.sqlitePath.isEmpty()) {
        const QString path = workFile(QStringLiteral("collection-%1.sqlite").arg(albums));
        removeFile(path);
        {
            TQelDb db;
            db.ReadFile(c.qelPath, false);
            sqliteSave(db, path);
        }
        TQelDb ours, peer;
        ours.ReadFile(c.qelPath, false);
        sqliteLoad(peer, path);
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
            fail("the SQLite copy of " + utf8(c.qelPath) + " does not read back the same");
        }
        c.sqliteBytes = QFileInfo(path).size();
        c.sqlitePath = path;
    }
    return c;
}

// ---------------------------------------------------------------------------
// Benchmarks. Each times only its operation (manual time, wall clock) and also
// counts the thread's CPU time, which other load on the machine disturbs less; setup
// and undoing the operation happen between the timed parts.

class TTimed
{
public:
    explicit TTimed(benchmark::State &state) : m_state(state) {}
    template <class Op> void operator()(Op op)
    {
        const double cpu = threadCpuSeconds();
        const auto start = Clock::now();
        op();
        m_state.SetIterationTime(secondsSince(start));
        m_cpu += threadCpuSeconds() - cpu;
    }
    void Report(const TCollection &c)
    {
        m_state.counters["cpu_ms"] = benchmark::Counter(m_cpu * 1e3, benchmark::Counter::kAvgIterations);
        m_state.counters["tracks"] = double(c.tracks);
    }

private:
    benchmark::State &m_state;
    double m_cpu = 0;
};

template <class Body> void guarded(benchmark::State &state, Body body)
{
    try {
        body();
    } catch (const std::exception &e) {
        state.SkipWithError(e.what());
    }
}

// What a fresh process pays for the same load: peak memory and time.
void reportFresh(benchmark::State &state, const TCollection &c, const TFreshLoad &fresh, qint64 fileBytes)
{
    state.counters["file_MB"] = double(fileBytes) / 1e6;
    state.counters["peak_MB"] = double(fresh.maxRss) / 1e6;
    state.counters["peak_B/track"] = double(fresh.maxRss) / double(c.tracks);
    state.counters["fresh_ms"] = fresh.wall * 1e3;
    state.counters["fresh_cpu_ms"] = fresh.cpu * 1e3;
}

void BM_Open(benchmark::State &state)
{
    guarded(state, [&] {
        TCollection &c = collection(int(state.range(0)));
        if (!c.qelFresh)
            c.qelFresh = freshLoad("qel", c.qelPath);
        TQelDb db;
        TTimed timed(state);
        for (auto _ : state) {
            db.Clear();
            timed([&] { db.ReadFile(c.qelPath, false); });
        }
        timed.Report(c);
        reportFresh(state, c, *c.qelFresh, c.qelBytes);
    });
}

void BM_Close(benchmark::State &state)
{
    guarded(state, [&] {
        const TCollection &c = collection(int(state.range(0)));
        TQelDb db;
        TTimed timed(state);
        for (auto _ : state) {
            db.ReadFile(c.qelPath, false);
            timed([&] { db.Clear(); });
        }
        timed.Report(c);
    });
}

void BM_Save(benchmark::State &state)
{
    guarded(state, [&] {
        const TCollection &c = collection(int(state.range(0)));
        TQelDb db;
        db.ReadFile(c.qelPath, false);
        const QString target = workFile(QStringLiteral("save.qel"));
        TTimed timed(state);
        for (auto _ : state)
            timed([&] { db.Save(target); });
        removeFile(target);
        timed.Report(c);
    });
}

void BM_Serialise(benchmark::State &state)
{
    guarded(state, [&] {
        const TCollection &c = collection(int(state.range(0)));
        TQelDb db;
        db.ReadFile(c.qelPath, false);
        const QString target = workFile(QStringLiteral("serialise.qel"));
        TTimed timed(state);
        for (auto _ : state) {
            QByteArray bytes; // freed outside the timed part
            timed([&] {
                bytes = db.SaveToBytes();
                writeAndSync(target, bytes);
            });
        }
        removeFile(target);
        timed.Report(c);
    });
}

void BM_SqliteOpen(benchmark::State &state)
{
    guarded(state, [&] {
        TCollection &c = peerCollection(int(state.range(0)));
        if (!c.sqliteFresh)
            c.sqliteFresh = freshLoad("sqlite", c.sqlitePath);
        TQelDb db;
        TTimed timed(state);
        for (auto _ : state) {
            db.Clear();
            timed([&] { sqliteLoad(db, c.sqlitePath); });
        }
        timed.Report(c);
        reportFresh(state, c, *c.sqliteFresh, c.sqliteBytes);
    });
}

void BM_SqliteClose(benchmark::State &state)
{
    guarded(state, [&] {
        const TCollection &c = peerCollection(int(state.range(0)));
        TQelDb db;
        TTimed timed(state);
        for (auto _ : state) {
            db.Clear();
            sqliteLoad(db, c.sqlitePath);
            timed([&] { db.Clear(); });
        }
        timed.Report(c);
    });
}

void BM_SqliteSave(benchmark::State &state)
{
    guarded(state, [&] {
        const TCollection &c = peerCollection(int(state.range(0)));
        TQelDb db;
        db.ReadFile(c.qelPath, false);
        const QString target = workFile(QStringLiteral("save.sqlite"));
        TTimed timed(state);
        for (auto _ : state) {
            removeFile(target);
            timed([&] { sqliteSave(db, target); });
        }
        removeFile(target);
        timed.Report(c);
    });
}

void sizes(benchmark::internal::Benchmark *b)
{
    b->Arg(1000)->Arg(10000)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_Open)->Apply(sizes);
BENCHMARK(BM_SqliteOpen)->Apply(sizes);
BENCHMARK(BM_Close)->Apply(sizes);
BENCHMARK(BM_SqliteClose)->Apply(sizes);
BENCHMARK(BM_Save)->Apply(sizes);
BENCHMARK(BM_Serialise)->Apply(sizes);
BENCHMARK(BM_SqliteSave)->Apply(sizes);

// ---------------------------------------------------------------------------
// The summary table after the console output.

// Keeps every repetition's numbers and shows the console one line per benchmark (the
// median when there are several repetitions).
class TCollectingReporter : public benchmark::ConsoleReporter
{
public:
    struct TResult
    {
        std::vector<double> wall; // seconds per iteration, one entry per repetition
        std::vector<double> cpu;
        std::map<std::string, double> counters;
    };

    void ReportRuns(const std::vector<Run> &reports) override
    {
        std::vector<Run> shown;
        for (const Run &run : reports) {
            if (run.run_type == Run::RT_Aggregate) {
                if (run.aggregate_name == "median")
                    shown.push_back(run);
                continue;
            }
            if (run.error_occurred || run.repetitions <= 1)
                shown.push_back(run);
            if (run.error_occurred || run.iterations <= 0)
                continue;
            TResult &r = results[{run.run_name.function_name, std::atoll(run.run_name.args.c_str())}];
            r.wall.push_back(run.real_accumulated_time / double(run.iterations));
            for (const auto &[name, counter] : run.counters)
                r.counters[name] = counter.value;
            r.cpu.push_back(r.counters.count("cpu_ms") ? r.counters["cpu_ms"] / 1e3 : -1);
        }
        if (!shown.empty())
            ConsoleReporter::ReportRuns(shown);
    }

    const TResult *Find(const std::string &name, long long n) const
    {
        const auto it = results.find({name, n});
        return it == results.end() ? nullptr : &it->second;
    }

    std::map<std::pair<std::string, long long>, TResult> results;
};

double median(std::vector<double> v)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    const std::size_t h = v.size() / 2;
    return v.size() % 2 ? v[h] : (v[h - 1] + v[h]) / 2;
}

double wallOf(const TCollectingReporter::TResult *r)
{
    return r ? median(r->wall) : -1;
}

double cpuOf(const TCollectingReporter::TResult *r)
{
    return r ? median(r->cpu) : -1;
}

double counterOf(const TCollectingReporter::TResult *r, const char *name)
{
    if (!r)
        return -1;
    const auto it = r->counters.find(name);
    return it == r->counters.end() ? -1 : it->second;
}

std::string number(double v, const char *format)
{
    char buf[48];
    if (v < 0)
        return "-";
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

std::string msText(double seconds)
{
    return number(seconds < 0 ? -1 : seconds * 1e3, "%.1f");
}

std::string ratio(double a, double b)
{
    return a < 0 || b <= 0 ? "-" : number(a / b, "%.2f");
}

void printSummary(const TCollectingReporter &rep)
{
    std::set<long long> sizesSeen;
    for (const auto &entry : rep.results)
        sizesSeen.insert(entry.first.second);
    if (sizesSeen.empty())
        return;

    std::printf("\nQel against SQLite: milliseconds per operation, median of the repetitions; wall\n"
                "clock and the thread's CPU time (warm file cache). Peak memory: resident bytes\n"
                "above an empty process, per track.\n\n");
    const char *rowFormat = "%-7s %-8s %-22s %10s %10s %10s %10s %9s %9s\n";
    std::printf(rowFormat, "albums", "tracks", "operation", "Qel", "Qel cpu", "SQLite", "SQLite cpu", "ratio",
                "cpu ratio");

    struct TTarget
    {
        std::string what;
        std::string line;
    };
    std::vector<TTarget> targets = {{"open <= 0.20 x SQLite open (wall)", ""},
                                    {"  the same, thread CPU time", ""},
                                    {"  the same, fresh process (wall)", ""},
                                    {"save <= 1.50 x serialise+write+fsync", ""},
                                    {"close < 150 ms", ""},
                                    {"peak < 400 B/track", ""}};
    auto verdict = [&targets](std::size_t i, long long n, double value, double limit, const char *format) {
        if (value < 0)
            return;
        char buf[96];
        std::snprintf(buf, sizeof buf, format, n, value, value <= limit ? "ok" : "MISSED");
        targets[i].line += buf;
    };

    double lastPeak = -1, lastTracks = -1;
    std::string marginal;
    for (const long long n : sizesSeen) {
        const auto *open = rep.Find("BM_Open", n);
        const auto *peerOpen = rep.Find("BM_SqliteOpen", n);
        const auto *close = rep.Find("BM_Close", n);
        const auto *peerClose = rep.Find("BM_SqliteClose", n);
        const auto *save = rep.Find("BM_Save", n);
        const auto *floor = rep.Find("BM_Serialise", n);
        const auto *peerSave = rep.Find("BM_SqliteSave", n);
        double tracks = -1;
        for (const auto *r : {open, peerOpen, close, peerClose, save, floor, peerSave})
            if (counterOf(r, "tracks") > 0)
                tracks = counterOf(r, "tracks");
        const double peak = counterOf(open, "peak_B/track");
        const double peerPeak = counterOf(peerOpen, "peak_B/track");

        const std::string nText = std::to_string(n);
        const std::string tracksText = number(tracks, "%.0f");
        bool first = true;
        auto row = [&](const char *op, const TCollectingReporter::TResult *ours,
                       const TCollectingReporter::TResult *peer) {
            std::printf(rowFormat, first ? nText.c_str() : "", first ? tracksText.c_str() : "", op,
                        msText(wallOf(ours)).c_str(), msText(cpuOf(ours)).c_str(), msText(wallOf(peer)).c_str(),
                        msText(cpuOf(peer)).c_str(), ratio(wallOf(ours), wallOf(peer)).c_str(),
                        ratio(cpuOf(ours), cpuOf(peer)).c_str());
            first = false;
        };
        row("open", open, peerOpen);
        {
            const double a = counterOf(open, "fresh_ms") / 1e3, ac = counterOf(open, "fresh_cpu_ms") / 1e3;
            const double b = counterOf(peerOpen, "fresh_ms") / 1e3, bc = counterOf(peerOpen, "fresh_cpu_ms") / 1e3;
            std::printf(rowFormat, "", "", "open, fresh process", msText(a).c_str(), msText(ac).c_str(),
                        msText(b).c_str(), msText(bc).c_str(), ratio(a, b).c_str(), ratio(ac, bc).c_str());
        }
        row("save", save, peerSave);
        row("close", close, peerClose);
        std::printf(rowFormat, "", "", "peak memory, B/track", number(peak, "%.0f").c_str(), "",
                    number(peerPeak, "%.0f").c_str(), "", ratio(peak, peerPeak).c_str(), "");
        std::printf(rowFormat, "", "", "serialise+write+fsync", msText(wallOf(floor)).c_str(),
                    msText(cpuOf(floor)).c_str(), "", "", "", "");
        std::printf(rowFormat, "", "", "save / serialise", "", "", "", "",
                    ratio(wallOf(save), wallOf(floor)).c_str(), ratio(cpuOf(save), cpuOf(floor)).c_str());

        verdict(0, n, wallOf(peerOpen) > 0 && wallOf(open) >= 0 ? wallOf(open) / wallOf(peerOpen) : -1, 0.20,
                "  %lld: %.2f %s");
        verdict(1, n, cpuOf(peerOpen) > 0 && cpuOf(open) >= 0 ? cpuOf(open) / cpuOf(peerOpen) : -1, 0.20,
                "  %lld: %.2f %s");
        const double freshOurs = counterOf(open, "fresh_ms"), freshPeer = counterOf(peerOpen, "fresh_ms");
        verdict(2, n, freshPeer > 0 && freshOurs >= 0 ? freshOurs / freshPeer : -1, 0.20, "  %lld: %.2f %s");
        verdict(3, n, wallOf(floor) > 0 && wallOf(save) >= 0 ? wallOf(save) / wallOf(floor) : -1, 1.50,
                "  %lld: %.2f %s");
        verdict(4, n, wallOf(close) < 0 ? -1 : wallOf(close) * 1e3, 150.0, "  %lld: %.1f ms %s");
        verdict(5, n, peak, 400.0, "  %lld: %.0f B %s");

        // What each further track costs, without the fixed part of a load.
        const double peakBytes = counterOf(open, "peak_MB") * 1e6;
        if (peakBytes > 0 && lastPeak > 0 && tracks > lastTracks) {
            marginal += "  " + std::to_string(n) + ": " + number((peakBytes - lastPeak) / (tracks - lastTracks), "%.0f")
                        + " B";
        }
        if (peakBytes > 0) {
            lastPeak = peakBytes;
            lastTracks = tracks;
        }
    }
    std::printf("\nTargets\n");
    for (const auto &t : targets)
        std::printf("  %-38s%s\n", t.what.c_str(), t.line.empty() ? "  (not measured)" : t.line.c_str());
    if (!marginal.empty())
        std::printf("  %-38s%s\n", "(peak per track added since the size before)", marginal.c_str());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], kFreshLoadFlag) == 0)
        return freshLoadChild(argc, argv);

    // Three repetitions unless asked otherwise: a later flag overrides this one.
    std::vector<char *> args(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=3";
    args.insert(args.begin() + 1, repetitions.data());
    int count = int(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;
    QCoreApplication app(count, args.data());

    TCollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printSummary(reporter);
    benchmark::Shutdown();
    return 0;
}
