// The exports: the current list, all albums or all tracks as delimited text or HTML.
#include "cli/commands.h"
#include "cli/listoptions.h"
#include "cli/winecli.h"

#include "exchange/export.h"
#include "model/general.h"
#include "model/qeldb.h"
#include "views/browsestate.h"
#include "views/listfields.h"

#include <QFileInfo>

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

} // namespace

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
