#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// Cover picture files as the album editor, the panes and the thumbnails read them.

struct TCoverPicture
{
    QImage image;   // null when the file could not be read as a picture
    QSize fullSize; // the picture's own size (what "W x H" reports), also when image was
                    // decoded smaller
};

// Reads a cover picture file. JPEG goes through libjpeg directly: decoded with DCT scaling
// (scale_denom 1, 2, 4 or 8) to the smallest size that is still at least `atLeast` in both
// dimensions (an empty atLeast decodes at full size). BMP, GIF and PNG go through
// QImageReader. The format is told by the file's first bytes, not by its name. Damaged,
// truncated, not-a-picture, unsupported (e.g. PCX) or too large files give a null image.
TCoverPicture LoadCoverPicture(const QString &path, QSize atLeast = {});

// The album's 32 by 32 thumbnail: the picture drawn scaled over the whole square
// (proportions not kept) on white, RGB888. A JPEG is decoded at the smallest scale that
// still covers 32 by 32 (1/8 for any picture of 256 pixels and more). Null when the file
// cannot be read.
QImage MakeCoverThumbnail(const QString &path);
QImage MakeCoverThumbnail(const QImage &picture);
