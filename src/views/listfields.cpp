#include "views/listfields.h"

#include "model/dataitem.h"
#include "model/dataitemlist.h"
#include "model/general.h"
#include "shell/settingsstore.h"

#include <algorithm>

QString TListField::GetName(const TQelFields &fields) const
{
    return fields.GetFieldName(FieldId);
}

TListFields::TListFields(const TListFields &other) : Level(other.Level)
{
    for (const auto &e : other.m_items)
        m_items.push_back(e->Clone());
}

TListFields &TListFields::operator=(const TListFields &other)
{
    if (this != &other) {
        m_items.clear();
        for (const auto &e : other.m_items)
            m_items.push_back(e->Clone());
    }
    return *this;
}

void TListFields::Insert(qsizetype index, std::unique_ptr<TListField> entry)
{
    m_items.insert(m_items.begin() + index, std::move(entry));
}

std::unique_ptr<TListField> TListFields::Take(qsizetype index)
{
    auto entry = std::move(m_items[std::size_t(index)]);
    m_items.erase(m_items.begin() + index);
    return entry;
}

qsizetype TListFields::IndexOfField(TFieldId field) const
{
    for (std::size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i]->FieldId == field)
            return qsizetype(i);
    return -1;
}

QString TListFields::entrySection(const QString &key, qsizetype i)
{
    return key + u'\\' + QString::number(i);
}

QStringList TListFields::storedEntries(const TSettingsStore &settings, const QString &key,
                                       qint32 count)
{
    QStringList sections;
    for (qint32 i = 0; i < std::min(count, kMaxStoredEntries); ++i) {
        QString section = entrySection(key, i);
        if (settings.SectionExists(section))
            sections << std::move(section);
    }
    return sections;
}

namespace {
TFieldId storedField(const TSettingsStore &settings, const QString &section)
{
    // A number that is no byte cannot be a field; it shows as an invalid field.
    const qint32 f = settings.ReadInteger(section, QStringLiteral("Field"), 1);
    return f >= 0 && f <= 255 ? TFieldId(f) : TFieldId(255);
}
} // namespace

void TShowFields::AddDefaults()
{
    Add(std::make_unique<TShowField>(fdArtist, 100));
    Add(std::make_unique<TShowField>(fdTitle, 100));
    Add(std::make_unique<TShowField>(fdYear, 40));
}

void TShowFields::Load(const TSettingsStore &settings, const QString &key)
{
    const qint32 count = settings.ReadInteger(key, QStringLiteral("Count"), 0);
    const QStringList sections = storedEntries(settings, key, count);
    // A list saved empty shows the default columns, and so does one whose entries
    // are all missing; a negative count shows none.
    if (count == 0 || (count > 0 && sections.isEmpty())) {
        AddDefaults();
        return;
    }
    for (const QString &section : sections) {
        qint32 width = settings.ReadInteger(section, QStringLiteral("Width"), 100);
        if (width < 0)
            width = 100;
        Add(std::make_unique<TShowField>(storedField(settings, section), width));
    }
}

void TShowFields::Save(TSettingsStore &settings, const QString &key) const
{
    for (qsizetype i = 0; i < Count(); ++i) {
        const QString section = entrySection(key, i);
        settings.WriteInteger(section, QStringLiteral("Field"), Items(i)->FieldId);
        settings.WriteInteger(section, QStringLiteral("Width"), Items(i)->Width);
    }
    settings.WriteInteger(key, QStringLiteral("Count"), qint32(Count()));
}

void TSortFields::Load(const TSettingsStore &settings, const QString &key)
{
    const qint32 count = settings.ReadInteger(key, QStringLiteral("Count"), 0);
    for (const QString &section : storedEntries(settings, key, count)) {
        const qint32 order = settings.ReadInteger(section, QStringLiteral("Order"), 1);
        // Anything but descending sorts ascending.
        Add(std::make_unique<TSortField>(storedField(settings, section), order < 0 ? -1 : 1));
    }
}

void TSortFields::Save(TSettingsStore &settings, const QString &key) const
{
    for (qsizetype i = 0; i < Count(); ++i) {
        const QString section = entrySection(key, i);
        settings.WriteInteger(section, QStringLiteral("Field"), Items(i)->FieldId);
        settings.WriteInteger(section, QStringLiteral("Order"), Items(i)->Order);
    }
    settings.WriteInteger(key, QStringLiteral("Count"), qint32(Count()));
}

int CompareItems(const TSortFields &sortFields, const TDataItem *item1, const TDataItem *item2)
{
    int r = 0;
    if (sortFields.Count() > 0) {
        for (qsizetype i = 0; i < sortFields.Count() && r == 0; ++i) {
            const TSortField *f = sortFields.Items(i);
            r = CompareByField(sortFields.Level, item1, item2, f->FieldId) * f->Order;
        }
    } else {
        r = CompareByField(sortFields.Level, item1, item2, fdTitle);
    }
    if (r == 0)
        r = CompareIntegers(item1->ID, item2->ID);
    return r;
}
