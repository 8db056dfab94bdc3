// Pictures of the MP3 explorer, on a folder of small MP3 files made for them.
#include "screenshots.h"

#include "mainwindow/ui/mainwindow.h"
#include "mp3/ui/mp3explorer.h"
#include "shell/dmglobal.h"
#include "shell/settingsstore.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// An MPEG 1 layer 3 file of 128 kbit/s lasting seconds, with a version 1 tag. The audio
// is two real frame headers and then a hole: the length comes from the audio bytes.
bool writeMp3(const QString &path, const char *title, const char *artist, const char *album,
              int track, int seconds)
{
    QByteArray frame = QByteArray::fromHex("FFFB9064");
    frame.append(QByteArray(417 - 4, '\0'));
    auto field = [](QByteArray s, int n) {
        s.truncate(n);
        return s + QByteArray(n - s.size(), '\0');
    };
    const QByteArray tag = "TAG" + field(title, 30) + field(artist, 30) + field(album, 30) +
                           field("1998", 4) + field({}, 28) + char(0) + char(track) + char(8);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(frame + frame) < 0)
        return false;
    const qint64 audio = qint64(seconds) * 128000 / 8;
    return f.resize(audio) && f.seek(audio) && f.write(tag) == tag.size();
}

} // namespace

int WriteMp3Screenshots(TfmMain &main, const QString &folder)
{
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("Night Train"));
    struct Song
    {
        const char *file, *title;
        int seconds;
    } const songs[] = {
        {"CD1/01 Departure.mp3", "Departure", 245},
        {"CD1/02 Signal Lights.mp3", "Signal Lights", 198},
        {"CD1/03 Sleeper Car.mp3", "Sleeper Car", 312},
        {"CD2/01 Border Crossing.mp3", "Border Crossing", 227},
        {"CD2/02 Dawn Platform.mp3", "Dawn Platform", 401},
        {"Bonus Take.mp3", "Bonus Take", 176},
    };
    int track = 0;
    for (const Song &s : songs) {
        const QString path = root + QLatin1Char('/') + QLatin1String(s.file);
        QDir().mkpath(QFileInfo(path).path());
        if (!writeMp3(path, s.title, "The Late Signals", "Night Train", ++track % 4 + 1,
                      s.seconds)) {
            std::fprintf(stderr, "qelmusic: could not write %s\n", qPrintable(path));
            return 1;
        }
    }
    main.Dm().Settings().WriteString(QStringLiteral("ScanMp3Screen"),
                                     QStringLiteral("InitialFolder"), root);
    int failures = 0;
    TfmScanMp3 explorer(main.Db(), main.Dm(), {}, &main);
    explorer.show();
    // The folder tree is read in the background; give it a moment to reach the folder.
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 1500)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    failures += save(&explorer, QDir(folder).filePath(QStringLiteral("mp3-explorer.png"))) ? 0 : 1;
    explorer.findChild<QCheckBox *>(QStringLiteral("ckShowFlatList"))->click();
    failures +=
        save(&explorer, QDir(folder).filePath(QStringLiteral("mp3-explorer-flat.png"))) ? 0 : 1;
    explorer.reject();
    return failures;
}
