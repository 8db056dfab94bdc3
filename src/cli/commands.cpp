#include "cli/commands.h"

#include "model/qeldb.h"
#include "model/qelerror.h"

#include <QFileInfo>
#include <cstdio>

QTextStream &Out()
{
    static QTextStream s(stdout);
    return s;
}

QTextStream &Err()
{
    static QTextStream s(stderr);
    return s;
}

int Fail(const QString &message)
{
    Out().flush();
    Err() << message << '\n';
    Err().flush();
    return 2;
}

bool WantsHelp(const QStringList &args)
{
    return args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"));
}

bool CheckInputFile(const QString &path)
{
    // The model says "was not found" for whatever it cannot open; here the tool can
    // say what is there instead.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        Fail(QStringLiteral("\"%1\" is not a regular file").arg(path));
        return false;
    }
    if (info.isFile() && info.size() == 0) {
        Fail(QStringLiteral("The file \"%1\" is empty").arg(path));
        return false;
    }
    return true;
}

bool CheckOutputFile(const QString &path)
{
    // Saving renames a new file over the old one: a pipe, a device or a folder in its
    // place would be replaced by a plain file.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        Fail(QStringLiteral("\"%1\" is not a regular file: it is left as it is").arg(path));
        return false;
    }
    return true;
}

bool LoadDatabase(TQelDb &db, const QString &path)
{
    if (!CheckInputFile(path))
        return false;
    try {
        db.ReadFile(path, false);
        db.FileName = QFileInfo(path).absoluteFilePath();
        return true;
    } catch (const EQel &e) {
        Fail(e.message());
        return false;
    }
}

bool SaveDatabase(TQelDb &db, const QString &path)
{
    if (!CheckOutputFile(path))
        return false;
    try {
        db.Save(path);
        return true;
    } catch (const EQel &e) {
        Fail(e.message());
        return false;
    }
}

const QList<TCommand> &Commands()
{
    static const QList<TCommand> commands = {
        {"info", "print the statistics of a collection",
         "Usage: qel info FILE\n\nPrints the statistics of the collection in FILE as lines "
         "\"Label: value\".\n",
         RunInfo},
        {"dump", "print a collection as JSON",
         "Usage: qel dump FILE\n\nPrints the collection in FILE as JSON on standard output: its "
         "name, every lookup list in file order, and every album followed by its discs, "
         "headers, tracks and subtracks with the display text of each field.\n",
         RunDump},
        {"resave", "read a collection and write it again",
         "Usage: qel resave IN OUT\n\nOpens IN and saves it as OUT. OUT is replaced only once "
         "it is completely written.\n",
         RunResave},
        {"merge", "import one collection into another",
         "Usage: qel merge TARGET OTHER\n\nImports OTHER into TARGET and saves TARGET. Albums "
         "whose title and artist TARGET already has are left out; lookup entries are joined "
         "by name.\n",
         RunMerge},
        {"generate", "write a synthetic collection",
         "Usage: qel generate --albums N [--seed S] OUT\n\nWrites a synthetic collection of N "
         "albums to OUT, for benchmarks and tests. The same N and S (default 1) always give "
         "the same file.\n",
         RunGenerate},
        {"list", "print the main window's list of a collection",
         "Usage: qel list FILE [--tracks] [--group FIELD] [--folder NAME] [--columns F1,F2,...]\n"
         "                [--sort F1[:desc],F2,...] [--filter EXPR]... [--or] [--case]\n\n"
         "Prints the list the main window shows, one row a line with the columns separated by\n"
         "tabs, then the count (\"3 albums\") and the filter (\"Filter: ...\") on two lines.\n\n"
         "  --tracks          the track view (default: the album view)\n"
         "  --group FIELD     folders by a lookup field (default: no folders); the list of the\n"
         "                    root then shows the folders\n"
         "  --folder NAME     list the folder with this caption instead of the root\n"
         "  --columns F,...   the columns (default: Artist/Composer, Title, Year)\n"
         "  --sort F[:desc],..  the sort order (default: Title)\n"
         "  --filter EXPR     a condition: FIELD~TEXT (text contained), FIELD=LOW..HIGH (numbers;\n"
         "                    lengths in seconds; dates as yyyy-mm-dd), FIELD=yes|no|undecided\n"
         "  --or              any condition suffices (default: all must hold)\n"
         "  --case            text conditions are case-sensitive\n\n"
         "Fields are named by their default names, such as \"Artist/Composer\" or \"Year\".\n",
         RunList},
        {"build", "build a collection from its readable source",
         "Usage: qel build SOURCE.json OUT\n\nBuilds a collection from a readable description "
         "(the format of resources/demo/demo.json): lookups and albums by field name, with "
         "cover pictures and lyrics files beside the source.\n",
         RunBuild},
        {"discid", "print the identifiers of a CD or disc image", kDiscidHelp, RunDiscid},
        {"cddb", "query, add from and submit to a CDDB server", kCddbHelp, RunCddb},
        {"scanlist", "the batch scan list: list, add, query, remove", kScanlistHelp, RunScanlist},
        {"mp3", "read MP3 and other audio files, or make an album of a folder", kMp3Help, RunMp3},
        {"audio", "the mp3 command under its other name", kMp3Help, RunMp3},
        {"export", "export a list as delimited text or HTML, or to other programs", kExportHelp,
         RunExport},
        {"import", "import titles from other programs", kImportHelp, RunImport},
        {"report", "print a list or album report to PDF", kReportHelp, RunReport},
        {"backups", "list or restore a collection's backups", kBackupsHelp, RunBackups},
        {"mb", "MusicBrainz: disc ID, look-up, album with cover", kMbHelp, RunMb},
        {"set", "give many albums or tracks the same field values", kSetHelp, RunSet},
        {"stats", "print the totals and the chart series of a collection", kStatsHelp, RunStats},
        {"lookup", "merge lookup entries, or find entries named alike", kLookupHelp, RunLookup},
        {"duplicates", "print the albums that are likely the same", kDuplicatesHelp, RunDuplicates},
    };
    return commands;
}
