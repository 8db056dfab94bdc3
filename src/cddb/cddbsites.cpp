#include "cddb/cddbsites.h"

#include "shell/settingsstore.h"

#include <algorithm>

namespace {

const QString kCddbSection = QStringLiteral("Cddb");
const QString kCategorySection = QStringLiteral("Cddb\\Categories");

// Stored counts are read only as far as something sensible can be there.
constexpr int kMaxStoredEntries = kMaxCddbListEntries;

QString siteSection(int index)
{
    return QStringLiteral("Cddb\\Site") + QString::number(index);
}

} // namespace

TCddbSite &TCddbSiteList::Add(const TCddbSite &site)
{
    m_sites.push_back(std::make_unique<TCddbSite>(site));
    return *m_sites.back();
}

void TCddbSiteList::LoadFromStore(const TSettingsStore &store)
{
    const int count = std::min(store.ReadInteger(kCddbSection, QStringLiteral("SiteCount"), 0),
                               kMaxStoredEntries);
    for (int i = 0; i < count; ++i) {
        const QString section = siteSection(i);
        // A count edited by hand must not make up thousands of default sites.
        if (!store.SectionExists(section))
            break;
        TCddbSite site;
        site.Site =
            store.ReadString(section, QStringLiteral("Site"), QString::fromUtf16(kDefaultCddbSite));
        site.Port = store.ReadInteger(section, QStringLiteral("Port"), kDefaultCddbPort);
        site.Address = store.ReadString(section, QStringLiteral("Address"),
                                        QString::fromUtf16(kDefaultCddbAddress));
        site.Latitude =
            store.ReadString(section, QStringLiteral("Latitude"), QStringLiteral("N037.33"));
        site.Longitude =
            store.ReadString(section, QStringLiteral("Longitude"), QStringLiteral("W122.04"));
        site.Description = store.ReadString(section, QStringLiteral("Description"),
                                            QStringLiteral("Fremont, CA USA"));
        Add(site);
    }
}

void TCddbSiteList::SaveToStore(TSettingsStore &store) const
{
    for (int i = 0; i < Count(); ++i) {
        const TCddbSite &site = Item(i);
        const QString section = siteSection(i);
        store.WriteString(section, QStringLiteral("Site"), site.Site);
        store.WriteInteger(section, QStringLiteral("Port"), site.Port);
        store.WriteString(section, QStringLiteral("Address"), site.Address);
        store.WriteString(section, QStringLiteral("Latitude"), site.Latitude);
        store.WriteString(section, QStringLiteral("Longitude"), site.Longitude);
        store.WriteString(section, QStringLiteral("Description"), site.Description);
    }
    store.WriteInteger(kCddbSection, QStringLiteral("SiteCount"), Count());
    // The sections of a longer list saved before: never read again, yet every start
    // would read them from the settings file. They are numbered without gaps.
    for (int i = Count(); store.SectionExists(siteSection(i)); ++i)
        store.EraseSection(siteSection(i));
}

void TCddbSiteList::BuildFromReply(const QStringList &lines)
{
    Clear();
    for (qsizetype i = 1; i + 1 < lines.size() && Count() < kMaxCddbListEntries; ++i) {
        const QStringList words = lines[i].split(u' ');
        if (words.size() < 2 || words[1] != u"http")
            continue;
        TCddbSite site;
        site.Site = words[0];
        bool ok = false;
        site.Port = words.value(2).toInt(&ok);
        if (!ok)
            site.Port = kDefaultCddbPort;
        site.Address = words.value(3);
        site.Latitude = words.value(4);
        site.Longitude = words.value(5);
        for (qsizetype w = 6; w < words.size(); ++w)
            site.Description += words[w] + u' ';
        Add(site);
    }
}

void TCddbCategoryList::LoadFromStore(const TSettingsStore &store)
{
    clear();
    const int count = std::min(store.ReadInteger(kCategorySection, QStringLiteral("Count"), 0),
                               kMaxStoredEntries);
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("Category") + QString::number(i);
        if (!store.ValueExists(kCategorySection, name))
            continue;
        const QString category = store.ReadString(kCategorySection, name, QString());
        if (!category.isEmpty())
            append(category);
    }
}

void TCddbCategoryList::SaveToStore(TSettingsStore &store) const
{
    // The section holds the list alone: what a longer list left goes with it.
    if (store.ValueExists(kCategorySection, QStringLiteral("Category") + QString::number(size())))
        store.EraseSection(kCategorySection);
    for (qsizetype i = 0; i < size(); ++i)
        store.WriteString(kCategorySection, QStringLiteral("Category") + QString::number(i), at(i));
    store.WriteInteger(kCategorySection, QStringLiteral("Count"), int(size()));
}

void TCddbCategoryList::BuildFromReply(const QStringList &lines)
{
    clear();
    for (qsizetype i = 1; i + 1 < lines.size() && size() < kMaxCddbListEntries; ++i)
        append(lines[i]);
}
