// Fuzz target for the reader of delimited text: the first byte picks the delimiter, the
// qualifier, the encoding and the size of the pieces the text arrives in. Records read
// piece by piece must be those read from the whole text; every field lies inside the
// text; the format guess and the value conversions take any value.

#include "exchange/delimitedtext.h"
#include "exchange/discogsimport.h"
#include "exchange/importbatch.h"
#include "model/textcodec.h"

#include <QString>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "delimited_fuzz: %s\n", what);
    std::abort();
}

// Every record of text, which arrives in pieces of step characters (all at once for 0).
QList<QStringList> records(const QString &text, const TDelimitedFormat &format, qsizetype step)
{
    std::vector<char16_t> buffer(text.utf16(), text.utf16() + text.size());
    qsizetype available = step > 0 ? std::min(step, text.size()) : text.size();
    QList<QStringList> out;
    std::vector<TRawField> fields;
    qsizetype pos = 0;
    for (;;) {
        const bool atEnd = available == text.size();
        const TParseResult r =
            ParseDelimitedRecord(buffer.data(), available, atEnd, format, pos, fields);
        if (r == TParseResult::End)
            return out;
        if (r == TParseResult::NeedMore) {
            if (atEnd)
                fail("more asked for at the end");
            available = std::min(available + step, text.size());
            continue;
        }
        if (pos > available)
            fail("a record past the text");
        QStringList values;
        for (const TRawField &f : fields) {
            if (f.begin < 0 || f.begin > f.end || f.end > available)
                fail("a field outside the text");
            if (f.qualified) {
                const auto [begin, n] = UnqualifyField(buffer.data(), f, format.Qualifier);
                if (begin < f.begin || n < 0 || begin + n > f.end)
                    fail("a value longer than its field");
                values << QString(reinterpret_cast<const QChar *>(buffer.data() + begin), n);
            } else {
                values << QString(reinterpret_cast<const QChar *>(buffer.data() + f.begin),
                                  f.end - f.begin);
            }
        }
        out << values;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const quint8 choice = data[0];
    const QByteArrayView bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    TDelimitedFormat format;
    format.Delimiter = kDelimitedDelimiters[choice & 3];
    format.Qualifier = kDelimitedQualifiers[(choice >> 2) % 3];
    format.Encoding = (choice & 16) ? TTextEncoding::Cp1252 : TTextEncoding::Utf8;
    const QString text = format.Encoding == TTextEncoding::Utf8 ? QString::fromUtf8(bytes)
                                                                : cp1252::decodePlain(bytes);

    const QList<QStringList> whole = records(text, format, 0);
    if (records(text, format, 1 + (choice >> 5)) != whole)
        fail("records read piece by piece differ from those of the whole text");

    TDelimitedFormat guessed = format;
    GuessDelimiterAndQualifier(text, true, guessed);
    GuessDelimiterAndQualifier(text, false, guessed);

    for (const QStringList &record : whole)
        for (const QString &value : record) {
            qint32 n = 0;
            quint8 percent = 0;
            bool yes = false;
            double days = 0;
            qint64 scaled = 0;
            importvalue::Length(value, n);
            importvalue::Integer(value, -5, 5, n);
            importvalue::Rating(value, percent);
            if (importvalue::Rating(value, percent) && percent > 100)
                fail("a rating above 100");
            importvalue::Boolean(value, yes);
            importvalue::Date(value, days);
            importvalue::Price(value, scaled);
            TDiscogsImport::WithoutNumberSuffix(value);
            TDiscogsImport::FirstFormat(value, &n);
        }
    return 0;
}
