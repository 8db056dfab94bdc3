#include "model/qelerror.h"
#include "model/qelstream.h"

#include <QBuffer>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <limits>

namespace {

QByteArray hex(const char *h)
{
    return QByteArray::fromHex(h);
}

QByteArray written(const std::function<void(TQelWriter &)> &write)
{
    TQelWriter w;
    write(w);
    return w.Data();
}

struct ByteCase
{
    const char *name;
    std::function<void(TQelWriter &)> write;
    QByteArray bytes;
};

TEST(QelStreamWriter, WritesExactBytes)
{
    const QByteArray s255(255, 'a');
    const QByteArray s256(256, 'b');
    const ByteCase cases[] = {
        {"int 0", [](TQelWriter &w) { w.WriteInteger(0); }, hex("0200")},
        {"int 127", [](TQelWriter &w) { w.WriteInteger(127); }, hex("027f")},
        {"int -128", [](TQelWriter &w) { w.WriteInteger(-128); }, hex("0280")},
        {"int 128", [](TQelWriter &w) { w.WriteInteger(128); }, hex("038000")},
        {"int -129", [](TQelWriter &w) { w.WriteInteger(-129); }, hex("037fff")},
        {"int 300", [](TQelWriter &w) { w.WriteInteger(300); }, hex("032c01")},
        {"int 40000", [](TQelWriter &w) { w.WriteInteger(40000); }, hex("04409c0000")},
        {"int -40000", [](TQelWriter &w) { w.WriteInteger(-40000); }, hex("04c063ffff")},
        {"string 255", [&](TQelWriter &w) { w.WriteRawString(s255); }, hex("06ff") + s255},
        {"string 256", [&](TQelWriter &w) { w.WriteRawString(s256); }, hex("0c00010000") + s256},
        {"empty string", [](TQelWriter &w) { w.WriteString(u""); }, hex("0600")},
        {"text 255", [&](TQelWriter &w) { w.WriteString(QString::fromLatin1(s255)); },
         hex("06ff") + s255},
        {"text 256", [&](TQelWriter &w) { w.WriteString(QString::fromLatin1(s256)); },
         hex("0c00010000") + s256},
        {"text like a reference", [](TQelWriter &w) { w.WriteString(u"&#65;"); },
         hex("0609") + "&#38;#65;"},
        // The length counts bytes after encoding, references included.
        {"encoded string", [](TQelWriter &w) { w.WriteString(u"\u00e9\u0414"); },
         hex("0608e9") + "&#1044;"},
        {"date 2000-01-01", [](TQelWriter &w) { w.WriteDate(36526.0); }, hex("1100000000c0d5e140")},
        {"float 12.5", [](TQelWriter &w) { w.WriteFloat(12.5); }, hex("0500000000000000c80240")},
        {"booleans",
         [](TQelWriter &w) {
             w.WriteBoolean(true);
             w.WriteBoolean(false);
         },
         hex("0908")},
        {"list",
         [](TQelWriter &w) {
             w.WriteListBegin();
             w.WriteListEnd();
         },
         hex("0100")},
        {"raw bytes", [](TQelWriter &w) { w.WriteBytes("BM"); }, QByteArray("BM")},
    };
    for (const auto &c : cases)
        EXPECT_EQ(written(c.write).toHex(' ').toStdString(), c.bytes.toHex(' ').toStdString())
            << c.name;
}

TEST(QelStreamWriter, BytesTakenOutStayAsTheyWereWhileWritingGoesOn)
{
    TQelWriter w(4);
    w.WriteInteger(1);
    const QByteArray first = w.Data();
    w.WriteInteger(2);
    const QByteArray second = w.Data();
    for (int i = 0; i < 5000; ++i) // past the room made at first
        w.WriteInteger(3);
    EXPECT_EQ(first, hex("0201"));
    EXPECT_EQ(second, hex("02010202"));
    EXPECT_EQ(w.Data().size(), 4 + 2 * 5000);
    EXPECT_TRUE(w.Data().startsWith(second));
}

TEST(QelStreamReader, ReadsTheWrittenExamples)
{
    const QByteArray data = hex("027f037fff04409c00000603616263"
                                "1100000000c0d5e1400500000000000000c802400100");
    TQelReader r(data);
    EXPECT_EQ(r.ReadInteger(), 127);
    EXPECT_EQ(r.ReadInteger(), -129);
    EXPECT_EQ(r.ReadInteger(), 40000);
    EXPECT_EQ(r.ReadString(), QStringLiteral("abc"));
    EXPECT_EQ(r.ReadDate(), 36526.0);
    EXPECT_EQ(r.ReadFloat(), 12.5);
    r.ReadListBegin();
    EXPECT_TRUE(r.EndOfList());
    EXPECT_TRUE(r.EndOfList()) << "EndOfList only peeks";
    r.ReadListEnd();
    EXPECT_EQ(r.BytesLeft(), 0);
}

TEST(QelStreamReader, IntegerTagBoundariesRoundTrip)
{
    const struct
    {
        qint32 value;
        quint8 tag;
    } cases[] = {
        {std::numeric_limits<qint32>::min(), tagInt32},
        {-32769, tagInt32},
        {-32768, tagInt16},
        {-129, tagInt16},
        {-128, tagInt8},
        {-1, tagInt8},
        {127, tagInt8},
        {128, tagInt16},
        {32767, tagInt16},
        {32768, tagInt32},
        {std::numeric_limits<qint32>::max(), tagInt32},
    };
    for (const auto &c : cases) {
        const QByteArray bytes = written([&](TQelWriter &w) { w.WriteInteger(c.value); });
        EXPECT_EQ(quint8(bytes[0]), c.tag) << c.value;
        TQelReader r(bytes);
        EXPECT_EQ(r.ReadInteger(), c.value);
        EXPECT_EQ(r.BytesLeft(), 0) << c.value;
    }
}

TEST(QelStreamReader, StringsOfEveryTagRoundTrip)
{
    const QString longText = QString(300, QLatin1Char('x')) + QStringLiteral("\u20ac\u0414");
    const QString texts[] = {QString(), QStringLiteral("Caf\u00e9"), longText};
    TQelWriter w;
    for (const auto &t : texts)
        w.WriteString(t);
    TQelReader r(w.Data());
    for (const auto &t : texts)
        EXPECT_EQ(r.ReadString(), t);
}

TEST(QelStreamReader, MemoryReaderDoesNotCopy)
{
    const QByteArray data = hex("0603616263");
    TQelReader r(data);
    EXPECT_EQ(r.ReadRawString().data(), data.constData() + 2);
}

TEST(QelStreamReader, BooleanAcceptsAnyByte)
{
    for (int b = 0; b < 256; ++b) {
        const QByteArray data(1, char(b));
        TQelReader r(data);
        EXPECT_EQ(r.ReadBoolean(), b == tagTrue) << b;
        EXPECT_EQ(r.Position(), 1);
    }
}

TEST(QelStreamReader, DateAndFloatAcceptIntegers)
{
    const struct
    {
        const char *bytes;
        double value;
    } cases[] = {{"0205", 5}, {"02ff", -1}, {"032c01", 300}, {"04409c0000", 40000}};
    for (const auto &c : cases) {
        const QByteArray data = hex(c.bytes);
        TQelReader dates(data);
        EXPECT_EQ(dates.ReadDate(), c.value) << c.bytes;
        TQelReader floats(data);
        EXPECT_EQ(floats.ReadFloat(), c.value) << c.bytes;
    }
}

struct ErrorCase
{
    const char *name;
    const char *bytes;
    std::function<void(TQelReader &)> read;
};

TEST(QelStreamReader, MalformedValuesAreReadErrors)
{
    const ErrorCase cases[] = {
        {"integer from string tag", "0600", [](TQelReader &r) { r.ReadInteger(); }},
        {"integer from float tag", "0500000000000000c80240",
         [](TQelReader &r) { r.ReadInteger(); }},
        {"integer from boolean", "09", [](TQelReader &r) { r.ReadInteger(); }},
        {"string from integer", "0201", [](TQelReader &r) { r.ReadRawString(); }},
        {"date from string", "0600", [](TQelReader &r) { r.ReadDate(); }},
        {"date from float", "0500000000000000c80240", [](TQelReader &r) { r.ReadDate(); }},
        {"float from date", "1100000000c0d5e140", [](TQelReader &r) { r.ReadFloat(); }},
        {"list begin not 1", "00", [](TQelReader &r) { r.ReadListBegin(); }},
        {"list end not 0", "01", [](TQelReader &r) { r.ReadListEnd(); }},
        {"long string past the end", "0c05000000616263", [](TQelReader &r) { r.ReadRawString(); }},
        {"long string of 4 GB", "0cffffffff616263", [](TQelReader &r) { r.ReadRawString(); }},
        {"short string past the end", "0605616263", [](TQelReader &r) { r.ReadRawString(); }},
        {"negative byte count", "00", [](TQelReader &r) { r.ReadBytes(-1); }},
        {"more bytes than left", "0000", [](TQelReader &r) { r.ReadBytes(3); }},
        {"end of list on empty", "", [](TQelReader &r) { r.EndOfList(); }},
        {"boolean on empty", "", [](TQelReader &r) { r.ReadBoolean(); }},
    };
    for (const auto &c : cases) {
        const QByteArray data = hex(c.bytes);
        TQelReader memory(data);
        EXPECT_THROW(c.read(memory), EQelRead) << c.name;
        QBuffer buffer;
        buffer.setData(data);
        buffer.open(QIODevice::ReadOnly);
        TQelReader device(&buffer);
        EXPECT_THROW(c.read(device), EQelRead) << c.name << " (device)";
    }
}

// A small record touching every kind of value, and the code that reads it back.
QByteArray sampleRecord()
{
    return written([](TQelWriter &w) {
        w.WriteListBegin();
        w.WriteInteger(40000);
        w.WriteInteger(-5);
        w.WriteString(u"h\u00e9llo");
        w.WriteString(QString(300, QLatin1Char('z')));
        w.WriteDate(36526.5);
        w.WriteFloat(-0.1);
        w.WriteBoolean(true);
        w.WriteListEnd();
    });
}

void readSampleRecord(TQelReader &r)
{
    r.ReadListBegin();
    EXPECT_FALSE(r.EndOfList());
    EXPECT_EQ(r.ReadInteger(), 40000);
    EXPECT_EQ(r.ReadInteger(), -5);
    EXPECT_EQ(r.ReadString(), QStringLiteral("h\u00e9llo"));
    EXPECT_EQ(r.ReadString(), QString(300, QLatin1Char('z')));
    EXPECT_EQ(r.ReadDate(), 36526.5);
    EXPECT_EQ(r.ReadFloat(), -0.1);
    EXPECT_TRUE(r.ReadBoolean());
    EXPECT_TRUE(r.EndOfList());
    r.ReadListEnd();
    EXPECT_EQ(r.BytesLeft(), 0);
}

TEST(QelStreamReader, TruncationAtEveryByteIsAReadError)
{
    const QByteArray full = sampleRecord();
    for (qsizetype len = 0; len < full.size(); ++len) {
        const QByteArray part = full.left(len);
        TQelReader memory(part);
        EXPECT_THROW(readSampleRecord(memory), EQelRead) << len;
        QBuffer buffer;
        buffer.setData(part);
        buffer.open(QIODevice::ReadOnly);
        TQelReader device(&buffer, 16);
        EXPECT_THROW(readSampleRecord(device), EQelRead) << len << " (device)";
    }
    TQelReader whole(full);
    readSampleRecord(whole);
}

TEST(QelStreamReader, DeviceReadsAcrossRefills)
{
    // Block sizes that split the 300-byte string, the 10-byte float and the tags at
    // many different places.
    const QByteArray data = sampleRecord();
    for (qint64 block : {16, 17, 31, 64, 301, 4096}) {
        SCOPED_TRACE(block);
        QBuffer buffer;
        buffer.setData(data);
        buffer.open(QIODevice::ReadOnly);
        TQelReader r(&buffer, block);
        EXPECT_EQ(r.BytesLeft(), data.size());
        readSampleRecord(r);
        EXPECT_EQ(r.Position(), data.size());
    }
}

TEST(QelStreamReader, PeekDoesNotConsume)
{
    const QByteArray data = QByteArray("0123456789abcdefghijklmnopqrstuvwxyz");
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    TQelReader r(&buffer, 16);
    EXPECT_EQ(r.ReadBytes(10), QByteArrayView("0123456789"));
    EXPECT_EQ(r.Peek(20), QByteArrayView("abcdefghijklmnopqrst")); // beyond the first block
    EXPECT_EQ(r.Position(), 10);
    EXPECT_EQ(r.ReadBytes(20), QByteArrayView("abcdefghijklmnopqrst"));
    EXPECT_EQ(r.Peek(100), QByteArrayView("uvwxyz")); // fewer at the end
    EXPECT_EQ(r.BytesLeft(), 6);
}

// A device that promises more bytes than it has, like a file cut short while open.
class ShortDevice : public QBuffer
{
public:
    qint64 size() const override { return QBuffer::size() + 100; }
};

// Records the largest single read asked of it.
class RecordingDevice : public QBuffer
{
public:
    qint64 largestRead = 0;

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        largestRead = std::max(largestRead, maxSize);
        return QBuffer::readData(data, maxSize);
    }
};

TEST(QelStreamReader, HugeLengthIsRejectedBeforeReading)
{
    RecordingDevice device;
    device.setData(hex("0cffffff7f") + QByteArray(100, 'x'));
    device.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    TQelReader r(&device, 16);
    EXPECT_THROW(r.ReadRawString(), EQelRead);
    EXPECT_LE(device.largestRead, 105) << "the buffer was sized from the length field";
}

TEST(QelStreamReader, DeviceEndingEarlyIsAReadErrorNotAHang)
{
    ShortDevice device;
    device.setData(hex("0c32000000") + QByteArray(10, 'x'));
    device.open(QIODevice::ReadOnly);
    TQelReader r(&device, 16);
    EXPECT_THROW(r.ReadRawString(), EQelRead);
}

TEST(QelStreamFile, WriterAndReaderThroughAFile)
{
    // Enough data for several writer flushes, a payload written past the buffer and a
    // string larger than the reader's block.
    const QByteArray big(700 * 1024, 'B');
    const QString longText(5000, QLatin1Char('L'));
    const int count = 250000;
    const auto write = [&](TQelWriter &w) {
        w.WriteListBegin();
        for (int i = 0; i < count; ++i)
            w.WriteInteger(i * 7);
        w.WriteRawString(big);
        w.WriteString(longText);
        w.WriteFloat(1e-310);
        w.WriteListEnd();
    };

    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    {
        TQelWriter w(&file);
        write(w);
        w.Flush();
    }
    ASSERT_TRUE(file.flush());
    EXPECT_EQ(file.size(), written(write).size());

    for (qint64 block : {qint64(64), TQelReader::defaultBlockSize}) {
        SCOPED_TRACE(block);
        ASSERT_TRUE(file.seek(0));
        TQelReader r(&file, block);
        r.ReadListBegin();
        bool same = true;
        for (int i = 0; i < count; ++i)
            same = same && r.ReadInteger() == i * 7;
        EXPECT_TRUE(same);
        EXPECT_EQ(r.ReadRawString(), QByteArrayView(big));
        EXPECT_EQ(r.ReadString(), longText);
        EXPECT_EQ(r.ReadFloat(), 1e-310);
        r.ReadListEnd();
        EXPECT_EQ(r.BytesLeft(), 0);
    }
}

TEST(QelStreamFile, DeviceWriterMatchesMemoryWriter)
{
    // Payloads around the direct-write threshold interleaved with small values, so
    // buffered and direct writes must keep their order.
    const auto write = [](TQelWriter &w) {
        for (int size : {10, 512 * 1024, 512 * 1024 + 1, 300, 1024 * 1024 + 7, 3}) {
            w.WriteInteger(size);
            w.WriteBytes(QByteArray(size, char('a' + size % 26)));
        }
    };
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        TQelWriter w(&buffer);
        write(w);
    } // the destructor hands over the rest
    EXPECT_TRUE(buffer.data() == written(write));
}

TEST(QelStreamFile, FailedWriteThrows)
{
    QBuffer buffer;
    buffer.open(QIODevice::ReadOnly);
    TQelWriter w(&buffer);
    w.WriteInteger(1);
    EXPECT_THROW(w.Flush(), EQel);
    EXPECT_NO_THROW(w.Flush()) << "nothing left to write";
}

quint64 bitsOf(double d)
{
    return std::bit_cast<quint64>(d);
}

double fromExtended(const char *h)
{
    const QByteArray b = hex(h);
    return extendedToDouble(reinterpret_cast<const unsigned char *>(b.constData()));
}

TEST(QelStreamExtended, EveryDoubleRoundTripsExactly)
{
    using L = std::numeric_limits<double>;
    const double values[] = {
        0.0,
        -0.0,
        1.0,
        -12.5,
        0.1,
        1.0 / 3.0,
        36526.75,
        L::max(),
        -L::max(),
        L::min(),
        L::denorm_min(),
        -3 * L::denorm_min(),
        L::min() - L::denorm_min(),
        L::infinity(),
        -L::infinity(),
        L::quiet_NaN(),
        -L::quiet_NaN(),
        std::bit_cast<double>(quint64(0x7FF0000000000001)), // signalling NaN
    };
    for (double v : values) {
        unsigned char ext[10];
        doubleToExtended(v, ext);
        EXPECT_EQ(bitsOf(extendedToDouble(ext)), bitsOf(v)) << v;
    }
}

TEST(QelStreamExtended, ValuesBeyondDoubleRangeAndOddEncodings)
{
    using L = std::numeric_limits<double>;
    const struct
    {
        const char *bytes;
        double value;
    } cases[] = {
        {"0000000000000080fe7f", L::infinity()},  // largest finite extended
        {"000000000000008000c4", -L::infinity()}, // -2^1025
        {"00000000000000800100", 0.0},            // smallest normal extended
        {"00000000000000800180", -0.0},
        {"010000000000008000c0", -2.0},                   // extra bits below double precision
        {"00040000000000800040", 2.0},                    // exactly half an ulp: to even
        {"000c0000000000800040", 2.0 + 4 * L::epsilon()}, // half an ulp, odd: up
        {"01040000000000800040", 2.0 + 2 * L::epsilon()}, // above half: up
        {"ffffffffffffffff0040", 4.0},                    // carries into the exponent
        {"0000000000000000ff7f", L::infinity()},          // infinity without the explicit bit
        {"0000000000000040ff7f", L::quiet_NaN()},
        // Below the normal range the rounding happens at the subnormal spacing.
        {"0000000000000080cc3b", 0.0},                 // half the smallest: to even
        {"00000000000000c0cc3b", L::denorm_min()},     // three quarters: up
        {"00000000000000c0cd3b", 2 * L::denorm_min()}, // 1.5 of it: tie, odd goes up
        {"00000000000000a0ce3b", 2 * L::denorm_min()}, // 2.5 of it: tie, even stays
    };
    for (const auto &c : cases) {
        const double got = fromExtended(c.bytes);
        if (std::isnan(c.value))
            EXPECT_TRUE(std::isnan(got)) << c.bytes;
        else
            EXPECT_EQ(bitsOf(got), bitsOf(c.value)) << c.bytes << " gave " << got;
    }
    // Unnormals and pseudo-denormals only have to be survived.
    for (const char *odd : {"00000000000000400040", "00000000000000800000", "ffffffffffffff7f3412",
                            "01000000000000000000"})
        (void)fromExtended(odd);
}

} // namespace
