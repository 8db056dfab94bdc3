#include "model/lookuplist.h"

#include "model/general.h"
#include "model/qelerror.h"
#include "model/qelstream.h"
#include "model/textcompare.h"

#include <algorithm>
#include <cstring>
#include <unicode/ucol.h>

void TLoadIdMap::Add(qint32 number, TLookupItem *item)
{
    if (number <= 0)
        return; // 0 always means no entry
    // The first entry that carried a number keeps it.
    if (Find(number))
        return;
    // Numbers are normally 1..n: keep those in a dense table, the rest sorted.
    if (quint32(number) < 4 * (m_dense.size() + m_sparse.size()) + 64) {
        if (m_dense.size() <= std::size_t(number))
            m_dense.resize(std::size_t(number) + 1, nullptr);
        m_dense[std::size_t(number)] = item;
        return;
    }
    // A hash: a hostile file numbering its entries downwards must not cost a
    // quadratic number of moves.
    m_sparse.try_emplace(number, item);
}

TLookupItem *TLoadIdMap::findSparse(qint32 number) const
{
    const auto pos = m_sparse.find(number);
    return pos != m_sparse.end() ? pos->second : nullptr;
}

QString GenerateSortName(const QString &displayName)
{
    const qsizetype blank = displayName.indexOf(u' ');
    if (blank < 0)
        return displayName;
    return QStringLiteral("%1, %2").arg(displayName.mid(blank + 1).trimmed(),
                                        displayName.left(blank).trimmed());
}

QString GenerateDisplayName(const QString &sortName)
{
    const qsizetype comma = sortName.indexOf(u',');
    if (comma < 0)
        return sortName;
    return QStringLiteral("%1 %2").arg(sortName.mid(comma + 1).trimmed(),
                                       sortName.left(comma).trimmed());
}

namespace {
// Lower-cases the letters A to Z only; shares the text when there are none.
QString lowerAscii(const QString &s)
{
    const auto upper =
        std::find_if(s.cbegin(), s.cend(), [](QChar c) { return c >= u'A' && c <= u'Z'; });
    if (upper == s.cend())
        return s;
    QString r = s;
    for (auto i = upper - s.cbegin(); i < r.size(); ++i)
        if (r[i] >= u'A' && r[i] <= u'Z')
            r[i] = QChar(r[i].unicode() + 32);
    return r;
}

// ICU collator set up as LookupCollator() sets up its own (same language, case
// ignored, accents counted, normalisation on, punctuation counted), so its sort keys
// are equal exactly for the names that collation calls equal and order as it orders.
UCollator *keyCollator()
{
    static UCollator *const collator = [] {
        const QByteArray name = LookupCollator().locale().bcp47Name().toLatin1().replace('-', '_');
        UErrorCode status = U_ZERO_ERROR;
        UCollator *c = ucol_open(name.constData(), &status);
        if (U_FAILURE(status))
            return static_cast<UCollator *>(nullptr);
        ucol_setAttribute(c, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
        ucol_setAttribute(c, UCOL_STRENGTH, UCOL_SECONDARY, &status);
        ucol_setAttribute(c, UCOL_NUMERIC_COLLATION, UCOL_OFF, &status);
        ucol_setAttribute(c, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
        return c;
    }();
    return collator;
}

// The empty name gets the empty key: it sorts first and equals no other name, also
// not one made of characters the collation ignores (as the collation compares).
QByteArray sortKey(QStringView name)
{
    if (name.isEmpty())
        return {};
    UCollator *c = keyCollator();
    if (!c) { // no collation data: case folding
        const QString folded = name.toString().toCaseFolded();
        return QByteArray(reinterpret_cast<const char *>(folded.utf16()), folded.size() * 2);
    }
    const auto *text = reinterpret_cast<const UChar *>(name.utf16());
    const auto length = int32_t(name.size());
    QByteArray key(16 + name.size() + name.size() / 4, Qt::Uninitialized);
    int32_t n = ucol_getSortKey(c, text, length, reinterpret_cast<uint8_t *>(key.data()),
                                int32_t(key.size()));
    if (n > key.size()) {
        key.resize(n);
        n = ucol_getSortKey(c, text, length, reinterpret_cast<uint8_t *>(key.data()), n);
    }
    key.truncate(n > 0 ? n - 1 : 0); // without the closing zero
    return key;
}

int compareKeys(const QByteArray &a, const QByteArray &b)
{
    const qsizetype n = std::min(a.size(), b.size());
    if (const int r = n ? std::memcmp(a.constData(), b.constData(), std::size_t(n)) : 0)
        return r;
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}
} // namespace

bool TLookupList::before(const TLookupItem &a, const QByteArray &key, quint64 seq)
{
    const int r = compareKeys(a.m_key, key);
    return r < 0 || (r == 0 && a.m_seq < seq);
}

void TLookupList::orderAdded() const
{
    auto inOrder = [](const std::unique_ptr<TLookupItem> &a,
                      const std::unique_ptr<TLookupItem> &b) {
        return TLookupList::before(*a, b->m_key, b->m_seq);
    };
    const auto added = m_items.begin() + qsizetype(m_ordered);
    std::sort(added, m_items.end(), inOrder);
    std::inplace_merge(m_items.begin(), added, m_items.end(), inOrder);
    m_ordered = m_items.size();
}

qsizetype TLookupList::lowerBound(const QByteArray &key, quint64 seq) const
{
    const auto pos = std::lower_bound(m_items.begin(), m_items.end(), key,
                                      [seq](const std::unique_ptr<TLookupItem> &e,
                                            const QByteArray &k) { return before(*e, k, seq); });
    return pos - m_items.begin();
}

void TLookupList::index(TLookupItem *item)
{
    m_bySortKey.insert(item->m_key, item);
    if (!item->DisplayName.isEmpty())
        m_byDisplayName.insert(lowerAscii(item->DisplayName), item);
}

void TLookupList::unindex(TLookupItem *item)
{
    m_bySortKey.remove(item->m_key, item);
    if (!item->DisplayName.isEmpty())
        m_byDisplayName.remove(lowerAscii(item->DisplayName), item);
}

TLookupItem *TLookupList::append(QString sortName, QString displayName, QByteArray key)
{
    auto item =
        std::make_unique<TLookupItem>(NextID(), std::move(sortName), std::move(displayName));
    item->m_key = std::move(key);
    item->m_seq = m_nextSeq++;
    TLookupItem *raw = item.get();
    m_items.push_back(std::move(item));
    index(raw);
    return raw;
}

TLookupItem *TLookupList::firstBySortKey(const QByteArray &key) const
{
    TLookupItem *first = nullptr;
    for (auto [it, end] = m_bySortKey.equal_range(key); it != end; ++it)
        if (!first || it.value()->m_seq < first->m_seq)
            first = it.value();
    return first;
}

qsizetype TLookupList::IndexOf(const QString &sortName) const
{
    const TLookupItem *first = firstBySortKey(sortKey(sortName));
    if (!first)
        return -1;
    order();
    return lowerBound(first->m_key, first->m_seq);
}

qsizetype TLookupList::positionOf(const TLookupItem *item) const
{
    // Found by its own place in the order, not by a scan; an entry of another list,
    // or none, is not at the place its key gives.
    order();
    const qsizetype i = lowerBound(item->m_key, item->m_seq);
    return i < Count() && m_items[std::size_t(i)].get() == item ? i : -1;
}

qsizetype TLookupList::IndexOfItem(const TLookupItem *item) const
{
    // By address only: callers ask about entries that may be gone already.
    order();
    for (std::size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i].get() == item)
            return qsizetype(i);
    return -1;
}

TLookupItem *TLookupList::FindByName(const QString &name) const
{
    return name.isEmpty() ? nullptr : findByName(name, sortKey(name));
}

TLookupItem *TLookupList::findByName(const QString &name, const QByteArray &key) const
{
    if (TLookupItem *e = firstBySortKey(key))
        return e;
    TLookupItem *first = nullptr;
    for (auto [it, end] = m_byDisplayName.equal_range(lowerAscii(name)); it != end; ++it) {
        TLookupItem *e = it.value();
        if (!first || before(*e, first->m_key, first->m_seq))
            first = e;
    }
    return first;
}

TLookupItem *TLookupList::FindOrCreate(const QString &sortName, const QString &displayName)
{
    if (sortName.isEmpty())
        return nullptr;
    QByteArray key = sortKey(sortName);
    if (TLookupItem *e = firstBySortKey(key))
        return e;
    return append(sortName, displayName, std::move(key));
}

QStringList TLookupList::SortNames() const
{
    QStringList names;
    names.reserve(Count());
    for (qsizetype i = 0; i < Count(); ++i)
        names << Items(i)->SortName;
    return names;
}

TLookupItem *TLookupList::GetOrAdd(const QString &name)
{
    if (name.isEmpty())
        return nullptr;
    QByteArray key = sortKey(name);
    if (TLookupItem *e = findByName(name, key))
        return e;
    return append(name, QString(), std::move(key));
}

TLookupItem *TLookupList::GetOrAddShown(const QString &name)
{
    if (name.isEmpty())
        return nullptr;
    QByteArray key = sortKey(name);
    TLookupItem *e = findByName(name, key);
    if (!e)
        return append(name, name, std::move(key));
    if (e->DisplayName.isEmpty()) {
        // The sort name stays, and with it the entry's place: no reordering.
        e->DisplayName = name;
        m_byDisplayName.insert(lowerAscii(name), e);
    }
    return e;
}

void TLookupList::Edit(TLookupItem *item, const QString &sortName, const QString &displayName)
{
    const qsizetype from = positionOf(item);
    if (from < 0)
        throw EQel(QStringLiteral("TLookupList.Edit : item not found in list"));
    unindex(item);
    item->SortName = sortName;
    item->DisplayName = displayName;
    item->m_key = sortKey(sortName);
    // After the entries whose names collate equal, as a new one would go.
    item->m_seq = m_nextSeq++;
    index(item);
    // Only the entries between the old place and the new one move.
    const auto begin = m_items.begin();
    const auto at = begin + from;
    const auto inOrder = [](const std::unique_ptr<TLookupItem> &e, const TLookupItem *k) {
        return before(*e, k->m_key, k->m_seq);
    };
    if (from > 0 && !before(*m_items[std::size_t(from - 1)], item->m_key, item->m_seq)) {
        const auto to = std::lower_bound(begin, at, item, inOrder);
        std::rotate(to, at, at + 1);
    } else {
        const auto to = std::lower_bound(at + 1, m_items.end(), item, inOrder);
        std::rotate(at, at + 1, to);
    }
}

void TLookupList::Remove(TLookupItem *item)
{
    const qsizetype i = IndexOfItem(item);
    if (i < 0)
        throw EQel(QStringLiteral("TLookupList.Remove : item not found in list"));
    unindex(item);
    m_items.erase(m_items.begin() + i);
    m_ordered = m_items.size();
}

void TLookupList::Remove(const std::unordered_set<const TLookupItem *> &items)
{
    order();
    std::erase_if(m_items, [this, &items](const std::unique_ptr<TLookupItem> &e) {
        if (!items.count(e.get()))
            return false;
        unindex(e.get());
        return true;
    });
    m_ordered = m_items.size();
}

void TLookupList::Clear()
{
    m_bySortKey.clear();
    m_byDisplayName.clear();
    m_items.clear();
    m_ordered = 0;
    m_nextSeq = 0;
    LastID = 0;
}

TLookupItem *TLookupList::FindByLoadID(qint32 number) const
{
    if (number == 0)
        return nullptr;
    order(); // the first in list order
    for (const auto &e : m_items)
        if (e->LoadID == number)
            return e.get();
    return nullptr;
}

void TLookupList::ClearLoadIDs()
{
    for (const auto &e : m_items)
        e->LoadID = -1;
}

void TLookupList::LoadFromStream(TQelReader &reader, TLoadIdMap *map)
{
    // Entries are appended as read and ordered when first looked at, so a file that
    // breaks off midway still leaves an ordered, searchable list.
    reader.ReadListBegin();
    while (!reader.EndOfList()) {
        const qint32 number = reader.ReadInteger();
        QString sortName = reader.ReadString();
        QString displayName = reader.ReadString();
        QByteArray key = sortKey(sortName);
        TLookupItem *item = append(std::move(sortName), std::move(displayName), std::move(key));
        item->LoadID = number;
        if (map)
            map->Add(number, item);
    }
    reader.ReadListEnd();
}

void TLookupList::MergeFromStream(TQelReader &reader, TLoadIdMap *map)
{
    reader.ReadListBegin();
    while (!reader.EndOfList()) {
        const qint32 number = reader.ReadInteger();
        QString sortName = reader.ReadString();
        QString displayName = reader.ReadString();
        QByteArray key = sortKey(sortName);
        TLookupItem *target = sortName.isEmpty() ? nullptr : findByName(sortName, key);
        if (!target)
            target = append(std::move(sortName), std::move(displayName), std::move(key));
        target->LoadID = number;
        if (map)
            map->Add(number, target);
    }
    reader.ReadListEnd();
}

void TLookupList::SaveToStream(TQelWriter &writer) const
{
    order();
    writer.WriteListBegin();
    for (const auto &e : m_items) {
        writer.WriteInteger(e->ID);
        writer.WriteString(e->SortName);
        writer.WriteString(e->DisplayName);
    }
    writer.WriteListEnd();
}

void TLookupItemList::SortByName(int direction)
{
    TWaitCursor wait;
    std::sort(begin(), end(), [direction](const TLookupItem *a, const TLookupItem *b) {
        if (!a || !b)
            return !a && b; // no-entry elements first in both directions
        const int r = CompareFolded(a->SortName, b->SortName) * direction;
        if (r != 0)
            return r < 0;
        return a->ID < b->ID;
    });
}
