#include "exchange/importbatch.h"

#include "model/album.h"
#include "model/qeldb.h"
#include "model/valueformat.h"
#include "services/process.h"

#include <QCoreApplication>
#include <QDate>
#include <QLocale>
#include <algorithm>
#include <cmath>

#if defined(__GLIBC__) && defined(__linux__)
#define QEL_LARGE_HEAP 1
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("TImportSummary", text);
}

bool digitsOnly(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

// Digits to a number no larger than limit; false past it.
bool toNumber(QStringView digits, qint64 limit, qint64 &value)
{
    if (!digitsOnly(digits))
        return false;
    value = 0;
    for (const QChar c : digits) {
        value = value * 10 + (c.unicode() - u'0');
        if (value > limit)
            return false;
    }
    return true;
}

// A two-digit year read by the locale's short format lands in 1900-1999; it means the
// latest such year that is not in the future.
QDate withCentury(QDate date)
{
    const int currentYear = QDate::currentDate().year();
    const int yy = date.year() % 100;
    const int year = 2000 + yy <= currentYear ? 2000 + yy : 1900 + yy;
    return QDate(year, date.month(), date.day());
}

} // namespace

namespace importvalue {

bool Integer(QStringView text, qint32 lo, qint32 hi, qint32 &value)
{
    text = text.trimmed();
    bool negative = false;
    if (text.startsWith(u'-')) {
        negative = true;
        text = text.sliced(1);
    }
    qint64 n = 0;
    if (!toNumber(text, qint64(1) << 31, n))
        return false;
    if (negative)
        n = -n;
    if (n < lo || n > hi)
        return false;
    value = qint32(n);
    return true;
}

bool Length(QStringView text, qint32 &seconds)
{
    text = text.trimmed();
    constexpr qint64 kMax = 0x7FFFFFFF;
    qint64 total = 0;
    int parts = 0;
    for (qsizetype i = 0; i <= text.size(); ++parts) {
        // One part: the digits up to the next colon or the end.
        qsizetype end = i;
        while (end < text.size() && text[end] != u':')
            ++end;
        qint64 n = 0;
        if (parts >= 3 || !toNumber(text.sliced(i, end - i), kMax, n))
            return false;
        // Below the first part, minutes and seconds stay under 60.
        if (parts > 0 && (n >= 60 || end - i != 2))
            return false;
        total = total * 60 + n;
        if (total > kMax)
            return false;
        i = end + 1;
    }
    seconds = qint32(total);
    return true;
}

bool Date(QStringView text, double &days)
{
    text = text.trimmed();
    if (text.isEmpty())
        return false;
    QDate date;
    if (text.size() >= 10 && text[4] == u'-' &&
        (text.size() == 10 || text[10] == u'T' || text[10] == u' '))
        date = QDate::fromString(text.left(10).toString(), Qt::ISODate);
    if (!date.isValid()) {
        const QLocale locale;
        const QString format = locale.dateFormat(QLocale::ShortFormat);
        const bool shortYear = !format.contains(QLatin1String("yyyy"));
        date = locale.toDate(text.toString(), format);
        if (date.isValid() && shortYear)
            date = withCentury(date);
        if (!date.isValid() && shortYear) {
            QString longYear = format;
            longYear.replace(QLatin1String("yy"), QLatin1String("yyyy"));
            date = locale.toDate(text.toString(), longYear);
        }
    }
    if (!date.isValid())
        return false;
    days = DaysFromDate(date);
    return days != 0; // 30 December 1899 is the stored "no date"
}

bool Boolean(QStringView text, bool &value)
{
    text = text.trimmed();
    for (const char *yes : {"yes", "1", "true"})
        if (text.compare(QLatin1String(yes), Qt::CaseInsensitive) == 0)
            return value = true;
    for (const char *no : {"no", "0", "false"})
        if (text.compare(QLatin1String(no), Qt::CaseInsensitive) == 0) {
            value = false;
            return true;
        }
    return false;
}

bool Rating(QStringView text, quint8 &percent)
{
    text = text.trimmed();
    if (text.endsWith(u'%'))
        text = text.chopped(1).trimmed();
    qint32 n = 0;
    if (!Integer(text, 0, 100, n))
        return false;
    percent = quint8(n);
    return true;
}

bool Price(QStringView text, qint64 &scaled)
{
    QString t = text.trimmed().toString();
    if (t.isEmpty())
        return false;
    const QLocale locale;
    const QString symbol = locale.currencySymbol();
    if (!symbol.isEmpty())
        t.remove(symbol);
    t = t.trimmed();
    bool ok = false;
    double amount = locale.toDouble(t, &ok);
    if (!ok)
        amount = QLocale::c().toDouble(t, &ok);
    // The largest amount whose scaled value fits 64 bits.
    if (!ok || !std::isfinite(amount) || std::fabs(amount) > 922337203685477.0)
        return false;
    scaled = qint64(std::llround(amount * 10000.0));
    return true;
}

} // namespace importvalue

void TImportSummary::AddUnconverted(qint64 row, const QString &column, QStringView value)
{
    ++Unconverted;
    if (FirstUnconverted.size() < std::size_t(ListedValues))
        FirstUnconverted.push_back({row, column, value.toString()});
}

QString TImportSummary::Text() const
{
    QStringList lines;
    if (Tracks > 0)
        lines << tr("Imported %1 albums with %2 tracks from %3 rows.")
                     .arg(Albums)
                     .arg(Tracks)
                     .arg(Rows);
    else
        lines << tr("Imported %1 albums from %2 rows.").arg(Albums).arg(Rows);
    if (SkippedRows > 0)
        lines << tr("Skipped %1 rows whose Discogs release the collection already holds.")
                     .arg(SkippedRows);
    if (RaggedRows > 0)
        lines << tr("%1 rows had fewer or more values than there are columns: the values "
                    "they have were used.")
                     .arg(RaggedRows);
    if (Unconverted > 0) {
        lines << tr("%1 values could not be converted and were left empty:").arg(Unconverted);
        for (const TValue &v : FirstUnconverted) {
            QString value = v.value;
            if (value.size() > 40)
                value = value.left(40) + QStringLiteral("...");
            value.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
            lines << tr("  row %1, column \"%2\": \"%3\"").arg(v.row).arg(v.column, value);
        }
        if (Unconverted > qint64(FirstUnconverted.size()))
            lines << tr("  and %1 more.").arg(Unconverted - qint64(FirstUnconverted.size()));
    }
    if (!NotCarried.isEmpty())
        lines << tr("Not carried back, as the collection derives them from other values: %1.")
                     .arg(NotCarried.join(QStringLiteral(", ")));
    return lines.join(QStringLiteral("\r\n"));
}

TImportBatch::TImportBatch(TQelDb &db) : m_db(db) {}

TImportBatch::~TImportBatch()
{
    Discard();
#ifdef QEL_LARGE_HEAP
    if (m_largeHeap)
        mallopt(M_TOP_PAD, 128 * 1024); // the C library's default
#endif
}

namespace {
#ifdef QEL_LARGE_HEAP
constexpr std::uintptr_t kLargePage = std::uintptr_t(2) << 20;
// The heap grows by this much at a time while a large batch is filled.
constexpr int kHeapStep = 64 << 20;
#endif
} // namespace

void TImportBatch::ExpectBytes(qint64 bytes)
{
#ifdef QEL_LARGE_HEAP
    // Below this the page faults do not matter.
    if (m_largeHeap || bytes < (qint64(32) << 20))
        return;
    m_largeHeap = mallopt(M_TOP_PAD, kHeapStep) == 1;
    m_heapEnd = reinterpret_cast<std::uintptr_t>(sbrk(0));
#else
    Q_UNUSED(bytes);
#endif
}

// The heap grows by a large step at the end of its address range; the part that no
// album touched yet is marked for large pages (what was touched keeps small ones).
void TImportBatch::watchHeap()
{
#ifdef QEL_LARGE_HEAP
    const auto end = reinterpret_cast<std::uintptr_t>(sbrk(0));
    if (end <= m_heapEnd + kLargePage)
        return;
    const std::uintptr_t from = (m_heapEnd + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t to = end & ~(kLargePage - 1);
    if (to > from)
        madvise(reinterpret_cast<void *>(from), to - from, MADV_HUGEPAGE);
    m_heapEnd = end;
#endif
}

TLookupItem *TImportBatch::Lookup(TFieldId field, QStringView name)
{
    name = name.trimmed();
    if (name.isEmpty() || field > fdLast)
        return nullptr;
    TCache &cache = m_cache[field];
    // Looked up without a copy of the text.
    const auto found = cache.constFind(QString::fromRawData(name.data(), name.size()));
    if (found != cache.constEnd())
        return found.value();
    TLookupList &list = m_db.LookupList(field);
    const qsizetype before = list.Count();
    const QString text = name.toString();
    TLookupItem *entry = list.GetOrAdd(text);
    if (list.Count() > before)
        m_added[field].insert(entry);
    cache.insert(text, entry);
    return entry;
}

TAlbum *TImportBatch::NewAlbum()
{
    if (m_largeHeap)
        watchHeap();
    auto *album = new TAlbum(&m_db);
    album->Live = 2;
    album->AD = 4;
    m_albums.push_back(album);
    return album;
}

bool TImportBatch::AddedLookups() const
{
    for (const auto &added : m_added)
        if (!added.empty())
            return true;
    return false;
}

void TImportBatch::Commit()
{
    for (TAlbum *album : m_albums)
        m_db.AddAlbum(album);
    m_albums.clear();
    for (auto &added : m_added)
        added.clear();
    for (auto &cache : m_cache)
        cache.clear();
}

void TImportBatch::Discard()
{
    for (TAlbum *album : m_albums)
        FreeItem(album);
    m_albums.clear();
    for (TFieldId f = 0; f <= fdLast; ++f) {
        if (!m_added[f].empty())
            m_db.RemoveLookupItems(f, m_added[f]);
        m_added[f].clear();
        m_cache[f].clear();
    }
}

TImportProgress::TImportProgress(TProcess &process) : m_process(process)
{
    m_process.Max = 1000;
    m_clock.start();
}

void TImportProgress::Report(qint64 done, qint64 total, qint64 row)
{
    const int permille = total > 0 ? int(std::clamp<qint64>(done * 1000 / total, 0, 1000)) : 0;
    if (permille != m_shown || ((row & 255) == 0 && m_clock.elapsed() - m_lastShown > 40)) {
        m_shown = permille;
        m_lastShown = m_clock.elapsed();
        m_process.SetPosition(permille);
    }
}
