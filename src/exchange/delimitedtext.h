#pragma once

#include <QByteArrayView>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringDecoder>
#include <QStringList>
#include <QStringView>
#include <utility>
#include <vector>

// Reading delimited text: records of values separated by one delimiter character, each
// value optionally enclosed in a text qualifier (a qualifier inside such a value written
// twice; line breaks inside it belong to the value), records ending with CR LF, LF or CR.
// These are the files our export writes and those Python's csv module and spreadsheet
// programs write.

enum class TTextEncoding : quint8 { Utf8, Cp1252 };

struct TDelimitedFormat
{
    char16_t Delimiter = u','; // ';', ',', tab or blank
    char16_t Qualifier = u'"'; // '"', '\'' or 0 for none
    TTextEncoding Encoding = TTextEncoding::Utf8;

    friend bool operator==(const TDelimitedFormat &, const TDelimitedFormat &) = default;
};

// The delimiters and qualifiers the export offers, in the order of its dialog.
inline constexpr char16_t kDelimitedDelimiters[] = {u';', u',', u'\t', u' '};
inline constexpr char16_t kDelimitedQualifiers[] = {u'"', u'\'', 0};

// One record's place in a text: its raw fields, before qualifiers are taken off.
struct TRawField
{
    qsizetype begin = 0;
    qsizetype end = 0;
    bool qualified = false; // began with the qualifier
    // Qualified, and more than the qualifiers around the value to take off: a doubled
    // qualifier, text after the closing one, or no closing one.
    bool escaped = false;
};

// What a parse noticed on the way; the format guess weighs it.
struct TParseNotes
{
    qsizetype strayAfterQualifier = 0; // characters between a closing qualifier and the delimiter
    qsizetype qualifiedFields = 0;
};

enum class TParseResult { Record, NeedMore, End };

// Parses the record that starts at pos in text[0, size). With atEnd false, a record that
// may go on past size is not taken (NeedMore, pos unchanged). fields gets the raw fields;
// a blank line is a record of one empty field.
TParseResult ParseDelimitedRecord(const char16_t *text, qsizetype size, bool atEnd,
                                  const TDelimitedFormat &format, qsizetype &pos,
                                  std::vector<TRawField> &fields, TParseNotes *notes = nullptr);
// The value of a qualified raw field, written over its raw text (never longer): the
// qualifiers taken off, doubled ones made single. Answers where the value starts and its
// length.
std::pair<qsizetype, qsizetype> UnqualifyField(char16_t *text, const TRawField &field,
                                               char16_t qualifier);

// Reads a file record by record in large blocks, so memory stays small whatever the
// file's size. A UTF-8 byte order mark at the start is skipped. Blank lines are skipped.
class TDelimitedReader
{
public:
    // The longest record taken, in characters: past it the file is refused rather than
    // held whole (an opening qualifier that is never closed runs to the end of the file).
    static constexpr qsizetype MaxRecord = qsizetype(16) << 20;

    TDelimitedReader() = default;
    TDelimitedReader(const TDelimitedReader &) = delete;
    TDelimitedReader &operator=(const TDelimitedReader &) = delete;

    // False, with ErrorString, when the file cannot be opened.
    bool Open(const QString &fileName, const TDelimitedFormat &format);
    // Reads from memory instead; the text stays the caller's until the reader is done.
    void OpenText(QStringView text, const TDelimitedFormat &format);
    // The next record's values in Fields(), valid until the next call. False at the end
    // and on a failure (ErrorString not empty).
    bool Next();
    const std::vector<QStringView> &Fields() const { return m_fields; }
    // Records read so far, the first (the column names) included.
    qint64 Records() const { return m_records; }
    QString ErrorString() const { return m_error; }
    qint64 Size() const { return m_size; }
    // The bytes of the file behind the records read so far (estimated within a block).
    qint64 BytesDone() const;

private:
    void reset(const TDelimitedFormat &format);
    bool fill();

    QFile m_file;
    TDelimitedFormat m_format;
    QStringDecoder m_decoder;
    std::vector<char16_t> m_text; // decoded, not yet parsed (from m_pos)
    qsizetype m_len = 0;
    qsizetype m_pos = 0;
    bool m_eof = false;
    bool m_fromFile = false;
    bool m_started = false; // past the byte order mark
    qint64 m_size = 0;
    qint64 m_bytesRead = 0;
    qint64 m_unitsDecoded = 0; // before m_text[0]
    qint64 m_records = 0;
    std::vector<TRawField> m_raw;
    std::vector<QStringView> m_fields;
    QByteArray m_block;
    QString m_error;
};

// UTF-8 unless some bytes of the file are not valid UTF-8, then cp1252. False, with
// error, when the file cannot be read.
bool DetectTextEncoding(const QString &fileName, TTextEncoding &encoding, QString *error);

// Which parts of a format GuessDelimitedFormat may choose; the others stay as given.
enum TFormatGuess : int {
    fgDelimiter = 1,
    fgQualifier = 2,
    fgEncoding = 4,
    fgAll = 7,
};

// The delimiter and qualifier that read text (the start of a file, cut anywhere unless
// complete) most consistently: the same number of values in every record and at least
// two columns; ties go to the comma, then semicolon, tab, blank, and to the double
// quote, then none, then the single quote.
void GuessDelimiterAndQualifier(QStringView text, bool complete, TDelimitedFormat &format,
                                int guess = fgDelimiter | fgQualifier);
// The same for a file, its encoding too; false, with error, when it cannot be read.
bool GuessDelimitedFormat(const QString &fileName, TDelimitedFormat &format, int guess,
                          QString *error);

// The column names and the first rows of a file, as the mapping dialog shows them.
struct TDelimitedPreview
{
    QStringList Columns;
    QList<QStringList> Rows;
    QString Error; // the file could not be read, is empty, or holds no column names
};
TDelimitedPreview ReadDelimitedPreview(const QString &fileName, const TDelimitedFormat &format,
                                       int rows = 20);
