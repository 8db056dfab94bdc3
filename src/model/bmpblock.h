#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>

// The Windows bitmap file image embedded after an album's thumbnail flag.
namespace bmpblock {

// The total size declared in the 14-byte file header, or -1 when the bytes do not
// start with "BM" or declare fewer than 14 bytes. Needs at least 6 bytes.
qint64 declaredSize(QByteArrayView header);

// Decodes a complete block (its declared size) of any uncompressed depth: 1, 4 and
// 8 bits with a palette, 16 (5-5-5 or bit fields), 24, 32 (alpha ignored); core,
// info, V4 and V5 headers; bottom-up and top-down rows. Returns a null image for
// anything it cannot decode safely (never reads outside the block).
QImage decode(QByteArrayView block);

// Encodes an image as a 24-bit bottom-up bitmap file image.
QByteArray encode24(const QImage &image);

} // namespace bmpblock
