// The MP3 command: reading MP3 files, one or a whole folder tree.
#include "cli/commands.h"

#include "mp3/mp3scan.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

const char kMp3Help[] =
    "Usage: qel mp3 PATH [--json]\n"
    "\n"
    "Reads an MP3 file, or every MP3 file of a folder and its subfolders, and prints for\n"
    "each: its path below PATH, track number, title, artist, album, genre, size, playing\n"
    "time and stream description, then how many files there were. With --json prints an\n"
    "array of objects with path, track, title, artist, album, year, comment, genre, size\n"
    "(bytes), length (seconds) and description.\n";

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

int RunMp3(const QStringList &args)
{
    if (WantsHelp(args)) {
        Out() << kMp3Help;
        return 0;
    }
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
