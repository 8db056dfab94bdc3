// Fuzz target for the cover picture loader (JPEG through libjpeg, BMP, GIF and PNG
// through Qt, told by their first bytes): any file either reads as a picture of the size
// it reports or gives none; a scaled decode agrees with the full one on both; the
// thumbnail of a picture is always 32 by 32.

#include "services/coverimage.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "coverimage_fuzz: %s\n", what);
    std::abort();
}

// The loader reads files, so every input becomes the same file.
QString inputFile(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    static const QString path = dir.filePath(QStringLiteral("cover"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
        fail("cannot write the input file");
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = inputFile(data, size);
    const QSize atLeast(40, 30);
    const TCoverPicture full = LoadCoverPicture(path);
    const TCoverPicture scaled = LoadCoverPicture(path, atLeast);
    if (full.image.isNull() != scaled.image.isNull())
        fail("the scaled decode and the full one disagree on whether the file reads");
    if (full.image.isNull())
        return 0;
    if (full.image.size() != full.fullSize || scaled.fullSize != full.fullSize)
        fail("a picture's size differs from the one reported");
    const QSize s = scaled.image.size();
    if (s.width() > full.fullSize.width() || s.height() > full.fullSize.height() ||
        s.width() < std::min(atLeast.width(), full.fullSize.width()) ||
        s.height() < std::min(atLeast.height(), full.fullSize.height()))
        fail("the scaled decode is not between the request and the full size");
    const QImage thumbnail = MakeCoverThumbnail(full.image);
    if (thumbnail.size() != QSize(32, 32) || thumbnail.format() != QImage::Format_RGB888)
        fail("the thumbnail is not a 32 by 32 RGB picture");
    return 0;
}
