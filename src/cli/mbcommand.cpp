// `qel mb`: the MusicBrainz disc ID of a CD or disc image, the releases MusicBrainz has
// for it, and an album made of one of them.
#include "cli/cddbcli.h"
#include "cli/commands.h"

#include "cddb/scancd.h"
#include "model/album.h"
#include "model/qeldb.h"
#include "musicbrainz/mbalbum.h"
#include "musicbrainz/mbclient.h"
#include "musicbrainz/mbdiscid.h"
#include "musicbrainz/mbimport.h"
#include "shell/fielddefaults.h"
#include "shell/prefs.h"
#include "shell/settingsstore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

const char kMbHelp[] =
    "Usage: qel mb discid SOURCE [--json]\n"
    "       qel mb query SOURCE [--server URL] [--json]\n"
    "       qel mb add DB.qel SOURCE [--release N|MBID] [--server URL] [--cover-server URL]\n"
    "                  [--no-cover]\n\n"
    "  discid  prints the MusicBrainz disc ID of SOURCE (a drive or a disc image), its\n"
    "          table of contents and the page that submits it to MusicBrainz; the data\n"
    "          track of an enhanced CD is left out, as MusicBrainz does\n"
    "  query   looks SOURCE up on MusicBrainz (by its disc ID, else releases with a near\n"
    "          table of contents) and prints the releases found, one a line with tabs\n"
    "          between: number, release ID, artist, title, date, country, label,\n"
    "          catalogue number, barcode, format, media, exact or near\n"
    "  add     makes an album of release N of those found (default 0), or of the release\n"
    "          with this MusicBrainz ID, with its front cover (unless --no-cover or the\n"
    "          preferences say not to), adds it to DB.qel, saves it and prints its ID;\n"
    "          nothing found adds nothing and exits 2\n\n"
    "--server and --cover-server replace the MusicBrainz and Cover Art Archive addresses\n"
    "of the settings for this run. Requests go at most one a second.\n";

namespace {

struct TMbOptions
{
    QString server;
    QString coverServer;
    QString release = QStringLiteral("0");
    bool json = false;
    bool noCover = false;
    QStringList rest;
};

// The options the sub-command allows (the letters of "scjrn": --server,
// --cover-server, --json, --release, --no-cover); false with the message printed.
bool parse(const QStringList &args, const char *allowed, TMbOptions &o)
{
    const QString allow = QLatin1String(allowed);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--server") && allow.contains(u's') && hasValue)
            o.server = args[++i];
        else if (a == QLatin1String("--cover-server") && allow.contains(u'c') && hasValue)
            o.coverServer = args[++i];
        else if (a == QLatin1String("--release") && allow.contains(u'r') && hasValue)
            o.release = args[++i];
        else if (a == QLatin1String("--json") && allow.contains(u'j'))
            o.json = true;
        else if (a == QLatin1String("--no-cover") && allow.contains(u'n'))
            o.noCover = true;
        else if (a.startsWith(u'-') && a.size() > 1) {
            Fail(QStringLiteral("Unknown option %1 (see qel mb --help)").arg(a));
            return false;
        } else
            o.rest << a;
    }
    return true;
}

QByteArray jsonText(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

// The disc of source and its MusicBrainz identity; false with the message printed.
bool scan(const QString &source, TScanCD &disc, TMbDiscId &id)
{
    if (!ScanSource(source, disc))
        return false;
    id = MbDiscIdOf(disc);
    if (!id.IsValid()) {
        Fail(id.Error);
        return false;
    }
    return true;
}

void setUp(TMbClient &client, const TMbOptions &o, TPrefs &prefs)
{
    TIniSettingsStore store;
    prefs.Load(store);
    client.UseWindow = false;
    client.LoadSettings(prefs, store);
    if (!o.server.isEmpty())
        client.Server = o.server;
    if (!o.coverServer.isEmpty())
        client.CoverServer = o.coverServer;
}

QString nothingFound(const TMbDiscId &id)
{
    return QStringLiteral("MusicBrainz knows no release with the disc ID %1. It can be "
                          "submitted at:\n%2")
        .arg(id.Id, id.SubmitUrl);
}

int discid(const QStringList &args)
{
    TMbOptions o;
    if (!parse(args, "j", o))
        return 2;
    if (o.rest.size() != 1)
        return Fail(QStringLiteral("Usage: qel mb discid SOURCE [--json]"));
    TScanCD disc;
    TMbDiscId id;
    if (!scan(o.rest[0], disc, id))
        return 2;
    if (o.json) {
        // Keys in the documented order; QJsonObject would sort them.
        QByteArray out = "{\"mbDiscId\":" + jsonText(id.Id) + ",\"toc\":" + jsonText(id.Toc) +
                         ",\"submitUrl\":" + jsonText(id.SubmitUrl) +
                         ",\"firstTrack\":" + QByteArray::number(id.FirstTrack) +
                         ",\"lastTrack\":" + QByteArray::number(id.LastTrack) +
                         ",\"leadOut\":" + QByteArray::number(id.LeadOut) + ",\"offsets\":[";
        for (size_t i = 0; i < id.Offsets.size(); ++i)
            out += (i ? "," : "") + QByteArray::number(id.Offsets[i]);
        out += "]}";
        Out() << QString::fromUtf8(out) << '\n';
        return 0;
    }
    Out() << "MusicBrainz disc ID: " << id.Id << '\n'
          << "Table of contents: " << id.Toc << '\n'
          << "Submission: " << id.SubmitUrl << '\n';
    if (id.DataTrackLast)
        Out() << "Track " << disc.TrackCount() << " is a data track and is left out\n";
    return 0;
}

QString labelOf(const TMbRelease &r)
{
    const TMbLabelInfo *label = r.FirstLabel();
    return label ? label->Name : QString();
}

QString formatOf(const TMbRelease &r, const TMbDiscId &id)
{
    const int medium = ScannedMediumIndex(r, id);
    return medium >= 0 ? r.Media[size_t(medium)].Format : QString();
}

int query(const QStringList &args)
{
    TMbOptions o;
    if (!parse(args, "sj", o))
        return 2;
    if (o.rest.size() != 1)
        return Fail(QStringLiteral("Usage: qel mb query SOURCE [--server URL] [--json]"));
    TScanCD disc;
    TMbDiscId id;
    if (!scan(o.rest[0], disc, id))
        return 2;
    TMbClient client;
    TPrefs prefs;
    setUp(client, o, prefs);
    TMbReleases releases;
    if (!client.LookupDisc(id, releases))
        return Fail(client.ErrorMessage());
    if (o.json) {
        QByteArray out = "[";
        for (size_t i = 0; i < releases.size(); ++i) {
            const TMbRelease &r = releases[i];
            out += (i ? ",{" : "{") + QByteArray("\"id\":") + jsonText(r.Id) +
                   ",\"title\":" + jsonText(r.Title) +
                   ",\"artist\":" + jsonText(MbCreditText(r.Credit)) +
                   ",\"date\":" + jsonText(r.Date) + ",\"country\":" + jsonText(r.Country) +
                   ",\"barcode\":" + jsonText(r.Barcode) + ",\"label\":" + jsonText(labelOf(r)) +
                   ",\"catalogNumber\":" + jsonText(r.FirstCatalogNumber()) +
                   ",\"format\":" + jsonText(formatOf(r, id)) +
                   ",\"media\":" + QByteArray::number(qsizetype(r.Media.size())) +
                   ",\"near\":" + (r.Near ? "true" : "false") + "}";
        }
        out += "]";
        Out() << QString::fromUtf8(out) << '\n';
        return 0;
    }
    if (releases.empty()) {
        Out() << nothingFound(id) << '\n';
        return 0;
    }
    for (size_t i = 0; i < releases.size(); ++i) {
        const TMbRelease &r = releases[i];
        Out() << QStringList{QString::number(i),
                             r.Id,
                             MbCreditText(r.Credit),
                             r.Title,
                             r.Date,
                             r.Country,
                             labelOf(r),
                             r.FirstCatalogNumber(),
                             r.Barcode,
                             formatOf(r, id),
                             QString::number(r.Media.size()),
                             r.Near ? QStringLiteral("near") : QStringLiteral("exact")}
                     .join(u'\t')
              << '\n';
    }
    return 0;
}

int add(const QStringList &args)
{
    TMbOptions o;
    if (!parse(args, "scrn", o))
        return 2;
    if (o.rest.size() != 2)
        return Fail(QStringLiteral("Usage: qel mb add DB.qel SOURCE [--release N|MBID] "
                                   "[--server URL] [--cover-server URL] [--no-cover]"));
    static const QRegularExpression mbid(
        QStringLiteral("^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$"));
    bool isNumber = false;
    const int number = o.release.toInt(&isNumber);
    const bool byId = mbid.match(o.release).hasMatch();
    if (!byId && (!isNumber || number < 0))
        return Fail(QStringLiteral("--release needs a number from 0 or a MusicBrainz release "
                                   "ID, not \"%1\"")
                        .arg(o.release));
    TQelDb db;
    if (!LoadDatabase(db, o.rest[0]))
        return 2;
    TScanCD disc;
    TMbDiscId id;
    if (!scan(o.rest[1], disc, id))
        return 2;
    TMbClient client;
    TPrefs prefs;
    setUp(client, o, prefs);
    TMbRelease release;
    if (byId) {
        release.Id = o.release;
    } else {
        TMbReleases releases;
        if (!client.LookupDisc(id, releases))
            return Fail(client.ErrorMessage());
        if (releases.empty())
            return Fail(nothingFound(id));
        if (size_t(number) >= releases.size())
            return Fail(QStringLiteral("There is no release %1: MusicBrainz found %2")
                            .arg(number)
                            .arg(releases.size()));
        release = releases[size_t(number)];
    }
    if (const TAlbum *held = FindAlbumOfDisc(db, disc))
        Err() << QStringLiteral("This CD is already in the collection as \"%1\"; it is added "
                                "once more.")
                     .arg(held->GetAlbumName())
              << '\n';
    TIniSettingsStore store;
    TFieldDefaults defaults;
    defaults.Load(store);
    const bool covers = !o.noCover && prefs.FetchFrontCovers;
    TMbAlbumResult made = MakeMbAlbum(client, release, disc, id, db, &defaults,
                                      covers ? prefs.CoversFolder : QString());
    if (!made.album)
        return Fail(client.ErrorMessage());
    if (!made.coverNote.isEmpty())
        Err() << made.coverNote << '\n';
    TAlbum *album = made.album.release();
    db.AddAlbum(album);
    if (!SaveDatabase(db, o.rest[0]))
        return 2;
    Out() << album->ID << '\n';
    return 0;
}

} // namespace

int RunMb(const QStringList &args)
{
    const QString what = args.value(0);
    if (what == QLatin1String("discid"))
        return discid(args.mid(1));
    if (what == QLatin1String("query"))
        return query(args.mid(1));
    if (what == QLatin1String("add"))
        return add(args.mid(1));
    return Fail(QStringLiteral("Usage: qel mb discid|query|add ... (see qel mb --help)"));
}
