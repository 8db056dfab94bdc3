#include "views/filter.h"

#include "model/dataitem.h"
#include "model/itemsort.h"
#include "model/valueformat.h"
#include "shell/settingsstore.h"

#include <QLocale>

namespace {

QString lowerAscii(QStringView s)
{
    QString r = s.toString();
    for (QChar &c : r)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    return r;
}

inline char16_t lowerUnit(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
}

// Whether needle occurs in haystack; with fold, haystack's letters A to Z count as
// lower case (needle is lower-cased already). No allocation.
bool contains(QStringView haystack, QStringView needle, bool fold)
{
    if (needle.isEmpty() || needle.size() > haystack.size())
        return false;
    if (!fold)
        return haystack.contains(needle, Qt::CaseSensitive);
    const char16_t *h = haystack.utf16();
    const char16_t *n = needle.utf16();
    const qsizetype last = haystack.size() - needle.size();
    const char16_t first = n[0];
    for (qsizetype i = 0; i <= last; ++i) {
        if (lowerUnit(h[i]) != first)
            continue;
        qsizetype k = 1;
        while (k < needle.size() && lowerUnit(h[i + k]) == n[k])
            ++k;
        if (k == needle.size())
            return true;
    }
    return false;
}

QString boolText(quint8 v)
{
    return v == 0 ? QStringLiteral("No")
                  : (v == 1 ? QStringLiteral("Yes") : QStringLiteral("Yes or No"));
}

} // namespace

TStringFilterField::TStringFilterField(TFieldId field, const QString &value) : TFilterField(field)
{
    SetStringValue(value);
}

void TStringFilterField::SetStringValue(const QString &value)
{
    m_value = value;
    m_lowered = lowerAscii(value);
}

QString TStringFilterField::GetDescription(const TQelFields &fields) const
{
    return QStringLiteral("(\"%1\" in %2)").arg(m_value, GetName(fields));
}

bool TStringFilterField::Matches(const TDataItem *item, bool caseSensitive) const
{
    const QString &needle = caseSensitive ? m_value : m_lowered;
    const bool fold = !caseSensitive;
    QStringView text;
    if (IsLookupField(FieldId)) {
        const TItemLevel level = item->IsTrackLevel() ? ilTrack : ilAlbum;
        if (SortTextView(item, level, FieldId, text) && contains(text, needle, fold))
            return true;
    }
    if (DisplayTextView(item, FieldId, text))
        return contains(text, needle, fold);
    const QString display = item->GetFieldAsString(FieldId);
    return contains(display, needle, fold);
}

QString TIntegerFilterField::GetDescription(const TQelFields &fields) const
{
    return QStringLiteral("(%1 between %2 and %3)")
        .arg(GetName(fields))
        .arg(IntValue1)
        .arg(IntValue2);
}

bool TIntegerFilterField::Matches(const TDataItem *item, bool) const
{
    const qint32 v = item->GetFieldAsInteger(FieldId);
    return IntValue1 <= v && v <= IntValue2;
}

QString TDateFilterField::GetDescription(const TQelFields &fields) const
{
    return QStringLiteral("(%1 between %2 and %3)")
        .arg(GetName(fields), FormatDate(DateValue1), FormatDate(DateValue2));
}

bool TDateFilterField::Matches(const TDataItem *item, bool) const
{
    const double v = item->GetFieldAsDate(FieldId);
    return DateValue1 <= v && v <= DateValue2;
}

QString TFloatFilterField::GetDescription(const TQelFields &fields) const
{
    return QStringLiteral("(%1 between %2 and %3)")
        .arg(GetName(fields), QString::number(FloatValue1, 'f', 2),
             QString::number(FloatValue2, 'f', 2));
}

bool TFloatFilterField::Matches(const TDataItem *item, bool) const
{
    const double v = item->GetFieldAsFloat(FieldId);
    return FloatValue1 <= v && v <= FloatValue2;
}

QString TBoolFilterField::GetDescription(const TQelFields &fields) const
{
    return QStringLiteral("(%1 is %2)").arg(GetName(fields), boolText(BoolValue));
}

bool TBoolFilterField::Matches(const TDataItem *item, bool) const
{
    return item->GetFieldAsBoolean(FieldId) == BoolValue;
}

std::unique_ptr<TFilterField> TFilterFields::MakeEntry(TFieldId field)
{
    switch (FieldKind(field)) {
    case fkInteger:
        return std::make_unique<TIntegerFilterField>(field);
    case fkDate:
        return std::make_unique<TDateFilterField>(field);
    case fkBoolean:
        return std::make_unique<TBoolFilterField>(field);
    case fkFloat:
        return std::make_unique<TFloatFilterField>(field);
    default:
        return std::make_unique<TStringFilterField>(field);
    }
}

bool TFilterFields::Matches(const TDataItem *item) const
{
    if (!IsActive())
        return true;
    if (Combination == 0) {
        for (qsizetype i = 0; i < Count(); ++i)
            if (!Items(i)->Matches(item, CaseSensitive))
                return false;
        return true;
    }
    for (qsizetype i = 0; i < Count(); ++i)
        if (Items(i)->Matches(item, CaseSensitive))
            return true;
    return false;
}

QString TFilterFields::GetDescription(const TQelFields &fields) const
{
    if (Count() == 0)
        return QStringLiteral("[None]");
    QStringList parts;
    for (qsizetype i = 0; i < Count(); ++i)
        parts << Items(i)->GetDescription(fields);
    return parts.join(Combination == 0 ? QStringLiteral(" AND ") : QStringLiteral(" OR "));
}

namespace {
template <class T> const T *firstOf(const TFilterFields &f, TFieldId field)
{
    for (qsizetype i = 0; i < f.Count(); ++i)
        if (f.Items(i)->FieldId == field)
            if (const auto *e = dynamic_cast<const T *>(f.Items(i)))
                return e;
    return nullptr;
}
} // namespace

QString TFilterFields::GetStringValue(TFieldId field) const
{
    const auto *e = firstOf<TStringFilterField>(*this, field);
    return e ? e->StringValue() : QString();
}

std::pair<qint32, qint32> TFilterFields::GetIntRange(TFieldId field) const
{
    const auto *e = firstOf<TIntegerFilterField>(*this, field);
    return e ? std::pair(e->IntValue1, e->IntValue2) : std::pair(0, 0);
}

std::pair<double, double> TFilterFields::GetDateRange(TFieldId field) const
{
    const auto *e = firstOf<TDateFilterField>(*this, field);
    return e ? std::pair(e->DateValue1, e->DateValue2) : std::pair(0.0, 0.0);
}

std::pair<double, double> TFilterFields::GetFloatRange(TFieldId field) const
{
    const auto *e = firstOf<TFloatFilterField>(*this, field);
    return e ? std::pair(e->FloatValue1, e->FloatValue2) : std::pair(0.0, 0.0);
}

quint8 TFilterFields::GetBoolValue(TFieldId field) const
{
    const auto *e = firstOf<TBoolFilterField>(*this, field);
    return e ? e->BoolValue : 2;
}

void TFilterFields::Load(const TSettingsStore &s, const QString &key)
{
    const qint32 count = s.ReadInteger(key, QStringLiteral("Count"), 0);
    Combination = quint8(s.ReadInteger(key, QStringLiteral("Combination"), 0));
    CaseSensitive = s.ReadBool(key, QStringLiteral("CaseSensitive"), false);
    Enabled = s.ReadBool(key, QStringLiteral("Enabled"), false);
    // The filter dialog makes at most one condition per field.
    for (const QString &section : storedEntries(s, key, count)) {
        const qint32 stored = s.ReadInteger(section, QStringLiteral("Field"), 1);
        const TFieldId field = stored >= 0 && stored <= 255 ? TFieldId(stored) : TFieldId(255);
        std::unique_ptr<TFilterField> entry = MakeEntry(field);
        entry->LoadValues(s, section);
        Add(std::move(entry));
    }
}

void TFilterFields::Save(TSettingsStore &s, const QString &key) const
{
    s.WriteInteger(key, QStringLiteral("Combination"), Combination);
    s.WriteBool(key, QStringLiteral("CaseSensitive"), CaseSensitive);
    s.WriteBool(key, QStringLiteral("Enabled"), Enabled);
    for (qsizetype i = 0; i < Count(); ++i) {
        const QString section = entrySection(key, i);
        const TFilterField *entry = Items(i);
        s.WriteInteger(section, QStringLiteral("Field"), entry->FieldId);
        entry->SaveValues(s, section);
    }
    s.WriteInteger(key, QStringLiteral("Count"), qint32(Count()));
}

// --- each kind's values in the settings store

void TIntegerFilterField::LoadValues(const TSettingsStore &s, const QString &section)
{
    IntValue1 = s.ReadInteger(section, QStringLiteral("IntValue1"), -1);
    IntValue2 = s.ReadInteger(section, QStringLiteral("IntValue2"), -1);
}

void TIntegerFilterField::SaveValues(TSettingsStore &s, const QString &section) const
{
    s.WriteInteger(section, QStringLiteral("IntValue1"), IntValue1);
    s.WriteInteger(section, QStringLiteral("IntValue2"), IntValue2);
}

void TDateFilterField::LoadValues(const TSettingsStore &s, const QString &section)
{
    DateValue1 = s.ReadDate(section, QStringLiteral("DateValue1"), -1.0);
    DateValue2 = s.ReadDate(section, QStringLiteral("DateValue2"), -1.0);
}

void TDateFilterField::SaveValues(TSettingsStore &s, const QString &section) const
{
    s.WriteDate(section, QStringLiteral("DateValue1"), DateValue1);
    s.WriteDate(section, QStringLiteral("DateValue2"), DateValue2);
}

void TFloatFilterField::LoadValues(const TSettingsStore &s, const QString &section)
{
    FloatValue1 = s.ReadFloat(section, QStringLiteral("FloatValue1"), -1.0);
    FloatValue2 = s.ReadFloat(section, QStringLiteral("FloatValue2"), -1.0);
}

void TFloatFilterField::SaveValues(TSettingsStore &s, const QString &section) const
{
    s.WriteFloat(section, QStringLiteral("FloatValue1"), FloatValue1);
    s.WriteFloat(section, QStringLiteral("FloatValue2"), FloatValue2);
}

void TBoolFilterField::LoadValues(const TSettingsStore &s, const QString &section)
{
    BoolValue = quint8(s.ReadInteger(section, QStringLiteral("BoolValue"), 2));
}

void TBoolFilterField::SaveValues(TSettingsStore &s, const QString &section) const
{
    s.WriteInteger(section, QStringLiteral("BoolValue"), BoolValue);
}

void TStringFilterField::LoadValues(const TSettingsStore &s, const QString &section)
{
    SetStringValue(s.ReadString(section, QStringLiteral("StringValue"), QString()));
}

void TStringFilterField::SaveValues(TSettingsStore &s, const QString &section) const
{
    s.WriteString(section, QStringLiteral("StringValue"), StringValue());
}
