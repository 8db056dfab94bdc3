#include "exchange/export.h"
#include "model/album.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "testsupport.h"
#include "views/listfields.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// Values a careless writer breaks: the qualifiers, the delimiters, line breaks, markup,
// an ampersand, characters outside cp1252 (one beyond the 16-bit range) and nothing.
const QStringList kNasty = {
    QStringLiteral("He said \"hi\""),
    QStringLiteral("it's"),
    QStringLiteral("a;b,c d\te"),
    QStringLiteral("line one\r\nline two"),
    QStringLiteral("<script>alert(1)</script>"),
    QStringLiteral("Tom & Jerry"),
    QStringLiteral("Ωμέγα 日本 \U0001F3B5"),
    QString(),
    QStringLiteral("\"\""),
    QStringLiteral("&amp; stays &amp;"),
};

// Albums whose title, number and comments take the nasty values in turn; each album
// has two discs: a track, a header with two tracks (the first with a subtrack), and on
// the second disc one more track.
class TNastyCollection
{
public:
    TNastyCollection()
    {
        for (qsizetype i = 0; i < kNasty.size(); ++i) {
            auto *album = new TAlbum(&db);
            album->Title = kNasty[i];
            album->Number = kNasty[(i + 3) % kNasty.size()];
            album->Comments = kNasty[(i + 7) % kNasty.size()];
            auto *disc = new TDisc(album);
            album->Add(disc);
            addTrack(disc, i, QStringLiteral("first"));
            auto *header = new THeader(disc);
            header->Title = QStringLiteral("Side B");
            disc->Add(header);
            TTrack *withSub = addTrack(header, i, QStringLiteral("under header"));
            auto *sub = new TSubTrack(withSub);
            sub->Title = QStringLiteral("a subtrack");
            withSub->Add(sub);
            addTrack(header, i, QStringLiteral("also under header"));
            disc->RebuildTrackList();
            auto *disc2 = new TDisc(album);
            album->Add(disc2);
            addTrack(disc2, i, QStringLiteral("second disc"));
            disc2->RebuildTrackList();
            db.AddAlbum(album);
        }
        for (TFieldId f : {fdTitle, fdNumber, fdComments})
            albumColumns.Add(std::make_unique<TShowField>(f));
        for (TFieldId f : {fdAlbumTitle, fdTitle, fdComments})
            trackColumns.Add(std::make_unique<TShowField>(f));
    }

    // The display texts of the records, as the lists show them.
    QList<QStringList> expected(TItemLevel level, const TShowFields &columns) const
    {
        QList<QStringList> rows;
        for (qsizetype a = 0; a < db.AlbumCount(); ++a) {
            QList<const TDataItem *> records;
            if (level == ilAlbum)
                records << db.Album(a);
            else
                for (qsizetype d = 0; d < db.Album(a)->DiscCount(); ++d)
                    for (const TTrack *t : db.Album(a)->Disc(d)->Tracks)
                        records << t;
            for (const TDataItem *item : records) {
                QStringList row;
                for (qsizetype c = 0; c < columns.Count(); ++c)
                    row << item->GetFieldAsString(columns.Items(c)->FieldId);
                rows << row;
            }
        }
        return rows;
    }

    TQelDb db;
    TShowFields albumColumns{ilAlbum};
    TShowFields trackColumns{ilTrack};

private:
    TTrack *addTrack(TDataItem *parent, qsizetype i, const QString &what)
    {
        auto *track = new TTrack(parent);
        track->Title = QStringLiteral("%1 %2").arg(what).arg(i);
        track->Comments = kNasty[(i + 5) % kNasty.size()];
        parent->Add(track);
        return track;
    }
};

QJsonArray runPython(const QString &script, const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("python3"), QStringList{QStringLiteral("-c"), script} + args);
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(p.readAllStandardOutput()).array();
}

// The rows of a delimited file as Python's csv module reads them.
QList<QStringList> readCsv(const QString &file, const QString &delimiter, const QString &quote)
{
    const QString script = QStringLiteral(
        "import csv, json, sys\n"
        "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
        "    rows = list(csv.reader(f, delimiter=sys.argv[2], quotechar=sys.argv[3],\n"
        "                           doublequote=True, strict=True))\n"
        "print(json.dumps(rows))\n");
    QList<QStringList> rows;
    for (const QJsonValue &row : runPython(script, {file, delimiter, quote})) {
        QStringList cells;
        for (const QJsonValue &cell : row.toArray())
            cells << cell.toString();
        rows << cells;
    }
    return rows;
}

struct THtmlTable
{
    QList<QStringList> rows; // every row's cells, header and footer included
    QStringList tags;        // every start tag, in order
};

// The table of an HTML page as Python's HTML parser reads it.
THtmlTable readHtml(const QString &file)
{
    const QString script = QStringLiteral(
        "import json, sys\n"
        "from html.parser import HTMLParser\n"
        "class P(HTMLParser):\n"
        "    def __init__(self):\n"
        "        super().__init__(convert_charrefs=True)\n"
        "        self.rows, self.tags, self.cell = [], [], None\n"
        "    def handle_starttag(self, tag, attrs):\n"
        "        self.tags.append(tag)\n"
        "        if tag == 'tr': self.rows.append([])\n"
        "        if tag in ('td', 'th'): self.cell = ''\n"
        "    def handle_endtag(self, tag):\n"
        "        if tag in ('td', 'th'): self.rows[-1].append(self.cell); self.cell = None\n"
        "    def handle_data(self, data):\n"
        "        if self.cell is not None: self.cell += data\n"
        "p = P()\n"
        "p.feed(open(sys.argv[1], encoding='utf-8', newline='').read())\n"
        "p.close()\n"
        "print(json.dumps([p.rows, p.tags]))\n");
    const QJsonArray both = runPython(script, {file});
    THtmlTable table;
    for (const QJsonValue &row : both.at(0).toArray()) {
        QStringList cells;
        for (const QJsonValue &cell : row.toArray())
            cells << cell.toString();
        table.rows << cells;
    }
    for (const QJsonValue &tag : both.at(1).toArray())
        table.tags << tag.toString();
    return table;
}

// A run of an export on a collection into file, with the interface's answers.
template <class T>
bool run(T &e, const QList<TDataItem *> &items, TItemLevel listLevel, TItemLevel exportLevel,
         const TShowFields &columns, const QString &file)
{
    e.ItemList = &items;
    e.ListLevel = listLevel;
    e.ExportLevel = exportLevel;
    e.ShowFields = &columns;
    e.FileName = file;
    return e.Execute();
}

QStringList htmlExpected(QStringList row)
{
    for (QString &cell : row)
        if (cell.isEmpty())
            cell = QStringLiteral("-");
    return row;
}

} // namespace

TEST(ExportAscii, NastyValuesReadBackByACsvReader)
{
    TNastyCollection c;
    TQelFields names;
    names.SetFieldName(fdNumber, QStringLiteral("No. \"<b>\" & ;,"));
    QTemporaryDir dir;
    const struct
    {
        QString delimiter;
        QString qualifier;
    } cases[] = {{QStringLiteral(";"), QStringLiteral("\"")},
                 {QStringLiteral(","), QStringLiteral("\"")},
                 {QStringLiteral("\t"), QStringLiteral("'")},
                 {QStringLiteral(" "), QStringLiteral("'")}};
    for (const auto &k : cases) {
        for (const TItemLevel level : {ilAlbum, ilTrack}) {
            SCOPED_TRACE(k.delimiter.toStdString() + k.qualifier.toStdString() +
                         std::to_string(level));
            TScriptedInterface ui;
            const TShowFields &columns = level == ilAlbum ? c.albumColumns : c.trackColumns;
            TExportAscii e;
            e.Delimiter = k.delimiter;
            e.TextQualifier = k.qualifier;
            e.IncludeFieldNames = true;
            e.FieldNames = &names;
            const QString file = dir.filePath(QStringLiteral("out.csv"));
            QFile::remove(file);
            ASSERT_TRUE(run(e, c.db.Albums, ilAlbum, level, columns, file));

            QList<QStringList> want = c.expected(level, columns);
            QStringList header;
            for (qsizetype col = 0; col < columns.Count(); ++col)
                header << names.GetFieldName(columns.Items(col)->FieldId);
            want.prepend(header);
            EXPECT_EQ(readCsv(file, k.delimiter, k.qualifier), want);
            // Every line ends with CR LF: no bare line feed outside the values.
            const QByteArray bytes = ReadFileBytes(file);
            EXPECT_TRUE(bytes.endsWith("\r\n"));
            EXPECT_FALSE(bytes.contains("\n\n"));
            const qsizetype records = want.size() - 1;
            EXPECT_EQ(e.ExportedCount, records);
            EXPECT_EQ(ui.messages.last(),
                      (level == ilAlbum ? QStringLiteral("%1 Albums exported to \"%2\"")
                                        : QStringLiteral("%1 Tracks exported to \"%2\""))
                          .arg(records)
                          .arg(file));
        }
    }
}

TEST(ExportAscii, ValuesWrittenAsTheyAreWithoutQualifier)
{
    TNastyCollection c;
    QTemporaryDir dir;
    TScriptedInterface ui;
    TExportAscii e;
    e.TextQualifier.clear();
    e.Delimiter = QStringLiteral(" ");
    TShowFields title(ilAlbum);
    title.Add(std::make_unique<TShowField>(fdTitle));
    const QList<TDataItem *> items{c.db.Album(0), c.db.Album(7)};
    const QString file = dir.filePath(QStringLiteral("plain.txt"));
    ASSERT_TRUE(run(e, items, ilAlbum, ilAlbum, title, file));
    EXPECT_EQ(ReadFileBytes(file), QByteArray("He said \"hi\"\r\n\r\n"));
}

TEST(ExportHtml, NastyValuesEscapedAndReadBackByAnHtmlParser)
{
    TNastyCollection c;
    TQelFields names;
    names.SetFieldName(fdTitle, QStringLiteral("Title <i>&amp;</i>"));
    QTemporaryDir dir;
    for (const bool border : {true, false}) {
        for (const TItemLevel level : {ilAlbum, ilTrack}) {
            SCOPED_TRACE(std::to_string(border) + std::to_string(level));
            TScriptedInterface ui;
            const TShowFields &columns = level == ilAlbum ? c.albumColumns : c.trackColumns;
            TExportHTML e;
            e.Border = border;
            e.FieldNames = &names;
            const QString file = dir.filePath(QStringLiteral("page.htm"));
            QFile::remove(file);
            ASSERT_TRUE(run(e, c.db.Albums, ilAlbum, level, columns, file));

            const THtmlTable table = readHtml(file);
            ASSERT_GE(table.rows.size(), 2);
            QStringList header;
            for (qsizetype col = 0; col < columns.Count(); ++col)
                header << names.GetFieldName(columns.Items(col)->FieldId);
            EXPECT_EQ(table.rows.front(), header);
            QList<QStringList> want;
            for (const QStringList &row : c.expected(level, columns))
                want << htmlExpected(row);
            EXPECT_EQ(table.rows.mid(1, table.rows.size() - 2), want);
            EXPECT_EQ(table.rows.back(),
                      QStringList{QStringLiteral("This list has been created with Qel, Music "
                                                 "edition %1")
                                      .arg(GetVersionText(true))});
            // Markup in the values stays text: the only elements are the page's own.
            QStringList kinds = table.tags;
            kinds.removeDuplicates();
            EXPECT_EQ(kinds, (QStringList{QStringLiteral("html"), QStringLiteral("head"),
                                          QStringLiteral("meta"), QStringLiteral("body"),
                                          QStringLiteral("table"), QStringLiteral("tr"),
                                          QStringLiteral("th"), QStringLiteral("td"),
                                          QStringLiteral("font"), QStringLiteral("a")}));
            const QByteArray bytes = ReadFileBytes(file);
            EXPECT_TRUE(bytes.startsWith("<HTML>\r\n<HEAD>\r\n<META charset=\"utf-8\">\r\n"));
            EXPECT_TRUE(bytes.contains(border ? "<TABLE BORDER=1>\r\n" : "<TABLE BORDER=0>\r\n"));
            EXPECT_TRUE(bytes.contains("<TD COLSPAN = 3><font size=1>"));
            EXPECT_TRUE(bytes.endsWith("</TABLE>\r\n</BODY>\r\n</HTML>\r\n"));
        }
    }
}

TEST(Export, EmptyListWritesHeadAndTail)
{
    QTemporaryDir dir;
    TShowFields columns(ilAlbum);
    columns.AddDefaults();
    const QList<TDataItem *> none;
    TScriptedInterface ui;
    TExportAscii ascii;
    ascii.IncludeFieldNames = true;
    ascii.Delimiter = QStringLiteral(";");
    ASSERT_TRUE(run(ascii, none, ilAlbum, ilAlbum, columns, dir.filePath(QStringLiteral("e.csv"))));
    EXPECT_EQ(ReadFileBytes(dir.filePath(QStringLiteral("e.csv"))),
              QByteArray("\"Artist/Composer\";\"Title\";\"Year\"\r\n"));
    TExportHTML html;
    ASSERT_TRUE(run(html, none, ilAlbum, ilAlbum, columns, dir.filePath(QStringLiteral("e.htm"))));
    EXPECT_EQ(readHtml(dir.filePath(QStringLiteral("e.htm"))).rows.size(), 2);
    EXPECT_EQ(
        ui.messages.last(),
        QStringLiteral("0 Albums exported to \"%1\"").arg(dir.filePath(QStringLiteral("e.htm"))));
}

// Cancels the run once the second album's first track is written: the album is still
// completed, then the tail is written.
class TCancellingExport : public TExportHTML
{
public:
    void WriteItem(const TDataItem *item) override
    {
        TExportHTML::WriteItem(item);
        if (item->GetAlbum() == cancelIn)
            Cancel();
    }
    const TAlbum *cancelIn = nullptr;
};

TEST(Export, CancelLeavesAWholeFileWithItsTail)
{
    TNastyCollection c;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("page.htm"));
    WriteFileBytes(file, "old content");
    TScriptedInterface ui;
    TCancellingExport e;
    e.cancelIn = c.db.Album(1);
    ASSERT_TRUE(run(e, c.db.Albums, ilAlbum, ilTrack, c.trackColumns, file));
    EXPECT_TRUE(e.Cancelled());
    EXPECT_EQ(e.ExportedCount, 8); // four tracks of each of two albums
    const THtmlTable table = readHtml(file);
    QList<QStringList> want;
    for (const QStringList &row : c.expected(ilTrack, c.trackColumns).mid(0, 8))
        want << htmlExpected(row);
    EXPECT_EQ(table.rows.mid(1, table.rows.size() - 2), want);
    EXPECT_TRUE(ReadFileBytes(file).endsWith("</HTML>\r\n"));
    EXPECT_EQ(ui.messages, (QStringList{QStringLiteral("File %1 already exists, do you want to "
                                                       "overwrite it?")
                                            .arg(file),
                                        QStringLiteral("8 Tracks exported to \"%1\"").arg(file)}));
}

TEST(Export, RefusalsLeaveAnExistingFileAlone)
{
    TNastyCollection c;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("keep.csv"));
    WriteFileBytes(file, "precious");
    {
        // No to the question.
        TScriptedInterface ui;
        ui.yes = false;
        TExportAscii e;
        EXPECT_FALSE(run(e, c.db.Albums, ilAlbum, ilAlbum, c.albumColumns, file));
        EXPECT_EQ(ui.messages.size(), 1);
    }
    {
        // Nothing to export to: no message at all.
        TScriptedInterface ui;
        TExportAscii e;
        EXPECT_FALSE(run(e, c.db.Albums, ilAlbum, ilAlbum, c.albumColumns, QString()));
        e.ShowFields = nullptr;
        e.FileName = file;
        EXPECT_FALSE(e.Execute());
        EXPECT_TRUE(ui.messages.isEmpty());
    }
    {
        // A full disk: the old file stays, no temporary file is left.
        TScriptedInterface ui;
        TExportHTML e;
        bool ran = true;
        {
            TFileSizeLimit limit(64);
            ran = run(e, c.db.Albums, ilAlbum, ilTrack, c.trackColumns, file);
        }
        EXPECT_FALSE(ran);
        ASSERT_EQ(ui.messages.size(), 2);
        EXPECT_TRUE(ui.messages[1].startsWith(
            QStringLiteral("Could not write export file: \"%1\"").arg(file)))
            << ui.messages[1].toStdString();
    }
    EXPECT_EQ(ReadFileBytes(file), QByteArray("precious"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("keep.csv")});
}

TEST(Export, FolderThatCannotBeWritten)
{
    TNastyCollection c;
    QTemporaryDir dir;
    // A "folder" that is a file fails for every user, root included.
    WriteFileBytes(dir.filePath(QStringLiteral("plain")), "x");
    QStringList targets{dir.filePath(QStringLiteral("plain/out.csv"))};
    QString keep;
    if (geteuid() != 0) {
        // A read-only folder with a file in it.
        const QString folder = dir.filePath(QStringLiteral("ro"));
        QDir().mkpath(folder);
        keep = folder + QStringLiteral("/out.csv");
        WriteFileBytes(keep, "precious");
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        targets << keep;
    }
    for (const QString &target : targets) {
        SCOPED_TRACE(target.toStdString());
        TScriptedInterface ui;
        TExportAscii e;
        EXPECT_FALSE(run(e, c.db.Albums, ilAlbum, ilAlbum, c.albumColumns, target));
        EXPECT_EQ(ui.messages.last(),
                  QStringLiteral("Could not create export file: \"%1\"").arg(target));
    }
    if (!keep.isEmpty()) {
        EXPECT_EQ(ReadFileBytes(keep), QByteArray("precious"));
        QFile::setPermissions(QFileInfo(keep).absolutePath(), QFileDevice::ReadOwner |
                                                                  QFileDevice::WriteOwner |
                                                                  QFileDevice::ExeOwner);
    }
}
