#include "musicbrainz/mbcover.h"

#include "model/album.h"
#include "model/atomicfile.h"
#include "musicbrainz/mbclient.h"
#include "services/coverimage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("TMbCover", text);
}

// The file name's extension by the picture's first bytes.
QString extensionOf(const QByteArray &bytes)
{
    if (bytes.startsWith("\x89PNG"))
        return QStringLiteral("png");
    if (bytes.startsWith("GIF8"))
        return QStringLiteral("gif");
    if (bytes.startsWith("BM"))
        return QStringLiteral("bmp");
    return QStringLiteral("jpg");
}

} // namespace

QString StoreMbCover(const QByteArray &bytes, const QString &releaseId, const QString &folder,
                     TAlbum &album)
{
    if (folder.isEmpty())
        return tr("No folder for cover pictures is set; the front cover was left out.");
    if (bytes.size() > TMbClient::MaxCoverSize)
        return tr("The front cover is larger than %1 MB; it was left out.")
            .arg(TMbClient::MaxCoverSize / (1024 * 1024));
    // The loader reads files: the bytes are checked in a file of their own before any
    // of them reaches the covers folder.
    QTemporaryFile check(QDir::tempPath() + QStringLiteral("/qel-cover-XXXXXX"));
    if (!check.open() || check.write(bytes) != bytes.size() || !check.flush())
        return tr("The front cover could not be checked: %1").arg(check.errorString());
    const TCoverPicture picture = LoadCoverPicture(check.fileName());
    if (picture.image.isNull())
        return tr("The front cover sent is not a picture; it was left out.");

    const QDir dir(folder);
    const QString ext = extensionOf(bytes);
    QString name = releaseId + u'.' + ext;
    for (int n = 2; QFileInfo::exists(dir.filePath(name)); ++n)
        name = QStringLiteral("%1 (%2).%3").arg(releaseId).arg(n).arg(ext);
    QDir().mkpath(folder);
    const QString error = WriteFileAtomically(dir.filePath(name), bytes);
    if (!error.isEmpty())
        return tr("The front cover could not be stored in \"%1\": %2").arg(folder, error);
    album.CoverFile = name;
    const QImage thumbnail = MakeCoverThumbnail(picture.image);
    if (!thumbnail.isNull())
        album.SetThumbnail(&thumbnail);
    return {};
}
