#include "mp3/audiofile.h"
#include "mp3/mp3file.h"
#include "mp3/mp3scan.h"
#include "mp3testsupport.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kFormats = QStringLiteral(QEL_TEST_FIXTURES "/audio/formats");

QJsonArray Expectations()
{
    return QJsonDocument::fromJson(ReadFileBytes(kFormats + QStringLiteral("/expectations.json")))
        .array();
}

QStringList RelativePaths(const TMP3Folder &tree)
{
    std::vector<const TAudioFile *> files;
    CollectMp3Files(tree, files);
    QStringList out;
    for (const TAudioFile *f : files)
        out << f->RelativePath();
    return out;
}

} // namespace

// Every format read as the fixture script tagged and encoded it: the texts, the numbers
// that other formats write as ID3 genres, album artist, disc, picture and stream.
TEST(AudioReader, EveryFormatReadsAsTheScriptMadeIt)
{
    const QJsonArray expected = Expectations();
    ASSERT_EQ(expected.size(), 12);
    QStringList formats;
    for (const QJsonValue &v : expected) {
        const QJsonObject e = v.toObject();
        const QString name = e[QStringLiteral("path")].toString();
        SCOPED_TRACE(name.toStdString());
        const std::unique_ptr<TAudioFile> f = ReadAudioFile(kFormats + u'/' + name);
        ASSERT_TRUE(f);
        EXPECT_EQ(f->Name, name);
        EXPECT_EQ(f->FormatName(), e[QStringLiteral("format")].toString());
        EXPECT_EQ(f->Title, e[QStringLiteral("title")].toString());
        EXPECT_EQ(f->Artist, e[QStringLiteral("artist")].toString());
        EXPECT_EQ(f->Album, e[QStringLiteral("album")].toString());
        EXPECT_EQ(f->AlbumArtist, e[QStringLiteral("albumArtist")].toString());
        EXPECT_EQ(f->Year, e[QStringLiteral("year")].toString());
        EXPECT_EQ(f->Comment, e[QStringLiteral("comment")].toString());
        EXPECT_EQ(f->GenreName(), e[QStringLiteral("genre")].toString());
        EXPECT_EQ(f->Track, e[QStringLiteral("track")].toInt());
        EXPECT_EQ(f->Disc, e[QStringLiteral("disc")].toInt());
        EXPECT_EQ(f->HasPicture, e[QStringLiteral("picture")].toBool());
        EXPECT_EQ(f->SampleRate, e[QStringLiteral("sampleRate")].toInt());
        EXPECT_EQ(f->BitsPerSample, e[QStringLiteral("bitsPerSample")].toInt());
        EXPECT_EQ(f->Channels, e[QStringLiteral("channels")].toInt());
        EXPECT_EQ(f->BitRate, e[QStringLiteral("bitrate")].toInt());
        EXPECT_EQ(f->Length, e[QStringLiteral("length")].toInteger());
        EXPECT_EQ(f->FileSize, e[QStringLiteral("size")].toInteger());
        EXPECT_EQ(f->Description(), e[QStringLiteral("description")].toString());
        formats << f->FormatName();
    }
    formats.removeDuplicates();
    formats.sort();
    EXPECT_EQ(formats.join(u','), QStringLiteral("AAC,AIFF,ALAC,FLAC,MP3,Monkey's Audio,"
                                                 "Ogg Vorbis,Opus,WAV,WMA,WavPack"));
}

// The picture each format carries, as the script embedded it: a front cover wins, a back
// cover alone is still the file's picture.
TEST(AudioReader, PicturesOfEveryFormatAreReadWhenAskedFor)
{
    const QByteArray front = ReadFileBytes(kAudioFixtures + QStringLiteral("/pictures/front.jpg"));
    const QByteArray back = ReadFileBytes(kAudioFixtures + QStringLiteral("/pictures/back.png"));
    ASSERT_FALSE(front.isEmpty());
    ASSERT_FALSE(back.isEmpty());
    const struct
    {
        const char *file;
        QByteArray data;
        int type;
        const char *extension;
    } cases[] = {
        {"flac.flac", front, 3, "jpg"},  {"vorbis.ogg", back, 4, "png"},
        {"aac.m4a", front, 3, "jpg"},    {"wma.wma", front, 3, "jpg"},
        {"wavpack.wv", front, 3, "jpg"}, {"monkey.ape", back, 0, "png"},
        {"aiff.AIFF", front, 3, "jpg"},  {"mp3.mp3", front, 3, "jpg"},
        {"opus.opus", {}, -1, "jpg"},    {"alac.m4a", {}, -1, "jpg"},
        {"wav.wav", {}, -1, "jpg"},      {"oggflac.oga", {}, -1, "jpg"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        const TMp3Picture picture = ReadAudioPicture(kFormats + u'/' + QLatin1String(c.file));
        EXPECT_EQ(picture.Data, c.data);
        EXPECT_EQ(picture.Type, c.type);
        EXPECT_EQ(picture.Extension(), QLatin1String(c.extension));
    }
}

// A file cut short, bytes of no format under an audio name, an empty file: listed with
// their names and sizes, never dropped and never a crash. A film without sound is no
// audio file, whatever its name.
TEST(AudioReader, BrokenFilesAreListedAndFilmsLeftOut)
{
    TTestHome home;
    const QString root = home.file(QStringLiteral("Broken"));
    QDir().mkpath(root);
    QStringList expected;
    for (const QJsonValue &v : Expectations()) {
        const QString name = v[QStringLiteral("path")].toString();
        const QByteArray whole = ReadFileBytes(kFormats + u'/' + name);
        WriteFileBytes(root + QStringLiteral("/half ") + name, whole.left(whole.size() / 2));
        expected << QStringLiteral("half ") + name;
    }
    QByteArray noise(5000, '\0');
    QRandomGenerator(25).fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
    WriteFileBytes(root + QStringLiteral("/noise.flac"), noise);
    WriteFileBytes(root + QStringLiteral("/empty.m4a"), {});
    LayOutMp3Tree(root, {QStringLiteral("film.mp4=formats/video.mp4")});
    expected << QStringLiteral("empty.m4a") << QStringLiteral("noise.flac");
    expected.sort(Qt::CaseInsensitive);

    const std::unique_ptr<TMP3Folder> tree = ScanMp3Folder(root);
    EXPECT_EQ(RelativePaths(*tree), expected);
    for (const char *name : {"noise.flac", "empty.m4a"}) {
        SCOPED_TRACE(name);
        const std::unique_ptr<TAudioFile> f = ReadAudioFile(root + u'/' + QLatin1String(name));
        ASSERT_TRUE(f);
        EXPECT_EQ(f->Format, TAudioFormat::Unknown);
        EXPECT_EQ(f->Description(), QStringLiteral("(unreadable)"));
        EXPECT_EQ(f->FileSize, QFileInfo(root + u'/' + QLatin1String(name)).size());
        EXPECT_EQ(f->GenreName(), QStringLiteral("Other"));
    }
    EXPECT_FALSE(ReadAudioFile(root + QStringLiteral("/film.mp4")));

    // The command lists them too, each with its type.
    const TRunResult r = RunQel({QStringLiteral("mp3"), root});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.out.contains("noise.flac\t0\t\t\t\tOther\t5 KB\t00:00\t(unreadable)\n"))
        << r.out.constData();
    EXPECT_FALSE(r.out.contains("film.mp4"));
    EXPECT_TRUE(r.out.endsWith(QByteArray::number(expected.size()) + " audio files\n"));
    const TRunResult film = RunQel({QStringLiteral("audio"), root + QStringLiteral("/film.mp4")});
    EXPECT_EQ(film.exitCode, 2);
    EXPECT_TRUE(film.err.contains("holds no audio stream")) << film.err.constData();
}

// Which names a scan reads: the formats' extensions in any case, nothing else.
TEST(AudioScan, FilesCountByTheirExtensionInAnyCase)
{
    const struct
    {
        const char *name;
        bool counted;
    } cases[] = {
        {"a.FLAC", true}, {"b.Ogg", true},  {"c.oga", true},       {"d.OPUS", true},
        {"e.m4a", true},  {"f.MP4", true},  {"g.wma", true},       {"h.WV", true},
        {"i.ape", true},  {"j.aif", true},  {"k.AIFF", true},      {"l.wav", true},
        {"m.Mp3", true},  {"n.txt", false}, {"o.flac.bak", false}, {"p.m4b", false},
        {"q.mka", false}, {"flac", false},  {"r.wave", false},     {"s.", false},
    };
    TTestHome home;
    const QString root = home.file(QStringLiteral("Names"));
    QStringList entries, counted;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString name = QLatin1String(c.name);
        EXPECT_EQ(IsAudioFileName(name), c.counted);
        const QByteArray local = name.toUtf8();
        EXPECT_EQ(IsAudioFileName(local.constData(), size_t(local.size())), c.counted);
        // Content of the wrong kind for some: the name decides what is read.
        entries << name + QStringLiteral("=formats/aac.m4a");
        if (c.counted)
            counted << name;
    }
    LayOutMp3Tree(root, entries);
    counted.sort(Qt::CaseInsensitive);
    EXPECT_EQ(RelativePaths(*ScanMp3Folder(root)), counted);
    TMP3Scanner scanner;
    TMP3Folder scanned;
    scanned.Path = root;
    EXPECT_EQ(scanner.Scan(scanned, false), int(counted.size()));
    EXPECT_TRUE(scanner.OtherFormats());
}

// `qel mp3 --json` of the fixtures equals what the script put in, for every format, and
// `qel audio` is the same command.
TEST(AudioCommand, JsonOfEveryFormatEqualsTheExpectations)
{
    const QJsonDocument expected =
        QJsonDocument::fromJson(ReadFileBytes(kFormats + QStringLiteral("/expectations.json")));
    for (const char *command : {"mp3", "audio"}) {
        SCOPED_TRACE(command);
        const TRunResult r = RunQel({QLatin1String(command), kFormats, QStringLiteral("--json")});
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        EXPECT_EQ(QJsonDocument::fromJson(r.out), expected);
        EXPECT_EQ(r.out, QJsonDocument::fromJson(r.out).toJson(QJsonDocument::Indented));
    }
    const TRunResult one = RunQel({QStringLiteral("audio"), kFormats + QStringLiteral("/wma.wma")});
    EXPECT_EQ(one.exitCode, 0) << one.err.constData();
    EXPECT_EQ(one.out, "wma.wma\t8\tWMA Title\tWMA Artist\tFormats\tCountry\t12 KB\t00:01\t"
                       "WMA, 8,000 Hz, mono, 32 kbps\n1 audio files\n");
}
