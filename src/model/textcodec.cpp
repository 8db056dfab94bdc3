#include "model/textcodec.h"

#include <array>

namespace cp1252 {

namespace {

// Byte to character. The five bytes the code page leaves undefined map to the C1
// control of the same value so that every byte survives a round trip.
constexpr std::array<char16_t, 256> makeDecodeTable()
{
    std::array<char16_t, 256> t{};
    for (int i = 0; i < 256; ++i)
        t[i] = char16_t(i);
    constexpr char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    for (int i = 0; i < 32; ++i)
        t[0x80 + i] = high[i];
    return t;
}

constexpr std::array<char16_t, 256> decodeTable = makeDecodeTable();

// The byte for a character, or -1 when the code page has no byte for it.
inline int byteFor(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    // Only 32 candidates and only for the rare characters in this range.
    for (int i = 0x80; i < 0xA0; ++i) {
        if (decodeTable[i] == c)
            return i;
    }
    return -1;
}

inline bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// True when text[i] == '&' starts "&#<digits>;" and so would be taken for a
// reference when read back.
bool looksLikeReference(QStringView text, qsizetype i)
{
    const qsizetype n = text.size();
    if (i + 1 >= n || text[i + 1] != u'#')
        return false;
    qsizetype j = i + 2;
    while (j < n && isDigit(text[j].unicode()))
        ++j;
    return j > i + 2 && j < n && text[j] == u';';
}

void appendReference(char32_t codePoint, QByteArray &out)
{
    char digits[8];
    int len = 0;
    do {
        digits[len++] = char('0' + codePoint % 10);
        codePoint /= 10;
    } while (codePoint != 0);
    out.append("&#", 2);
    while (len > 0)
        out.append(digits[--len]);
    out.append(';');
}

// Parses a reference at bytes[i] == '&'. Returns its length (0 if none) and sets
// codePoint.
qsizetype parseReference(const uchar *p, qsizetype left, char32_t &codePoint)
{
    if (left < 4 || p[1] != '#')
        return 0;
    qsizetype j = 2;
    char32_t v = 0;
    while (j < left && j < 2 + 8 && p[j] >= '0' && p[j] <= '9') {
        v = v * 10 + (p[j] - '0');
        ++j;
    }
    const qsizetype digits = j - 2;
    if (digits < 1 || digits > 7 || j >= left || p[j] != ';')
        return 0;
    if (v == 0 || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF))
        return 0;
    codePoint = v;
    return j + 1;
}

} // namespace

void encodeAppend(QStringView text, QByteArray &out)
{
    const qsizetype n = text.size();
    const char16_t *s = text.utf16();
    // Most text is plain ASCII: copy the leading run without per-character appends.
    const qsizetype start = out.size();
    out.resize(start + n);
    char *d = out.data() + start;
    qsizetype i = 0;
    while (i < n && s[i] < 0x80 && s[i] != u'&') {
        d[i] = char(s[i]);
        ++i;
    }
    out.truncate(start + i);
    if (i == n)
        return;
    for (; i < n; ++i) {
        const char16_t c = s[i];
        if (c < 0x80 && c != u'&') {
            out.append(char(c));
            continue;
        }
        if (c == u'&') {
            if (looksLikeReference(text, i))
                out.append("&#38;", 5);
            else
                out.append('&');
            continue;
        }
        const int b = byteFor(c);
        if (b >= 0) {
            out.append(char(b));
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1])) {
            appendReference(QChar::surrogateToUcs4(c, s[i + 1]), out);
            ++i;
        } else if (QChar::isSurrogate(c)) {
            // A lone surrogate is no character; keep the text readable.
            appendReference(0xFFFD, out);
        } else {
            appendReference(c, out);
        }
    }
}

QByteArray encode(QStringView text)
{
    QByteArray out;
    encodeAppend(text, out);
    return out;
}

qsizetype decodeInto(QByteArrayView bytes, char16_t *out)
{
    const auto *p = reinterpret_cast<const uchar *>(bytes.data());
    const qsizetype n = bytes.size();
    char16_t *o = out;
    for (qsizetype i = 0; i < n; ++i) {
        const uchar b = p[i];
        if (b != '&') {
            *o++ = decodeTable[b];
            continue;
        }
        char32_t cp = 0;
        const qsizetype len = parseReference(p + i, n - i, cp);
        if (len == 0) {
            *o++ = u'&';
        } else {
            if (QChar::requiresSurrogates(cp)) {
                *o++ = QChar::highSurrogate(cp);
                *o++ = QChar::lowSurrogate(cp);
            } else {
                *o++ = char16_t(cp);
            }
            i += len - 1;
        }
    }
    return o - out;
}

QString decode(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return QString();
    QString s(bytes.size(), Qt::Uninitialized);
    const qsizetype len = decodeInto(bytes, reinterpret_cast<char16_t *>(s.data()));
    s.truncate(len);
    return s;
}

QString decodePlain(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return QString();
    QString s(bytes.size(), Qt::Uninitialized);
    auto *o = reinterpret_cast<char16_t *>(s.data());
    const auto *p = reinterpret_cast<const uchar *>(bytes.data());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        o[i] = decodeTable[p[i]];
    return s;
}

} // namespace cp1252
