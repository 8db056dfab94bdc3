#pragma once

#include "model/fields.h"

#include <QElapsedTimer>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>
#include <cstdint>
#include <functional>
#include <unordered_set>
#include <vector>

class TAlbum;
class TLookupItem;
class TProcess;
class TQelDb;

// What the imports of delimited text and of a Discogs export share: the conversion of
// values as other programs write them, the albums made before they join the collection,
// and the summary.

namespace importvalue {

// Each answers false for text it cannot read; the text is trimmed first.
// Whole numbers from lo to hi, leading zeros allowed ("07").
bool Integer(QStringView text, qint32 lo, qint32 hi, qint32 &value);
// "mm:ss", "h:mm:ss" (minutes may pass 99: "100:00") or seconds alone.
bool Length(QStringView text, qint32 &seconds);
// ISO ("2020-11-12", also followed by a time) or the system's short date format; a
// two-digit year is the latest year not after this one. Days as the model counts them.
bool Date(QStringView text, double &days);
// "Yes"/"No", "1"/"0", "true"/"false" in any case.
bool Boolean(QStringView text, bool &value);
// "70%" or "70": 0 to 100.
bool Rating(QStringView text, quint8 &percent);
// An amount in the system's currency format or plain ("12.50"), times 10000.
bool Price(QStringView text, qint64 &scaled);

} // namespace importvalue

// What an import did, for its summary.
struct TImportSummary
{
    // The unconverted values listed by row and column.
    static constexpr int ListedValues = 20;

    struct TValue
    {
        qint64 row = 0; // data rows count from 1, the row after the column names
        QString column;
        QString value;
    };

    qint64 Rows = 0;
    qint64 Albums = 0;
    qint64 Tracks = 0;
    qint64 RaggedRows = 0;  // fewer or more values than columns
    qint64 SkippedRows = 0; // releases the collection held before
    qint64 Unconverted = 0; // values left empty
    std::vector<TValue> FirstUnconverted;
    QStringList NotCarried; // columns of derived fields, by field name
    bool Cancelled = false;

    void AddUnconverted(qint64 row, const QString &column, QStringView value);
    // The lines shown or printed, joined by CR LF.
    QString Text() const;
};

// The albums of one import before they join the collection, and the lookup entries
// they take. Nothing reaches the collection's album list before Commit; Discard (also
// when the batch ends uncommitted) frees the albums and takes out again every lookup
// entry the batch added, so a cancelled import leaves the collection as it was.
class TImportBatch
{
public:
    explicit TImportBatch(TQelDb &db);
    ~TImportBatch();
    TImportBatch(const TImportBatch &) = delete;
    TImportBatch &operator=(const TImportBatch &) = delete;

    TQelDb &Db() const { return m_db; }
    // Says that the batch will hold about this much: a large batch has the heap grow in
    // large steps backed by large pages (where the C library allows), as the arena of a
    // collection read from a file is, so that filling it costs few page faults.
    void ExpectBytes(qint64 bytes);
    // The entry of field's list for name (trimmed) as the editors find or add it
    // (GetOrAdd: an entry found by sort or display name is used as it is); nullptr for
    // an empty name. Each distinct text is looked up once.
    TLookupItem *Lookup(TFieldId field, QStringView name);
    // A blank album of the collection (identifiers from it), not yet in it: no field
    // defaults; "Live" undecided and "A/D" N/A, the values that say nothing.
    TAlbum *NewAlbum();
    qsizetype Count() const { return qsizetype(m_albums.size()); }
    bool AddedLookups() const;

    void Commit();
    void Discard();

private:
    using TCache = QHash<QString, TLookupItem *>;

    void watchHeap();

    TQelDb &m_db;
    std::vector<TAlbum *> m_albums;
    bool m_largeHeap = false;
    std::uintptr_t m_heapEnd = 0; // the end of the heap marked for large pages
    std::array<TCache, fdLast + 1> m_cache;
    std::array<std::unordered_set<const TLookupItem *>, fdLast + 1> m_added;
};

// Passes an import's progress (per mille of the file's bytes) to its process when the
// bar moves or a while has passed: a Cancel is noticed at once, yet the event loop
// does not run for every row.
class TImportProgress
{
public:
    explicit TImportProgress(TProcess &process);
    void Report(qint64 done, qint64 total, qint64 row);

private:
    TProcess &m_process;
    QElapsedTimer m_clock;
    int m_shown = -1;
    qint64 m_lastShown = 0;
};
