#pragma once

// The peer of the benchmarks: the same collection in a normalised SQLite database.
// One row per album, disc and item (header, track, subtrack), every field in a
// column, lookup entries in one table keyed by list and number; lookup columns hold
// the entry's number. Loading fills the same item objects our reader fills.

#include "benchdata.h"

#include "model/fields.h"
#include "model/lookuplist.h"
#include "model/text.h"

#include <QByteArrayView>
#include <QFile>
#include <QString>
#include <QStringView>

#include <sqlite3.h>

#include <string>
#include <vector>

class TQelDb;

namespace bench {

// Text conversion for SQLite, which stores UTF-8, into and out of reused buffers.
void ToUtf8(QStringView s, std::string &out);
// out needs room for n units (UTF-16 is never longer than the UTF-8 it came from).
qsizetype FromUtf8(const unsigned char *b, int n, char16_t *out);

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
            Fail("sqlite3_open " + name.toStdString() + ": " + why);
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
            Fail("sqlite3_exec: " + why);
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
        if (sqlite3_prepare_v3(m_db, sql.c_str(), int(sql.size()), SQLITE_PREPARE_PERSISTENT,
                               &m_stmt, nullptr) != SQLITE_OK)
            Fail(std::string("sqlite3_prepare: ") + sqlite3_errmsg(m_db) + " in " + sql);
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
        ToUtf8(s, buf);
        sqlite3_bind_text(m_stmt, col, buf.data(), int(buf.size()), SQLITE_STATIC);
    }
    void Blob(QByteArrayView b)
    {
        sqlite3_bind_blob(m_stmt, ++m_col, b.data(), int(b.size()), SQLITE_STATIC);
    }
    void Insert()
    {
        if (sqlite3_step(m_stmt) != SQLITE_DONE)
            Fail(std::string("sqlite3_step: ") + sqlite3_errmsg(m_db));
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
        Fail(std::string("sqlite3_step: ") + sqlite3_errmsg(m_db));
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
        return TText(QStringView(m_scratch.data(), FromUtf8(s, n, m_scratch.data())));
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

// Tables: lookups(list, pos, id, sort_name, display_name), albums(id, ...),
// discs(id, album_id, ...), items(id, disc_id, parent_id, kind, ...). Row numbers
// follow tree order.

// The number of a lookup field's list in the lookups table.
int LookupListOf(TFieldId field);

// Writes the collection into a new SQLite file in one transaction.
void SqliteSave(TQelDb &db, const QString &path);
// Loads a file written by SqliteSave into an empty database.
void SqliteLoad(TQelDb &db, const QString &path);

// The collection of this many albums with its SQLite copy, built on first use and
// checked to hold the same data.
TCollection &PeerCollection(int albums);

} // namespace bench
