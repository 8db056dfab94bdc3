#include "exchange/delimitedtext.h"
#include "testsupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using TRecords = QList<QStringList>;

TRecords readAll(const QString &file, const TDelimitedFormat &format, QString *error = nullptr)
{
    TDelimitedReader reader;
    TRecords records;
    if (!reader.Open(file, format)) {
        if (error)
            *error = reader.ErrorString();
        return records;
    }
    while (reader.Next()) {
        QStringList values;
        for (const QStringView v : reader.Fields())
            values << v.toString();
        records << values;
    }
    if (error)
        *error = reader.ErrorString();
    return records;
}

const TDelimitedFormat kComma{u',', u'"', TTextEncoding::Utf8};

} // namespace

// Values come back as the writers meant them: qualifiers taken off and doubled ones made
// single, line breaks inside qualified values kept, every kind of line end, a byte order
// mark skipped, blank lines left out.
TEST(DelimitedReader, ReadsValuesAsOtherProgramsWriteThem)
{
    QTemporaryDir dir;
    const struct
    {
        const char *name;
        QByteArray bytes;
        TDelimitedFormat format;
        TRecords records;
    } cases[] = {
        {"doubled qualifiers", "\"a \"\"b\"\"\",c\r\n", kComma, {Strings({"a \"b\"", "c"})}},
        {"line breaks inside a value",
         "\"one\r\ntwo\",x\r\n\"three\nfour\",y\n",
         kComma,
         {Strings({"one\r\ntwo", "x"}), Strings({"three\nfour", "y"})}},
        {"LF, CR and no end at all",
         "a,b\nc,d\re,f",
         kComma,
         {Strings({"a", "b"}), Strings({"c", "d"}), Strings({"e", "f"})}},
        {"empty values", ",,\r\n\"\",x\r\n", kComma, {Strings({"", "", ""}), Strings({"", "x"})}},
        {"blank lines", "a\r\n\r\n\nb\r\n", kComma, {Strings({"a"}), Strings({"b"})}},
        {"byte order mark", "\xEF\xBB\xBFTitle,Year\r\n", kComma, {Strings({"Title", "Year"})}},
        {"single quote",
         "'it''s';x\r\n",
         {u';', u'\'', TTextEncoding::Utf8},
         {Strings({"it's", "x"})}},
        {"no qualifier",
         "\"a\"\tb c\r\n",
         {u'\t', 0, TTextEncoding::Utf8},
         {Strings({"\"a\"", "b c"})}},
        {"qualifier inside a plain value",
         "12\" Single,x\r\n",
         kComma,
         {Strings({"12\" Single", "x"})}},
        {"text after the closing qualifier", "\"ab\"cd,e\r\n", kComma, {Strings({"abcd", "e"})}},
        {"qualifier never closed", "a,\"bc\r\nd", kComma, {Strings({"a", "bc\r\nd"})}},
        {"blank delimiter",
         "\"A B\" \"C\"\r\n",
         {u' ', u'"', TTextEncoding::Utf8},
         {Strings({"A B", "C"})}},
        {"cp1252",
         "Caf\xE9,\x80\r\n",
         {u',', u'"', TTextEncoding::Cp1252},
         {Strings({"Caf\u00e9", "\u20ac"})}},
        {"UTF-8", "Caf\xC3\xA9,\xE2\x82\xAC\r\n", kComma, {Strings({"Caf\u00e9", "\u20ac"})}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = dir.filePath(QStringLiteral("in.csv"));
        WriteFileBytes(file, c.bytes);
        QString error;
        EXPECT_EQ(readAll(file, c.format, &error), c.records);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    }
}

// The file is read in blocks: records, qualified values and UTF-8 sequences that cross
// from one block into the next come back whole.
TEST(DelimitedReader, RecordsAcrossBlocksComeBackWhole)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("big.csv"));
    QByteArray bytes = "Title,Comments\r\n";
    TRecords want;
    // Odd lengths of two-byte characters, so that some sequence straddles every block.
    for (int r = 0; bytes.size() < (qsizetype(3) << 20); ++r) {
        const QString title = QStringLiteral("T%1 ").arg(r) + QString(r % 7 + 1, QChar(0xE9));
        const QString comments = QStringLiteral("line\r\n\"%1\"").arg(r);
        bytes += title.toUtf8() + ",\"line\r\n\"\"" + QByteArray::number(r) + "\"\"\"\r\n";
        want << QStringList{title, comments};
    }
    // One value longer than a block.
    const QString longValue(1500000, QChar(0x263A));
    bytes += "\"" + longValue.toUtf8() + "\",end\r\n";
    want << QStringList{longValue, QStringLiteral("end")};
    WriteFileBytes(file, bytes);

    TDelimitedReader reader;
    ASSERT_TRUE(reader.Open(file, kComma));
    ASSERT_TRUE(reader.Next());
    qsizetype n = 0;
    while (reader.Next()) {
        ASSERT_LT(n, want.size());
        ASSERT_EQ(reader.Fields().size(), 2u) << n;
        ASSERT_EQ(reader.Fields()[0].toString(), want[n][0]) << n;
        ASSERT_EQ(reader.Fields()[1].toString(), want[n][1]) << n;
        ++n;
    }
    EXPECT_TRUE(reader.ErrorString().isEmpty());
    EXPECT_EQ(n, want.size());
    EXPECT_EQ(reader.BytesDone(), bytes.size());
}

// What cannot be read is said, and a qualifier that is never closed does not make the
// reader hold the rest of a large file as one value.
TEST(DelimitedReader, RefusesWhatCannotBeRead)
{
    QTemporaryDir dir;
    QString error;
    EXPECT_TRUE(readAll(dir.filePath(QStringLiteral("missing.csv")), kComma, &error).isEmpty());
    EXPECT_TRUE(error.contains(QStringLiteral("missing.csv"))) << error.toStdString();
    EXPECT_TRUE(readAll(dir.path(), kComma, &error).isEmpty());
    EXPECT_TRUE(error.contains(QStringLiteral("folder"))) << error.toStdString();

    const QString runaway = dir.filePath(QStringLiteral("runaway.csv"));
    WriteFileBytes(runaway, "Title\r\nfine\r\n\"never closed\r\n" +
                                QByteArray(TDelimitedReader::MaxRecord + 1000, 'x'));
    const TRecords records = readAll(runaway, kComma, &error);
    EXPECT_EQ(records, (TRecords{Strings({"Title"}), Strings({"fine"})}));
    EXPECT_TRUE(error.contains(QStringLiteral("Row 2"))) << error.toStdString();
}

// The delimiter and qualifier that read the file consistently, and cp1252 for a file
// that is not valid UTF-8; the parts the caller fixed stay.
TEST(DelimitedFormat, GuessesDelimiterQualifierAndEncoding)
{
    QTemporaryDir dir;
    const struct
    {
        const char *name;
        QByteArray bytes;
        TDelimitedFormat want;
        int guess = fgAll;
        TDelimitedFormat given = {};
    } cases[] = {
        // Our export, in each of its delimiters and qualifiers.
        {"semicolon, double", "\"Title\";\"Year\"\r\n\"A, B\";\"1999\"\r\n", {u';', u'"'}},
        {"comma, double", "\"Title\",\"Year\"\r\n\"A; B\",\"1999\"\r\n", {u',', u'"'}},
        {"tab, double", "\"Title\"\t\"Year\"\r\n\"A, B; C\"\t\"1999\"\r\n", {u'\t', u'"'}},
        {"blank, double", "\"Album Title\" \"Year\"\r\n\"A B\" \"1999\"\r\n", {u' ', u'"'}},
        {"semicolon, single", "'Title';'Year'\r\n'Don''t';'1999'\r\n", {u';', u'\''}},
        {"comma, single", "'Title','Year'\r\n'A \"B\"','1999'\r\n", {u',', u'\''}},
        {"tab, single", "'Title'\t'Year'\r\n'A, B'\t'1999'\r\n", {u'\t', u'\''}},
        {"semicolon, none", "Title;Year\r\n\"Heroes\" (live), B;1999\r\n", {u';', 0}},
        {"tab, none", "Title\tYear\r\n\"Heroes\" (live)\t1999\r\n", {u'\t', 0}},
        // As Python's csv module and spreadsheets write: qualified only where needed.
        {"minimal quoting", "Title,Artist\r\n\"Smith, John\",x\r\nAbbey Road,y\r\n", {u',', u'"'}},
        {"apostrophes in a plain file",
         "Title,Artist\r\n'Til Tuesday,x\r\nGuns N' Roses,y\r\n",
         {u',', u'"'}},
        {"one column", "Title\r\nAbbey Road\r\n", {u',', u'"'}},
        {"header only", "Title;Year;Format\r\n", {u';', u'"'}},
        {"cp1252", "Title,Year\r\nCaf\xE9,1999\r\n", {u',', u'"', TTextEncoding::Cp1252}},
        {"UTF-8 with a mark", "\xEF\xBB\xBFTitle;Year\r\nCaf\xC3\xA9;1999\r\n", {u';', u'"'}},
        {"delimiter given",
         "Title,Year\r\n\"A;B\",1999\r\n",
         {u';', u'"'},
         fgQualifier | fgEncoding,
         {u';', u'\''}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = dir.filePath(QStringLiteral("guess.csv"));
        WriteFileBytes(file, c.bytes);
        TDelimitedFormat format = c.given;
        QString error;
        ASSERT_TRUE(GuessDelimitedFormat(file, format, c.guess, &error)) << error.toStdString();
        EXPECT_EQ(format.Delimiter, c.want.Delimiter);
        EXPECT_EQ(format.Qualifier, c.want.Qualifier);
        EXPECT_EQ(format.Encoding, c.want.Encoding);
    }
}

// The dialog's view of a file: the names trimmed, at most the rows asked for, and a
// message for a file with nothing in it.
TEST(DelimitedFormat, PreviewShowsNamesAndFirstRows)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("p.csv"));
    QByteArray bytes = " Title ,Year\r\n";
    for (int r = 1; r <= 30; ++r)
        bytes += "T" + QByteArray::number(r) + "," + QByteArray::number(1960 + r) + "\r\n";
    WriteFileBytes(file, bytes);
    const TDelimitedPreview preview = ReadDelimitedPreview(file, kComma, 20);
    EXPECT_TRUE(preview.Error.isEmpty());
    EXPECT_EQ(preview.Columns, Strings({"Title", "Year"}));
    ASSERT_EQ(preview.Rows.size(), 20);
    EXPECT_EQ(preview.Rows[19], Strings({"T20", "1980"}));

    for (const QByteArray &nothing : {QByteArray(), QByteArray("\r\n\r\n")}) {
        WriteFileBytes(file, nothing);
        const TDelimitedPreview empty = ReadDelimitedPreview(file, kComma, 20);
        EXPECT_TRUE(empty.Columns.isEmpty());
        EXPECT_TRUE(empty.Error.contains(QStringLiteral("holds nothing")))
            << empty.Error.toStdString();
    }
}
