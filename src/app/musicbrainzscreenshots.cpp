// Pictures of the MusicBrainz window, filled from a disc image made for them and
// releases as the web service describes them (no network is used).
#include "screenshots.h"

#include "cddb/cdreader.h"
#include "cddb/scancd.h"
#include "mainwindow/ui/mainwindow.h"
#include "model/qelerror.h"
#include "musicbrainz/mbdiscid.h"
#include "musicbrainz/mbjson.h"
#include "musicbrainz/ui/mbquerywindow.h"

#include <QDir>
#include <QFile>
#include <QTabBar>
#include <QTemporaryDir>
#include <cstdio>
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
QString writeImage(const QString &folder, const std::vector<int> &seconds)
{
    QString sheet = QStringLiteral("FILE \"disc.bin\" BINARY\n");
    int frame = 0;
    for (size_t i = 0; i < seconds.size(); ++i) {
        sheet += QStringLiteral("  TRACK %1 AUDIO\n    INDEX 01 %2\n")
                     .arg(int(i + 1), 2, 10, QLatin1Char('0'))
                     .arg(msf(frame));
        frame += seconds[i] * 75;
    }
    QFile bin(QDir(folder).filePath(QStringLiteral("disc.bin")));
    if (!bin.open(QIODevice::WriteOnly) || !bin.resize(qint64(frame) * 2352))
        return {};
    const QString path = QDir(folder).filePath(QStringLiteral("disc.cue"));
    QFile cue(path);
    if (!cue.open(QIODevice::WriteOnly) || cue.write(sheet.toUtf8()) < 0)
        return {};
    return path;
}

const std::vector<int> kSeconds{214, 196, 305, 242, 279, 233, 251};
const char *const kTitles[] = {"Low Tide", "Pier Lamps",        "Salt on the Window", "Fog Signal",
                               "Homeward", "Lighthouse Keeper", "Night Ferry"};

// A release read whole, its one medium listing the disc ID given, its tracks as long
// as the disc's plus shift seconds; the sixth with a guest.
TMbRelease release(const char *id, const char *title, const char *date, const char *country,
                   const char *catalog, const char *barcode, const char *disambiguation,
                   const QString &discId, int shift)
{
    QByteArray tracks;
    for (size_t i = 0; i < kSeconds.size(); ++i) {
        tracks += (i ? "," : "") + QByteArray("{\"position\":") +
                  QByteArray::number(qsizetype(i + 1)) + ",\"title\":\"" + kTitles[i] +
                  "\",\"length\":" + QByteArray::number((kSeconds[i] + shift) * 1000 + 400);
        if (i == 5)
            tracks += ",\"artist-credit\":[{\"name\":\"Harbour Lights\",\"joinphrase\":\" "
                      "feat. \"},{\"name\":\"Mara Kestrel\",\"joinphrase\":\"\"}]";
        tracks += "}";
    }
    const QByteArray json =
        QByteArray("{\"id\":\"") + id + "\",\"title\":\"" + title + "\",\"date\":\"" + date +
        "\",\"country\":\"" + country + "\",\"barcode\":\"" + barcode + "\",\"disambiguation\":\"" +
        disambiguation +
        "\",\"artist-credit\":[{\"name\":\"Harbour Lights\",\"joinphrase\":\"\",\"artist\":"
        "{\"name\":\"Harbour Lights\",\"sort-name\":\"Harbour Lights\"}}],"
        "\"label-info\":[{\"catalog-number\":\"" +
        catalog +
        "\",\"label\":{\"name\":\"Saltmarsh Records\",\"sort-name\":\"Saltmarsh Records\"}}],"
        "\"media\":[{\"position\":1,\"format\":\"CD\",\"discs\":[{\"id\":\"" +
        discId.toLatin1() + "\"}],\"tracks\":[" + tracks + "]}]}";
    TMbRelease r;
    const QString error = ReadMbRelease(json, r);
    if (!error.isEmpty())
        std::fprintf(stderr, "qelmusic: %s\n", qPrintable(error));
    return r;
}

bool picture(TfmMain &main, const TScanCD &scan, const TMbReleases &releases, int tab,
             const QString &file)
{
    TfmMbQuery window(scan, TfmMbQuery::TMode::Add, 0, main.Db(), main.Dm(), &main);
    window.show();
    window.ShowReleases(releases);
    if (auto *tabs = window.findChild<QTabBar *>(QStringLiteral("tcReleases")))
        tabs->setCurrentIndex(tab);
    settle();
    const bool ok = save(&window, file);
    window.reject();
    return ok;
}

} // namespace

int WriteMusicBrainzScreenshots(TfmMain &main, const QString &folder)
{
    QTemporaryDir dir;
    const QString image = writeImage(dir.path(), kSeconds);
    TScanCD scan;
    try {
        TCdScanner().Scan(image, scan);
    } catch (const EQel &e) {
        std::fprintf(stderr, "qelmusic: %s\n", qPrintable(e.message()));
        return 1;
    }
    const QString id = MbDiscIdOf(scan).Id;
    TMbReleases two{release("3f1c2a10-5b6d-4e7f-8a9b-0c1d2e3f4a51", "Tidewater Songs", "1998-05-04",
                            "GB", "SMR 014", "5012345678900", "", id, 0),
                    release("8d2e4b6c-1a3f-4c5d-9e7f-2b4c6d8e0f12", "Tidewater Songs", "2004-10-11",
                            "XE", "SMR 014R", "5012345678917", "2004 remaster", id, 0)};
    TMbReleases near{release("4f6a8c0e-2a4c-4e6a-8c0e-4a6c8e0a2c68", "Tidewater (Early Mixes)",
                             "1997", "GB", "SMR 009", "", "", QStringLiteral("x"), -3)};
    near.front().Near = true;
    auto path = [&folder](const char *name) { return QDir(folder).filePath(QLatin1String(name)); };
    int failures = 0;
    failures += picture(main, scan, two, 1, path("musicbrainz-two-releases.png")) ? 0 : 1;
    failures += picture(main, scan, near, 0, path("musicbrainz-near.png")) ? 0 : 1;
    failures += picture(main, scan, {}, 0, path("musicbrainz-nothing-found.png")) ? 0 : 1;
    return failures;
}
