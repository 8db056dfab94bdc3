#include "exchange/delimitedtext.h"

#include "model/textcodec.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <array>
#include <cstring>
#include <tuple>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("TDelimitedReader", text);
}

constexpr qsizetype kBlockBytes = qsizetype(1) << 20;
// What the format guess reads of a file.
constexpr qsizetype kSampleBytes = qsizetype(64) << 10;
// Records the format guess looks at: the names and the rows the dialog shows.
constexpr int kSampleRecords = 21;

inline bool isLineEnd(char16_t c)
{
    return c == u'\r' || c == u'\n';
}

bool hasBom(QByteArrayView bytes)
{
    return bytes.size() >= 3 && quint8(bytes[0]) == 0xEF && quint8(bytes[1]) == 0xBB &&
           quint8(bytes[2]) == 0xBF;
}

// cp1252 byte by byte, without the references of the .qel file: these files come from
// other programs.
const std::array<char16_t, 256> &cp1252Table()
{
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t{};
        char bytes[256];
        for (int i = 0; i < 256; ++i)
            bytes[i] = char(i);
        const QString text = cp1252::decodePlain(QByteArrayView(bytes, 256));
        for (int i = 0; i < 256 && i < text.size(); ++i)
            t[std::size_t(i)] = text[i].unicode();
        return t;
    }();
    return table;
}

// Validates UTF-8 piece by piece (a sequence may be split between two pieces).
class TUtf8Check
{
public:
    bool Feed(QByteArrayView bytes)
    {
        const auto *p = reinterpret_cast<const quint8 *>(bytes.data());
        const quint8 *const end = p + bytes.size();
        while (p < end) {
            if (m_need == 0) {
                // Runs of ASCII eight bytes at a time.
                while (end - p >= 8) {
                    quint64 word;
                    std::memcpy(&word, p, 8);
                    if (word & 0x8080808080808080ULL)
                        break;
                    p += 8;
                }
                if (p == end)
                    break;
                const quint8 c = *p++;
                if (c < 0x80)
                    continue;
                if (c >= 0xC2 && c <= 0xDF)
                    m_need = 1;
                else if (c >= 0xE0 && c <= 0xEF)
                    m_need = 2;
                else if (c >= 0xF0 && c <= 0xF4)
                    m_need = 3;
                else
                    return m_valid = false;
            } else {
                if ((*p++ & 0xC0) != 0x80)
                    return m_valid = false;
                --m_need;
            }
        }
        return true;
    }
    bool Valid() const { return m_valid && m_need == 0; }

private:
    int m_need = 0;
    bool m_valid = true;
};

} // namespace

TParseResult ParseDelimitedRecord(const char16_t *text, qsizetype size, bool atEnd,
                                  const TDelimitedFormat &format, qsizetype &pos,
                                  std::vector<TRawField> &fields, TParseNotes *notes)
{
    fields.clear();
    qsizetype i = pos;
    if (i >= size)
        return atEnd ? TParseResult::End : TParseResult::NeedMore;
    const char16_t d = format.Delimiter;
    const char16_t q = format.Qualifier;
    qsizetype stray = 0, qualified = 0;
    for (;;) {
        const qsizetype start = i;
        bool quoted = false, escaped = false;
        if (q && i < size && text[i] == q) {
            quoted = true;
            ++qualified;
            ++i;
            for (;;) {
                while (i < size && text[i] != q)
                    ++i;
                if (i >= size) {
                    if (!atEnd)
                        return TParseResult::NeedMore;
                    escaped = true; // never closed: the value runs to the end
                    break;
                }
                if (i + 1 >= size && !atEnd)
                    return TParseResult::NeedMore;
                if (i + 1 < size && text[i + 1] == q) {
                    i += 2;
                    escaped = true;
                    continue;
                }
                ++i;
                break;
            }
            // Tolerated as part of the value, as other readers do.
            while (i < size && text[i] != d && !isLineEnd(text[i])) {
                ++i;
                ++stray;
                escaped = true;
            }
        } else {
            while (i < size && text[i] != d && !isLineEnd(text[i]))
                ++i;
        }
        if (i >= size && !atEnd)
            return TParseResult::NeedMore;
        fields.push_back({start, i, quoted, escaped});
        if (i >= size)
            break;
        if (text[i] == d) {
            ++i;
            continue;
        }
        if (text[i] == u'\r') {
            if (i + 1 >= size && !atEnd)
                return TParseResult::NeedMore;
            ++i;
            if (i < size && text[i] == u'\n')
                ++i;
        } else {
            ++i;
        }
        break;
    }
    pos = i;
    if (notes) {
        notes->strayAfterQualifier += stray;
        notes->qualifiedFields += qualified;
    }
    return TParseResult::Record;
}

std::pair<qsizetype, qsizetype> UnqualifyField(char16_t *text, const TRawField &field,
                                               char16_t qualifier)
{
    // Mostly the value lies between the two qualifiers as it is.
    if (!field.escaped)
        return {field.begin + 1, field.end - field.begin - 2};
    qsizetype out = field.begin;
    qsizetype i = field.begin + 1; // past the opening qualifier
    bool inside = true;
    while (i < field.end) {
        const char16_t c = text[i];
        if (inside && c == qualifier) {
            if (i + 1 < field.end && text[i + 1] == qualifier) {
                text[out++] = qualifier;
                i += 2;
            } else {
                inside = false;
                ++i;
            }
            continue;
        }
        text[out++] = c;
        ++i;
    }
    return {field.begin, out - field.begin};
}

void TDelimitedReader::reset(const TDelimitedFormat &format)
{
    m_file.close();
    m_format = format;
    m_decoder = QStringDecoder(QStringDecoder::Utf8);
    m_text.clear();
    m_len = m_pos = 0;
    m_eof = m_fromFile = m_started = false;
    m_size = m_bytesRead = m_unitsDecoded = m_records = 0;
    m_fields.clear();
    m_error.clear();
}

bool TDelimitedReader::Open(const QString &fileName, const TDelimitedFormat &format)
{
    reset(format);
    m_fromFile = true;
    m_file.setFileName(fileName);
    if (QFileInfo(fileName).isDir() || !m_file.open(QIODevice::ReadOnly)) {
        m_error = tr("Could not read \"%1\": %2")
                      .arg(fileName, QFileInfo(fileName).isDir() ? tr("it is a folder")
                                                                 : m_file.errorString());
        return false;
    }
    m_size = m_file.size();
    return true;
}

void TDelimitedReader::OpenText(QStringView text, const TDelimitedFormat &format)
{
    reset(format);
    m_text.assign(text.utf16(), text.utf16() + text.size());
    m_len = text.size();
    m_eof = true;
    m_size = text.size();
    m_bytesRead = m_size;
}

qint64 TDelimitedReader::BytesDone() const
{
    const qint64 decoded = m_unitsDecoded + m_len;
    if (decoded <= 0)
        return 0;
    return qint64(double(m_bytesRead) * double(m_unitsDecoded + m_pos) / double(decoded));
}

bool TDelimitedReader::fill()
{
    if (m_eof)
        return true;
    // What is parsed goes; the record under way moves to the front.
    if (m_pos > 0) {
        std::memmove(m_text.data(), m_text.data() + m_pos, std::size_t(m_len - m_pos) * 2);
        m_unitsDecoded += m_pos;
        m_len -= m_pos;
        m_pos = 0;
    }
    // A record longer than a block reads as much again, so a long record costs a few
    // reads, not one per block.
    const qsizetype want = std::max(kBlockBytes, m_len);
    m_block.resize(want);
    const qint64 got = m_file.read(m_block.data(), want);
    if (got < 0) {
        m_error = tr("Could not read \"%1\": %2").arg(m_file.fileName(), m_file.errorString());
        return false;
    }
    if (got == 0) {
        m_eof = true;
        return true;
    }
    m_bytesRead += got;
    QByteArrayView bytes(m_block.constData(), got);
    if (!m_started) {
        m_started = true;
        if (hasBom(bytes))
            bytes = bytes.sliced(3);
    }
    if (m_format.Encoding == TTextEncoding::Utf8) {
        m_text.resize(std::size_t(m_len + m_decoder.requiredSpace(bytes.size())));
        QChar *end =
            m_decoder.appendToBuffer(reinterpret_cast<QChar *>(m_text.data() + m_len), bytes);
        m_len = reinterpret_cast<char16_t *>(end) - m_text.data();
    } else {
        const std::array<char16_t, 256> &table = cp1252Table();
        m_text.resize(std::size_t(m_len + bytes.size()));
        char16_t *out = m_text.data() + m_len;
        for (const char b : bytes)
            *out++ = table[quint8(b)];
        m_len += bytes.size();
    }
    return true;
}

bool TDelimitedReader::Next()
{
    if (!m_error.isEmpty())
        return false;
    for (;;) {
        qsizetype pos = m_pos;
        const TParseResult r =
            ParseDelimitedRecord(m_text.data(), m_len, m_eof, m_format, pos, m_raw);
        if (r == TParseResult::End)
            return false;
        if (r == TParseResult::NeedMore) {
            if (m_len - m_pos > MaxRecord) {
                m_error = tr("Row %1 is longer than %2 million characters: is a text qualifier "
                             "opened and never closed?")
                              .arg(m_records)
                              .arg(MaxRecord >> 20);
                return false;
            }
            if (!m_fromFile || !fill())
                return false;
            continue;
        }
        m_pos = pos;
        if (m_raw.size() == 1 && !m_raw[0].qualified && m_raw[0].begin == m_raw[0].end)
            continue; // a blank line
        ++m_records;
        m_fields.clear();
        char16_t *text = m_text.data();
        for (const TRawField &f : m_raw) {
            if (f.qualified) {
                const auto [begin, n] = UnqualifyField(text, f, m_format.Qualifier);
                m_fields.emplace_back(text + begin, n);
            } else {
                m_fields.emplace_back(text + f.begin, f.end - f.begin);
            }
        }
        return true;
    }
}

bool DetectTextEncoding(const QString &fileName, TTextEncoding &encoding, QString *error)
{
    QFile file(fileName);
    if (QFileInfo(fileName).isDir() || !file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = tr("Could not read \"%1\": %2")
                         .arg(fileName, QFileInfo(fileName).isDir() ? tr("it is a folder")
                                                                    : file.errorString());
        return false;
    }
    TUtf8Check check;
    QByteArray block(kBlockBytes, Qt::Uninitialized);
    for (;;) {
        const qint64 got = file.read(block.data(), block.size());
        if (got < 0) {
            if (error)
                *error = tr("Could not read \"%1\": %2").arg(fileName, file.errorString());
            return false;
        }
        if (got == 0 || !check.Feed(QByteArrayView(block.constData(), got)))
            break;
    }
    encoding = check.Valid() ? TTextEncoding::Utf8 : TTextEncoding::Cp1252;
    return true;
}

void GuessDelimiterAndQualifier(QStringView text, bool complete, TDelimitedFormat &format,
                                int guess)
{
    static constexpr char16_t kDelimiterOrder[] = {u',', u';', u'\t', u' '};
    static constexpr char16_t kQualifierOrder[] = {u'"', 0, u'\''};
    std::vector<char16_t> delimiters, qualifiers;
    if (guess & fgDelimiter)
        delimiters.assign(std::begin(kDelimiterOrder), std::end(kDelimiterOrder));
    else
        delimiters.push_back(format.Delimiter);
    if (guess & fgQualifier)
        qualifiers.assign(std::begin(kQualifierOrder), std::end(kQualifierOrder));
    else
        qualifiers.push_back(format.Qualifier);

    // Larger is better, element by element.
    using TScore = std::tuple<bool, qsizetype, qsizetype, qsizetype, int>;
    TScore best{};
    bool first = true;
    TDelimitedFormat chosen = format;
    std::vector<TRawField> fields;
    int order = 0;
    for (const char16_t d : delimiters) {
        for (const char16_t q : qualifiers) {
            const TDelimitedFormat candidate{d, q, format.Encoding};
            TParseNotes notes;
            qsizetype pos = 0, columns = -1, same = 0, other = 0;
            for (int records = 0; records < kSampleRecords;) {
                if (ParseDelimitedRecord(text.utf16(), text.size(), complete, candidate, pos,
                                         fields, &notes) != TParseResult::Record)
                    break;
                if (fields.size() == 1 && !fields[0].qualified && fields[0].begin == fields[0].end)
                    continue;
                if (columns < 0)
                    columns = qsizetype(fields.size());
                else if (qsizetype(fields.size()) == columns)
                    ++same;
                else
                    ++other;
                ++records;
            }
            const TScore score{columns >= 2, same - other, -notes.strayAfterQualifier,
                               notes.qualifiedFields, -order++};
            if (first || score > best) {
                best = score;
                chosen = candidate;
                first = false;
            }
        }
    }
    // A single column: nothing to tell the delimiters apart; the defaults.
    if (!std::get<0>(best)) {
        if (guess & fgDelimiter)
            chosen.Delimiter = u',';
        if (guess & fgQualifier)
            chosen.Qualifier = u'"';
    }
    format.Delimiter = chosen.Delimiter;
    format.Qualifier = chosen.Qualifier;
}

bool GuessDelimitedFormat(const QString &fileName, TDelimitedFormat &format, int guess,
                          QString *error)
{
    if ((guess & fgEncoding) && !DetectTextEncoding(fileName, format.Encoding, error))
        return false;
    if (!(guess & (fgDelimiter | fgQualifier)))
        return true;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = tr("Could not read \"%1\": %2").arg(fileName, file.errorString());
        return false;
    }
    const QByteArray bytes = file.read(kSampleBytes);
    const bool complete = file.atEnd();
    QByteArrayView sample(bytes);
    if (hasBom(sample))
        sample = sample.sliced(3);
    QString text;
    if (format.Encoding == TTextEncoding::Utf8) {
        text = QString::fromUtf8(sample);
    } else {
        const std::array<char16_t, 256> &table = cp1252Table();
        text.resize(sample.size());
        for (qsizetype i = 0; i < sample.size(); ++i)
            text[i] = QChar(table[quint8(sample[i])]);
    }
    GuessDelimiterAndQualifier(text, complete, format, guess);
    return true;
}

TDelimitedPreview ReadDelimitedPreview(const QString &fileName, const TDelimitedFormat &format,
                                       int rows)
{
    TDelimitedPreview preview;
    TDelimitedReader reader;
    if (!reader.Open(fileName, format)) {
        preview.Error = reader.ErrorString();
        return preview;
    }
    if (!reader.Next()) {
        preview.Error = reader.ErrorString().isEmpty()
                            ? tr("\"%1\" holds nothing: no column names, no rows.").arg(fileName)
                            : reader.ErrorString();
        return preview;
    }
    for (const QStringView name : reader.Fields())
        preview.Columns << name.trimmed().toString();
    while (preview.Rows.size() < rows && reader.Next()) {
        QStringList values;
        for (const QStringView v : reader.Fields())
            values << v.toString();
        preview.Rows << values;
    }
    if (!reader.ErrorString().isEmpty())
        preview.Error = reader.ErrorString();
    return preview;
}
