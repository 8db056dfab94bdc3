#include "model/lookuplist.h"

#include "model/general.h"
#include "model/qelerror.h"
#include "model/qelstream.h"
#include "model/textcompare.h"

#include <QCollatorSortKey>
#include <algorithm>

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
// Lower-cases the letters A to Z only.
QString lowerAscii(const QString &s)
{
    QString r = s;
    for (QChar &c : r)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    return r;
}
} // namespace

qsizetype TLookupList::lowerBound(const QString &sortName) const
{
    const auto pos = std::lower_bound(m_items.begin(), m_items.end(), sortName,
                                      [](const std::unique_ptr<TLookupItem> &e, const QString &n) {
                                          return CompareLookupNames(e->SortName, n) < 0;
                                      });
    return pos - m_items.begin();
}

qsizetype TLookupList::IndexOf(const QString &sortName) const
{
    const qsizetype i = lowerBound(sortName);
    if (i < Count() && CompareLookupNames(m_items[std::size_t(i)]->SortName, sortName) == 0)
        return i;
    return -1;
}

qsizetype TLookupList::IndexOfItem(const TLookupItem *item) const
{
    for (std::size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i].get() == item)
            return qsizetype(i);
    return -1;
}

TLookupItem *TLookupList::FindByName(const QString &name) const
{
    if (name.isEmpty())
        return nullptr;
    const qsizetype i = IndexOf(name);
    if (i >= 0)
        return Items(i);
    const QString lowered = lowerAscii(name);
    for (const auto &e : m_items)
        if (!e->DisplayName.isEmpty() && lowerAscii(e->DisplayName) == lowered)
            return e.get();
    return nullptr;
}

void TLookupList::insertSorted(std::unique_ptr<TLookupItem> item)
{
    // After the equal names, so that the first of equal names stays first.
    const auto pos = std::upper_bound(
        m_items.begin(), m_items.end(), item,
        [](const std::unique_ptr<TLookupItem> &a, const std::unique_ptr<TLookupItem> &b) {
            return CompareLookupNames(a->SortName, b->SortName) < 0;
        });
    m_items.insert(pos, std::move(item));
}

TLookupItem *TLookupList::FindOrCreate(const QString &sortName, const QString &displayName)
{
    if (sortName.isEmpty())
        return nullptr;
    const qsizetype i = IndexOf(sortName);
    if (i >= 0)
        return Items(i);
    auto item = std::make_unique<TLookupItem>(NextID(), sortName, displayName);
    TLookupItem *raw = item.get();
    insertSorted(std::move(item));
    return raw;
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
    if (TLookupItem *e = FindByName(name))
        return e;
    return name.isEmpty() ? nullptr : FindOrCreate(name, QString());
}

void TLookupList::Edit(TLookupItem *item, const QString &sortName, const QString &displayName)
{
    const qsizetype i = IndexOfItem(item);
    if (i < 0)
        throw EQel(QStringLiteral("TLookupList.Edit : item not found in list"));
    std::unique_ptr<TLookupItem> owned = std::move(m_items[std::size_t(i)]);
    m_items.erase(m_items.begin() + i);
    owned->SortName = sortName;
    owned->DisplayName = displayName;
    insertSorted(std::move(owned));
}

void TLookupList::Remove(TLookupItem *item)
{
    const qsizetype i = IndexOfItem(item);
    if (i < 0)
        throw EQel(QStringLiteral("TLookupList.Remove : item not found in list"));
    m_items.erase(m_items.begin() + i);
}

void TLookupList::Remove(const std::unordered_set<const TLookupItem *> &items)
{
    std::erase_if(m_items, [&items](const std::unique_ptr<TLookupItem> &e) {
        return items.count(e.get()) > 0;
    });
}

void TLookupList::Clear()
{
    m_items.clear();
    LastID = 0;
}

TLookupItem *TLookupList::FindByLoadID(qint32 number) const
{
    if (number == 0)
        return nullptr;
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

void TLookupList::sort()
{
    // One collation key per entry instead of a collation per comparison.
    std::vector<std::pair<QCollatorSortKey, TLookupItem *>> keyed;
    keyed.reserve(m_items.size());
    for (auto &e : m_items) {
        QCollatorSortKey key = LookupCollator().sortKey(e->SortName);
        keyed.emplace_back(std::move(key), e.release());
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto &a, const auto &b) { return a.first.compare(b.first) < 0; });
    for (std::size_t i = 0; i < keyed.size(); ++i)
        m_items[i].reset(keyed[i].second);
}

void TLookupList::LoadFromStream(TQelReader &reader, TLoadIdMap *map)
{
    // Entries are appended as read and ordered once at the end; a file that breaks
    // off midway must still leave an ordered (searchable) list.
    try {
        reader.ReadListBegin();
        while (!reader.EndOfList()) {
            const qint32 number = reader.ReadInteger();
            QString sortName = reader.ReadString();
            QString displayName = reader.ReadString();
            auto item = std::make_unique<TLookupItem>(NextID(), std::move(sortName),
                                                      std::move(displayName));
            item->LoadID = number;
            if (map)
                map->Add(number, item.get());
            m_items.push_back(std::move(item));
        }
        reader.ReadListEnd();
    } catch (...) {
        sort();
        throw;
    }
    sort();
}

void TLookupList::MergeFromStream(TQelReader &reader, TLoadIdMap *map)
{
    reader.ReadListBegin();
    while (!reader.EndOfList()) {
        const qint32 number = reader.ReadInteger();
        QString sortName = reader.ReadString();
        QString displayName = reader.ReadString();
        TLookupItem *target = FindByName(sortName);
        if (!target) {
            auto item = std::make_unique<TLookupItem>(NextID(), std::move(sortName),
                                                      std::move(displayName));
            target = item.get();
            insertSorted(std::move(item));
        }
        target->LoadID = number;
        if (map)
            map->Add(number, target);
    }
    reader.ReadListEnd();
}

void TLookupList::SaveToStream(TQelWriter &writer) const
{
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
