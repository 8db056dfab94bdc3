// Pictures of the CD and CDDB windows, filled from disc images made for them and CDDB
// entries as a server sends them (no network is used).
#include "screenshots.h"

#include "cddb/cddbalbum.h"
#include "cddb/cddbentry.h"
#include "cddb/cdreader.h"
#include "cddb/scancd.h"
#include "cddb/scanlist.h"
#include "cddb/ui/cddbcdwindow.h"
#include "cddb/ui/cddbsettingswindow.h"
#include "cddb/ui/scanwindow.h"
#include "cddb/ui/submitwindow.h"
#include "mainwindow/ui/mainwindow.h"
#include "model/album.h"
#include "model/qeldb.h"
#include "model/qelerror.h"
#include "shell/dmglobal.h"
#include "shell/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

QString msf(int frames)
{
    return QStringLiteral("%1:%2:%3")
        .arg(frames / 4500, 2, 10, QLatin1Char('0'))
        .arg((frames / 75) % 60, 2, 10, QLatin1Char('0'))
        .arg(frames % 75, 2, 10, QLatin1Char('0'));
}

// A .cue sheet and a sparse .bin for tracks of the given lengths in seconds.
QString writeImage(const QString &folder, const QString &name, const std::vector<int> &seconds)
{
    QString sheet = QStringLiteral("FILE \"%1.bin\" BINARY\n").arg(name);
    int frame = 0;
    for (size_t i = 0; i < seconds.size(); ++i) {
        sheet += QStringLiteral("  TRACK %1 AUDIO\n    INDEX 01 %2\n")
                     .arg(int(i + 1), 2, 10, QLatin1Char('0'))
                     .arg(msf(frame));
        frame += seconds[i] * 75;
    }
    QFile bin(QDir(folder).filePath(name + QStringLiteral(".bin")));
    if (!bin.open(QIODevice::WriteOnly) || !bin.resize(qint64(frame) * 2352))
        return {};
    const QString path = QDir(folder).filePath(name + QStringLiteral(".cue"));
    QFile cue(path);
    if (!cue.open(QIODevice::WriteOnly) || cue.write(sheet.toUtf8()) < 0)
        return {};
    return path;
}

// An entry as a "cddb read" reply carries it.
void addEntry(TScanCD &disc, const QString &category, const QString &text)
{
    ParseEntry(disc, text.split(u'\n'), disc.AddCddbCD(), disc.CddbDiscIdText(), category);
}

const QString kHarbour =
    QStringLiteral("# xmcd\n#\n# Revision: 4\n# Submitted via: SleeveNotes 2.1\n#\n"
                   "DTITLE=Harbour Lights / Tidewater Songs\nDYEAR=1998\n"
                   "TTITLE0=Harbour Lights / Low Tide\nTTITLE1=Harbour Lights / Pier Lamps\n"
                   "TTITLE2=Mara Quinn / The Lighthouse Keeper\n"
                   "TTITLE3=Harbour Lights / Salt on the Window\n"
                   "TTITLE4=Harbour Lights / Fog Signal\n"
                   "TTITLE5=Jonas Bell / Night Ferry (Live)\n"
                   "TTITLE6=Harbour Lights / Homeward\n"
                   "EXTD=Recorded at the Old Boathouse, spring 1998.\\nRemastered 2004.\n"
                   "EXTT2=with string quartet\nEXTT5=recorded in Bergen\nPLAYORDER=");
const QString kHarbourOther =
    QStringLiteral("# xmcd\n#\n# Revision: 1\n# Submitted via: discid-tool 0.9\n#\n"
                   "DTITLE=Harbour Lights / Tidewater\n"
                   "TTITLE0=Low Tide\nTTITLE1=Pier Lamps\nTTITLE2=Lighthouse Keeper\n"
                   "TTITLE3=Salt on the Window\nTTITLE4=Fog Signal\nTTITLE5=Night Ferry\n"
                   "TTITLE6=Homeward\nEXTD=\nPLAYORDER=");

} // namespace

int WriteCddbScreenshots(TfmMain &main, const QString &folder)
{
    QTemporaryDir dir;
    const std::vector<int> harbourTracks{214, 187, 305, 242, 198, 361, 276};
    const QString harbour = writeImage(dir.path(), QStringLiteral("harbour"), harbourTracks);
    const QString second = writeImage(dir.path(), QStringLiteral("second"), {420, 388, 512, 455});
    const QString third =
        writeImage(dir.path(), QStringLiteral("third"), {181, 203, 166, 240, 199, 222, 185, 210});
    if (harbour.isEmpty() || second.isEmpty() || third.isEmpty()) {
        std::fprintf(stderr, "qelmusic: could not write the disc images\n");
        return 1;
    }
    TdmGlobal &dm = main.Dm();
    const QString savedDrive = dm.Prefs().Drive;
    dm.Prefs().Drive = harbour;
    auto path = [&folder](const char *name) { return QDir(folder).filePath(QLatin1String(name)); };
    int failures = 0;
    try {
        TScanCD record;
        TCdScanner().Scan(harbour, record);
        addEntry(record, QStringLiteral("folk"), kHarbour);
        addEntry(record, QStringLiteral("misc"), kHarbourOther);
        {
            TfmCddbCD screen(record, false, 0, main.Db(), dm, &main);
            screen.show();
            settle();
            failures += save(&screen, path("cddb-query.png")) ? 0 : 1;
            screen.reject();
        }

        // The scan list: three discs, two of them looked up already.
        {
            TScanCdList list;
            for (const QString &image : {harbour, second, third}) {
                auto *disc = new TScanCD;
                TCdScanner().Scan(image, *disc);
                list.Add(disc);
            }
            addEntry(*list.Item(0), QStringLiteral("folk"), kHarbour);
            addEntry(*list.Item(2), QStringLiteral("jazz"),
                     QStringLiteral("DTITLE=Blue Quarter / Late Set\nTTITLE0=Opening\n"));
            const QString error = list.SaveToFile();
            if (!error.isEmpty())
                std::fprintf(stderr, "qelmusic: %s\n", qPrintable(error));
        }
        {
            TfmScan screen(
                main.Db(), dm, [](TAlbum *) { return false; }, &main);
            screen.show();
            settle();
            failures += save(&screen, path("cddb-batch.png")) ? 0 : 1;
            screen.reject();
        }

        // A submission of the album the first entry makes, checked against its image.
        record.SelectCddbCD(0);
        record.UseGenre = true;
        record.UseDiscExtData = true;
        TQelDb scratch; // the album and its lookup entries stay out of the collection
        std::unique_ptr<TAlbum> album(CreateFromScanCD(record, scratch, nullptr));
        {
            TfmSubmit screen(*album, dm, &main);
            screen.show();
            settle();
            screen.ScanCheck();
            settle();
            failures += save(&screen, path("cddb-submit.png")) ? 0 : 1;
            screen.reject();
        }
    } catch (const EQel &e) {
        std::fprintf(stderr, "qelmusic: %s\n", qPrintable(e.message()));
        ++failures;
    }

    // Settings with a server list as the default server hands it out.
    TSettingsStore &store = dm.Settings();
    const struct
    {
        const char *site;
        const char *description;
    } sites[] = {{"gnudb.gnudb.org", "Random gnudb server"},
                 {"freedb.example.org", "Fremont, CA USA"},
                 {"cddb.example.net", "Bergen, Norway"}};
    const QString cddb = QStringLiteral("Cddb");
    const bool hadSites = store.ReadInteger(cddb, QStringLiteral("SiteCount"), 0) > 0;
    if (!hadSites) {
        for (int i = 0; i < 3; ++i) {
            const QString section = QStringLiteral("Cddb\\Site%1").arg(i);
            store.WriteString(section, QStringLiteral("Site"), QLatin1String(sites[i].site));
            store.WriteString(section, QStringLiteral("Description"),
                              QLatin1String(sites[i].description));
        }
        store.WriteInteger(cddb, QStringLiteral("SiteCount"), 3);
    }
    {
        TfmCddbSettings screen(dm, &main);
        screen.show();
        settle();
        failures += save(&screen, path("cddb-settings.png")) ? 0 : 1;
        screen.reject();
    }
    dm.Prefs().Drive = savedDrive;
    return failures;
}
