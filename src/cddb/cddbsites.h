#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class TSettingsStore;

// The server the program talks to unless the user picked another, and the one that
// lists the others.
inline constexpr char16_t kDefaultCddbSite[] = u"gnudb.gnudb.org";
inline constexpr char16_t kDefaultCddbAddress[] = u"/~cddb/cddb.cgi";
inline constexpr char16_t kCddbSubmitAddress[] = u"/~cddb/submit.cgi";
inline constexpr int kDefaultCddbPort = 80;

// One CDDB server as the "sites" command lists it.
class TCddbSite
{
public:
    QString Site;
    qint32 Port = kDefaultCddbPort;
    QString Address;
    QString Latitude;
    QString Longitude;
    QString Description;
};

// The servers to choose from, kept in the settings sections "Cddb\SiteN".
class TCddbSiteList
{
public:
    int Count() const { return int(m_sites.size()); }
    TCddbSite &Item(int index) { return *m_sites[index]; }
    const TCddbSite &Item(int index) const { return *m_sites[index]; }
    TCddbSite &Add(const TCddbSite &site);
    void Clear() { m_sites.clear(); }

    // Appends the stored sites (the list is not emptied first).
    void LoadFromStore(const TSettingsStore &store);
    // Sections of higher indexes left by an earlier, longer list are removed.
    void SaveToStore(TSettingsStore &store) const;

    // Replaces the list by the "http" sites of a "sites" reply (its lines with the
    // status line first and the "." line last), as many as a load reads back.
    void BuildFromReply(const QStringList &lines);

private:
    std::vector<std::unique_ptr<TCddbSite>> m_sites;
};

// The CDDB categories offered for a submission, kept in "Cddb\Categories".
class TCddbCategoryList : public QStringList
{
public:
    void LoadFromStore(const TSettingsStore &store);
    // Replaces what an earlier save stored, longer lists included.
    void SaveToStore(TSettingsStore &store) const;
    // Replaces the list by the lines of a "cddb lscat" reply between its status line and
    // its "." line, as many as a load reads back.
    void BuildFromReply(const QStringList &lines);
};

// The most sites, and categories, the settings keep: a server may list any number.
inline constexpr int kMaxCddbListEntries = 1000;
