// The CD commands: disc identifiers, CDDB queries and submissions, the batch scan list.
#include "cli/cddbcli.h"
#include "cli/commands.h"

#include "cddb/cdreader.h"
#include "cddb/scancd.h"
#include "cddb/scanlist.h"
#include "shell/prefs.h"
#include "shell/settingsstore.h"

#include <memory>

const char kDiscidHelp[] =
    "Usage: qel discid [SOURCE] [--json]\n\n"
    "Reads the table of contents of an audio CD and prints its CDDB disc identifier, its\n"
    "\"Microsoft Disc ID\", the track count with the disc length, and one line per track\n"
    "(number, start frame, length).\n\n"
    "  SOURCE   a drive (/dev/sr0) or a disc image (.cue with its .bin, cdrdao .toc,\n"
    "           .nrg); default: the scan drive of the preferences\n"
    "  --json   the same as one JSON object\n";

const char kCddbHelp[] =
    "Usage: qel cddb query SOURCE [--server URL] [--email ADDR] [--json]\n"
    "       qel cddb sites [--server URL]\n\n"
    "  query   scans SOURCE (a drive or a disc image) and looks it up on the CDDB server\n"
    "  sites   fetches the server's list of sites and categories and stores them\n\n"
    "--server http://host[:port]/path overrides the stored site for this run.\n";

const char kScanlistHelp[] =
    "Usage: qel scanlist [list | add SOURCE | query [--server URL] | remove CDDBID | clear]\n\n"
    "The batch scan list of the program folder (scanlist.dat):\n"
    "  list            one line per disc: its CDDB id, \"tracks (length)\" and the title of\n"
    "                  its first CDDB entry, separated by tabs (the default)\n"
    "  add SOURCE      scans a drive or disc image and adds the disc, unless listed\n"
    "  query           looks every listed disc up on the CDDB server\n"
    "  remove CDDBID   removes the disc with this identifier (eight hexadecimal digits)\n"
    "  clear           empties the list\n";

bool ScanSource(const QString &source, TScanCD &disc)
{
    QString from = source;
    if (from.isEmpty()) {
        TIniSettingsStore settings;
        TPrefs prefs;
        prefs.Load(settings);
        from = prefs.GetScanDrive();
    }
    try {
        TCdScanner().Scan(from, disc);
        return true;
    } catch (const EQel &e) {
        Fail(e.message());
        return false;
    }
}

namespace {

int discid(const QStringList &args)
{
    QString source;
    bool json = false;
    for (const QString &a : args) {
        if (a == QLatin1String("--json"))
            json = true;
        else if (a.startsWith(u'-'))
            return Fail(QStringLiteral("Unknown option %1").arg(a));
        else if (source.isEmpty())
            source = a;
        else
            return Fail(QStringLiteral("Too many arguments"));
    }
    TScanCD disc;
    if (!ScanSource(source, disc))
        return 2;
    if (json) {
        // Keys in this order, as documented: QJsonObject would sort them.
        QByteArray out = "{\"cddbId\":\"" + disc.CddbDiscIdText().toLatin1() + "\",\"msId\":\"" +
                         disc.MsDiscIdText().toLatin1() +
                         "\",\"leadOut\":" + QByteArray::number(disc.LeadOut) +
                         ",\"discLength\":" + QByteArray::number(disc.DiscLength) + ",\"tracks\":[";
        for (int i = 0; i < disc.TrackCount(); ++i) {
            const TScanTrack &t = disc.Track(i);
            out += (i ? ",{" : "{") + QByteArray("\"start\":") + QByteArray::number(t.StartFrame) +
                   ",\"deviceLength\":" + QByteArray::number(t.DeviceLength) +
                   ",\"length\":" + QByteArray::number(t.Length) + "}";
        }
        out += "]}";
        Out() << QString::fromLatin1(out) << '\n';
        return 0;
    }
    Out() << "CDDB disc id: " << disc.CddbDiscIdText() << '\n'
          << "Microsoft Disc ID: " << disc.MsDiscIdText() << '\n'
          << "Tracks: " << disc.TrackCount() << " (" << disc.DiscLengthText() << ")\n";
    for (int i = 0; i < disc.TrackCount(); ++i)
        Out() << i + 1 << '\t' << disc.Track(i).StartFrame << '\t' << disc.Track(i).LengthText()
              << '\n';
    return 0;
}

QString row(const TScanCD &disc)
{
    return disc.CddbDiscIdText() + u'\t' +
           QStringLiteral("%1 (%2)").arg(disc.TrackCount()).arg(disc.DiscLengthText()) + u'\t' +
           (disc.CddbCDCount() > 0 ? disc.CddbCD(0).DTitle : QString());
}

bool load(TScanCdList &list)
{
    const QString error = list.LoadFromFile();
    if (!error.isEmpty())
        Err() << error << '\n'; // the discs read before the damage are still listed
    return true;
}

bool save(const TScanCdList &list)
{
    const QString error = list.SaveToFile();
    if (!error.isEmpty()) {
        Fail(error);
        return false;
    }
    return true;
}

} // namespace

int RunDiscid(const QStringList &args)
{
    return discid(args);
}

int RunCddb(const QStringList &args)
{
    const QString what = args.value(0);
    if (what == QLatin1String("query"))
        return RunCddbQuery(args.mid(1));
    if (what == QLatin1String("sites"))
        return RunCddbSites(args.mid(1));
    if (what == QLatin1String("add") || what == QLatin1String("submit"))
        return Fail(QStringLiteral("qel cddb %1: not available yet").arg(what));
    return Fail(QStringLiteral("Usage: qel cddb query|sites ... (see qel cddb --help)"));
}

int RunScanlist(const QStringList &args)
{
    const QString what = args.value(0, QStringLiteral("list"));
    if (what == QLatin1String("query"))
        return RunScanlistQuery(args.mid(1));
    TScanCdList list;
    load(list);
    if (what == QLatin1String("list") && args.size() <= 1) {
        for (int i = 0; i < list.Count(); ++i)
            Out() << row(*list.Item(i)) << '\n';
        Out() << QStringLiteral("%1 CDs in scan list").arg(list.Count()) << '\n';
        return 0;
    }
    if (what == QLatin1String("add") && args.size() == 2) {
        auto disc = std::make_unique<TScanCD>();
        if (!ScanSource(args[1], *disc))
            return 2;
        if (list.FindByCddbDiscId(disc->CddbDiscId))
            return Fail(QStringLiteral("CD %1 is already in the list").arg(disc->CddbDiscIdText()));
        const QString id = disc->CddbDiscIdText();
        list.Add(disc.release());
        if (!save(list))
            return 2;
        Out() << QStringLiteral("CD %1 added to the list").arg(id) << '\n';
        return 0;
    }
    if (what == QLatin1String("remove") && args.size() == 2) {
        bool ok = false;
        const quint32 id = args[1].toUInt(&ok, 16);
        TScanCD *disc = ok ? list.FindByCddbDiscId(qint32(id)) : nullptr;
        if (!disc)
            return Fail(QStringLiteral("CD %1 is not in the list").arg(args[1]));
        list.Remove(disc);
        delete disc;
        return save(list) ? 0 : 2;
    }
    if (what == QLatin1String("clear") && args.size() == 1) {
        list.Clear();
        return save(list) ? 0 : 2;
    }
    return Fail(
        QStringLiteral("Usage: qel scanlist [list | add SOURCE | query | remove CDDBID | clear]"));
}
