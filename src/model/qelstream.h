#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <QtEndian>
#include <QtGlobal>

class QIODevice;

// Tags of the tagged stream.
enum : quint8 {
    tagEndOfList = 0,
    tagBeginOfList = 1,
    tagInt8 = 2,
    tagInt16 = 3,
    tagInt32 = 4,
    tagExtended = 5,
    tagShortString = 6,
    tagFalse = 8,
    tagTrue = 9,
    tagLongString = 12,
    tagDate = 17,
};

// 80-bit extended precision (little-endian, 64-bit significand with explicit
// leading bit, 15-bit exponent biased by 16383, sign in the top bit).
void doubleToExtended(double value, unsigned char out[10]);
double extendedToDouble(const unsigned char in[10]);

// Reads tagged values from a device or from memory. Every malformed or truncated
// value throws EQelRead. Reads from a device go through one large buffer; nothing is
// ever allocated beyond the bytes actually left in the source.
class TQelReader
{
public:
    static constexpr qint64 defaultBlockSize = 1 << 20;

    explicit TQelReader(QByteArrayView data);
    // The device must be open for reading; size() must be its length. Reading starts
    // at the device's current position; blockSize is the size of each read.
    explicit TQelReader(QIODevice *device, qint64 blockSize = defaultBlockSize);
    TQelReader(const TQelReader &) = delete;
    TQelReader &operator=(const TQelReader &) = delete;

    qint32 ReadInteger()
    {
        if (m_end - m_p >= 5) {
            const uchar *p = m_p;
            if (p[0] == tagInt8) {
                m_p += 2;
                return qint8(p[1]);
            }
            if (p[0] == tagInt16) {
                m_p += 3;
                return qint16(quint16(p[1] | (p[2] << 8)));
            }
        }
        return readIntegerSlow();
    }
    // The raw bytes of a string (tags 6 and 12); the view is valid until the next read.
    QByteArrayView ReadRawString()
    {
        if (m_end - m_p >= 2 && m_p[0] == tagShortString) {
            const qint64 n = m_p[1];
            if (m_end - m_p >= 2 + n) {
                const uchar *p = m_p + 2;
                m_p += 2 + n;
                return QByteArrayView(p, n);
            }
        }
        return readRawStringSlow();
    }
    QString ReadString(); // ReadRawString decoded with cp1252::decode
    bool ReadBoolean();
    double ReadDate();  // tag 17, or an integer taken as whole days
    double ReadFloat(); // tag 5, or an integer
    void ReadListBegin();
    void ReadListEnd();
    bool EndOfList(); // peeks: true when the next byte is 0 (does not consume it)
    // n untagged bytes (the embedded bitmap); valid until the next read.
    QByteArrayView ReadBytes(qint64 n);
    // Peeks up to n bytes without consuming them (fewer at the end of the source).
    QByteArrayView Peek(qint64 n);

    qint64 BytesLeft() const;
    qint64 Position() const;

private:
    // Ensures n contiguous bytes at m_p or throws; the common case stays inline.
    const uchar *need(qint64 n)
    {
        if (m_end - m_p >= n)
            return m_p;
        return refill(n);
    }
    const uchar *refill(qint64 n);
    quint8 readTag();
    qint32 readIntegerSlow();
    QByteArrayView readRawStringSlow();
    qint32 readIntegerBody(quint8 tag);

    QIODevice *m_device = nullptr;
    qint64 m_blockSize = defaultBlockSize;
    QByteArray m_buffer;
    const uchar *m_start = nullptr; // first byte of the window (buffer or memory)
    const uchar *m_p = nullptr;
    const uchar *m_end = nullptr;
    qint64 m_offset = 0; // bytes of the source before m_start
    qint64 m_total = 0;
};

// Writes tagged values into a large buffer that is handed to the device in big
// blocks. A failed write throws EQel with the device's error text.
class TQelWriter
{
public:
    explicit TQelWriter(QIODevice *device);
    // Writes into memory only; Data() returns what was written. Room for expectedSize
    // bytes is made at once.
    explicit TQelWriter(qsizetype expectedSize = 0);
    // Hands over what is left but swallows a failure: call Flush() to see it.
    ~TQelWriter();
    TQelWriter(const TQelWriter &) = delete;
    TQelWriter &operator=(const TQelWriter &) = delete;

    void WriteInteger(qint32 v)
    {
        char *d = room(5);
        if (v >= -128 && v <= 127) {
            d[0] = char(tagInt8);
            d[1] = char(qint8(v));
            m_p = d + 2;
        } else if (v >= -32768 && v <= 32767) {
            d[0] = char(tagInt16);
            qToLittleEndian<qint16>(qint16(v), d + 1);
            m_p = d + 3;
        } else {
            d[0] = char(tagInt32);
            qToLittleEndian<qint32>(v, d + 1);
            m_p = d + 5;
        }
    }
    void WriteString(QStringView s); // cp1252 with references
    void WriteRawString(QByteArrayView bytes);
    void WriteBoolean(bool v)
    {
        char *d = room(1);
        *d = char(v ? tagTrue : tagFalse);
        m_p = d + 1;
    }
    void WriteDate(double days);
    void WriteFloat(double v);
    void WriteListBegin() { putTag(tagBeginOfList); }
    void WriteListEnd() { putTag(tagEndOfList); }
    void WriteBytes(QByteArrayView bytes);
    // Hands everything buffered to the device (throws on failure).
    void Flush();

    // Memory mode only: everything written so far.
    const QByteArray &Data() const;
    // Memory mode only: what was written since the start or the last Restart, without
    // cutting the buffer; Restart forgets it and keeps the room for the next value.
    QByteArrayView Written() const { return {m_buffer.constData(), used()}; }
    void Restart()
    {
        m_p = m_buffer.data();
        m_end = m_p + m_buffer.size();
    }

private:
    static constexpr qsizetype blockSize = 1 << 20;

    // Room for n more bytes at m_p: the values are put straight into the buffer.
    char *room(qsizetype n)
    {
        if (m_end - m_p < n)
            makeRoom(n);
        return m_p;
    }
    void makeRoom(qsizetype n);
    void putTag(quint8 tag)
    {
        char *d = room(1);
        *d = char(tag);
        m_p = d + 1;
    }
    void writeToDevice(const char *data, qsizetype n);
    qsizetype used() const { return m_p - m_buffer.constData(); }

    QIODevice *m_device = nullptr;
    // Device mode: one block; memory mode: everything, with room to grow beyond m_p.
    // Data() cuts it to what was written, which is why it is mutable.
    mutable QByteArray m_buffer;
    mutable char *m_p = nullptr;   // next byte to write
    mutable char *m_end = nullptr; // end of the room in m_buffer
    QByteArray m_scratch;
};

// Why a write to device failed, in words for the user: the device's own text, or one
// of ours when it has none (a short write on a full disk sets no error).
QString WriteFailureReason(const QIODevice &device);
