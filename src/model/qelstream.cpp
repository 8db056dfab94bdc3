#include "model/qelstream.h"

#include "model/qelerror.h"
#include "model/textcodec.h"

#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cstring>

#include <sys/mman.h>

// ---------------------------------------------------------------------------
// 80-bit extended precision

namespace {

constexpr quint64 signBit64 = quint64(1) << 63;
constexpr quint64 fracMask52 = (quint64(1) << 52) - 1;
constexpr int extBias = 16383;

} // namespace

void doubleToExtended(double value, unsigned char out[10])
{
    const quint64 bits = std::bit_cast<quint64>(value);
    const quint16 sign = (bits >> 63) ? 0x8000 : 0;
    const int exp = int((bits >> 52) & 0x7FF);
    const quint64 frac = bits & fracMask52;

    quint64 mant = 0;
    int e = 0;
    if (exp == 0x7FF) {
        // Infinity keeps only the explicit bit; a NaN keeps its payload and quiet bit.
        e = 0x7FFF;
        mant = signBit64 | (frac << 11);
    } else if (exp == 0) {
        if (frac != 0) {
            // Subnormal double: normal in extended precision.
            const int shift = std::countl_zero(frac);
            mant = frac << shift;
            e = extBias - 1011 - shift; // value = frac * 2^-1074
        }
    } else {
        mant = signBit64 | (frac << 11);
        e = exp - 1023 + extBias;
    }
    qToLittleEndian<quint64>(mant, out);
    qToLittleEndian<quint16>(quint16(sign | e), out + 8);
}

double extendedToDouble(const unsigned char in[10])
{
    const quint64 mant = qFromLittleEndian<quint64>(in);
    const quint16 se = qFromLittleEndian<quint16>(in + 8);
    const quint64 sign = (se & 0x8000) ? signBit64 : 0;
    const int e = se & 0x7FFF;

    if (e == 0x7FFF) {
        if ((mant & ~signBit64) == 0)
            return std::bit_cast<double>(sign | (quint64(0x7FF) << 52));
        quint64 frac = (mant >> 11) & fracMask52;
        if (frac == 0)
            frac = quint64(1) << 51; // payload only in the dropped bits: still a NaN
        return std::bit_cast<double>(sign | (quint64(0x7FF) << 52) | frac);
    }
    if (mant == 0)
        return std::bit_cast<double>(sign);

    // value = mant * 2^(e - 16446); a zero exponent behaves like 1 (denormals), and an
    // unnormal (explicit bit clear) is simply normalised here.
    const int shift = std::countl_zero(mant);
    const quint64 m = mant << shift;                  // top bit set
    const int k = (e == 0 ? 1 : e) - extBias - shift; // value in [2^k, 2^(k+1))

    if (k > 1023)
        return std::bit_cast<double>(sign | (quint64(0x7FF) << 52));
    if (k >= -1022) {
        quint64 q = m >> 11;
        const quint64 rem = m & 0x7FF;
        if (rem > 0x400 || (rem == 0x400 && (q & 1)))
            ++q;
        int ek = k;
        if (q >> 53) {
            q >>= 1;
            ++ek;
        }
        if (ek > 1023)
            return std::bit_cast<double>(sign | (quint64(0x7FF) << 52));
        return std::bit_cast<double>(sign | (quint64(ek + 1023) << 52) | (q & fracMask52));
    }
    // Subnormal result: q * 2^-1074 with q = m >> r, rounded to nearest even. A carry
    // into bit 52 lands exactly on the smallest normal encoding.
    const int r = -1011 - k; // >= 12
    if (r > 64)
        return std::bit_cast<double>(sign);
    quint64 q = r == 64 ? 0 : m >> r;
    const quint64 rem = r == 64 ? m : m & ((quint64(1) << r) - 1);
    const quint64 half = quint64(1) << (r - 1);
    if (rem > half || (rem == half && (q & 1)))
        ++q;
    return std::bit_cast<double>(sign | q);
}

// ---------------------------------------------------------------------------
// Reader

namespace {
const uchar emptySource[1] = {0};
}

TQelReader::TQelReader(QByteArrayView data)
{
    m_start = data.isEmpty() ? emptySource : reinterpret_cast<const uchar *>(data.data());
    m_p = m_start;
    m_end = m_start + data.size();
    m_total = data.size();
}

TQelReader::TQelReader(QIODevice *device, qint64 blockSize)
    : m_device(device), m_blockSize(std::max<qint64>(blockSize, 16))
{
    m_start = m_p = m_end = emptySource;
    const qint64 size = device->size();
    const qint64 pos = device->pos();
    m_total = size > pos ? size - pos : 0;
}

qint64 TQelReader::Position() const
{
    return m_offset + (m_p - m_start);
}

qint64 TQelReader::BytesLeft() const
{
    return m_total - Position();
}

const uchar *TQelReader::refill(qint64 n)
{
    // Checked before any allocation: a length field can never make us allocate more
    // than the source still holds.
    if (n < 0 || n > BytesLeft() || !m_device)
        throw EQelRead();

    const qint64 pos = Position();
    const qint64 kept = m_end - m_p;
    const qint64 want = std::max(n, std::min(m_blockSize, BytesLeft()));

    if (m_buffer.size() < want) {
        QByteArray grown(want, Qt::Uninitialized);
        if (kept > 0)
            std::memcpy(grown.data(), m_p, size_t(kept));
        m_buffer = std::move(grown);
    } else if (kept > 0) {
        std::memmove(m_buffer.data(), m_p, size_t(kept));
    }

    char *base = m_buffer.data();
    qint64 filled = kept;
    while (filled < want) {
        const qint64 got = m_device->read(base + filled, want - filled);
        if (got <= 0) // the file is shorter than it claimed, or failed
            throw EQelRead();
        filled += got;
    }
    m_start = reinterpret_cast<const uchar *>(base);
    m_p = m_start;
    m_end = m_start + filled;
    m_offset = pos;
    return m_p;
}

quint8 TQelReader::readTag()
{
    const quint8 tag = *need(1);
    ++m_p;
    return tag;
}

qint32 TQelReader::readIntegerBody(quint8 tag)
{
    switch (tag) {
    case tagInt8: {
        const qint8 v = qint8(*need(1));
        m_p += 1;
        return v;
    }
    case tagInt16: {
        const qint16 v = qFromLittleEndian<qint16>(need(2));
        m_p += 2;
        return v;
    }
    case tagInt32: {
        const qint32 v = qFromLittleEndian<qint32>(need(4));
        m_p += 4;
        return v;
    }
    default:
        throw EQelRead();
    }
}

qint32 TQelReader::readIntegerSlow()
{
    return readIntegerBody(readTag());
}

QByteArrayView TQelReader::readRawStringSlow()
{
    qint64 n = 0;
    switch (readTag()) {
    case tagShortString:
        n = *need(1);
        m_p += 1;
        break;
    case tagLongString:
        n = qFromLittleEndian<quint32>(need(4));
        m_p += 4;
        break;
    default:
        throw EQelRead();
    }
    return ReadBytes(n);
}

QString TQelReader::ReadString()
{
    return cp1252::decode(ReadRawString());
}

bool TQelReader::ReadBoolean()
{
    return readTag() == tagTrue;
}

double TQelReader::ReadDate()
{
    const quint8 tag = readTag();
    if (tag != tagDate)
        return readIntegerBody(tag);
    const quint64 bits = qFromLittleEndian<quint64>(need(8));
    m_p += 8;
    return std::bit_cast<double>(bits);
}

double TQelReader::ReadFloat()
{
    const quint8 tag = readTag();
    if (tag != tagExtended)
        return readIntegerBody(tag);
    const double v = extendedToDouble(need(10));
    m_p += 10;
    return v;
}

void TQelReader::ReadListBegin()
{
    if (readTag() != tagBeginOfList)
        throw EQelRead();
}

void TQelReader::ReadListEnd()
{
    if (readTag() != tagEndOfList)
        throw EQelRead();
}

bool TQelReader::EndOfList()
{
    return *need(1) == tagEndOfList;
}

QByteArrayView TQelReader::ReadBytes(qint64 n)
{
    if (n < 0)
        throw EQelRead();
    const uchar *p = need(n);
    m_p += n;
    return QByteArrayView(p, n);
}

QByteArrayView TQelReader::Peek(qint64 n)
{
    n = std::clamp<qint64>(n, 0, BytesLeft());
    return QByteArrayView(need(n), n);
}

// ---------------------------------------------------------------------------
// Writer

namespace {

// A whole collection in memory is over a hundred megabytes, each of its small pages
// faulted in on first touch; large pages make that a fraction of the time. Only for
// blocks that large, which the allocator maps on their own, and only where they are
// not grown (a remap of large pages costs more than it saves).
void preferLargePages(char *data, qsizetype size)
{
    constexpr quintptr kLarge = quintptr(2) << 20;
    if (size < qsizetype(32) << 20)
        return;
    const quintptr begin = (quintptr(data) + kLarge - 1) & ~(kLarge - 1);
    const quintptr end = (quintptr(data) + quintptr(size)) & ~(kLarge - 1);
    if (end > begin)
        ::madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
}

} // namespace

TQelWriter::TQelWriter(QIODevice *device) : m_device(device)
{
    m_buffer.resize(blockSize);
    m_p = m_buffer.data();
    m_end = m_p + m_buffer.size();
}

TQelWriter::TQelWriter(qsizetype expectedSize)
{
    m_buffer.resize(std::max(expectedSize, qsizetype(4096)));
    m_p = m_buffer.data();
    m_end = m_p + m_buffer.size();
    preferLargePages(m_p, m_buffer.size());
}

TQelWriter::~TQelWriter()
{
    // Failures surface through an explicit Flush(); a destructor must not throw.
    try {
        Flush();
    } catch (const EQel &) {
    }
}

QString WriteFailureReason(const QIODevice &device)
{
    QString reason = device.errorString();
    if (reason.isEmpty() || reason == QStringLiteral("Unknown error"))
        reason = QStringLiteral("Could not write the whole file (disk full?)");
    return reason;
}

void TQelWriter::writeToDevice(const char *data, qsizetype n)
{
    if (n == 0)
        return;
    if (m_device->write(data, n) != n)
        throw EQel(WriteFailureReason(*m_device));
}

void TQelWriter::Flush()
{
    if (!m_device)
        return;
    const qsizetype n = used();
    // The bytes are dropped even when the write fails, so a retry cannot duplicate them.
    m_p = m_buffer.data();
    writeToDevice(m_buffer.constData(), n);
}

void TQelWriter::makeRoom(qsizetype n)
{
    if (m_device) {
        Flush();
        if (m_buffer.size() < n)
            m_buffer.resize(n);
        m_p = m_buffer.data();
    } else {
        // Doubling keeps a large save to a few moves (mostly remaps of the pages).
        const qsizetype kept = used();
        m_buffer.resize(std::max({kept + n, 2 * m_buffer.size(), qsizetype(4096)}));
        m_p = m_buffer.data() + kept;
    }
    m_end = m_buffer.data() + m_buffer.size();
}

const QByteArray &TQelWriter::Data() const
{
    const qsizetype n = used();
    if (m_buffer.size() != n) {
        m_buffer.truncate(n);
        m_p = m_buffer.data() + n;
    }
    // The caller may keep a copy: the next value makes room again, which detaches.
    m_end = m_p;
    return m_buffer;
}

void TQelWriter::WriteString(QStringView s)
{
    // Most texts are short and plain ASCII: those go straight into the buffer.
    const qsizetype n = s.size();
    if (n <= 255) {
        char *d = room(2 + n);
        const char16_t *c = s.utf16();
        qsizetype i = 0;
        while (i < n && c[i] < 0x80 && c[i] != u'&') {
            d[2 + i] = char(c[i]);
            ++i;
        }
        if (i == n) {
            d[0] = char(tagShortString);
            d[1] = char(uchar(n));
            m_p = d + 2 + n;
            return;
        }
    }
    m_scratch.truncate(0);
    cp1252::encodeAppend(s, m_scratch);
    WriteRawString(m_scratch);
}

void TQelWriter::WriteRawString(QByteArrayView bytes)
{
    const qsizetype n = bytes.size();
    if (n <= 255) {
        char *d = room(2 + n);
        d[0] = char(tagShortString);
        d[1] = char(uchar(n));
        if (n > 0)
            std::memcpy(d + 2, bytes.data(), size_t(n));
        m_p = d + 2 + n;
        return;
    }
    if (quint64(n) > 0xFFFFFFFFu)
        throw EQel(QStringLiteral("A text is too long to be saved"));
    char *d = room(5);
    d[0] = char(tagLongString);
    qToLittleEndian<quint32>(quint32(n), d + 1);
    m_p = d + 5;
    WriteBytes(bytes);
}

void TQelWriter::WriteDate(double days)
{
    char *d = room(9);
    d[0] = char(tagDate);
    qToLittleEndian<quint64>(std::bit_cast<quint64>(days), d + 1);
    m_p = d + 9;
}

void TQelWriter::WriteFloat(double v)
{
    char *d = room(11);
    d[0] = char(tagExtended);
    doubleToExtended(v, reinterpret_cast<unsigned char *>(d + 1));
    m_p = d + 11;
}

void TQelWriter::WriteBytes(QByteArrayView bytes)
{
    const qsizetype n = bytes.size();
    if (m_device && n > blockSize / 2) {
        // Large payloads go straight to the device instead of through the buffer.
        Flush();
        writeToDevice(bytes.data(), n);
        return;
    }
    char *d = room(n);
    if (n > 0)
        std::memcpy(d, bytes.data(), size_t(n));
    m_p = d + n;
}
