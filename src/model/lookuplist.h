#pragma once

#include "model/fields.h"
#include "model/qelitem.h"

#include <QByteArray>
#include <QList>
#include <QMultiHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class TQelReader;
class TQelWriter;

// An entry of a lookup list: a sort name that orders it and an optional display name.
class TLookupItem : public TQel
{
public:
    TLookupItem(qint32 id, QString sortName, QString displayName)
        : SortName(std::move(sortName)), DisplayName(std::move(displayName))
    {
        ID = id;
    }

    qint32 LoadID = -1;
    // Change the names through TLookupList::Edit: the list indexes them.
    QString SortName;
    QString DisplayName;

private:
    friend class TLookupList;
    QByteArray m_key;  // collation key of SortName
    quint64 m_seq = 0; // order of arrival; orders entries whose names collate equal
};

// Texts of an entry, also defined for no entry.
inline QString LookupDisplayText(const TLookupItem *e)
{
    return e ? (e->DisplayName.isEmpty() ? e->SortName : e->DisplayName) : QString();
}
inline QString LookupSortText(const TLookupItem *e)
{
    return e ? e->SortName : QString();
}
inline QString DisplayNameOrMark(const TLookupItem *e)
{
    return e ? (e->DisplayName.isEmpty() ? QStringLiteral("[EMPTY]") : e->DisplayName) : QString();
}
inline qint32 LookupNumber(const TLookupItem *e)
{
    return e ? e->ID : 0;
}

// The numbers that entries carried in a file being read, mapped to the entries they
// became. Several numbers may lead to one entry (a merge joins entries by name).
class TLoadIdMap
{
public:
    void Add(qint32 number, TLookupItem *item);
    // A number may sit in either table: one that went to the hash early stays there
    // after the dense table has grown past it.
    TLookupItem *Find(qint32 number) const
    {
        if (number <= 0)
            return nullptr;
        if (quint32(number) < m_dense.size()) {
            if (TLookupItem *item = m_dense[std::size_t(number)])
                return item;
        }
        return m_sparse.empty() ? nullptr : findSparse(number);
    }

private:
    TLookupItem *findSparse(qint32 number) const;
    std::vector<TLookupItem *> m_dense;                 // small numbers
    std::unordered_map<qint32, TLookupItem *> m_sparse; // the rest
};

QString GenerateSortName(const QString &displayName);
QString GenerateDisplayName(const QString &sortName);

// The entries of one lookup field, kept in sort-name order (the lookup collation);
// entries whose names collate equal keep their order of arrival.
//
// Names are found through hashes (collation key of the sort name, and the display name
// with A to Z lowered), so finding and adding cost the same in a list of any size.
// Added entries wait unordered at the end until something reads positions: Items,
// GetDisplayText, IndexOf, IndexOfItem, SortNames, Edit, Remove and saving put them in
// order first, all at once, so a run of additions (an import, a merge) sorts once and
// no caller ever sees the list out of order. Count() counts them at any time.
// Not for concurrent use, even when only reading.
class TLookupList
{
public:
    explicit TLookupList(TFieldId field) : Field(field) {}
    TLookupList(const TLookupList &) = delete;
    TLookupList &operator=(const TLookupList &) = delete;

    qsizetype Count() const { return qsizetype(m_items.size()); }
    TLookupItem *Items(qsizetype index) const
    {
        order();
        return m_items[std::size_t(index)].get();
    }
    QString GetDisplayText(qsizetype index) const { return LookupDisplayText(Items(index)); }
    QStringList SortNames() const; // in list order

    // The first of the entries whose sort name collates equal, or -1.
    qsizetype IndexOf(const QString &sortName) const;
    qsizetype IndexOfItem(const TLookupItem *item) const;
    // The entry by sort name (collation) or else by display name (A to Z folded),
    // the first in list order.
    TLookupItem *FindByName(const QString &name) const;
    TLookupItem *FindOrCreate(const QString &sortName, const QString &displayName);
    TLookupItem *GetOrAdd(const QString &name);
    // The same for artist names that imports and look-ups bring: a new entry takes name
    // as its sort and display name, a found one without a display name takes name as
    // that (in place: its sort name, and so its position, stay), so such artists never
    // show as "[EMPTY]" where the submission asks for a display name. Other fields take
    // GetOrAdd, as names typed by the user do.
    TLookupItem *GetOrAddShown(const QString &name);
    void Edit(TLookupItem *item, const QString &sortName, const QString &displayName);
    // Grows with every entry added or renamed: what was worked out from the names
    // (an order of items) holds while it stays the same.
    quint64 Version() const { return m_nextSeq; }
    void Remove(TLookupItem *item);
    // Removes and frees the entries of the set that are in the list, in one pass.
    void Remove(const std::unordered_set<const TLookupItem *> &items);
    void Clear();
    qint32 NextID() { return ++LastID; }

    TLookupItem *FindByLoadID(qint32 number) const;
    void ClearLoadIDs();

    // Both fill map (when given) with the numbers of the file.
    void LoadFromStream(TQelReader &reader, TLoadIdMap *map = nullptr);
    void MergeFromStream(TQelReader &reader, TLoadIdMap *map = nullptr);
    void SaveToStream(TQelWriter &writer) const;

    qint32 LastID = 0;
    const TFieldId Field;

private:
    void order() const
    {
        if (m_ordered != m_items.size())
            orderAdded();
    }
    void orderAdded() const;
    // List order: the collation key, then arrival.
    static bool before(const TLookupItem &a, const QByteArray &key, quint64 seq);
    TLookupItem *append(QString sortName, QString displayName, QByteArray key);
    void index(TLookupItem *item);
    void unindex(TLookupItem *item);
    TLookupItem *firstBySortKey(const QByteArray &key) const;
    TLookupItem *findByName(const QString &name, const QByteArray &key) const;
    // Position of the first entry not before (key, seq); the list is in order.
    qsizetype lowerBound(const QByteArray &key, quint64 seq) const;
    // Position of a live entry by binary search (the list put in order first), or -1
    // when it is not in this list.
    qsizetype positionOf(const TLookupItem *item) const;

    // In order up to m_ordered, then the entries added since, as they came.
    mutable std::vector<std::unique_ptr<TLookupItem>> m_items;
    mutable std::size_t m_ordered = 0;
    quint64 m_nextSeq = 0;
    QMultiHash<QByteArray, TLookupItem *> m_bySortKey;
    QMultiHash<QString, TLookupItem *> m_byDisplayName; // A to Z lowered; empty ones left out
};

// A plain list of borrowed objects that can be searched by identifier.
template <class T> class TQelList : public QList<T *>
{
public:
    qsizetype IndexOfID(qint32 id) const
    {
        for (qsizetype i = 0; i < this->size(); ++i)
            if (this->at(i) && this->at(i)->ID == id)
                return i;
        return -1;
    }
};

// Entries as the main window lists the values of a grouping field; nullptr stands
// for the items without a value.
class TLookupItemList : public TQelList<TLookupItem>
{
public:
    void SortByName(int direction);
};
