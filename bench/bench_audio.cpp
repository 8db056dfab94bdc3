// Reading folders of audio files of each common format: our reader (ours for MP3, the tag
// library behind our own stream for the others) against TagLib's own FileRef with fast
// audio properties, and against a bare open/fstat/pread/close loop, the floor any reader
// stands on; then the explorer's scan (counting pass, reading pass with its percentages)
// of each folder. Warm cache: every pass runs three times, the best counts.
// Usage: bench_audio [FILES]   (default 10,000 files a format, in a new temporary folder)
// The files are copies of the test fixtures (tests/fixtures/audio/formats), each a second
// and a half with a full tag and, but for Ogg, a small cover; "FLAC, 100 KB cover" adds a
// cover of the size real rips carry.

#include "mp3/audiofile.h"
#include "mp3/mp3file.h"
#include "mp3/mp3scan.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <taglib/audioproperties.h>
#include <taglib/fileref.h>
#include <taglib/tag.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

double Seconds(const std::function<void()> &op)
{
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        const auto start = std::chrono::steady_clock::now();
        op();
        best = std::min(
            best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

QByteArray BigEndian32(quint32 n)
{
    QByteArray b(4, '\0');
    for (int k = 0; k < 4; ++k)
        b[k] = char(n >> (8 * (3 - k)));
    return b;
}

// The FLAC file with a picture block of size bytes added after its other metadata.
QByteArray WithCover(const QByteArray &flac, int size)
{
    qsizetype at = 4; // after "fLaC"
    qsizetype last = at;
    while (at + 4 <= flac.size()) {
        last = at;
        const bool isLast = uchar(flac[at]) & 0x80;
        at += 4 + (qsizetype(uchar(flac[at + 1])) << 16 | uchar(flac[at + 2]) << 8 |
                   uchar(flac[at + 3]));
        if (isLast)
            break;
    }
    QByteArray out = flac.left(at);
    out[last] = char(uchar(out[last]) & 0x7f);
    const QByteArray mime("image/jpeg");
    QByteArray picture = BigEndian32(3) + BigEndian32(quint32(mime.size())) + mime +
                         BigEndian32(0) + BigEndian32(500) + BigEndian32(500) + BigEndian32(24) +
                         BigEndian32(0) + BigEndian32(quint32(size)) + QByteArray(size, '\x5a');
    const quint32 n = quint32(picture.size());
    out += char(0x80 | 6);
    out += char(n >> 16);
    out += char(n >> 8);
    out += char(n);
    return out + picture + flac.mid(at);
}

// Writes count copies of bytes under folder, 100 to an album folder; their paths.
QStringList MakeTree(const QString &folder, const QByteArray &bytes, const char *extension,
                     int count)
{
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        const QString dir =
            folder + QStringLiteral("/Album %1").arg(i / 100, 3, 10, QLatin1Char('0'));
        if (i % 100 == 0)
            QDir().mkpath(dir);
        const QString path =
            dir + QStringLiteral("/%1.").arg(i, 5, 10, QLatin1Char('0')) + QLatin1String(extension);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return {};
        paths << path;
    }
    return paths;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv); // the explorer's scan handles events
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    const QString fixtures = QStringLiteral(QEL_AUDIO_FIXTURES);
    const auto fixture = [&fixtures](const char *name) {
        QFile f(fixtures + u'/' + QLatin1String(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const struct
    {
        const char *label;
        QByteArray bytes;
        const char *extension;
    } formats[] = {
        {"FLAC", fixture("flac.flac"), "flac"},
        {"FLAC, 100 KB cover", WithCover(fixture("flac.flac"), 100 * 1024), "flac"},
        {"M4A (AAC)", fixture("aac.m4a"), "m4a"},
        {"Ogg Vorbis", fixture("vorbis.ogg"), "ogg"},
        {"MP3", fixture("mp3.mp3"), "mp3"},
    };

    qint64 sink = 0;
    std::printf("%d files a format, warm cache; files/s (time / our time)\n", count);
    std::printf("%-20s %10s %17s %17s %12s %12s\n", "format", "ours", "TagLib FileRef", "floor",
                "explorer", "scan");
    for (const auto &format : formats) {
        if (format.bytes.size() < 128) {
            std::fprintf(stderr, "bench_audio: no fixture for %s in %s\n", format.label,
                         qPrintable(fixtures));
            return 1;
        }
        QTemporaryDir temp;
        const QStringList paths = MakeTree(temp.path(), format.bytes, format.extension, count);
        if (paths.isEmpty())
            return 1;
        std::vector<QByteArray> local;
        for (const QString &p : paths)
            local.push_back(QFile::encodeName(p));
        const double files = double(paths.size());

        const double floor = Seconds([&] {
            char buf[4096];
            for (const QByteArray &p : local) {
                const int fd = ::open(p.constData(), O_RDONLY | O_CLOEXEC);
                struct stat st;
                ::fstat(fd, &st);
                sink += ::pread(fd, buf, sizeof buf, 0);
                sink += ::pread(fd, buf, 128, st.st_size - 128);
                ::close(fd);
            }
        });
        const double ours = Seconds([&] {
            for (const QString &p : paths) {
                const std::unique_ptr<TAudioFile> f = ReadAudioFile(p);
                sink += f ? f->Length + f->Title.size() + f->BitRate : 0;
            }
        });
        const double taglib = Seconds([&] {
            for (const QByteArray &p : local) {
                TagLib::FileRef f(p.constData(), true, TagLib::AudioProperties::Fast);
                if (f.tag())
                    sink += f.tag()->title().size() + f.tag()->track();
                if (f.audioProperties())
                    sink += f.audioProperties()->lengthInSeconds() + f.audioProperties()->bitrate();
            }
        });
        // The explorer's scan of the whole folder: one thread, progress after every file.
        TMP3Scanner scanner;
        TMP3Folder scanned;
        scanned.Path = temp.path();
        const double explorer = Seconds([&] { sink += scanner.Scan(scanned, true); });
        // The scan without a progress (qel mp3, the album): the files read on threads.
        const double tree =
            Seconds([&] { sink += qint64(ScanMp3Folder(temp.path())->Items.size()); });

        std::printf("%-20s %10.0f %10.0f (%4.2f) %10.0f (%4.2f) %9.0f ms %9.0f ms\n", format.label,
                    files / ours, files / taglib, taglib / ours, files / floor, floor / ours,
                    explorer * 1000, tree * 1000);
    }
    std::printf("(checksum %lld)\n", static_cast<long long>(sink));
    return 0;
}
