#include "services/coverimage.h"

#include <QBuffer>
#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <csetjmp>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

namespace {

// No cover needs more; a larger declaration is a damaged or hostile file.
constexpr qint64 kMaxPixels = 100'000'000;
constexpr qint64 kMaxFileBytes = qint64(128) << 20;
// A Huffman-coded scan spends at least one bit on every 8 by 8 block it covers, so a file
// far smaller than its declared picture cannot hold it. Refused before anything is
// allocated; libjpeg's own memory limit covers what this bound lets through.
constexpr qint64 kJpegBlocksPerByte = 8;
constexpr long kJpegMemory = 384L << 20;
// Deflate expands at most 1032 times and a 1-bit PNG row holds 8 pixels a byte; GIF's
// LZW stays below twice that.
constexpr qint64 kPixelsPerByte = 16384;
constexpr int kThumbnailSide = 32;

enum class TKind { Unknown, Jpeg, Bmp, Gif, Png };

TKind sniff(QByteArrayView b)
{
    if (b.startsWith("\xFF\xD8\xFF"))
        return TKind::Jpeg;
    if (b.startsWith("BM"))
        return TKind::Bmp;
    if (b.startsWith("GIF87a") || b.startsWith("GIF89a"))
        return TKind::Gif;
    if (b.startsWith("\x89PNG\r\n\x1A\n"))
        return TKind::Png;
    return TKind::Unknown;
}

quint32 le16(QByteArrayView b, qsizetype at)
{
    return quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8;
}

quint32 le32(QByteArrayView b, qsizetype at)
{
    return le16(b, at) | le16(b, at + 2) << 16;
}

// Qt's BMP reader stops quietly at the end of the data and hands back the rows it
// never read as if they were part of the picture, so the pixel data must be all there.
// It reads the pixels from the declared offset, but never from inside the headers, the
// bit-field masks or the colour table: an offset pointing there is passed over, so the
// needed size counts from where the reading really starts.
bool bmpComplete(QByteArrayView b)
{
    constexpr qint64 fileHeader = 14;
    if (b.size() < fileHeader + 4)
        return false;
    const qint64 offset = le32(b, 10);
    const qint64 header = le32(b, fileHeader);
    // The header sizes Qt reads; it takes any other for the 12-byte core header and
    // reads the rest of the file with the wrong layout.
    const bool core = header == 12;
    if (!core && header != 40 && header != 64 && header != 108 && header != 124)
        return false;
    if (b.size() < fileHeader + header)
        return false;
    qint64 width = 0, height = 0, bits = 0, compression = 0, colours = 0, imageBytes = 0;
    if (core) {
        width = qint16(le16(b, 18));
        height = qint16(le16(b, 20));
        bits = le16(b, 24);
    } else {
        width = qint32(le32(b, 18));
        height = qint32(le32(b, 22));
        bits = le16(b, 28);
        compression = le32(b, 30);
        imageBytes = le32(b, 34);
        colours = le32(b, 46);
    }
    height = height < 0 ? -height : height;
    if (width <= 0 || height <= 0 || width * height > kMaxPixels || bits <= 0 || bits > 32)
        return false;

    qint64 tableEnd = fileHeader + header;
    // Masks of 16- and 32-bit pixels follow a header too small to hold them.
    if (compression == 3 && header < 108)
        tableEnd += 12;
    if (bits <= 8) {
        const qint64 entries = colours != 0 ? colours : qint64(1) << bits;
        if (entries > 256)
            return false;
        tableEnd += entries * (core ? 3 : 4);
    }
    const qint64 pixels = std::max(offset, tableEnd);
    switch (compression) {
    case 0: // plain rows
    case 3: // bit fields
        return pixels + (width * bits + 31) / 32 * 4 * height <= b.size();
    case 1: // run-length encoded: only the declared size of the runs tells
    case 2:
        return imageBytes > 0 && pixels + imageBytes <= b.size();
    default:
        return false;
    }
}

// Qt's GIF reader also returns a picture cut short without an error: the first frame
// must reach its closing empty sub-block.
bool gifComplete(QByteArrayView b)
{
    qsizetype at = 13;
    auto skipColourTable = [&](quint8 flags) {
        if (flags & 0x80)
            at += 3 * (qsizetype(2) << (flags & 7));
    };
    auto skipSubBlocks = [&] {
        while (at < b.size()) {
            const quint8 n = quint8(b[at++]);
            if (n == 0)
                return true;
            at += n;
        }
        return false;
    };
    if (b.size() < at)
        return false;
    skipColourTable(quint8(b[10]));
    while (at < b.size()) {
        const char block = b[at++];
        if (block == '!') {
            ++at; // label
            if (!skipSubBlocks())
                return false;
        } else if (block == ',') {
            if (at + 9 > b.size())
                return false;
            const quint8 flags = quint8(b[at + 8]);
            at += 9;
            skipColourTable(flags);
            ++at; // LZW code size
            return skipSubBlocks();
        } else {
            return false; // the trailer before any frame, or damage
        }
    }
    return false;
}

bool declaredSizeAcceptable(QSize size, qint64 fileBytes)
{
    if (size.width() <= 0 || size.height() <= 0)
        return false;
    const qint64 pixels = qint64(size.width()) * size.height();
    return pixels <= kMaxPixels && pixels <= kPixelsPerByte * fileBytes;
}

bool readWithQt(const QByteArray &bytes, TKind kind, TCoverPicture &out)
{
    if (kind == TKind::Bmp && !bmpComplete(bytes))
        return false;
    if (kind == TKind::Gif && !gifComplete(bytes))
        return false;
    const char *format = kind == TKind::Bmp ? "bmp" : kind == TKind::Gif ? "gif" : "png";
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    if (!declaredSizeAcceptable(reader.size(), bytes.size()))
        return false;
    QImage image;
    if (!reader.read(&image) || image.isNull() || reader.error() != QImageReader::UnknownError)
        return false;
    out.fullSize = image.size();
    out.image = std::move(image);
    return true;
}

// libjpeg casts its error manager pointer back to this.
struct TJpegError
{
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    bool truncated;
};

// The default exits the process.
[[noreturn]] void jpegErrorExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<TJpegError *>(cinfo->err)->jump, 1);
}

// Quiet. libjpeg decodes the blocks of a scan that ends early (the file cut short, or a
// marker where data should be) as grey and only warns; that is no picture.
void jpegEmitMessage(j_common_ptr cinfo, int level)
{
    const int code = cinfo->err->msg_code;
    if (level < 0 && (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER))
        reinterpret_cast<TJpegError *>(cinfo->err)->truncated = true;
}

void jpegOutputMessage(j_common_ptr) {}

int ceilDiv(JDIMENSION a, int b)
{
    return int((qint64(a) + b - 1) / b);
}

// The largest DCT scaling whose result still covers atLeast.
int scaleDenominator(JDIMENSION width, JDIMENSION height, QSize atLeast)
{
    if (atLeast.isEmpty())
        return 1;
    for (const int d : {8, 4, 2})
        if (ceilDiv(width, d) >= atLeast.width() && ceilDiv(height, d) >= atLeast.height())
            return d;
    return 1;
}

// Adobe's CMYK JPEGs store the inks inverted (the usual case); others store them plain.
void cmykToRgb(const JSAMPLE *in, uchar *out, JDIMENSION width, bool inverted)
{
    for (JDIMENSION x = 0; x < width; ++x, in += 4, out += 3) {
        const int k = inverted ? in[3] : 255 - in[3];
        for (int i = 0; i < 3; ++i) {
            const int ink = inverted ? in[i] : 255 - in[i];
            out[i] = uchar((ink * k + 127) / 255);
        }
    }
}

// Everything with a destructor lives in the caller: the longjmp of an error leaves only
// libjpeg's frames and this one, whose locals are plain.
bool decodeJpeg(const QByteArray &bytes, QSize atLeast, TCoverPicture &out)
{
    jpeg_decompress_struct cinfo = {}; // a failed create leaves nothing for destroy to free
    TJpegError error;
    cinfo.err = jpeg_std_error(&error.mgr);
    error.mgr.error_exit = jpegErrorExit;
    error.mgr.emit_message = jpegEmitMessage;
    error.mgr.output_message = jpegOutputMessage;
    error.truncated = false;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = kJpegMemory;
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char *>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);

    const qint64 blocks = qint64(ceilDiv(cinfo.image_width, 8)) * ceilDiv(cinfo.image_height, 8);
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    const bool rgb = cinfo.jpeg_color_space == JCS_GRAYSCALE ||
                     cinfo.jpeg_color_space == JCS_YCbCr || cinfo.jpeg_color_space == JCS_RGB;
    if (qint64(cinfo.image_width) * cinfo.image_height > kMaxPixels ||
        blocks > kJpegBlocksPerByte * bytes.size() || (!cmyk && !rgb)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    cinfo.scale_num = 1;
    cinfo.scale_denom = unsigned(scaleDenominator(cinfo.image_width, cinfo.image_height, atLeast));
    jpeg_calc_output_dimensions(&cinfo);
    out.image = QImage(int(cinfo.output_width), int(cinfo.output_height), QImage::Format_RGB888);
    if (out.image.isNull() || cinfo.output_components != (cmyk ? 4 : 3)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    JSAMPARRAY inks = cmyk ? (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo),
                                                        JPOOL_IMAGE, cinfo.output_width * 4, 1)
                           : nullptr;
    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
        uchar *line = out.image.scanLine(int(cinfo.output_scanline));
        JSAMPROW row = cmyk ? inks[0] : line;
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1)
            break;
        if (cmyk)
            cmykToRgb(row, line, cinfo.output_width, cinfo.saw_Adobe_marker);
    }
    const bool complete = cinfo.output_scanline == cinfo.output_height && !error.truncated;
    out.fullSize = QSize(int(cinfo.image_width), int(cinfo.image_height));
    jpeg_destroy_decompress(&cinfo);
    return complete;
}

// The whole file in one read.
QByteArray readFile(const QString &path)
{
    if (path.isEmpty())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return {};
    const qint64 size = file.size();
    if (size <= 0 || size > kMaxFileBytes)
        return {};
    QByteArray bytes(size, Qt::Uninitialized);
    const qint64 got = file.read(bytes.data(), size);
    if (got <= 0)
        return {};
    bytes.truncate(got);
    return bytes;
}

} // namespace

TCoverPicture LoadCoverPicture(const QString &path, QSize atLeast)
{
    TCoverPicture picture;
    const QByteArray bytes = readFile(path);
    const TKind kind = sniff(bytes);
    const bool ok = kind == TKind::Jpeg      ? decodeJpeg(bytes, atLeast, picture)
                    : kind != TKind::Unknown ? readWithQt(bytes, kind, picture)
                                             : false;
    if (!ok)
        return {};
    return picture;
}

QImage MakeCoverThumbnail(const QString &path)
{
    return MakeCoverThumbnail(LoadCoverPicture(path, QSize(kThumbnailSide, kThumbnailSide)).image);
}

QImage MakeCoverThumbnail(const QImage &picture)
{
    if (picture.isNull())
        return {};
    QImage scaled = picture.scaled(kThumbnailSide, kThumbnailSide, Qt::IgnoreAspectRatio,
                                   Qt::SmoothTransformation);
    if (scaled.hasAlphaChannel()) {
        // Transparent parts show the bitmap's white, as on a fresh canvas.
        QImage flat(kThumbnailSide, kThumbnailSide, QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter painter(&flat);
        painter.drawImage(0, 0, scaled);
        painter.end();
        scaled = std::move(flat);
    }
    return scaled.convertToFormat(QImage::Format_RGB888);
}
