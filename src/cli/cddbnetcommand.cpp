// The CDDB commands that talk to a server: query, sites, the batch query of the
// scan list and the sending of a submission.
#include "cli/cddbcli.h"
#include "cli/commands.h"

#include "cddb/cddb.h"
#include "cddb/cddbentry.h"
#include "cddb/cddbsites.h"
#include "cddb/httptransport.h"
#include "cddb/scancd.h"
#include "cddb/scanlist.h"
#include "shell/settingsstore.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

// Options shared by the commands: --server URL and --email ADDR, plus flags.
struct TNetOptions
{
    QString server;
    QString email;
    bool json = false;
    QStringList rest;
};

bool parseOptions(const QStringList &args, TNetOptions &options, bool allowEmail, bool allowJson)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--server") && i + 1 < args.size()) {
            options.server = args[++i];
        } else if (allowEmail && a == QLatin1String("--email") && i + 1 < args.size()) {
            options.email = args[++i];
        } else if (allowJson && a == QLatin1String("--json")) {
            options.json = true;
        } else if (a.startsWith(u'-') && a.size() > 1) {
            Fail(QStringLiteral("Unknown option %1").arg(a));
            return false;
        } else {
            options.rest.append(a);
        }
    }
    return true;
}

// The client with the stored settings (proxy, e-mail, site), the site
// overridden by
// --server http://host[:port]/path for this run.
bool setUp(TCDDB &cddb, const TNetOptions &options, const TSettingsStore &store)
{
    cddb.UseWindow = false;
    cddb.LoadSettings(store);
    if (!options.email.isEmpty())
        cddb.EmailAddress = options.email;
    if (options.server.isEmpty())
        return true;
    QString host;
    quint16 port = 80;
    QString path;
    if (!THttpTransport::SplitUrl(options.server, host, port, path)) {
        Fail(QStringLiteral("Not a server URL (http://host[:port]/path): %1").arg(options.server));
        return false;
    }
    cddb.Site = host;
    cddb.Port = port;
    cddb.Address = path;
    cddb.ListSite = host;
    cddb.ListPort = port;
    cddb.ListAddress = path;
    return true;
}

QByteArray jsonText(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

// The status line of the query screen for a lookup that did not fail.
QString matchText(const TCDDB &cddb, const TScanCD &disc)
{
    const QString id = disc.CddbDiscIdText();
    switch (cddb.MatchKind) {
    case 1:
        return QStringLiteral("CD not found in CDDB");
    case 2:
        return QStringLiteral("Found one exact match for CDDB ID \"%1\"").arg(id);
    case 3:
        return QStringLiteral("Found %1 exact matches for CDDB ID \"%2\"")
            .arg(disc.CddbCDCount())
            .arg(id);
    case 4:
        return QStringLiteral("Found one inexact match for CDDB ID \"%1\"").arg(id);
    case 5:
        return QStringLiteral("Found %1 inexact matches for CDDB ID \"%2\"")
            .arg(disc.CddbCDCount())
            .arg(id);
    default:
        return {};
    }
}

void printEntries(const TScanCD &disc)
{
    for (int i = 0; i < disc.CddbCDCount(); ++i) {
        const TCddbCD &e = disc.CddbCD(i);
        Out() << QStringLiteral("Entry %1").arg(i + 1) << '\n'
              << QStringLiteral("  Category: ") << e.Category << '\n'
              << QStringLiteral("  Disc ID: ") << e.DiscIdText() << '\n'
              << QStringLiteral("  DTitle: ") << e.DTitle << '\n'
              << QStringLiteral("  Artist: ") << e.Artist() << '\n'
              << QStringLiteral("  Title: ") << e.Title() << '\n'
              << QStringLiteral("  Revision: ") << e.Revision << '\n'
              << QStringLiteral("  Submitted via: ") << e.SubmittedVia << '\n'
              << QStringLiteral("  Ext data: ") << e.ExtData << '\n';
        for (int t = 0; t < e.TrackCount(); ++t) {
            Out() << QStringLiteral("  Track %1: ").arg(t + 1) << e.Track(t).Title << '\n';
            if (!e.Track(t).ExtData.isEmpty())
                Out() << QStringLiteral("    Ext data: ") << e.Track(t).ExtData << '\n';
        }
    }
}

void printJson(const TCDDB &cddb, const TScanCD &disc)
{
    // Keys in the documented order; QJsonObject would sort them.
    QByteArray out = "{\"matchKind\":" + QByteArray::number(cddb.MatchKind) + ",\"entries\":[";
    for (int i = 0; i < disc.CddbCDCount(); ++i) {
        const TCddbCD &e = disc.CddbCD(i);
        if (i > 0)
            out += ',';
        out += "{\"category\":" + jsonText(e.Category) + ",\"discId\":" + jsonText(e.DiscIdText()) +
               ",\"dtitle\":" + jsonText(e.DTitle) + ",\"artist\":" + jsonText(e.Artist()) +
               ",\"title\":" + jsonText(e.Title()) +
               ",\"revision\":" + QByteArray::number(e.Revision) +
               ",\"submittedVia\":" + jsonText(e.SubmittedVia) +
               ",\"extData\":" + jsonText(e.ExtData) + ",\"tracks\":[";
        for (int t = 0; t < e.TrackCount(); ++t) {
            if (t > 0)
                out += ',';
            out += "{\"title\":" + jsonText(e.Track(t).Title) +
                   ",\"extData\":" + jsonText(e.Track(t).ExtData) + '}';
        }
        out += "]}";
    }
    out += "]}";
    Out() << QString::fromUtf8(out) << '\n';
}

} // namespace

int RunCddbQuery(const QStringList &args)
{
    TNetOptions options;
    if (!parseOptions(args, options, true, true))
        return 2;
    if (options.rest.size() != 1)
        return Fail(
            QStringLiteral("Usage: qel cddb query SOURCE [--server URL] [--email ADDR] [--json]"));
    TIniSettingsStore store;
    TCDDB cddb;
    if (!setUp(cddb, options, store))
        return 2;
    TScanCD disc;
    if (!ScanSource(options.rest[0], disc))
        return 2;
    cddb.QueryDisc(disc);
    if (cddb.ErrorKind != 0)
        return Fail(cddb.ErrorMessage());
    if (options.json) {
        printJson(cddb, disc);
    } else {
        Out() << matchText(cddb, disc) << '\n';
        printEntries(disc);
    }
    return 0;
}

int RunCddbSites(const QStringList &args)
{
    TNetOptions options;
    if (!parseOptions(args, options, false, false))
        return 2;
    if (!options.rest.isEmpty())
        return Fail(QStringLiteral("Usage: qel cddb sites [--server URL]"));
    TIniSettingsStore store;
    TCDDB cddb;
    if (!setUp(cddb, options, store))
        return 2;
    TCddbSiteList sites;
    sites.LoadFromStore(store);
    TCddbCategoryList categories;
    categories.LoadFromStore(store);
    cddb.RefreshLists(sites, categories, store);
    if (cddb.ErrorKind != 0)
        return Fail(cddb.ErrorMessage());
    sites.SaveToStore(store);
    categories.SaveToStore(store);
    if (!store.Sync())
        return Fail(store.ErrorString());
    Out() << QStringLiteral("Sites:") << '\n';
    for (int i = 0; i < sites.Count(); ++i) {
        const TCddbSite &s = sites.Item(i);
        Out() << s.Site << ' ' << s.Port << ' ' << s.Address << ' ' << s.Latitude << ' '
              << s.Longitude << ' ' << s.Description.trimmed() << '\n';
    }
    Out() << QStringLiteral("Categories:") << '\n';
    for (const QString &c : std::as_const(categories))
        Out() << c << '\n';
    return 0;
}

int RunScanlistQuery(const QStringList &args)
{
    TNetOptions options;
    if (!parseOptions(args, options, true, false))
        return 2;
    if (!options.rest.isEmpty())
        return Fail(QStringLiteral("Usage: qel scanlist query [--server URL]"));
    TIniSettingsStore store;
    TCDDB cddb;
    if (!setUp(cddb, options, store))
        return 2;
    TScanCdList list;
    const QString damage = list.LoadFromFile();
    if (!damage.isEmpty())
        return Fail(damage); // nothing is written over a damaged list
    cddb.QueryDiscs(list);
    const QString error = list.SaveToFile();
    if (!error.isEmpty())
        return Fail(error);
    for (int i = 0; i < list.Count(); ++i) {
        const TScanCD &d = *list.Item(i);
        Out() << d.CddbDiscIdText() << '\t'
              << QStringLiteral("%1 (%2)").arg(d.TrackCount()).arg(d.DiscLengthText()) << '\t'
              << (d.CddbCDCount() > 0 ? d.CddbCD(0).DTitle : QString()) << '\n';
    }
    if (cddb.ErrorKind != 0)
        return Fail(cddb.ErrorMessage());
    return 0;
}

int RunCddbSend(TScanCD &record, const QString &server)
{
    TNetOptions options;
    options.server = server;
    TIniSettingsStore store;
    TCDDB cddb;
    if (!setUp(cddb, options, store))
        return 2;
    cddb.SubmitDisc(record);
    if (cddb.ErrorKind != 0)
        return Fail(cddb.ErrorMessage() + QStringLiteral("\nCDDB submission failed"));
    Out() << QStringLiteral("CDDB submission complete.") << '\n';
    return 0;
}

bool QueryRecord(TScanCD &record, const QString &server)
{
    TNetOptions options;
    options.server = server;
    TIniSettingsStore store;
    TCDDB cddb;
    if (!setUp(cddb, options, store))
        return false;
    cddb.QueryDisc(record);
    if (cddb.ErrorKind != 0) {
        Fail(cddb.ErrorMessage());
        return false;
    }
    return true;
}
