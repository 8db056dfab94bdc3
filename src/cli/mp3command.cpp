// The MP3 command (also named "audio"): reading audio files, one or a whole folder tree.
#include "cli/commands.h"

#include "exchange/jsondump.h"
#include "model/album.h"
#include "model/qeldb.h"
#include "mp3/audiofile.h"
#include "mp3/mp3album.h"
#include "mp3/mp3scan.h"
#include "shell/fielddefaults.h"
#include "shell/prefs.h"
#include "shell/settingsstore.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <iterator>

const char kMp3Help[] =
    "Usage: qel mp3 PATH [--json]\n"
    "       qel mp3 album DIR [--into DB.qel]\n"
    "(\"qel audio\" is the same command.)\n"
    "\n"
    "Reads an audio file, or every audio file of a folder and its subfolders (MP3, FLAC,\n"
    "Ogg Vorbis, Opus, M4A with AAC or ALAC, WMA, WavPack, Monkey's Audio, AIFF and WAV, by\n"
    "their extensions .mp3 .flac .ogg .oga .opus .m4a .mp4 .wma .wv .ape .aif .aiff .wav),\n"
    "and prints for each: its path below PATH, track number, title, artist, album, genre,\n"
    "size, playing time and stream description, then how many files there were. A file\n"
    "that cannot be read is listed as \"(unreadable)\". With --json prints an array of\n"
    "objects with path, track, title, artist, album, albumArtist, disc, year, comment,\n"
    "genre, size (bytes), length (seconds), format, sampleRate, bitsPerSample (0 for lossy\n"
    "streams), channels, bitrate (kbit/s), picture (whether the tags carry one) and\n"
    "description.\n"
    "\n"
    "\"album\" makes the album of a folder: its subfolders become discs (their own folders\n"
    "section headers), its own files a disc \"Other Files\", every file a track; a folder of\n"
    "files whose tags name two or more discs gets a disc for each. Prints the album as qel\n"
    "dump prints a collection; with --into adds it to DB.qel (with the folder's cover.jpg,\n"
    "folder.jpg or front.jpg, else a picture from the files' tags, copied into the covers\n"
    "folder), saves it and prints the album's ID.\n";

namespace {

// The listing is written through one buffer in large blocks: a stream write per field,
// or a JSON document built in memory, costs more than reading the files did.
class TOutput
{
public:
    TOutput()
    {
        Out().flush();
        m_bytes.reserve(kBlock + kBlock / 4);
    }
    QByteArray &bytes() { return m_bytes; }
    void next()
    {
        if (m_bytes.size() >= kBlock)
            write();
    }
    // Writes the rest; false when standard output took not all of it.
    bool finish()
    {
        write();
        return std::fflush(stdout) == 0 && m_ok;
    }

private:
    static constexpr qsizetype kBlock = 64 * 1024;
    void write()
    {
        if (!m_bytes.isEmpty() && std::fwrite(m_bytes.constData(), 1, size_t(m_bytes.size()),
                                              stdout) != size_t(m_bytes.size()))
            m_ok = false;
        m_bytes.clear();
    }
    QByteArray m_bytes;
    bool m_ok = true;
};

// Writes c at p as JSON escapes it; returns the end.
char *putEscaped(char *p, uchar c)
{
    static const char hex[] = "0123456789abcdef";
    const auto two = [&p](char second) {
        *p++ = '\\';
        *p++ = second;
        return p;
    };
    switch (c) {
    case '"':
        return two('"');
    case '\\':
        return two('\\');
    case '\b':
        return two('b');
    case '\f':
        return two('f');
    case '\n':
        return two('n');
    case '\r':
        return two('r');
    case '\t':
        return two('t');
    default:
        if (c < 0x20) {
            std::memcpy(p, "\\u00", 4);
            p[4] = hex[c >> 4];
            p[5] = hex[c & 15];
            return p + 6;
        }
        *p++ = char(c);
        return p;
    }
}

bool isAscii(QStringView s)
{
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c.unicode() < 0x80; });
}

// One element of the array, in the layout and key order of QJsonDocument::Indented, its
// strings in UTF-8 with control characters escaped as QJsonDocument escapes them. Written
// straight into the buffer, which grows once per file: only a text beyond ASCII goes
// through a conversion.
void appendJson(QByteArray &out, const TAudioFile &f, const QString &path, bool first)
{
    const QString description = f.Description();
    const QString genre = f.GenreName();
    const QString format = f.FormatName();
    const QStringView texts[] = {f.Album, f.AlbumArtist, f.Artist, f.Comment, description,
                                 format,  genre,         path,     f.Title,   f.Year};
    QByteArray utf8[std::size(texts)];
    qsizetype room = 1024; // the keys, the numbers and the layout
    for (size_t i = 0; i < std::size(texts); ++i) {
        if (!isAscii(texts[i]))
            utf8[i] = texts[i].toUtf8();
        room += 6 * (utf8[i].isNull() ? texts[i].size() : utf8[i].size()); // all escaped
    }
    const qsizetype at = out.size();
    out.resize(at + room);
    char *p = out.data() + at;
    const auto raw = [&p](const char *s) {
        const size_t n = std::strlen(s);
        std::memcpy(p, s, n);
        p += n;
    };
    const auto text = [&](const char *key, size_t i) {
        raw(key);
        *p++ = '"';
        if (utf8[i].isNull()) {
            for (QChar c : texts[i])
                p = putEscaped(p, uchar(c.unicode()));
        } else {
            for (char c : utf8[i])
                p = putEscaped(p, uchar(c));
        }
        *p++ = '"';
    };
    const auto number = [&](const char *key, qint64 value) {
        raw(key);
        p = std::to_chars(p, p + 24, value).ptr;
    };
    raw(first ? "    {\n" : ",\n    {\n");
    text("        \"album\": ", 0);
    text(",\n        \"albumArtist\": ", 1);
    text(",\n        \"artist\": ", 2);
    number(",\n        \"bitrate\": ", f.BitRate);
    number(",\n        \"bitsPerSample\": ", f.BitsPerSample);
    number(",\n        \"channels\": ", f.Channels);
    text(",\n        \"comment\": ", 3);
    text(",\n        \"description\": ", 4);
    number(",\n        \"disc\": ", f.Disc);
    text(",\n        \"format\": ", 5);
    text(",\n        \"genre\": ", 6);
    number(",\n        \"length\": ", f.Length);
    text(",\n        \"path\": ", 7);
    raw(f.HasPicture ? ",\n        \"picture\": true" : ",\n        \"picture\": false");
    number(",\n        \"sampleRate\": ", f.SampleRate);
    number(",\n        \"size\": ", f.FileSize);
    text(",\n        \"title\": ", 8);
    number(",\n        \"track\": ", f.Track);
    text(",\n        \"year\": ", 9);
    raw("\n    }");
    out.truncate(p - out.constData());
}

void appendUtf8(QByteArray &out, QStringView s)
{
    if (!isAscii(s)) {
        out += s.toUtf8();
        return;
    }
    const qsizetype at = out.size();
    out.resize(at + s.size());
    std::transform(s.begin(), s.end(), out.data() + at, [](QChar c) { return char(c.unicode()); });
}

void appendText(QByteArray &out, const TAudioFile &f, const QString &path)
{
    const auto field = [&out](QStringView text) {
        appendUtf8(out, text);
        out += '\t';
    };
    char track[16];
    field(path);
    out.append(track, std::to_chars(track, track + sizeof track, f.Track).ptr - track);
    out += '\t';
    field(f.Title);
    field(f.Artist);
    field(f.Album);
    field(f.GenreName());
    field(f.SizeText());
    field(f.LengthText());
    appendUtf8(out, f.Description());
    out += '\n';
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
    std::vector<const TAudioFile *> files;
    std::unique_ptr<TAudioFile> single;
    if (info.isDir()) {
        tree = ScanMp3Folder(path);
        CollectMp3Files(*tree, files);
    } else {
        // A file named otherwise than the other formats is read as MP3, as it always was.
        if (IsAudioFileName(path) && !IsMp3FileName(path))
            single = std::make_unique<TTagLibFile>();
        else
            single = std::make_unique<TMP3File>();
        if (!single->ReadInfo(info.filePath()))
            return Fail(info.isFile()
                            ? QStringLiteral("qel mp3: \"%1\" holds no audio stream").arg(path)
                            : QStringLiteral("qel mp3: \"%1\" is not a regular file").arg(path));
        files.push_back(single.get());
    }
    // Paths below PATH; a single file by its name.
    const auto pathOf = [&](const TAudioFile &f) { return tree ? f.RelativePath() : f.Name; };

    TOutput output;
    QByteArray &out = output.bytes();
    if (json)
        out += "[\n";
    for (size_t i = 0; i < files.size(); ++i) {
        if (json)
            appendJson(out, *files[i], pathOf(*files[i]), i == 0);
        else
            appendText(out, *files[i], pathOf(*files[i]));
        output.next();
    }
    if (json)
        out += files.empty() ? "]\n" : "\n]\n";
    else if (std::all_of(files.begin(), files.end(),
                         [](const TAudioFile *f) { return f->Format == TAudioFormat::MP3; }))
        out += QStringLiteral("%1 MP3 files\n").arg(files.size()).toUtf8();
    else
        out += QStringLiteral("%1 audio files\n").arg(files.size()).toUtf8();
    if (!output.finish())
        return Fail(QStringLiteral("Standard output cannot be written"));
    return 0;
}
