#pragma once

#include "model/fields.h"
#include "model/qelitem.h"

#include <QList>
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
    QString SortName;
    QString DisplayName;
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

// The entries of one lookup field, kept in sort-name order (the lookup collation).
class TLookupList
{
public:
    explicit TLookupList(TFieldId field) : Field(field) {}
    TLookupList(const TLookupList &) = delete;
    TLookupList &operator=(const TLookupList &) = delete;

    qsizetype Count() const { return qsizetype(m_items.size()); }
    TLookupItem *Items(qsizetype index) const { return m_items[std::size_t(index)].get(); }
    QString GetDisplayText(qsizetype index) const { return LookupDisplayText(Items(index)); }
    QStringList SortNames() const; // in list order

    qsizetype IndexOf(const QString &sortName) const;
    qsizetype IndexOfItem(const TLookupItem *item) const;
    TLookupItem *FindByName(const QString &name) const;
    TLookupItem *FindOrCreate(const QString &sortName, const QString &displayName);
    TLookupItem *GetOrAdd(const QString &name);
    void Edit(TLookupItem *item, const QString &sortName, const QString &displayName);
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
    void sort();
    void insertSorted(std::unique_ptr<TLookupItem> item);
    qsizetype lowerBound(const QString &sortName) const;

    std::vector<std::unique_ptr<TLookupItem>> m_items;
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
