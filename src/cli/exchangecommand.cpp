// The exports (the current list, all albums or all tracks as delimited text or HTML)
// and the imports of delimited text and of a Discogs collection export.
#include "cli/commands.h"
#include "cli/listoptions.h"
#include "cli/winecli.h"

#include "exchange/delimitedimport.h"
#include "exchange/discogsimport.h"
#include "exchange/export.h"
#include "model/general.h"
#include "model/qeldb.h"
#include "services/backups.h"
#include "views/browsestate.h"
#include "views/listfields.h"

#include <QFileInfo>
#include <memory>

const char kExportHelp[] =
    "Usage: qel export DB.qel OUT --format csv|html [--all-albums|--all-tracks]\n"
    "                  [list options] [csv or html options] [--force]\n"
    "       qel export cdplayer DB.qel [INI]\n"
    "       qel export cdvalet DB.qel [DIR]\n\n"
    "Writes a list of the collection to OUT, one record per album or track: as delimited\n"
    "text (csv) or as an HTML page with one table. Values are the texts the lists show;\n"
    "the file is written in UTF-8 and replaces OUT only when it is complete. Prints how\n"
    "many albums or tracks were exported.\n\n"
    "What is exported (one of):\n"
    "  list options      the list `qel list` prints with the same options (--tracks,\n"
    "                    --group, --folder, --filter, --or, --case, --sort, --columns);\n"
    "                    see `qel list --help`\n"
    "  --all-albums      all albums of the collection, in the file's order\n"
    "  --all-tracks      all tracks of all albums (tracks under section headers included)\n"
    "  --columns F,...   the columns, also with --all-albums and --all-tracks\n"
    "                    (default: Artist/Composer, Title, Year)\n\n"
    "csv options:\n"
    "  --delimiter D     ';', ',' (default), tab or space between two values\n"
    "  --qualifier Q     double (default), single or none: the quote around every value;\n"
    "                    a quote inside a value is written twice\n"
    "  --names           a first line with the column names\n"
    "html options:\n"
    "  --no-border       the table without a border\n\n"
    "  --force           replace an existing OUT (without it an existing file is left alone)\n\n"
    "`qel export cdplayer` and `qel export cdvalet` write all albums to the CD Player's\n"
    "cdplayer.ini and to CD Valet's files.\n";

const char kImportHelp[] =
    "Usage: qel import csv DB.qel FILE [--delimiter D] [--qualifier Q] [--encoding E]\n"
    "                      [--map COLUMN=FIELD]...\n"
    "       qel import discogs DB.qel FILE\n"
    "       qel import cdplayer DB.qel [INI]\n"
    "       qel import cdvalet DB.qel [DIR]\n"
    "\n"
    "Adds albums to the collection DB.qel (made when it does not exist yet), prints the\n"
    "summary (albums, tracks, skipped rows, values that could not be converted) and saves\n"
    "DB.qel when something was imported, after keeping a backup of it. Albums already in\n"
    "the collection are never changed.\n"
    "\n"
    "csv: delimited text whose first row names the columns, such as `qel export --names`\n"
    "writes it, Python's csv module or a spreadsheet. Columns go to the fields they are\n"
    "named after (the fields' default names, any case; \"Artist\" for \"Artist/Composer\",\n"
    "\"Album\" for \"Album Title\" or \"Title\"). When a column of a track-level field is\n"
    "there (\"Album Title\", \"Position\", \"Disc Index\", ...), each row is a track, and\n"
    "consecutive rows with the same \"Album Title\", \"Album Index\", \"Album Name\" and\n"
    "\"Album ID\" are one album; otherwise each row is an album. Values that do not convert\n"
    "stay empty.\n"
    "  --delimiter D     ';', ',', tab or space (default: guessed from the file)\n"
    "  --qualifier Q     double, single or none (default: guessed)\n"
    "  --encoding E      utf-8 or cp1252 (default: utf-8 unless the file is not valid\n"
    "                    UTF-8)\n"
    "  --map COLUMN=FIELD  the column goes to the field (a default name); COLUMN=skip\n"
    "                    leaves it out\n"
    "\n"
    "discogs: the CSV file of a Discogs collection export, one album per row. A row whose\n"
    "release the collection already holds (the line \"Discogs: <release>\" in an album's\n"
    "comments) is skipped, so importing a newer export adds only what is new.\n"
    "\n"
    "cdplayer, cdvalet: the discs of the CD Player's cdplayer.ini, or of CD Valet's\n"
    "catalogue (the files CDValet.toc and CDValet.dat in DIR); discs the collection holds\n"
    "already are skipped. Without INI or DIR the file or folder is the one of the settings\n"
    "(\"CdPlayer/WindowsFolder\", \"CdValet/MainDirectory\") or of the Wine prefix\n"
    "($WINEPREFIX, by default ~/.wine).\n";

namespace {

const char *const kUsage =
    "Usage: qel export DB.qel OUT --format csv|html [--all-albums|--all-tracks] [list options]\n"
    "                  [--delimiter ';'|','|tab|space] [--qualifier double|single|none]\n"
    "                  [--names] [--no-border] [--force]";

struct TOptions
{
    TListOptions list;
    QString out;
    QString format;
    bool allAlbums = false;
    bool allTracks = false;
    QString delimiter = QStringLiteral(",");
    QString qualifier = QStringLiteral("\"");
    bool names = false;
    bool noBorder = false;
    bool force = false;
    QStringList csvOptions, htmlOptions; // given, to refuse them with the other format
};

// Answers the export's overwrite question (asked only with --force) and keeps its
// messages: the summary goes to stdout, a failure to stderr.
class TCliInterface : public TUserInterface
{
public:
    TCliInterface() { m_previous = SetUserInterface(this); }
    ~TCliInterface() override { SetUserInterface(m_previous); }
    void ShowInfo(const QString &message) override { messages << message; }
    TAnswer AskYesNo(const QString &) override { return TAnswer::Yes; }
    TAnswer AskOkCancel(const QString &) override { return TAnswer::Ok; }

    QStringList messages;

private:
    TUserInterface *m_previous;
};

TOptions parse(const QStringList &args)
{
    TOptions o;
    QStringList positional;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        auto value = [&]() -> QString {
            if (i + 1 >= args.size())
                throw TListError{
                    QStringLiteral("%1 needs a value\n%2").arg(a, QLatin1String(kUsage))};
            return args[++i];
        };
        if (o.list.Take(args, i, kUsage))
            continue;
        if (a == QStringLiteral("--format")) {
            o.format = value();
        } else if (a == QStringLiteral("--all-albums")) {
            o.allAlbums = true;
        } else if (a == QStringLiteral("--all-tracks")) {
            o.allTracks = true;
        } else if (a == QStringLiteral("--delimiter")) {
            const QString d = value();
            o.csvOptions << a;
            if (d == QStringLiteral(";") || d == QStringLiteral(","))
                o.delimiter = d;
            else if (d == QStringLiteral("tab"))
                o.delimiter = QStringLiteral("\t");
            else if (d == QStringLiteral("space"))
                o.delimiter = QStringLiteral(" ");
            else
                throw TListError{
                    QStringLiteral("Unknown delimiter \"%1\": use ';', ',', tab or space").arg(d)};
        } else if (a == QStringLiteral("--qualifier")) {
            const QString q = value();
            o.csvOptions << a;
            if (q == QStringLiteral("double"))
                o.qualifier = QStringLiteral("\"");
            else if (q == QStringLiteral("single"))
                o.qualifier = QStringLiteral("'");
            else if (q == QStringLiteral("none"))
                o.qualifier.clear();
            else
                throw TListError{
                    QStringLiteral("Unknown qualifier \"%1\": use double, single or none").arg(q)};
        } else if (a == QStringLiteral("--names")) {
            o.names = true;
            o.csvOptions << a;
        } else if (a == QStringLiteral("--no-border")) {
            o.noBorder = true;
            o.htmlOptions << a;
        } else if (a == QStringLiteral("--force")) {
            o.force = true;
        } else if (!a.startsWith(QStringLiteral("--")) && positional.size() < 2) {
            positional << a;
        } else {
            throw TListError{QStringLiteral("qel export: unexpected argument '%1'\n%2")
                                 .arg(a, QLatin1String(kUsage))};
        }
    }
    if (positional.size() < 2)
        throw TListError{QLatin1String(kUsage)};
    o.list.file = positional[0];
    o.out = positional[1];
    if (o.format != QStringLiteral("csv") && o.format != QStringLiteral("html"))
        throw TListError{
            o.format.isEmpty()
                ? QStringLiteral("qel export: --format csv or --format html is needed\n%1")
                      .arg(QLatin1String(kUsage))
                : QStringLiteral("Unknown format \"%1\": use csv or html").arg(o.format)};
    const QStringList &wrong = o.format == QStringLiteral("csv") ? o.htmlOptions : o.csvOptions;
    if (!wrong.isEmpty())
        throw TListError{
            QStringLiteral("%1 is not an option of --format %2").arg(wrong.front(), o.format)};
    if (o.allAlbums && o.allTracks)
        throw TListError{QStringLiteral("Use --all-albums or --all-tracks, not both")};
    if ((o.allAlbums || o.allTracks) && o.list.SelectsList())
        throw TListError{QStringLiteral("--all-albums and --all-tracks export the whole "
                                        "collection: of the list options only --columns applies")};
    return o;
}

int exportItems(const TOptions &o, const QList<TDataItem *> &items, TItemLevel listLevel,
                TItemLevel exportLevel, const TShowFields &columns)
{
    std::unique_ptr<TExport> e;
    if (o.format == QStringLiteral("csv")) {
        auto ascii = std::make_unique<TExportAscii>();
        ascii->Delimiter = o.delimiter;
        ascii->TextQualifier = o.qualifier;
        ascii->IncludeFieldNames = o.names;
        e = std::move(ascii);
    } else {
        auto html = std::make_unique<TExportHTML>();
        html->Border = !o.noBorder;
        e = std::move(html);
    }
    e->ItemList = &items;
    e->ListLevel = listLevel;
    e->ExportLevel = exportLevel;
    e->ShowFields = &columns;
    e->FileName = o.out;
    TCliInterface ui;
    const bool ran = e->Execute();
    if (!ran)
        return Fail(ui.messages.isEmpty() ? QStringLiteral("Nothing was exported")
                                          : ui.messages.join(u'\n'));
    for (const QString &m : ui.messages)
        Out() << m << '\n';
    Out().flush();
    return 0;
}

int run(const QStringList &args)
{
    const TOptions o = parse(args);
    if (!CheckOutputFile(o.out))
        return 2;
    // Refused before the collection is read: the export would only ask the same.
    if (QFileInfo::exists(o.out) && !o.force)
        return Fail(QStringLiteral("\"%1\" already exists: add --force to replace it").arg(o.out));
    if (o.allAlbums || o.allTracks) {
        const TItemLevel level = o.allAlbums ? ilAlbum : ilTrack;
        TShowFields columns(level);
        if (o.list.columns.isEmpty())
            columns.AddDefaults();
        else
            AddColumns(columns, o.list.columns, level);
        TQelDb db;
        if (!LoadDatabase(db, o.list.file))
            return 2;
        return exportItems(o, db.Albums, ilAlbum, level, columns);
    }
    return SelectList(o.list, [&o](TBrowseState &state, const TShowFields &columns) {
        if (state.ListContent != TBrowseState::lcAlbums &&
            state.ListContent != TBrowseState::lcItems)
            return Fail(QStringLiteral("The list shows folders, not albums or tracks: choose "
                                       "one with --folder"));
        return exportItems(o, state.CurrentItems, state.Level(), state.Level(), columns);
    });
}

// The imports of delimited text and of a Discogs export.

const char *const kImportUsage =
    "Usage: qel import csv DB.qel FILE [--delimiter ';'|','|tab|space]\n"
    "                      [--qualifier double|single|none] [--encoding utf-8|cp1252]\n"
    "                      [--map COLUMN=FIELD]...\n"
    "       qel import discogs DB.qel FILE";

struct TImportOptions
{
    QString kind; // "csv" or "discogs"
    QString db;
    QString file;
    TDelimitedFormat format;
    int guess = fgAll;
    QStringList maps; // COLUMN=FIELD, as given
};

TImportOptions parseImport(const QStringList &args)
{
    TImportOptions o;
    o.kind = args.front();
    const bool csv = o.kind == QLatin1String("csv");
    QStringList positional;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        auto value = [&]() -> QString {
            if (i + 1 >= args.size())
                throw TListError{
                    QStringLiteral("%1 needs a value\n%2").arg(a, QLatin1String(kImportUsage))};
            return args[++i];
        };
        const bool option = a.startsWith(QStringLiteral("--"));
        if (option && !csv)
            throw TListError{QStringLiteral("qel import discogs: unexpected argument '%1'\n%2")
                                 .arg(a, QLatin1String(kImportUsage))};
        if (a == QStringLiteral("--delimiter")) {
            const QString d = value();
            const int at = QStringList{QStringLiteral(";"), QStringLiteral(","),
                                       QStringLiteral("tab"), QStringLiteral("space")}
                               .indexOf(d);
            if (at < 0)
                throw TListError{
                    QStringLiteral("Unknown delimiter \"%1\": use ';', ',', tab or space").arg(d)};
            o.format.Delimiter = kDelimitedDelimiters[at];
            o.guess &= ~fgDelimiter;
        } else if (a == QStringLiteral("--qualifier")) {
            const QString q = value();
            const int at = QStringList{QStringLiteral("double"), QStringLiteral("single"),
                                       QStringLiteral("none")}
                               .indexOf(q);
            if (at < 0)
                throw TListError{
                    QStringLiteral("Unknown qualifier \"%1\": use double, single or none").arg(q)};
            o.format.Qualifier = kDelimitedQualifiers[at];
            o.guess &= ~fgQualifier;
        } else if (a == QStringLiteral("--encoding")) {
            const QString e = value().toLower();
            if (e == QStringLiteral("utf-8") || e == QStringLiteral("utf8"))
                o.format.Encoding = TTextEncoding::Utf8;
            else if (e == QStringLiteral("cp1252") || e == QStringLiteral("windows-1252"))
                o.format.Encoding = TTextEncoding::Cp1252;
            else
                throw TListError{
                    QStringLiteral("Unknown encoding \"%1\": use utf-8 or cp1252").arg(e)};
            o.guess &= ~fgEncoding;
        } else if (a == QStringLiteral("--map")) {
            const QString m = value();
            if (m.indexOf(u'=') <= 0)
                throw TListError{
                    QStringLiteral("--map takes COLUMN=FIELD (or COLUMN=skip), not \"%1\"").arg(m)};
            o.maps << m;
        } else if (!option && positional.size() < 2) {
            positional << a;
        } else {
            throw TListError{QStringLiteral("qel import %1: unexpected argument '%2'\n%3")
                                 .arg(o.kind, a, QLatin1String(kImportUsage))};
        }
    }
    if (positional.size() < 2)
        throw TListError{QLatin1String(kImportUsage)};
    o.db = positional[0];
    o.file = positional[1];
    return o;
}

// The columns of the file and their fields: guessed, except where --map says.
TColumnMapping mappingOf(const TImportOptions &o, const QStringList &columns)
{
    std::vector<std::optional<TFieldId>> preset(std::size_t(columns.size()));
    for (const QString &m : o.maps) {
        const qsizetype eq = m.lastIndexOf(u'=');
        const QString column = m.left(eq).trimmed();
        const QString fieldName = m.mid(eq + 1).trimmed();
        qsizetype at = columns.indexOf(column);
        if (at < 0)
            for (qsizetype c = 0; c < columns.size() && at < 0; ++c)
                if (columns[c].compare(column, Qt::CaseInsensitive) == 0)
                    at = c;
        if (at < 0)
            throw TListError{QStringLiteral("\"%1\" has no column \"%2\"; its columns: %3")
                                 .arg(o.file, column, columns.join(QStringLiteral(", ")))};
        TFieldId field = fdNone;
        if (fieldName.compare(QLatin1String("skip"), Qt::CaseInsensitive) != 0) {
            field = TQelFields::FieldByDefaultName(fieldName);
            const std::vector<TFieldId> importable = ImportableFields();
            if (std::find(importable.begin(), importable.end(), field) == importable.end())
                throw TListError{
                    QStringLiteral("Unknown field \"%1\": give a field's default name, such as "
                                   "\"Artist/Composer\", or skip")
                        .arg(fieldName)};
        }
        preset[std::size_t(at)] = field;
    }
    return GuessColumnFields(columns, nullptr, preset);
}

// The collection of a finished import, left to the end of the process: imported albums
// are many small blocks of memory, which the system takes back at once, while freeing
// them one by one takes a good part of the time the import took.
TQelDb *g_leftToExit = nullptr;

// Reads the collection, or starts a new one when the file is not there yet.
bool loadOrStart(TQelDb &db, const QString &path)
{
    if (QFileInfo::exists(path))
        return LoadDatabase(db, path);
    if (!CheckOutputFile(path))
        return false;
    db.FileName = QFileInfo(path).absoluteFilePath();
    return true;
}

// Keeps a backup of the collection's file as it stands, then saves what was imported.
bool backUpAndSave(TQelDb &db, const QString &path, int albumsBefore)
{
    TBackups backups(ProgramFolder() + QStringLiteral("Backups/"));
    const QString failure =
        backups.BeforeBigChange(QFileInfo(path).absoluteFilePath(), albumsBefore);
    if (!failure.isEmpty())
        Err() << "qel: " << failure << '\n';
    return SaveDatabase(db, path);
}

int runImport(const QStringList &args)
{
    const TImportOptions o = parseImport(args);
    if (!CheckInputFile(o.file))
        return 2;
    auto owned = std::make_unique<TQelDb>();
    TQelDb &db = *owned;
    if (!loadOrStart(db, o.db))
        return 2;
    const int albumsBefore = int(db.AlbumCount());
    TCliInterface ui;
    bool imported = false;
    QString error;
    if (o.kind == QLatin1String("csv")) {
        TDelimitedFormat format = o.format;
        QString failure;
        if (!GuessDelimitedFormat(o.file, format, o.guess, &failure))
            return Fail(failure);
        const TDelimitedPreview head = ReadDelimitedPreview(o.file, format, 0);
        if (!head.Error.isEmpty())
            return Fail(head.Error);
        TDelimitedImport import(nullptr, db, o.file);
        import.Format = format;
        import.Mapping = mappingOf(o, head.Columns);
        imported = import.Run();
        error = import.Error;
    } else {
        TDiscogsImport import(nullptr, db, o.file);
        imported = import.Run();
        error = import.Error;
    }
    if (!error.isEmpty())
        return Fail(error);
    for (QString m : ui.messages) {
        m.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        Out() << m << '\n';
    }
    Out().flush();
    if (imported && !backUpAndSave(db, o.db, QFileInfo::exists(o.db) ? albumsBefore : -1))
        return 2;
    g_leftToExit = owned.release();
    return 0;
}

} // namespace

int RunImport(const QStringList &args)
{
    const QString kind = args.value(0);
    if (kind == QLatin1String("cdplayer") || kind == QLatin1String("cdvalet"))
        return RunWineImport(args);
    if (kind != QLatin1String("csv") && kind != QLatin1String("discogs"))
        return Fail(QStringLiteral("qel import: say what to import: csv, discogs, cdplayer or "
                                   "cdvalet (see qel import --help)"));
    try {
        return runImport(args);
    } catch (const TListError &e) {
        return Fail(e.message);
    }
}

int RunExport(const QStringList &args)
{
    if (!args.isEmpty() &&
        (args.front() == QLatin1String("cdplayer") || args.front() == QLatin1String("cdvalet")))
        return RunWineExport(args);
    try {
        return run(args);
    } catch (const TListError &e) {
        return Fail(e.message);
    }
}
