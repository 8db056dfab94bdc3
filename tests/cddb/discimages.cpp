#include "discimages.h"

#include <QDir>
#include <QFile>

namespace {

QString msf(int frames)
{
    return QStringLiteral("%1:%2:%3")
        .arg(frames / 4500, 2, 10, QLatin1Char('0'))
        .arg((frames / 75) % 60, 2, 10, QLatin1Char('0'))
        .arg(frames % 75, 2, 10, QLatin1Char('0'));
}

} // namespace

QString MakeDiscImage(const QString &folder, const QString &name, const TDiscLayout &layout,
                      TImageKind kind)
{
    const QDir dir(folder);
    const QString bin = name + QStringLiteral(".bin");
    QFile data(dir.filePath(bin));
    if (!data.open(QIODevice::WriteOnly) || !data.resize(qint64(layout.leadOut - 150) * 2352))
        return {};
    data.close();

    QString text;
    const size_t n = layout.starts.size();
    if (kind == TImageKind::Cue) {
        text = QStringLiteral("FILE \"%1\" BINARY\n").arg(bin);
        for (size_t i = 0; i < n; ++i) {
            const bool data = layout.dataTrackLast && i + 1 == n;
            text += QStringLiteral("  TRACK %1 %2\n    INDEX 01 %3\n")
                        .arg(int(i + 1), 2, 10, QLatin1Char('0'))
                        .arg(data ? QStringLiteral("MODE1/2352") : QStringLiteral("AUDIO"))
                        .arg(msf(layout.starts[i] - 150));
        }
    } else {
        text = QStringLiteral("CD_DA\n");
        for (size_t i = 0; i < n; ++i) {
            const int start = layout.starts[i] - 150;
            const int end = (i + 1 < n ? layout.starts[i + 1] : layout.leadOut) - 150;
            text += QStringLiteral("TRACK AUDIO\nFILE \"%1\" %2 %3\n")
                        .arg(bin, msf(start), msf(end - start));
        }
    }
    const QString path = dir.filePath(
        name + (kind == TImageKind::Cue ? QStringLiteral(".cue") : QStringLiteral(".toc")));
    QFile sheet(path);
    if (!sheet.open(QIODevice::WriteOnly) || sheet.write(text.toUtf8()) < 0)
        return {};
    return path;
}
