#include "services/backups.h"

#include "model/atomicfile.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString sTimeFormat = QStringLiteral("yyyy-MM-dd_HH-mm-ss");

QString tr(const char *text)
{
    return QCoreApplication::translate("TBackups", text);
}

// Whether the backup is the collection file itself: the backup as it stands in its
// folder (a link there is not followed), the collection as the file it leads to.
bool isTheCollection(const QString &backup, const QString &dbFile)
{
    struct stat sa, sb;
    return ::lstat(QFile::encodeName(backup).constData(), &sa) == 0 &&
           ::stat(QFile::encodeName(dbFile).constData(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// The collection's path as the key of its backups: absolute, without "." or "..".
QString keyPath(const QString &dbFile)
{
    return QDir::cleanPath(QFileInfo(dbFile).absoluteFilePath());
}

// The collection a backup folder records, or an empty text when it records none.
QString recordedSource(const QString &folder)
{
    QFile file(folder + TBackups::SourceFileName());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.read(64 * 1024)).trimmed();
}

bool recordSource(const QString &folder, const QString &dbFile)
{
    return WriteFileAtomically(folder + TBackups::SourceFileName(), keyPath(dbFile).toUtf8() + '\n')
        .isEmpty();
}

bool hasBackups(const QString &folder)
{
    QDateTime time;
    int albums;
    for (const QString &name : QDir(folder).entryList({QStringLiteral("*.qel")}, QDir::Files))
        if (TBackups::ParseName(name, &time, &albums))
            return true;
    return false;
}

} // namespace

TBackups::TBackups(const QString &root) : m_root(root) {}

QString TBackups::SourceFileName()
{
    return QStringLiteral(".source");
}

QString TBackups::FolderFor(const QString &dbFile) const
{
    const QByteArray hash =
        QCryptographicHash::hash(keyPath(dbFile).toUtf8(), QCryptographicHash::Sha1).toHex();
    return m_root + QFileInfo(dbFile).completeBaseName() + u'-' +
           QString::fromLatin1(hash.left(12)) + u'/';
}

QString TBackups::legacyFolderFor(const QString &dbFile) const
{
    const QString folder = m_root + QFileInfo(dbFile).completeBaseName() + u'/';
    if (!hasBackups(folder))
        return {};
    const QString owner = recordedSource(folder);
    if (!owner.isEmpty())
        return owner == keyPath(dbFile) ? folder : QString();
    // Unclaimed: the first collection of this name to ask takes it; without a record it
    // could be handed to a second one, so an unwritable folder is not read at all.
    return recordSource(folder, dbFile) ? folder : QString();
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
    if (!existing.empty() && isTheCollection(existing.front().path, dbFile))
        return {}; // the newest backup is this very file: nothing changed since

    if (!QDir().mkpath(folder))
        return tr("The backup folder \"%1\" cannot be created.").arg(folder);
    if (recordedSource(folder) != keyPath(dbFile) && !recordSource(folder, dbFile))
        return tr("The backup folder \"%1\" cannot be written.").arg(folder);
    const QString stem = now.toString(sTimeFormat);
    const QString tail =
        albumsOnDisk >= 0 ? QStringLiteral("_%1a.qel").arg(albumsOnDisk) : QStringLiteral(".qel");
    // Several backups in one second are told apart by their sequence, whatever their
    // album counts: it continues the second's newest.
    int sequence = 1;
    for (const TBackupInfo &b : existing)
        if (b.name.startsWith(stem))
            sequence = std::max(sequence, b.sequence + 1);
    QString target;
    for (;; ++sequence) {
        target =
            folder + stem + (sequence > 1 ? QStringLiteral("-%1").arg(sequence) : QString()) + tail;
        if (!QFileInfo::exists(target))
            break;
    }

    bool linked = false;
    if (!ForceCopy) {
        // A collection reached through a symbolic link: the link's target is what a save
        // replaces, so that is the file to keep (link(2) would link the symbolic link).
        linked = ::linkat(AT_FDCWD, QFile::encodeName(source.absoluteFilePath()).constData(),
                          AT_FDCWD, QFile::encodeName(target).constData(), AT_SYMLINK_FOLLOW) == 0;
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
    for (const QString &folder : {FolderFor(dbFile), legacyFolderFor(dbFile)}) {
        if (folder.isEmpty())
            continue;
        // A symbolic link holds no past state: an earlier version linked the link.
        const QDir dir(folder);
        for (const QFileInfo &info :
             dir.entryInfoList({QStringLiteral("*.qel")}, QDir::Files | QDir::NoSymLinks)) {
            TBackupInfo b;
            if (!ParseName(info.fileName(), &b.time, &b.albums, &b.sequence))
                continue; // not ours: left alone
            b.name = info.fileName();
            b.path = info.absoluteFilePath();
            b.size = info.size();
            result.push_back(b);
        }
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
    // Symbolic links under backup names (an earlier version's backups of a linked
    // collection) only lead to the live file: they go.
    QDateTime time;
    int albums;
    for (const QString &folder : {FolderFor(dbFile), legacyFolderFor(dbFile)}) {
        if (folder.isEmpty())
            continue;
        for (const QFileInfo &info :
             QDir(folder).entryInfoList({QStringLiteral("*.qel")}, QDir::Files | QDir::System))
            if (info.isSymLink() && ParseName(info.fileName(), &time, &albums))
                QFile::remove(info.absoluteFilePath());
    }
}
