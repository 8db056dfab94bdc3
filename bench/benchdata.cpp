#include "benchdata.h"

#include "model/album.h"
#include "model/collectiongenerator.h"
#include "model/qeldb.h"
#include "model/tracks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <stdexcept>

namespace bench {

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double ThreadCpuSeconds()
{
    timespec ts{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

void Fail(const std::string &what)
{
    throw std::runtime_error(what);
}

std::string Utf8(const QString &s)
{
    return s.toStdString();
}

qint64 CountTracks(const TQelDb &db)
{
    qint64 n = 0;
    for (qsizetype i = 0; i < db.AlbumCount(); ++i)
        for (const TDataItem *child : db.Album(i)->Children)
            if (child->Kind() == TItemKind::Disc)
                n += static_cast<const TDisc *>(child)->TrackCount();
    return n;
}

QString WorkDir()
{
    static const std::unique_ptr<QTemporaryDir> dir = [] {
        const QByteArray parent = qgetenv("QEL_BENCH_DIR");
        const QString base = parent.isEmpty() ? QDir::tempPath() : QFile::decodeName(parent);
        QDir().mkpath(base);
        auto d = std::make_unique<QTemporaryDir>(base + QStringLiteral("/qel-bench-XXXXXX"));
        if (!d->isValid())
            Fail("cannot create a folder in " + Utf8(base));
        d->setAutoRemove(qEnvironmentVariableIsEmpty("QEL_BENCH_KEEP"));
        return d;
    }();
    return dir->path();
}

QString WorkFile(const QString &name)
{
    return WorkDir() + u'/' + name;
}

void RemoveFile(const QString &path)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

TCollection &Collection(int albums)
{
    static std::map<int, TCollection> cache;
    TCollection &c = cache[albums];
    if (c.qelPath.isEmpty()) {
        const auto start = Clock::now();
        TQelDb db;
        GenerateCollection(db, albums, kSeed);
        const QString path = WorkFile(QStringLiteral("collection-%1.qel").arg(albums));
        db.Save(path);
        c.tracks = CountTracks(db);
        c.qelBytes = QFileInfo(path).size();
        c.qelPath = path;
        std::fprintf(stderr, "[generated %d albums, %lld tracks, %.1f MB in %.1f s]\n", albums,
                     static_cast<long long>(c.tracks), double(c.qelBytes) / 1e6,
                     SecondsSince(start));
    }
    return c;
}

qint64 ProcStatusKb(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qsizetype(qstrlen(key))).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

void ResetPeakResident()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (!clear.open(QIODevice::WriteOnly) || clear.write("5") != 1)
        Fail("cannot reset the peak resident memory");
}

} // namespace bench
