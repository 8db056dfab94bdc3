// Pictures of the MP3 explorer, on a folder of small FLAC, M4A and MP3 files made for them.
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

QByteArray bigEndian(quint64 n, int bytes)
{
    QByteArray b(bytes, '\0');
    for (int k = 0; k < bytes; ++k)
        b[k] = char(n >> (8 * (bytes - 1 - k)));
    return b;
}

QByteArray littleEndian32(quint32 n)
{
    const char bytes[] = {char(n), char(n >> 8), char(n >> 16), char(n >> 24)};
    return QByteArray(bytes, 4);
}

// Writes head, then a hole up to size bytes (the audio, which no reader of tags looks at).
bool writeWithHole(const QString &path, const QByteArray &head, qint64 size)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(head) == head.size() && f.resize(size);
}

struct Tags
{
    const char *title, *artist, *album;
    int track, seconds;
};

// A FLAC file of 16 bit, 44.1 kHz stereo: its stream information and a Vorbis comment,
// then about 900 kbit/s of audio bytes.
bool writeFlac(const QString &path, const Tags &t)
{
    const quint64 rate = 44100;
    const quint64 samples = rate * quint64(t.seconds);
    const QByteArray info =
        bigEndian(4096, 2) + bigEndian(4096, 2) + bigEndian(0, 3) + bigEndian(0, 3) +
        bigEndian(rate << 44 | quint64(1) << 41 | quint64(15) << 36 | samples, 8) +
        QByteArray(16, '\0');
    QByteArray comment = littleEndian32(3) + "qel" + littleEndian32(6);
    for (const QByteArray &field :
         {"TITLE=" + QByteArray(t.title), "ARTIST=" + QByteArray(t.artist),
          "ALBUM=" + QByteArray(t.album), QByteArray("DATE=1998"), QByteArray("GENRE=Jazz"),
          "TRACKNUMBER=" + QByteArray::number(t.track)})
        comment += littleEndian32(quint32(field.size())) + field;
    const QByteArray head = "fLaC" + bigEndian(0, 1) + bigEndian(quint64(info.size()), 3) + info +
                            bigEndian(0x84, 1) + bigEndian(quint64(comment.size()), 3) + comment;
    return writeWithHole(path, head, head.size() + qint64(t.seconds) * 900000 / 8);
}

QByteArray atom(const char *type, const QByteArray &payload)
{
    return bigEndian(quint64(8 + payload.size()), 4) + QByteArray(type, 4) + payload;
}

QByteArray textItem(const char *type, const QByteArray &utf8)
{
    return atom(type, atom("data", bigEndian(1, 4) + bigEndian(0, 4) + utf8));
}

// An M4A file of AAC at 256 kbit/s, 44.1 kHz stereo, its tags in the movie header before
// the audio.
bool writeM4a(const QString &path, const Tags &t)
{
    const quint64 rate = 44100;
    const QByteArray esds =
        atom("esds", bigEndian(0, 4) + "\x03\x19" + bigEndian(0, 3) + "\x04\x11\x40\x15" +
                         bigEndian(0, 3) + bigEndian(256000, 4) + bigEndian(256000, 4) +
                         "\x05\x02\x12\x10\x06\x01\x02");
    const QByteArray mp4a =
        atom("mp4a", QByteArray(6, '\0') + bigEndian(1, 2) + QByteArray(8, '\0') + bigEndian(2, 2) +
                         bigEndian(16, 2) + QByteArray(4, '\0') + bigEndian(rate << 16, 4) + esds);
    const QByteArray mdia = atom(
        "mdia",
        atom("mdhd", QByteArray(12, '\0') + bigEndian(rate, 4) +
                         bigEndian(rate * quint64(t.seconds), 4) + QByteArray(4, '\0')) +
            atom("hdlr", QByteArray(8, '\0') + "soun" + QByteArray(13, '\0')) +
            atom("minf", atom("smhd", QByteArray(8, '\0')) +
                             atom("stbl", atom("stsd", bigEndian(0, 4) + bigEndian(1, 4) + mp4a))));
    const QByteArray ilst =
        atom("ilst",
             textItem("\xa9nam", t.title) +
                 textItem("\xa9"
                          "ART",
                          t.artist) +
                 textItem("\xa9"
                          "alb",
                          t.album) +
                 textItem("\xa9"
                          "day",
                          "1998") +
                 textItem("\xa9gen", "Jazz") +
                 atom("trkn", atom("data", QByteArray(10, '\0') + bigEndian(quint64(t.track), 2) +
                                               bigEndian(0, 4))));
    const QByteArray meta = atom(
        "meta", bigEndian(0, 4) +
                    atom("hdlr", QByteArray(8, '\0') + "mdirappl" + QByteArray(9, '\0')) + ilst);
    const QByteArray moov = atom("moov", atom("trak", mdia) + atom("udta", meta));
    const qint64 audio = qint64(t.seconds) * 256000 / 8;
    const QByteArray head = atom("ftyp", QByteArray("M4A ") + bigEndian(0, 4) + "M4A mp42isom") +
                            moov + bigEndian(quint64(8 + audio), 4) + "mdat";
    return writeWithHole(path, head, head.size() + audio);
}

} // namespace

int WriteMp3Screenshots(TfmMain &main, const QString &folder)
{
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("Night Train"));
    // A rip in FLAC, bought tracks in M4A, an old MP3: one folder as collections grow.
    struct Song
    {
        const char *file, *title;
        int seconds;
    } const songs[] = {
        {"01 Departure.flac", "Departure", 245},
        {"02 Signal Lights.flac", "Signal Lights", 198},
        {"03 Sleeper Car.flac", "Sleeper Car", 312},
        {"04 Border Crossing.m4a", "Border Crossing", 227},
        {"05 Dawn Platform.m4a", "Dawn Platform", 401},
        {"06 Bonus Take.mp3", "Bonus Take", 176},
        {"Live/01 Departure (Live).flac", "Departure (Live)", 263},
        {"Live/02 Encore.mp3", "Encore", 189},
    };
    int track = 0;
    for (const Song &s : songs) {
        const QString path = root + QLatin1Char('/') + QLatin1String(s.file);
        QDir().mkpath(QFileInfo(path).path());
        const Tags tags{s.title, "The Late Signals", "Night Train", ++track, s.seconds};
        const bool written =
            path.endsWith(QLatin1String(".flac")) ? writeFlac(path, tags)
            : path.endsWith(QLatin1String(".m4a"))
                ? writeM4a(path, tags)
                : writeMp3(path, s.title, "The Late Signals", "Night Train", track, s.seconds);
        if (!written) {
            std::fprintf(stderr, "qelmusic: could not write %s\n", qPrintable(path));
            return 1;
        }
    }
    main.Dm().Settings().WriteString(QStringLiteral("ScanMp3Screen"),
                                     QStringLiteral("InitialFolder"), root);
    int failures = 0;
    TfmScanMp3 explorer(main.Db(), main.Dm(), {}, &main);
    explorer.resize(1500, 440); // wide enough for every column, the streams' types included
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
