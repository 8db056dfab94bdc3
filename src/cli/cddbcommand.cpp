// The CD commands: disc identifiers, CDDB queries and submissions, the batch scan list.
#include "cli/cddbcli.h"
#include "cli/commands.h"

#include "cddb/cddbalbum.h"
#include "cddb/cddbsubmit.h"
#include "cddb/cdreader.h"
#include "cddb/scancd.h"
#include "cddb/scanlist.h"
#include "model/album.h"
#include "model/general.h"
#include "model/qeldb.h"
#include "shell/fielddefaults.h"
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
    "       qel cddb sites [--server URL]\n"
    "       qel cddb add DB.qel SOURCE [--server URL] [--entry N] [--content 0-3]\n"
    "                    [--separator 0-7] [--track-ext 0-2] [--no-genre] [--no-disc-ext]\n"
    "       qel cddb submit DB.qel ALBUM_ID SOURCE [--disc N] [--category C] [--title 0-2]\n"
    "                    [--no-headers] [--disc-ext] [--track-ext] [--server URL] [--dry-run]\n\n"
    "  query   scans SOURCE (a drive or a disc image) and looks it up on the CDDB server\n"
    "  sites   fetches the server's list of sites and categories and stores them\n"
    "  add     scans and looks up SOURCE, makes an album of entry N (default 0; -1: the\n"
    "          scan alone), adds it to DB.qel, saves it and prints the album's ID.\n"
    "          --content: 0 artist then title, 1 title then artist, 2 title, 3 artist;\n"
    "          --separator: / \\ - : ; ( ' \" by index; --track-ext: 0 as comments,\n"
    "          1 as artist, 2 not used\n"
    "  submit  checks disc N (default 1) of the album against SOURCE and submits it;\n"
    "          --dry-run prints the entry instead (CR LF lines). Questions about commas\n"
    "          in artist names are answered Yes. --category defaults to the album's genre;\n"
    "          --title: 0 album title, 1 disc title, 2 both\n\n"
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

// Answers every question Yes, for the commands that cannot ask.
class TYesInterface : public TUserInterface
{
public:
    TYesInterface() { m_previous = SetUserInterface(this); }
    ~TYesInterface() override { SetUserInterface(m_previous); }
    void ShowInfo(const QString &message) override { Err() << message << '\n'; }
    TAnswer AskYesNo(const QString &) override { return TAnswer::Yes; }
    TAnswer AskOkCancel(const QString &) override { return TAnswer::Ok; }
    void BeginWait() override {}
    void EndWait() override {}

private:
    TUserInterface *m_previous = nullptr;
};

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

// The value after args[i] as an integer within [low, high]; false with the message printed.
bool intOption(const QStringList &args, qsizetype &i, int low, int high, int &value)
{
    bool ok = false;
    value = i + 1 < args.size() ? args[i + 1].toInt(&ok) : 0;
    if (!ok || value < low || value > high) {
        Fail(QStringLiteral("%1 needs a number from %2 to %3").arg(args[i]).arg(low).arg(high));
        return false;
    }
    ++i;
    return true;
}

int cddbAdd(const QStringList &args)
{
    QStringList rest;
    QString server;
    int entry = 0, content = 0, separator = 0, trackExt = 0;
    bool genre = true, discExt = true;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--server") && i + 1 < args.size())
            server = args[++i];
        else if (a == QLatin1String("--entry")) {
            if (!intOption(args, i, -1, 9999, entry))
                return 2;
        } else if (a == QLatin1String("--content")) {
            if (!intOption(args, i, 0, 3, content))
                return 2;
        } else if (a == QLatin1String("--separator")) {
            if (!intOption(args, i, 0, 7, separator))
                return 2;
        } else if (a == QLatin1String("--track-ext")) {
            if (!intOption(args, i, 0, 2, trackExt))
                return 2;
        } else if (a == QLatin1String("--no-genre"))
            genre = false;
        else if (a == QLatin1String("--no-disc-ext"))
            discExt = false;
        else if (a.startsWith(u'-') && a.size() > 1)
            return Fail(QStringLiteral("Unknown option %1").arg(a));
        else
            rest << a;
    }
    if (rest.size() != 2)
        return Fail(
            QStringLiteral("Usage: qel cddb add DB.qel SOURCE [options] (see qel cddb --help)"));
    TQelDb db;
    if (!LoadDatabase(db, rest[0]))
        return 2;
    TScanCD record;
    if (!ScanSource(rest[1], record))
        return 2;
    if (entry >= 0) {
        if (!QueryRecord(record, server))
            return 2;
        if (entry >= record.CddbCDCount())
            return Fail(QStringLiteral("There is no entry %1: the server gave %2")
                            .arg(entry)
                            .arg(record.CddbCDCount()));
    }
    record.SelectCddbCD(entry);
    record.UseGenre = genre;
    record.UseDiscExtData = discExt;
    record.TrackContent = quint8(content);
    record.TrackSeparator = quint8(separator);
    record.UseTrackExtData = quint8(trackExt);
    TIniSettingsStore settings;
    TFieldDefaults defaults;
    defaults.Load(settings);
    TAlbum *album = CreateFromScanCD(record, db, &defaults);
    db.AddAlbum(album);
    if (!SaveDatabase(db, rest[0]))
        return 2;
    Out() << album->ID << '\n';
    return 0;
}

int cddbSubmit(const QStringList &args)
{
    QStringList rest;
    QString server, category;
    int disc = 1, title = 0;
    bool dryRun = false;
    TSubmitOptions options;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--server") && i + 1 < args.size())
            server = args[++i];
        else if (a == QLatin1String("--category") && i + 1 < args.size())
            category = args[++i];
        else if (a == QLatin1String("--disc")) {
            if (!intOption(args, i, 1, 9999, disc))
                return 2;
        } else if (a == QLatin1String("--title")) {
            if (!intOption(args, i, 0, 2, title))
                return 2;
        } else if (a == QLatin1String("--no-headers"))
            options.submitHeaders = false;
        else if (a == QLatin1String("--disc-ext"))
            options.submitDiscExt = true;
        else if (a == QLatin1String("--track-ext"))
            options.submitTrackExt = true;
        else if (a == QLatin1String("--dry-run"))
            dryRun = true;
        else if (a.startsWith(u'-') && a.size() > 1)
            return Fail(QStringLiteral("Unknown option %1").arg(a));
        else
            rest << a;
    }
    options.titleChoice = title;
    if (rest.size() != 3)
        return Fail(QStringLiteral("Usage: qel cddb submit DB.qel ALBUM_ID SOURCE [options]"));
    TQelDb db;
    if (!LoadDatabase(db, rest[0]))
        return 2;
    bool ok = false;
    const qint32 id = rest[1].toInt(&ok);
    TAlbum *album = nullptr;
    for (qsizetype i = 0; ok && i < db.AlbumCount() && !album; ++i)
        if (db.Album(i)->ID == id)
            album = db.Album(i);
    if (!album)
        return Fail(QStringLiteral("There is no album %1 in \"%2\"").arg(rest[1], rest[0]));
    if (disc > album->DiscCount())
        return Fail(QStringLiteral("The album has %1 disc(s)").arg(album->DiscCount()));
    if (category.isEmpty())
        category = album->GetFieldAsString(fdGenre).toLower();
    // The command line cannot answer questions: the comma questions are taken as Yes.
    TYesInterface yes;
    TScanCD record;
    const QString failure = CheckSubmission(*album, record, disc - 1, options, category, rest[2]);
    if (!failure.isEmpty())
        return Fail(failure);
    record.CddbCD(0).Category = category;
    if (dryRun) {
        QStringList lines;
        ComposeEntry(record, lines);
        for (const QString &line : lines)
            Out() << line << "\r\n";
        return 0;
    }
    return RunCddbSend(record, server);
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
    if (what == QLatin1String("add"))
        return cddbAdd(args.mid(1));
    if (what == QLatin1String("submit"))
        return cddbSubmit(args.mid(1));
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
