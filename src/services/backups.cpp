#include "services/backups.h"

#include "model/atomicfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString sTimeFormat = QStringLiteral("yyyy-MM-dd_HH-mm-ss");

QString tr(const char *text)
{
    return QCoreApplication::translate("TBackups", text);
}

bool sameFile(const QString &a, const QString &b)
{
    struct stat sa, sb;
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

} // namespace

TBackups::TBackups(const QString &root) : m_root(root) {}

QString TBackups::FolderFor(const QString &dbFile) const
{
    return m_root + QFileInfo(dbFile).completeBaseName() + u'/';
}

QString TBackups::BeforeSave(const QString &dbFile, int albumsOnDisk)
{
    if (!Enabled)
        return {};
    const QDateTime now = Now();
    auto last = m_lastKept.find(QFileInfo(dbFile).absoluteFilePath());
    if (last != m_lastKept.end() && last->second.secsTo(now) < 3600 &&
        last->second.secsTo(now) >= 0)
        return {};
    return keep(dbFile, albumsOnDisk);
}

QString TBackups::BeforeBigChange(const QString &dbFile, int albumsOnDisk)
{
    return Enabled ? keep(dbFile, albumsOnDisk) : QString();
}

QString TBackups::Keep(const QString &dbFile, int albumsOnDisk)
{
    return keep(dbFile, albumsOnDisk);
}

QString TBackups::keep(const QString &dbFile, int albumsOnDisk)
{
    const QFileInfo source(dbFile);
    const QDateTime now = Now();
    // Tried or not, the hour starts now: a failing folder is not retried on every save.
    m_lastKept[source.absoluteFilePath()] = now;
    if (!source.isFile())
        return {};

    const QString folder = FolderFor(dbFile);
    const std::vector<TBackupInfo> existing = List(dbFile);
    if (!existing.empty() && sameFile(existing.front().path, dbFile))
        return {}; // the newest backup is this very file: nothing changed since

    if (!QDir().mkpath(folder))
        return tr("The backup folder \"%1\" cannot be created.").arg(folder);
    const QString stem = now.toString(sTimeFormat);
    const QString tail =
        albumsOnDisk >= 0 ? QStringLiteral("_%1a.qel").arg(albumsOnDisk) : QStringLiteral(".qel");
    QString target = folder + stem + tail;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = folder + stem + QStringLiteral("-%1").arg(n) + tail;

    bool linked = false;
    if (!ForceCopy) {
        linked = ::link(QFile::encodeName(source.absoluteFilePath()).constData(),
                        QFile::encodeName(target).constData()) == 0;
    }
    if (!linked) {
        const QString error = CopyFileAtomically(source.absoluteFilePath(), target);
        if (!error.isEmpty())
            return tr("The collection could not be backed up to \"%1\": %2").arg(target, error);
    }
    Rotate(dbFile);
    return {};
}

bool TBackups::ParseName(const QString &name, QDateTime *time, int *albums, int *sequence)
{
    static const QRegularExpression pattern(QStringLiteral(
        "^(\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d)(?:-(\\d+))?(?:_(\\d+)a)?\\.qel$"));
    const QRegularExpressionMatch m = pattern.match(name);
    if (!m.hasMatch())
        return false;
    const QDateTime t = QDateTime::fromString(m.captured(1), sTimeFormat);
    if (!t.isValid())
        return false;
    *time = t;
    bool ok = false;
    if (sequence)
        *sequence = m.captured(2).isEmpty() ? 1 : m.captured(2).toInt();
    const int count = m.captured(3).toInt(&ok);
    *albums = ok ? count : -1;
    return true;
}

std::vector<TBackupInfo> TBackups::List(const QString &dbFile) const
{
    std::vector<TBackupInfo> result;
    const QDir dir(FolderFor(dbFile));
    for (const QFileInfo &info : dir.entryInfoList({QStringLiteral("*.qel")}, QDir::Files)) {
        TBackupInfo b;
        if (!ParseName(info.fileName(), &b.time, &b.albums, &b.sequence))
            continue; // not ours: left alone
        b.name = info.fileName();
        b.path = info.absoluteFilePath();
        b.size = info.size();
        result.push_back(b);
    }
    // Newest first; several in one second by their sequence.
    std::sort(result.begin(), result.end(), [](const TBackupInfo &a, const TBackupInfo &b) {
        if (a.time != b.time)
            return a.time > b.time;
        return a.sequence > b.sequence;
    });
    return result;
}

std::vector<TBackupInfo> TBackups::ToDelete(const std::vector<TBackupInfo> &newestFirst,
                                            const QDateTime &now, qint64 limit)
{
    std::vector<TBackupInfo> kept;
    std::vector<TBackupInfo> dropped;
    QSet<qint64> days;
    QSet<qint64> weeks;
    for (const TBackupInfo &b : newestFirst) {
        const qint64 age = b.time.secsTo(now);
        bool keep;
        if (age <= 24 * 3600) {
            keep = true;
        } else if (age <= 30 * 24 * 3600) {
            // The newest of each day: the list runs newest first.
            const qint64 day = b.time.date().toJulianDay();
            keep = !days.contains(day);
            days.insert(day);
        } else {
            int year = 0;
            const qint64 week = b.time.date().weekNumber(&year) + qint64(year) * 100;
            keep = !weeks.contains(week);
            weeks.insert(week);
        }
        (keep ? kept : dropped).push_back(b);
    }
    // Within the space, the oldest go first; the newest always stays.
    qint64 total = 0;
    for (const TBackupInfo &b : kept)
        total += b.size;
    while (kept.size() > 1 && total > limit) {
        total -= kept.back().size;
        dropped.push_back(kept.back());
        kept.pop_back();
    }
    return dropped;
}

void TBackups::Rotate(const QString &dbFile)
{
    for (const TBackupInfo &b : ToDelete(List(dbFile), Now(), SpaceLimit))
        QFile::remove(b.path);
}
