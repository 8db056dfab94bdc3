#include "model/bmpblock.h"

#include <QtEndian>

#include <algorithm>
#include <bit>

namespace bmpblock {

namespace {

constexpr qint64 fileHeaderSize = 14;
constexpr qint64 infoHeaderSize = 40;
constexpr qint64 maxSide = 4096;

// Bounds-checked little-endian access to the block; every read goes through here.
class Bytes
{
public:
    explicit Bytes(QByteArrayView b)
        : m_p(reinterpret_cast<const uchar *>(b.data())), m_size(b.size())
    {
    }
    qint64 size() const { return m_size; }
    bool has(qint64 offset, qint64 n) const
    {
        return offset >= 0 && n >= 0 && offset <= m_size && n <= m_size - offset;
    }
    const uchar *at(qint64 offset) const { return m_p + offset; }
    quint16 u16(qint64 o) const { return qFromLittleEndian<quint16>(m_p + o); }
    quint32 u32(qint64 o) const { return qFromLittleEndian<quint32>(m_p + o); }
    qint32 i32(qint64 o) const { return qFromLittleEndian<qint32>(m_p + o); }

private:
    const uchar *m_p;
    qint64 m_size;
};

// One colour channel of a bit-field pixel, scaled to 8 bits.
struct Channel
{
    quint32 mask = 0;
    int shift = 0;
    quint64 max = 0;

    explicit Channel(quint32 m) : mask(m)
    {
        if (m != 0) {
            shift = std::countr_zero(m);
            max = m >> shift;
        }
    }
    uchar operator()(quint32 pixel) const
    {
        if (max == 0)
            return 0;
        const quint64 v = (pixel & mask) >> shift;
        return uchar(std::min<quint64>(v, max) * 255 / max);
    }
};

} // namespace

qint64 declaredSize(QByteArrayView header)
{
    if (header.size() < 6 || header[0] != 'B' || header[1] != 'M')
        return -1;
    const qint64 size = qFromLittleEndian<quint32>(header.data() + 2);
    return size < fileHeaderSize ? -1 : size;
}

QImage decode(QByteArrayView block)
{
    const qint64 declared = declaredSize(block);
    if (declared < 0 || declared > block.size())
        return QImage();
    const Bytes b(block.first(declared));

    if (!b.has(fileHeaderSize, 4))
        return QImage();
    const qint64 pixelOffset = b.u32(10);
    const qint64 headerSize = b.u32(fileHeaderSize);
    if (!b.has(fileHeaderSize, headerSize))
        return QImage();

    const qint64 h = fileHeaderSize; // start of the info header
    const bool core = headerSize == 12;
    qint64 width = 0;
    qint64 height = 0;
    int bpp = 0;
    quint32 compression = 0;
    quint32 colorsUsed = 0;
    if (core) {
        width = b.u16(h + 4);
        height = b.u16(h + 6);
        bpp = b.u16(h + 10);
    } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 ||
               headerSize == 124) {
        width = b.i32(h + 4);
        height = b.i32(h + 8);
        bpp = b.u16(h + 14);
        compression = b.u32(h + 16);
        colorsUsed = b.u32(h + 32);
    } else {
        return QImage();
    }

    const bool topDown = height < 0;
    height = topDown ? -height : height;
    if (width <= 0 || height <= 0 || width > maxSide || height > maxSide)
        return QImage();

    constexpr quint32 BiRgb = 0;
    constexpr quint32 BiBitfields = 3;
    const bool paletted = bpp == 1 || bpp == 4 || bpp == 8;
    if (compression == BiRgb) {
        if (!paletted && bpp != 16 && bpp != 24 && bpp != 32)
            return QImage();
    } else if (compression != BiBitfields || (bpp != 16 && bpp != 32)) {
        return QImage();
    }

    // Bit-field masks follow a 40-byte header and sit inside the larger ones: either
    // way they start right after the first 40 bytes of the info header.
    quint32 masks[3] = {0x7C00, 0x03E0, 0x001F}; // 16-bit default: 5-5-5
    if (bpp == 32) {
        masks[0] = 0xFF0000;
        masks[1] = 0x00FF00;
        masks[2] = 0x0000FF;
    }
    const qint64 headerEnd = h + headerSize;
    qint64 tableEnd = headerEnd;
    if (compression == BiBitfields) {
        const qint64 m = h + infoHeaderSize;
        if (!b.has(m, 12))
            return QImage();
        for (int i = 0; i < 3; ++i)
            masks[i] = b.u32(m + 4 * i);
        tableEnd = std::max(tableEnd, m + 12);
    }

    if (pixelOffset < tableEnd)
        return QImage();

    // The palette lies between the headers and the pixels; a short one is tolerated
    // (missing entries are black) but an absurd count is not.
    QRgb palette[256] = {};
    if (paletted) {
        if (colorsUsed > 256)
            return QImage();
        const qint64 entrySize = core ? 3 : 4;
        qint64 count = colorsUsed != 0 ? colorsUsed : (qint64(1) << bpp);
        count = std::min(count, (std::min(pixelOffset, b.size()) - tableEnd) / entrySize);
        if (count <= 0)
            return QImage();
        for (qint64 i = 0; i < count; ++i) {
            const uchar *e = b.at(tableEnd + i * entrySize);
            palette[i] = qRgb(e[2], e[1], e[0]);
        }
    }

    const qint64 rowBytes = (width * bpp + 31) / 32 * 4;
    if (!b.has(pixelOffset, rowBytes * height))
        return QImage();

    QImage image(int(width), int(height), QImage::Format_RGB888);
    if (image.isNull())
        return QImage();

    const Channel red(masks[0]), green(masks[1]), blue(masks[2]);
    for (qint64 y = 0; y < height; ++y) {
        const uchar *src = b.at(pixelOffset + y * rowBytes);
        uchar *dst = image.scanLine(int(topDown ? y : height - 1 - y));
        for (qint64 x = 0; x < width; ++x, dst += 3) {
            switch (bpp) {
            case 1:
            case 4:
            case 8: {
                const qint64 bit = x * bpp;
                const int index = (src[bit / 8] >> (8 - bpp - bit % 8)) & ((1 << bpp) - 1);
                const QRgb c = palette[index];
                dst[0] = uchar(qRed(c));
                dst[1] = uchar(qGreen(c));
                dst[2] = uchar(qBlue(c));
                break;
            }
            case 16: {
                const quint32 p = qFromLittleEndian<quint16>(src + 2 * x);
                dst[0] = red(p);
                dst[1] = green(p);
                dst[2] = blue(p);
                break;
            }
            case 24:
                dst[0] = src[3 * x + 2];
                dst[1] = src[3 * x + 1];
                dst[2] = src[3 * x];
                break;
            case 32: {
                const quint32 p = qFromLittleEndian<quint32>(src + 4 * x);
                dst[0] = red(p);
                dst[1] = green(p);
                dst[2] = blue(p);
                break;
            }
            }
        }
    }
    return image;
}

QByteArray encode24(const QImage &source)
{
    if (source.isNull())
        return QByteArray();
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    const qint64 width = image.width();
    const qint64 height = image.height();
    const qint64 rowBytes = (width * 3 + 3) / 4 * 4;
    const qint64 pixelBytes = rowBytes * height;
    const qint64 pixelOffset = fileHeaderSize + infoHeaderSize;
    const qint64 total = pixelOffset + pixelBytes;
    if (total > 0x7FFFFFFF)
        return QByteArray();

    QByteArray out(total, '\0');
    auto *p = reinterpret_cast<uchar *>(out.data());
    p[0] = 'B';
    p[1] = 'M';
    qToLittleEndian<quint32>(quint32(total), p + 2);
    qToLittleEndian<quint32>(quint32(pixelOffset), p + 10);
    uchar *info = p + fileHeaderSize;
    qToLittleEndian<quint32>(quint32(infoHeaderSize), info);
    qToLittleEndian<qint32>(qint32(width), info + 4);
    qToLittleEndian<qint32>(qint32(height), info + 8);
    qToLittleEndian<quint16>(1, info + 12);  // planes
    qToLittleEndian<quint16>(24, info + 14); // bits per pixel
    qToLittleEndian<quint32>(quint32(pixelBytes), info + 20);
    // Compression, resolution and colour counts stay 0.

    for (qint64 y = 0; y < height; ++y) {
        const uchar *src = image.constScanLine(int(height - 1 - y));
        uchar *dst = p + pixelOffset + y * rowBytes;
        for (qint64 x = 0; x < width; ++x) {
            dst[3 * x] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
    }
    return out;
}

} // namespace bmpblock
