#pragma once

#include "views/listfields.h"

#include <QString>

class TDataItem;
class TQelFields;

// One condition of a filter on a field.
class TFilterField : public TListField
{
public:
    using TListField::TListField;
    virtual QString GetDescription(const TQelFields &fields) const = 0;
    virtual bool Matches(const TDataItem *item, bool caseSensitive) const = 0;
    // The entry's own values in its section of the settings store.
    virtual void LoadValues(const TSettingsStore &settings, const QString &section) = 0;
    virtual void SaveValues(TSettingsStore &settings, const QString &section) const = 0;
};

// The text occurs in the field's display text (for lookup fields also in the sort
// text). Prepared once: the lower-cased text is kept.
class TStringFilterField : public TFilterField
{
public:
    explicit TStringFilterField(TFieldId field = fdTitle, const QString &value = {});
    std::unique_ptr<TListField> Clone() const override
    {
        return std::make_unique<TStringFilterField>(*this);
    }
    QString GetDescription(const TQelFields &fields) const override;
    bool Matches(const TDataItem *item, bool caseSensitive) const override;
    void LoadValues(const TSettingsStore &settings, const QString &section) override;
    void SaveValues(TSettingsStore &settings, const QString &section) const override;
    QString StringValue() const { return m_value; }
    void SetStringValue(const QString &value);

private:
    QString m_value;
    QString m_lowered; // letters A to Z lower-cased
};

class TIntegerFilterField : public TFilterField
{
public:
    explicit TIntegerFilterField(TFieldId field = fdIndex, qint32 low = 0, qint32 high = 2147483647)
        : TFilterField(field), IntValue1(low), IntValue2(high)
    {
    }
    std::unique_ptr<TListField> Clone() const override
    {
        return std::make_unique<TIntegerFilterField>(*this);
    }
    QString GetDescription(const TQelFields &fields) const override;
    bool Matches(const TDataItem *item, bool caseSensitive) const override;
    void LoadValues(const TSettingsStore &settings, const QString &section) override;
    void SaveValues(TSettingsStore &settings, const QString &section) const override;

    qint32 IntValue1;
    qint32 IntValue2;
};

class TDateFilterField : public TFilterField
{
public:
    explicit TDateFilterField(TFieldId field = fdPurchaseDate, double from = -1.0, double to = -1.0)
        : TFilterField(field), DateValue1(from), DateValue2(to)
    {
    }
    std::unique_ptr<TListField> Clone() const override
    {
        return std::make_unique<TDateFilterField>(*this);
    }
    QString GetDescription(const TQelFields &fields) const override;
    bool Matches(const TDataItem *item, bool caseSensitive) const override;
    void LoadValues(const TSettingsStore &settings, const QString &section) override;
    void SaveValues(TSettingsStore &settings, const QString &section) const override;

    double DateValue1;
    double DateValue2;
};

class TFloatFilterField : public TFilterField
{
public:
    explicit TFloatFilterField(TFieldId field = fdPrice, double low = -1.0, double high = -1.0)
        : TFilterField(field), FloatValue1(low), FloatValue2(high)
    {
    }
    std::unique_ptr<TListField> Clone() const override
    {
        return std::make_unique<TFloatFilterField>(*this);
    }
    QString GetDescription(const TQelFields &fields) const override;
    bool Matches(const TDataItem *item, bool caseSensitive) const override;
    void LoadValues(const TSettingsStore &settings, const QString &section) override;
    void SaveValues(TSettingsStore &settings, const QString &section) const override;

    double FloatValue1;
    double FloatValue2;
};

class TBoolFilterField : public TFilterField
{
public:
    explicit TBoolFilterField(TFieldId field = fdLive, quint8 value = 2)
        : TFilterField(field), BoolValue(value)
    {
    }
    std::unique_ptr<TListField> Clone() const override
    {
        return std::make_unique<TBoolFilterField>(*this);
    }
    QString GetDescription(const TQelFields &fields) const override;
    bool Matches(const TDataItem *item, bool caseSensitive) const override;
    void LoadValues(const TSettingsStore &settings, const QString &section) override;
    void SaveValues(TSettingsStore &settings, const QString &section) const override;

    quint8 BoolValue; // 0 No, 1 Yes, 2 Yes or No
};

// A list of conditions joined by AND or OR, switched on or off as a whole.
class TFilterFields : public TListFields
{
public:
    explicit TFilterFields(TItemLevel level) : TListFields(level) {}
    TFilterField *Items(qsizetype index) const
    {
        return static_cast<TFilterField *>(TListFields::Items(index));
    }

    // The kind of entry a field calls for, with the defaults of a new entry.
    static std::unique_ptr<TFilterField> MakeEntry(TFieldId field);

    bool IsActive() const { return Enabled && Count() > 0; }
    bool Matches(const TDataItem *item) const;
    QString GetDescription(const TQelFields &fields) const;

    QString GetStringValue(TFieldId field) const;
    std::pair<qint32, qint32> GetIntRange(TFieldId field) const;
    std::pair<double, double> GetDateRange(TFieldId field) const;
    std::pair<double, double> GetFloatRange(TFieldId field) const;
    quint8 GetBoolValue(TFieldId field) const;

    void Load(const TSettingsStore &settings, const QString &key) override;
    void Save(TSettingsStore &settings, const QString &key) const override;

    quint8 Combination = 0; // 0 AND, 1 OR
    bool CaseSensitive = false;
    bool Enabled = true; // a new filter is enabled; a loaded one takes the stored value
};
