#include "services/coverimage.h"

#include "testsupport.h"

#include <QImageWriter>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <vector>

QT_BEGIN_NAMESPACE
inline void PrintTo(QSize s, std::ostream *os)
{
    *os << s.width() << 'x' << s.height();
}
QT_END_NAMESPACE

namespace {

const QRgb kRed = qRgb(255, 0, 0);
const QRgb kGreen = qRgb(0, 255, 0);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kWhite = qRgb(255, 255, 255);

// Red, green, blue and white quarters: where they land in a thumbnail shows how the
// picture was drawn.
QImage quarters(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y,
                           y < height / 2 ? (x < width / 2 ? kRed : kGreen)
                                          : (x < width / 2 ? kBlue : kWhite));
    return image;
}

bool near(QRgb a, QRgb b, int tolerance = 40)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// Qt writes no GIF: a 4-colour one with the quarters' colours, its LZW data in fixed
// 3-bit codes (a clear code before every two pixels keeps the code size from growing).
QByteArray quartersGif(int width, int height)
{
    QByteArray gif("GIF89a");
    auto le16 = [&gif](int v) {
        gif.append(char(v & 0xFF));
        gif.append(char(v >> 8));
    };
    le16(width);
    le16(height);
    gif.append(QByteArray::fromHex("810000"));
    gif.append(QByteArray::fromHex("ff000000ff000000ffffffff"));
    gif.append(',');
    le16(0);
    le16(0);
    le16(width);
    le16(height);
    gif.append('\0');
    gif.append('\x02');
    QByteArray data;
    quint32 bits = 0;
    int count = 0;
    auto put = [&](quint32 code) {
        bits |= code << count;
        for (count += 3; count >= 8; count -= 8, bits >>= 8)
            data.append(char(bits & 0xFF));
    };
    for (int i = 0; i < width * height; ++i) {
        const int x = i % width, y = i / width;
        if (i % 2 == 0)
            put(4);
        put(quint32((y < height / 2 ? 0 : 2) + (x < width / 2 ? 0 : 1)));
    }
    put(5);
    if (count > 0)
        data.append(char(bits & 0xFF));
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray block = data.mid(at, 255);
        gif.append(char(block.size()));
        gif.append(block);
    }
    gif.append('\0');
    gif.append(';');
    return gif;
}

// A JPEG that ends right after its scan header: SOI, one quantisation table, a
// baseline frame of the given size with three components, the scan, a few bytes.
QByteArray jpegHeaderOnly(int width, int height)
{
    QByteArray b = FromHex("FF D8 FF DB 00 43 00");
    b.append(64, '\x01');
    b.append(FromHex("FF C0 00 11 08"));
    for (const int v : {height, width}) {
        b.append(char(v >> 8));
        b.append(char(v & 0xFF));
    }
    b.append(FromHex("03 01 22 00 02 11 00 03 11 00"));
    b.append(FromHex("FF DA 00 0C 03 01 00 02 11 03 11 00 3F 00"));
    b.append(FromHex("12 34 56 78 9A BC DE F0 FF D9"));
    return b;
}

class CoverPictureTest : public ::testing::Test
{
protected:
    QString save(const QImage &image, const QString &name, int quality = -1,
                 bool progressive = false)
    {
        const QString path = dir.filePath(name);
        QImageWriter writer(path);
        writer.setQuality(quality);
        writer.setProgressiveScanWrite(progressive);
        EXPECT_TRUE(writer.write(image)) << name.toStdString();
        return path;
    }
    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(name);
        WriteFileBytes(path, bytes);
        return path;
    }

    QTemporaryDir dir;
};

TEST_F(CoverPictureTest, EveryFormatGivesItsSizeAndAStretchedThumbnail)
{
    struct Case
    {
        const char *name;
        std::function<QString()> make;
        QSize size;
    };
    const std::vector<Case> cases = {
        {"baseline.jpg",
         [this] { return save(quarters(400, 200), QStringLiteral("a.jpg")); },
         {400, 200}},
        {"progressive.jpg",
         [this] { return save(quarters(400, 200), QStringLiteral("p.jpg"), 90, true); },
         {400, 200}},
        {"smaller than the thumbnail.jpg",
         [this] { return save(quarters(20, 10), QStringLiteral("s.jpg")); },
         {20, 10}},
        {"png", [this] { return save(quarters(400, 200), QStringLiteral("a.png")); }, {400, 200}},
        {"bmp", [this] { return save(quarters(400, 200), QStringLiteral("a.bmp")); }, {400, 200}},
        {"gif",
         [this] { return write(QStringLiteral("a.gif"), quartersGif(400, 200)); },
         {400, 200}},
        // Told by content, not by name.
        {"png named .jpg",
         [this] {
             const QString png = save(quarters(400, 200), QStringLiteral("b.png"));
             return write(QStringLiteral("b.jpg"), ReadFileBytes(png));
         },
         {400, 200}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = c.make();
        const TCoverPicture picture = LoadCoverPicture(path);
        ASSERT_FALSE(picture.image.isNull());
        EXPECT_EQ(picture.fullSize, c.size);
        EXPECT_EQ(picture.image.size(), c.size);

        const QImage thumbnail = MakeCoverThumbnail(path);
        ASSERT_EQ(thumbnail.size(), QSize(32, 32));
        EXPECT_EQ(thumbnail.format(), QImage::Format_RGB888);
        EXPECT_TRUE(near(thumbnail.pixel(5, 5), kRed));
        EXPECT_TRUE(near(thumbnail.pixel(26, 5), kGreen));
        EXPECT_TRUE(near(thumbnail.pixel(5, 26), kBlue));
        EXPECT_TRUE(near(thumbnail.pixel(26, 26), kWhite));
    }
}

// The smallest of the scales 1/8, 1/4, 1/2 and 1 that still covers atLeast; libjpeg
// rounds a scaled side up.
TEST_F(CoverPictureTest, JpegIsDecodedAtTheSmallestScaleStillCoveringTheRequest)
{
    struct Case
    {
        QSize picture, atLeast, decoded;
    };
    const Case cases[] = {
        {{3000, 3000}, {300, 300}, {375, 375}}, {{3000, 3000}, {376, 300}, {750, 750}},
        {{3000, 3000}, {}, {3000, 3000}},       {{400, 200}, {100, 25}, {100, 50}},
        {{400, 200}, {100, 51}, {200, 100}},    {{400, 200}, {800, 800}, {400, 200}},
        {{401, 201}, {50, 25}, {51, 26}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.picture.width() << "x" << c.picture.height() << " at least "
                     << c.atLeast.width() << "x" << c.atLeast.height());
        QImage flat(c.picture, QImage::Format_RGB32);
        flat.fill(qRgb(90, 160, 30));
        const QString path = save(flat, QStringLiteral("flat.jpg"));
        const TCoverPicture picture = LoadCoverPicture(path, c.atLeast);
        EXPECT_EQ(picture.fullSize, c.picture);
        EXPECT_EQ(picture.image.size(), c.decoded);
        EXPECT_TRUE(near(picture.image.pixel(c.decoded.width() / 2, c.decoded.height() / 2),
                         qRgb(90, 160, 30), 8));
    }
}

TEST_F(CoverPictureTest, GreyAndCmykJpegsComeOutAsRgb)
{
    QImage grey(64, 16, QImage::Format_Grayscale8);
    grey.fill(QColor(200, 200, 200));
    const TCoverPicture fromGrey = LoadCoverPicture(save(grey, QStringLiteral("grey.jpg"), 95));
    ASSERT_FALSE(fromGrey.image.isNull());
    EXPECT_TRUE(near(fromGrey.image.pixel(10, 8), qRgb(200, 200, 200), 4));

    // Written by libjpeg with the inks inverted, as Adobe's CMYK files are: red on the
    // left, blue on the right.
    const TCoverPicture cmyk =
        LoadCoverPicture(QStringLiteral(QEL_TEST_FIXTURES "/covers/cmyk-red-blue.jpg"));
    ASSERT_EQ(cmyk.image.size(), QSize(16, 8));
    EXPECT_TRUE(near(cmyk.image.pixel(2, 4), kRed, 24));
    EXPECT_TRUE(near(cmyk.image.pixel(13, 4), kBlue, 24));
}

TEST_F(CoverPictureTest, UnreadableFilesGiveNoPicture)
{
    const QByteArray jpeg = ReadFileBytes(save(quarters(400, 200), QStringLiteral("q.jpg")));
    const QByteArray bmp = ReadFileBytes(save(quarters(400, 200), QStringLiteral("q.bmp")));
    const QByteArray png = ReadFileBytes(save(quarters(400, 200), QStringLiteral("q.png")));
    const QByteArray gif = quartersGif(400, 200);
    QByteArray damagedJpeg = jpeg;
    damagedJpeg.replace(damagedJpeg.indexOf("\xFF\xC0"), 4, FromHex("FF C0 00 01"));
    // 20000 by 20000 at 24 bits in a 60-byte file.
    QByteArray hugeBmp = bmp.left(60);
    hugeBmp.replace(18, 8, FromHex("204E0000 204E0000"));

    struct Case
    {
        const char *name;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"empty.jpg", {}},
        {"text.jpg", "not a picture, only words\n"},
        {"cover.pcx",
         FromHex("0A 05 01 08 00 00 00 00 0F 00 0F 00 48 00 48 00") + QByteArray(200, 0)},
        {"tga.gif", FromHex("00 00 02 00 00 00 00 00 00 00 00 00 10 00 10 00 18 00") +
                        QByteArray(768, '\x7F')},
        {"header-only.jpg", jpeg.left(100)},
        {"half.jpg", jpeg.left(jpeg.size() / 2)},
        {"without-last-bytes.jpg", jpeg.left(jpeg.size() - 20)},
        {"half-then-end-marker.jpg", jpeg.left(jpeg.size() / 2) + FromHex("FF D9")},
        {"damaged-frame.jpg", damagedJpeg},
        {"65500x65500.jpg", jpegHeaderOnly(65500, 65500)},
        {"9000x9000.jpg", jpegHeaderOnly(9000, 9000)},
        {"headers.bmp", bmp.left(54)},
        {"half.bmp", bmp.left(bmp.size() / 2)},
        {"one-byte-short.bmp", bmp.left(bmp.size() - 1)},
        {"20000x20000.bmp", hugeBmp},
        {"half.png", png.left(png.size() / 2)},
        {"half.gif", gif.left(gif.size() / 2)},
        {"without-trailer-and-end.gif", gif.left(gif.size() - 2)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = write(QString::fromLatin1(c.name), c.bytes);
        const TCoverPicture picture = LoadCoverPicture(path);
        EXPECT_TRUE(picture.image.isNull());
        EXPECT_TRUE(LoadCoverPicture(path, {32, 32}).image.isNull());
        EXPECT_TRUE(MakeCoverThumbnail(path).isNull());
    }
    EXPECT_TRUE(LoadCoverPicture(dir.filePath(QStringLiteral("missing.jpg"))).image.isNull());
    EXPECT_TRUE(MakeCoverThumbnail(QString()).isNull());
}

// The quarters as a 32-bit bitmap with bit-field masks after a 40-byte info header, the
// way some writers store them (Qt writes no such file).
QByteArray quartersBitfieldBmp(int width, int height)
{
    QByteArray b;
    auto le = [&b](quint32 v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            b.append(char((v >> (8 * i)) & 0xFF));
    };
    const quint32 pixels = quint32(width * height * 4);
    b.append("BM");
    le(14 + 40 + 12 + pixels, 4);
    le(0, 4);
    le(14 + 40 + 12, 4);
    le(40, 4);
    le(quint32(width), 4);
    le(quint32(height), 4);
    le(1, 2);
    le(32, 2);
    le(3, 4); // bit fields
    le(pixels, 4);
    le(2835, 4);
    le(2835, 4);
    le(0, 4);
    le(0, 4);
    le(0x00FF0000, 4);
    le(0x0000FF00, 4);
    le(0x000000FF, 4);
    const QImage image = quarters(width, height);
    for (int y = height - 1; y >= 0; --y)
        for (int x = 0; x < width; ++x)
            le(image.pixel(x, y) & 0xFFFFFF, 4);
    return b;
}

// Qt reads a bitmap's pixels from its declared offset, but from after the headers, the
// masks and the colour table when the offset points inside them: the completeness check
// has to count from there, or a file cut short reaches Qt and comes back with rows of
// whatever memory held.
TEST_F(CoverPictureTest, BmpPixelsAreCountedFromWhereTheyAreRead)
{
    QImage paletted(40, 20, QImage::Format_Indexed8);
    QList<QRgb> colours(256, qRgb(128, 128, 128));
    colours[0] = kRed;
    colours[1] = kGreen;
    colours[2] = kBlue;
    colours[3] = kWhite;
    paletted.setColorTable(colours);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            paletted.setPixel(x, y, uint((y < 10 ? 0 : 2) + (x < 20 ? 0 : 1)));
    struct Base
    {
        const char *name;
        QByteArray bytes;
        qint64 pixelsAt; // the end of headers, masks and colour table
    };
    const Base bases[] = {
        {"24 bits", ReadFileBytes(save(quarters(40, 20), QStringLiteral("q24.bmp"))), 54},
        {"8 bits, 256 colours", ReadFileBytes(save(paletted, QStringLiteral("q8.bmp"))),
         54 + 256 * 4},
        {"32-bit bit fields", quartersBitfieldBmp(40, 20), 54 + 12},
    };
    for (const Base &base : bases) {
        ASSERT_EQ(qFromLittleEndian<quint32>(base.bytes.constData() + 10), base.pixelsAt)
            << base.name;
        for (const qint64 offset : {qint64(0), qint64(14), base.pixelsAt - 2, base.pixelsAt}) {
            SCOPED_TRACE(testing::Message() << base.name << ", offset " << offset);
            QByteArray whole = base.bytes;
            qToLittleEndian<quint32>(quint32(offset), whole.data() + 10);
            const TCoverPicture picture = LoadCoverPicture(write(QStringLiteral("w.bmp"), whole));
            ASSERT_EQ(picture.image.size(), QSize(40, 20));
            EXPECT_EQ(picture.image.pixel(0, 0), kRed);
            EXPECT_EQ(picture.image.pixel(39, 19), kWhite);

            const QString cut = write(QStringLiteral("c.bmp"), whole.first(whole.size() - 1));
            EXPECT_TRUE(LoadCoverPicture(cut).image.isNull());
            EXPECT_TRUE(MakeCoverThumbnail(cut).isNull());
        }
    }
}

TEST(CoverThumbnailTest, TransparencyShowsWhiteAndNoPictureGivesNone)
{
    QImage clear(10, 40, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    const QImage thumbnail = MakeCoverThumbnail(clear);
    ASSERT_EQ(thumbnail.size(), QSize(32, 32));
    EXPECT_EQ(thumbnail.pixel(16, 16), kWhite);
    EXPECT_TRUE(MakeCoverThumbnail(QImage()).isNull());
}

} // namespace
