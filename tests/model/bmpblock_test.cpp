#include "model/bmpblock.h"

#include <QtEndian>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

void putU16(QByteArray &b, qsizetype at, quint16 v)
{
    qToLittleEndian<quint16>(v, b.data() + at);
}

void putU32(QByteArray &b, qsizetype at, quint32 v)
{
    qToLittleEndian<quint32>(v, b.data() + at);
}

// Assembles a bitmap file image from its parts; the tests then break it on purpose.
struct Bmp
{
    quint32 headerSize = 40;
    qint32 width = 1;
    qint32 height = 1;
    quint16 bpp = 24;
    quint32 compression = 0;
    quint32 colorsUsed = 0;
    QByteArray inHeader;          // bytes 40.. of a larger info header (its bit-field masks)
    QByteArray table;             // masks after a 40-byte header and/or the colour table
    std::vector<QByteArray> rows; // in file order, unpadded

    QByteArray bytes() const
    {
        QByteArray info(headerSize, '\0');
        putU32(info, 0, headerSize);
        if (headerSize == 12) {
            putU16(info, 4, quint16(width));
            putU16(info, 6, quint16(height));
            putU16(info, 8, 1);
            putU16(info, 10, bpp);
        } else {
            putU32(info, 4, quint32(width));
            putU32(info, 8, quint32(height));
            putU16(info, 12, 1);
            putU16(info, 14, bpp);
            putU32(info, 16, compression);
            putU32(info, 32, colorsUsed);
            info.replace(40, inHeader.size(), inHeader);
        }
        QByteArray pixels;
        for (const QByteArray &row : rows) {
            pixels += row;
            pixels += QByteArray((4 - row.size() % 4) % 4, '\0');
        }
        QByteArray out(14, '\0');
        out[0] = 'B';
        out[1] = 'M';
        out += info + table;
        putU32(out, 10, quint32(out.size()));
        out += pixels;
        putU32(out, 2, quint32(out.size()));
        return out;
    }
};

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray b;
    for (int v : list)
        b.append(char(v));
    return b;
}

// A 4-byte colour table entry (blue, green, red, reserved) for each colour.
QByteArray quads(std::initializer_list<QRgb> colours)
{
    QByteArray b;
    for (QRgb c : colours)
        b += bytes({qBlue(c), qGreen(c), qRed(c), 0x55});
    return b;
}

constexpr QRgb A = 0xFF0A141E, B = 0xFFC89664, C = 0xFF00FF80;

struct DecodeCase
{
    const char *name;
    Bmp bmp;
    int width;
    std::vector<QRgb> pixels; // expected pixels, top row first
};

std::vector<DecodeCase> decodeCases()
{
    std::vector<DecodeCase> cases;

    Bmp one;
    one.width = 3;
    one.height = 2;
    one.bpp = 1;
    one.table = quads({A, B});
    one.rows = {bytes({0b10100000}), bytes({0b01100000})};
    cases.push_back({"1 bit", one, 3, {A, B, B, B, A, B}});

    Bmp four;
    four.width = 3;
    four.height = 1;
    four.bpp = 4;
    four.colorsUsed = 3;
    four.table = quads({A, B, C});
    four.rows = {bytes({0x20, 0x10})};
    cases.push_back({"4 bit, 3 colours", four, 3, {C, A, B}});

    Bmp eight;
    eight.width = 2;
    eight.height = 2;
    eight.bpp = 8;
    for (int i = 0; i < 256; ++i)
        eight.table += bytes({i / 2, 255 - i, i, 0});
    eight.rows = {bytes({0, 255}), bytes({7, 128})};
    cases.push_back({"8 bit, full table",
                     eight,
                     2,
                     {qRgb(7, 248, 3), qRgb(128, 127, 64), qRgb(0, 255, 0), qRgb(255, 0, 127)}});

    Bmp rgb555;
    rgb555.width = 4;
    rgb555.bpp = 16;
    rgb555.rows = {bytes({0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0x10, 0x42})};
    cases.push_back({"16 bit 5-5-5",
                     rgb555,
                     4,
                     {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(131, 131, 131)}});

    Bmp rgb565;
    rgb565.width = 3;
    rgb565.bpp = 16;
    rgb565.compression = 3;
    rgb565.table = bytes({0, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0});
    rgb565.rows = {bytes({0x00, 0xF8, 0xE0, 0x07, 0x00, 0x04})};
    cases.push_back(
        {"16 bit fields 5-6-5", rgb565, 3, {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 129, 0)}});

    Bmp rgb32;
    rgb32.width = 2;
    rgb32.bpp = 32;
    rgb32.rows = {bytes({1, 2, 3, 0x80, 40, 50, 60, 0})};
    cases.push_back({"32 bit, alpha ignored", rgb32, 2, {qRgb(3, 2, 1), qRgb(60, 50, 40)}});

    // V5 header keeps its masks inside: here red in the lowest byte.
    Bmp v5;
    v5.headerSize = 124;
    v5.width = 1;
    v5.bpp = 32;
    v5.compression = 3;
    v5.inHeader = bytes({0xFF, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0xFF, 0});
    v5.rows = {bytes({10, 20, 30, 0})};
    cases.push_back({"32 bit fields, V5 header", v5, 1, {qRgb(10, 20, 30)}});

    Bmp core;
    core.headerSize = 12;
    core.width = 2;
    core.height = 2;
    core.bpp = 4;
    core.table = bytes({0x1E, 0x14, 0x0A, 0x64, 0x96, 0xC8}); // A, B as 3-byte entries
    core.rows = {bytes({0x01}), bytes({0x10})};
    cases.push_back({"core header, 3-byte palette", core, 2, {B, A, A, B}});

    Bmp topDown;
    topDown.width = 1;
    topDown.height = -2;
    topDown.rows = {bytes({1, 2, 3}), bytes({4, 5, 6})};
    cases.push_back({"top-down", topDown, 1, {qRgb(3, 2, 1), qRgb(6, 5, 4)}});

    Bmp v4;
    v4.headerSize = 108;
    v4.width = 3;
    v4.height = 2;
    v4.rows = {bytes({1, 2, 3, 4, 5, 6, 7, 8, 9}), bytes({10, 11, 12, 13, 14, 15, 16, 17, 18})};
    cases.push_back({"24 bit, V4 header, padded rows",
                     v4,
                     3,
                     {qRgb(12, 11, 10), qRgb(15, 14, 13), qRgb(18, 17, 16), qRgb(3, 2, 1),
                      qRgb(6, 5, 4), qRgb(9, 8, 7)}});
    return cases;
}

TEST(BmpBlock, DecodesEveryLayout)
{
    for (const auto &c : decodeCases()) {
        SCOPED_TRACE(c.name);
        const QImage image = bmpblock::decode(c.bmp.bytes());
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.format(), QImage::Format_RGB888);
        const int height = int(c.pixels.size()) / c.width;
        ASSERT_EQ(image.size(), QSize(c.width, height));
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < c.width; ++x)
                EXPECT_EQ(image.pixel(x, y), c.pixels[y * c.width + x]) << x << "," << y;
        }
    }
}

Bmp validEightBit()
{
    Bmp b;
    b.width = 2;
    b.height = 2;
    b.bpp = 8;
    b.colorsUsed = 2;
    b.table = quads({A, B});
    b.rows = {bytes({0, 1}), bytes({1, 0})};
    return b;
}

struct BrokenCase
{
    const char *name;
    std::function<QByteArray()> make;
};

TEST(BmpBlock, MalformedBlocksGiveANullImage)
{
    const auto patched = [](std::function<void(Bmp &)> change) {
        Bmp b = validEightBit();
        change(b);
        return b.bytes();
    };
    const auto poked = [](qsizetype at, quint32 v) {
        QByteArray b = validEightBit().bytes();
        putU32(b, at, v);
        return b;
    };
    const BrokenCase cases[] = {
        {"declared size larger than data",
         [&] {
             QByteArray b = validEightBit().bytes();
             return b.left(b.size() - 1);
         }},
        {"declared size below the file header", [&] { return poked(2, 13); }},
        {"not BM", [&] { return validEightBit().bytes().replace(0, 2, "MB"); }},
        {"pixel offset past the end", [&] { return poked(10, 0xFFFFFFF0); }},
        {"pixel offset leaves no room for the rows", [&] { return poked(10, 64); }},
        {"pixel offset inside the header",
         [&] {
             // True colour, so no palette check stands in for the offset check.
             QByteArray b = patched([](Bmp &b) {
                 b.bpp = 24;
                 b.table.clear();
             });
             putU32(b, 10, 20);
             return b;
         }},
        {"unknown header size", [&] { return poked(14, 20); }},
        {"header size past the end", [&] { return poked(14, 0xFFFFFFFF); }},
        {"width 0", [&] { return patched([](Bmp &b) { b.width = 0; }); }},
        {"negative width", [&] { return patched([](Bmp &b) { b.width = -2; }); }},
        {"huge width", [&] { return patched([](Bmp &b) { b.width = 100000; }); }},
        {"height 0", [&] { return patched([](Bmp &b) { b.height = 0; }); }},
        {"huge top-down height", [&] { return patched([](Bmp &b) { b.height = -100000; }); }},
        {"most negative height", [&] { return poked(22, 0x80000000); }},
        {"palette count huge", [&] { return patched([](Bmp &b) { b.colorsUsed = 0x7FFFFFFF; }); }},
        {"no room for a palette", [&] { return patched([](Bmp &b) { b.table.clear(); }); }},
        {"compression 1", [&] { return patched([](Bmp &b) { b.compression = 1; }); }},
        {"bit fields at 24 bit",
         [&] {
             return patched([](Bmp &b) {
                 b.bpp = 24;
                 b.compression = 3;
                 b.table = QByteArray(12, '\xff');
             });
         }},
        {"depth 2", [&] { return patched([](Bmp &b) { b.bpp = 2; }); }},
        {"last row short",
         [&] {
             QByteArray b = validEightBit().bytes();
             b.chop(1);
             putU32(b, 2, quint32(b.size()));
             return b;
         }},
        {"empty", [] { return QByteArray(); }},
    };
    for (const auto &c : cases)
        EXPECT_TRUE(bmpblock::decode(c.make()).isNull()) << c.name;
}

TEST(BmpBlock, SurvivesCorruptionOfEveryHeaderByte)
{
    // Each corrupted copy either decodes to something of a sane size or to nothing;
    // the sanitizers watch for reads outside the block.
    const QByteArray valid = validEightBit().bytes();
    for (qsizetype i = 0; i < valid.size(); ++i) {
        for (char v : {'\x00', '\x01', '\x7f', '\x80', '\xff'}) {
            QByteArray b = valid;
            b[i] = v;
            const QImage image = bmpblock::decode(b);
            if (!image.isNull()) {
                EXPECT_LE(image.width() * image.height(), 4096 * 4096);
            }
        }
    }
}

QImage gradient(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 8, y * 8, (x * y) % 256));
    }
    return image;
}

TEST(BmpBlock, Encode24WritesTheStandardLayout)
{
    const QImage image = gradient(32, 32);
    const QByteArray block = bmpblock::encode24(image);
    ASSERT_EQ(block.size(), 3126);
    const auto u32 = [&](int at) { return qFromLittleEndian<quint32>(block.constData() + at); };
    const auto u16 = [&](int at) { return qFromLittleEndian<quint16>(block.constData() + at); };
    EXPECT_EQ(block.left(2), QByteArray("BM"));
    EXPECT_EQ(u32(2), 3126u);
    EXPECT_EQ(u32(10), 54u);
    EXPECT_EQ(u32(14), 40u);
    EXPECT_EQ(u16(28), 24);    // bits per pixel
    EXPECT_EQ(u32(30), 0u);    // uncompressed
    EXPECT_EQ(u32(34), 3072u); // image size
    EXPECT_EQ(bmpblock::declaredSize(block), 3126);
    EXPECT_EQ(bmpblock::decode(block), image);
}

TEST(BmpBlock, Encode24PadsRowsAndStoresBottomRowFirst)
{
    const QImage image = gradient(3, 2);
    const QByteArray block = bmpblock::encode24(image);
    ASSERT_EQ(block.size(), 54 + 2 * 12);
    const QRgb bottomLeft = image.pixel(0, 1);
    EXPECT_EQ(quint8(block[54]), qBlue(bottomLeft));
    EXPECT_EQ(quint8(block[55]), qGreen(bottomLeft));
    EXPECT_EQ(quint8(block[56]), qRed(bottomLeft));
    EXPECT_EQ(block.mid(63, 3), QByteArray(3, '\0')) << "row padding";
    EXPECT_EQ(bmpblock::decode(block), image);
}

TEST(BmpBlock, Encode24AcceptsAnyImageFormat)
{
    const QImage rgb = gradient(5, 3);
    for (auto format : {QImage::Format_ARGB32, QImage::Format_RGB32, QImage::Format_RGB16,
                        QImage::Format_Indexed8, QImage::Format_Grayscale8}) {
        const QImage source = rgb.convertToFormat(format);
        EXPECT_EQ(bmpblock::decode(bmpblock::encode24(source)),
                  source.convertToFormat(QImage::Format_RGB888))
            << format;
    }
}

TEST(BmpBlock, DeclaredSize)
{
    const struct
    {
        QByteArray header;
        qint64 size;
    } cases[] = {
        {bytes({'B', 'M', 0x36, 0x0C, 0, 0}), 3126},
        {bytes({'B', 'M', 0xFF, 0xFF, 0xFF, 0xFF}), 0xFFFFFFFF},
        {bytes({'B', 'M', 13, 0, 0, 0}), -1},
        {bytes({'B', 'A', 0x36, 0x0C, 0, 0}), -1},
        {bytes({'B', 'M', 0x36, 0x0C, 0}), -1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(bmpblock::declaredSize(c.header), c.size) << c.header.toHex().constData();
}

} // namespace
