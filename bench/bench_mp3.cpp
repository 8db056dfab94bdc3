// Reading a folder of MP3 files: our reader against TagLib (tags and audio properties)
// and against a bare open/fstat/pread/close loop, the floor any reader stands on.
// Usage: bench_mp3 [FOLDER]   (default: a new temporary folder of 10,000 files)

#include "model/album.h"
#include "model/qeldb.h"
#include "mp3/mp3album.h"
#include "mp3/mp3file.h"
#include "mp3/mp3scan.h"
#include "mp3tree.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <taglib/audioproperties.h>
#include <taglib/fileref.h>
#include <taglib/tag.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kFiles = 10000;

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

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv); // the explorer's scan handles events
    QTemporaryDir temp;
    QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path();
    QStringList paths;
    if (argc <= 1) {
        paths = MakeBenchMp3Tree(folder, kFiles);
        if (paths.isEmpty())
            return 1;
    } else {
        std::vector<const TAudioFile *> files;
        const auto tree = ScanMp3Folder(folder);
        CollectMp3Files(*tree, files);
        for (const TAudioFile *f : files)
            paths << f->Path;
    }
    std::vector<QByteArray> local;
    for (const QString &p : paths)
        local.push_back(QFile::encodeName(p));
    const double count = double(local.size());

    qint64 sink = 0;
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
            TMP3File f;
            f.ReadInfo(p);
            sink += f.Length + f.Title.size();
        }
    });
    const double taglib = Seconds([&] {
        for (const QByteArray &p : local) {
            TagLib::FileRef f(p.constData(), true, TagLib::AudioProperties::Fast);
            if (f.tag())
                sink += f.tag()->title().size() + f.tag()->track();
            if (f.audioProperties())
                sink += f.audioProperties()->lengthInSeconds();
        }
    });
    const double tree = Seconds([&] {
        const auto t = ScanMp3Folder(folder);
        sink += qint64(t->Items.size());
    });
    // The explorer's scan: the counting pass, then the reading pass with its percentages.
    TMP3Scanner scanner;
    TMP3Folder scanned;
    scanned.Path = folder;
    const double counted = Seconds([&] { sink += scanner.Scan(scanned, true); });
    // Making the album of the whole tree (the scan has put it in order).
    TQelDb db;
    const double album = Seconds([&] {
        std::unique_ptr<TAlbum> a(CreateFromMP3Folder(scanned, db, nullptr, QString()));
        sink += a->DiscCount();
    });

    std::printf("%-34s %12s %12s\n", "reading MP3 files (warm cache)", "files/s", "vs ours");
    std::printf("%-34s %12.0f %12.2f\n", "ours (TMP3File::ReadInfo)", count / ours, 1.0);
    std::printf("%-34s %12.0f %12.2f\n", "TagLib (tags + audio properties)", count / taglib,
                taglib / ours);
    std::printf("%-34s %12.0f %12.2f\n", "floor (open/fstat/2 pread/close)", count / floor,
                floor / ours);
    std::printf("scan of the folder tree (%d files, read on threads): %.0f ms\n", int(count),
                tree * 1000);
    std::printf("explorer's scan, counting then reading: %.0f ms\n", counted * 1000);
    std::printf("album of the scanned tree: %.1f ms\n", album * 1000);
    std::printf("(checksum %lld)\n", static_cast<long long>(sink));
    return 0;
}
