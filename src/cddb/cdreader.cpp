#include "cddb/cdreader.h"

#include "cddb/scancd.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <cdio/cdio.h>
#include <cdio/logging.h>
#include <cerrno>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <vector>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("TCdScanner", text);
}

// libcdio reports every problem of a broken image on stderr as well; our own message
// says it once.
void quietLog(cdio_log_level_t, const char *) {}

struct TCdio
{
    CdIo_t *p = nullptr;
    ~TCdio()
    {
        if (p)
            cdio_destroy(p);
    }
};

// What the drive itself says before libcdio opens it: no disc, open tray, busy.
void checkDrive(const QString &device)
{
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) {
        if (errno == EBUSY)
            throw EDriveInUse();
        if (errno == ENOMEDIUM)
            throw EDriveOpen();
        throw EDriveError();
    }
    const int status = ::ioctl(fd, CDROM_DRIVE_STATUS, CDSL_CURRENT);
    const int busy = errno;
    ::close(fd);
    if (status == CDS_NO_DISC || status == CDS_TRAY_OPEN)
        throw EDriveOpen();
    if (status == CDS_DRIVE_NOT_READY || (status < 0 && busy == EBUSY))
        throw EDriveInUse();
}

// libcdio looks for the data files a cdrdao .toc names relative to the working folder,
// not to the .toc. A copy of the .toc with those names made absolute is read instead.
QString tocWithAbsolutePaths(const QString &toc, QTemporaryFile &copy)
{
    QFile file(toc);
    if (file.size() > 1024 * 1024 || !file.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromLocal8Bit(file.readAll());
    const QDir folder = QFileInfo(toc).absoluteDir();
    static const QRegularExpression name(
        QStringLiteral("\\b(FILE|AUDIOFILE|DATAFILE)(\\s+)\"([^\"]*)\""));
    QString out;
    qsizetype last = 0;
    for (auto it = name.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += QStringView(text).mid(last, m.capturedStart() - last);
        const QString path = m.captured(3);
        out += m.captured(1) + m.captured(2) + u'"' +
               (QDir::isRelativePath(path) ? folder.absoluteFilePath(path) : path) + u'"';
        last = m.capturedEnd();
    }
    out += QStringView(text).mid(last);
    if (!copy.open() || copy.write(out.toLocal8Bit()) < 0 || !copy.flush())
        return {};
    return copy.fileName();
}

} // namespace

EDriveOpen::EDriveOpen()
    : ECdScanner(tr("Qel Music cannot read from the CD-ROM drive. Maybe it is open or empty."))
{
}

EDriveInUse::EDriveInUse()
    : ECdScanner(tr("Qel Music cannot read from the CD-ROM drive, because it is already in "
                    "use by another program."))
{
}

EDriveError::EDriveError() : ECdScanner(tr("Qel Music cannot read from the CD-ROM drive.")) {}

bool TCdScanner::IsImage(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("cue") || suffix == QLatin1String("toc") ||
           suffix == QLatin1String("nrg") || suffix == QLatin1String("bin");
}

void TCdScanner::Scan(const QString &source, TScanCD &disc)
{
    if (source.isEmpty())
        throw ECdScanner(tr("No CD-ROM drive found."));
    try {
        cdio_log_set_handler(quietLog);
        QTemporaryFile toc(QDir::tempPath() + QStringLiteral("/qel-XXXXXX.toc"));
        TCdio cd; // closed before the copy of a .toc goes
        const QByteArray name = QFile::encodeName(source);
        if (IsImage(source)) {
            if (!QFileInfo(source).isFile())
                throw EDriveError();
            const QString suffix = QFileInfo(source).suffix().toLower();
            if (suffix == QLatin1String("toc")) {
                const QString copy = tocWithAbsolutePaths(source, toc);
                if (!copy.isEmpty())
                    cd.p = cdio_open_cdrdao(QFile::encodeName(copy).constData());
            } else if (suffix == QLatin1String("nrg"))
                cd.p = cdio_open_nrg(name.constData());
            else
                cd.p = cdio_open_bincue(name.constData());
        } else {
            checkDrive(source);
            cd.p = cdio_open(name.constData(), DRIVER_DEVICE);
        }
        if (!cd.p)
            throw EDriveError();

        const track_t first = cdio_get_first_track_num(cd.p);
        const track_t count = cdio_get_num_tracks(cd.p);
        if (count == CDIO_INVALID_TRACK || first == CDIO_INVALID_TRACK)
            throw EDriveError();
        if (count < 1 || count > 99)
            throw EQel(
                tr("The disc has %1 tracks; Qel Music reads discs of 1 to 99 tracks.").arg(count));
        std::vector<qint32> starts;
        for (track_t t = first; t < first + count; ++t) {
            const lsn_t lsn = cdio_get_track_lsn(cd.p, t);
            if (lsn == CDIO_INVALID_LSN)
                throw EDriveError();
            starts.push_back(qint32(lsn) + 150);
        }
        const lsn_t leadOutLsn = cdio_get_track_lsn(cd.p, CDIO_CDROM_LEADOUT_TRACK);
        if (leadOutLsn == CDIO_INVALID_LSN)
            throw EDriveError();
        const qint32 leadOut = qint32(leadOutLsn) + 150;
        for (size_t i = 0; i < starts.size(); ++i) {
            const qint32 next = i + 1 < starts.size() ? starts[i + 1] : leadOut;
            if (next <= starts[i])
                throw EDriveError(); // a table of contents that runs backwards
        }

        // The values the Windows driver reports: a track's length is the distance to
        // the next start, the last one's and the disc's end a frame before the lead-out.
        disc.MsDiscId = MsDiscIdOf(starts, leadOut);
        disc.ClearTracks();
        disc.DiscLength = leadOut - starts.front() - 1;
        for (size_t i = 0; i < starts.size(); ++i) {
            TScanTrack &track = disc.AddTrack();
            track.StartFrame = starts[i];
            const track_format_t format = cdio_get_track_format(cd.p, track_t(first + i));
            track.Data = format != TRACK_FORMAT_AUDIO && format != TRACK_FORMAT_ERROR;
            track.DeviceLength =
                i + 1 < starts.size() ? starts[i + 1] - starts[i] : leadOut - starts[i] - 1;
        }
        TScanTrack &last = disc.Track(disc.TrackCount() - 1);
        last.DeviceLength += 1;
        disc.LeadOut = last.StartFrame + last.DeviceLength;
        disc.DiscEnd = disc.Track(0).StartFrame + disc.DiscLength + 1;
        for (int i = 0; i < disc.TrackCount(); ++i) {
            TScanTrack &track = disc.Track(i);
            track.Length = i + 1 < disc.TrackCount()
                               ? disc.Track(i + 1).StartFrame - track.StartFrame
                               : disc.DiscEnd - track.StartFrame;
        }
        disc.ComputeCddbDiscId();
    } catch (...) {
        disc.Reset();
        throw;
    }
}
