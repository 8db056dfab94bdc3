// The MP3 command: reading MP3 files, one or a whole folder tree.
#include "cli/commands.h"

#include "exchange/jsondump.h"
#include "model/album.h"
#include "model/qeldb.h"
#include "mp3/mp3album.h"
#include "shell/fielddefaults.h"
#include "shell/prefs.h"
#include "shell/settingsstore.h"
#include <QFile>

#include "mp3/mp3scan.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

const char kMp3Help[] =
    "Usage: qel mp3 PATH [--json]\n"
    "       qel mp3 album DIR [--into DB.qel]\n"
    "\n"
    "Reads an MP3 file, or every MP3 file of a folder and its subfolders, and prints for\n"
    "each: its path below PATH, track number, title, artist, album, genre, size, playing\n"
    "time and stream description, then how many files there were. With --json prints an\n"
    "array of objects with path, track, title, artist, album, year, comment, genre, size\n"
    "(bytes), length (seconds) and description.\n"
    "\n"
    "\"album\" makes the album of a folder: its subfolders become discs (their own folders\n"
    "section headers), its own files a disc \"Other Files\", every file a track. Prints the\n"
    "album as qel dump prints a collection; with --into adds it to DB.qel (with the folder's\n"
    "cover.jpg, folder.jpg or front.jpg copied into the covers folder), saves it and prints\n"
    "the album's ID.\n";

namespace {

QJsonObject JsonOf(const TMP3File &f, const QString &path)
{
    return QJsonObject{{QStringLiteral("path"), path},
                       {QStringLiteral("track"), f.Track},
                       {QStringLiteral("title"), f.Title},
                       {QStringLiteral("artist"), f.Artist},
                       {QStringLiteral("album"), f.Album},
                       {QStringLiteral("year"), f.Year},
                       {QStringLiteral("comment"), f.Comment},
                       {QStringLiteral("genre"), f.GenreName()},
                       {QStringLiteral("size"), double(f.FileSize)},
                       {QStringLiteral("length"), double(f.Length)},
                       {QStringLiteral("description"), f.Description()}};
}

} // namespace

namespace {

// qel mp3 album DIR [--into DB.qel]
int mp3Album(const QStringList &args)
{
    QString dir, into;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--into") && i + 1 < args.size())
            into = args[++i];
        else if (args[i].startsWith(u'-'))
            return Fail(QStringLiteral("qel mp3 album: unknown option \"%1\"").arg(args[i]));
        else if (dir.isEmpty())
            dir = args[i];
        else
            return Fail(QStringLiteral("qel mp3 album: more than one folder given"));
    }
    if (dir.isEmpty() || !QFileInfo(dir).isDir())
        return Fail(QStringLiteral("qel mp3 album: \"%1\" is not a folder").arg(dir));
    std::unique_ptr<TMP3Folder> tree = ScanMp3Folder(QFileInfo(dir).absoluteFilePath());
    SortMp3Tree(*tree);
    TQelDb db;
    if (!into.isEmpty() && !LoadDatabase(db, into))
        return 2;
    TIniSettingsStore settings;
    TFieldDefaults defaults;
    defaults.Load(settings);
    TPrefs prefs;
    prefs.Load(settings);
    QString coverError;
    TAlbum *album = CreateFromMP3Folder(
        *tree, db, &defaults, into.isEmpty() ? QString() : prefs.CoversFolder, &coverError);
    db.AddAlbum(album);
    if (!coverError.isEmpty())
        Err() << coverError << '\n';
    if (!into.isEmpty()) {
        if (!SaveDatabase(db, into))
            return 2;
        Out() << album->ID << '\n';
        return 0;
    }
    Out().flush();
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly))
        return Fail(QStringLiteral("Standard output cannot be written"));
    WriteCollectionJson(db, out);
    return 0;
}

} // namespace

int RunMp3(const QStringList &args)
{
    if (WantsHelp(args)) {
        Out() << kMp3Help;
        return 0;
    }
    if (args.value(0) == QLatin1String("album"))
        return mp3Album(args.mid(1));
    QString path;
    bool json = false;
    for (const QString &a : args) {
        if (a == QStringLiteral("--json"))
            json = true;
        else if (a.startsWith(QLatin1Char('-')))
            return Fail(QStringLiteral("qel mp3: unknown option \"%1\"").arg(a));
        else if (path.isEmpty())
            path = a;
        else
            return Fail(QStringLiteral("qel mp3: more than one PATH given"));
    }
    if (path.isEmpty())
        return Fail(QStringLiteral("qel mp3: no PATH given\n") + QLatin1String(kMp3Help));
    const QFileInfo info(path);
    if (!info.exists())
        return Fail(QStringLiteral("qel mp3: no such file or folder: %1").arg(path));

    std::unique_ptr<TMP3Folder> tree;
    std::vector<const TMP3File *> files;
    std::vector<QString> paths;
    TMP3File single;
    if (info.isDir()) {
        tree = ScanMp3Folder(path);
        CollectMp3Files(*tree, files);
        for (const TMP3File *f : files)
            paths.push_back(f->RelativePath());
    } else {
        single.ReadInfo(info.filePath());
        files.push_back(&single);
        paths.push_back(info.fileName());
    }

    if (json) {
        QJsonArray array;
        for (size_t i = 0; i < files.size(); ++i)
            array.append(JsonOf(*files[i], paths[i]));
        Out() << QJsonDocument(array).toJson(QJsonDocument::Indented);
        return 0;
    }
    for (size_t i = 0; i < files.size(); ++i) {
        const TMP3File &f = *files[i];
        Out() << paths[i] << '\t' << f.Track << '\t' << f.Title << '\t' << f.Artist << '\t'
              << f.Album << '\t' << f.GenreName() << '\t' << f.SizeText() << '\t' << f.LengthText()
              << '\t' << f.Description() << '\n';
    }
    Out() << QStringLiteral("%1 MP3 files").arg(files.size()) << '\n';
    return 0;
}
