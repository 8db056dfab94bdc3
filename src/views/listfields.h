#pragma once

#include "model/fields.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class TDataItem;
class TQelFields;
class TSettingsStore;

// One entry of a field list.
class TListField
{
public:
    explicit TListField(TFieldId field = fdTitle) : FieldId(field) {}
    virtual ~TListField() = default;
    virtual std::unique_ptr<TListField> Clone() const = 0;
    // The field's name as the user set it, without "&".
    QString GetName(const TQelFields &fields) const;

    TFieldId FieldId;
};

class TShowField : public TListField
{
public:
    explicit TShowField(TFieldId field = fdTitle, qint32 width = 100)
        : TListField(field), Width(width)
    {
    }
    std::unique_ptr<TListField> Clone() const override
    {
        return std::make_unique<TShowField>(*this);
    }
    qint32 GetWidth() const { return Width == 0 ? 100 : Width; }

    qint32 Width;
};

class TSortField : public TListField
{
public:
    explicit TSortField(TFieldId field = fdTitle, qint32 order = 1)
        : TListField(field), Order(order)
    {
    }
    std::unique_ptr<TListField> Clone() const override
    {
        return std::make_unique<TSortField>(*this);
    }

    qint32 Order; // 1 ascending, -1 descending
};

// An owned, ordered list of entries describing one level (albums or tracks).
class TListFields
{
public:
    explicit TListFields(TItemLevel level) : Level(level) {}
    virtual ~TListFields() = default;
    TListFields(const TListFields &other);
    TListFields &operator=(const TListFields &other);

    qsizetype Count() const { return qsizetype(m_items.size()); }
    TListField *Items(qsizetype index) const { return m_items[std::size_t(index)].get(); }
    void Add(std::unique_ptr<TListField> entry) { m_items.push_back(std::move(entry)); }
    void Insert(qsizetype index, std::unique_ptr<TListField> entry);
    std::unique_ptr<TListField> Take(qsizetype index);
    void Clear() { m_items.clear(); }
    qsizetype IndexOfField(TFieldId field) const;

    // Entry i lives in section key + "\" + i; the key holds "Count".
    virtual void Load(const TSettingsStore &settings, const QString &key) = 0;
    virtual void Save(TSettingsStore &settings, const QString &key) const = 0;

    const TItemLevel Level;

    // The most entries a stored list is read with: a list holds each field at most
    // once, so a larger "Count" comes from a damaged or hostile file.
    static constexpr qint32 kMaxStoredEntries = fdLast + 1;

protected:
    static QString entrySection(const QString &key, qsizetype i);
    // The sections of the entries a stored count declares, no more than
    // kMaxStoredEntries of them, and only those the store holds.
    static QStringList storedEntries(const TSettingsStore &settings, const QString &key,
                                     qint32 count);

    std::vector<std::unique_ptr<TListField>> m_items;
};

class TShowFields : public TListFields
{
public:
    using TListFields::TListFields;
    TShowField *Items(qsizetype index) const
    {
        return static_cast<TShowField *>(TListFields::Items(index));
    }
    void Load(const TSettingsStore &settings, const QString &key) override;
    void Save(TSettingsStore &settings, const QString &key) const override;
    // The three columns a list shows when nothing was chosen.
    void AddDefaults();
};

class TSortFields : public TListFields
{
public:
    using TListFields::TListFields;
    TSortField *Items(qsizetype index) const
    {
        return static_cast<TSortField *>(TListFields::Items(index));
    }
    void Load(const TSettingsStore &settings, const QString &key) override;
    void Save(TSettingsStore &settings, const QString &key) const override;
};

// Compares two items by a sort-field list: each field with its order, the first
// difference decides; an empty list sorts by "Title"; equal items by identifier.
// Never 0 for two different items.
int CompareItems(const TSortFields &sortFields, const TDataItem *item1, const TDataItem *item2);
