#include "mp3/mp3file.h"

#include "testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

const QString kFixtures = QStringLiteral(QEL_TEST_FIXTURES "/mp3");

// A run of CBR frames of the given 4-byte header (its padding bit clear).
QByteArray Frames(const char *hex, int frameBytes, int count)
{
    QByteArray frame = FromHex(hex);
    frame.append(QByteArray(frameBytes - 4, '\x55'));
    return frame.repeated(count);
}
// MPEG 1.0, layer 3, 128 kbit/s, 44100 Hz, Joint Stereo: 417-byte frames.
QByteArray Cbr128(int count)
{
    return Frames("FF FB 90 64", 417, count);
}

QByteArray Synchsafe(quint32 n)
{
    QByteArray b(4, '\0');
    for (int k = 0; k < 4; ++k)
        b[k] = char((n >> (7 * (3 - k))) & 0x7f);
    return b;
}

QByteArray Id3v2(int major, int flags, const QByteArray &body)
{
    return QByteArray("ID3") + char(major) + char(0) + char(flags) +
           Synchsafe(quint32(body.size())) + body;
}

QByteArray Frame23(const char *id, const QByteArray &data)
{
    const quint32 n = quint32(data.size());
    return QByteArray(id) + char(n >> 24) + char(n >> 16) + char(n >> 8) + char(n) +
           QByteArray(2, '\0') + data;
}

QByteArray Frame24(const char *id, const QByteArray &data, int formatFlags = 0)
{
    return QByteArray(id) + Synchsafe(quint32(data.size())) + char(0) + char(formatFlags) + data;
}

QByteArray Frame22(const char *id, const QByteArray &data)
{
    const quint32 n = quint32(data.size());
    return QByteArray(id) + char(n >> 16) + char(n >> 8) + char(n) + data;
}

QByteArray Latin1Text(const char *s)
{
    return QByteArray(1, '\0') + QByteArray(s);
}

// A version 1 tag; track < 0 writes a 30-byte comment.
QByteArray V1(const QByteArray &title, const QByteArray &comment, int track, int genre)
{
    auto field = [](QByteArray s, int n) {
        s.truncate(n);
        return s + QByteArray(n - s.size(), '\0');
    };
    QByteArray t =
        "TAG" + field(title, 30) + field("Artist", 30) + field("Album", 30) + field("1999", 4);
    if (track < 0)
        t += field(comment, 30);
    else
        t += field(comment, 28) + char(0) + char(track);
    return t + char(genre);
}

TMP3File Read(const QByteArray &bytes)
{
    TMP3File f;
    f.ReadFromBytes(bytes);
    return f;
}

void ExpectDefaults(const TMP3File &f)
{
    EXPECT_EQ(f.Description(), QStringLiteral("MPEG 1.0, layer 3, 128kbps, 44kHz, Joint Stereo"));
    EXPECT_EQ(f.Length, f.FileSize * 8 / 128000);
}

TEST(Mp3Reader, FixturesMatchTheirExpectations)
{
    const QJsonArray expected =
        QJsonDocument::fromJson(ReadFileBytes(kFixtures + QStringLiteral("/expectations.json")))
            .array();
    ASSERT_FALSE(expected.isEmpty());
    for (const QJsonValue &v : expected) {
        const QJsonObject e = v.toObject();
        const QString name = e[QStringLiteral("path")].toString();
        SCOPED_TRACE(name.toStdString());
        TMP3File f;
        f.ReadInfo(kFixtures + QLatin1Char('/') + name);
        EXPECT_EQ(f.Name, name);
        EXPECT_EQ(f.Title, e[QStringLiteral("title")].toString());
        EXPECT_EQ(f.Artist, e[QStringLiteral("artist")].toString());
        EXPECT_EQ(f.Album, e[QStringLiteral("album")].toString());
        EXPECT_EQ(f.Year, e[QStringLiteral("year")].toString());
        EXPECT_EQ(f.Comment, e[QStringLiteral("comment")].toString());
        EXPECT_EQ(f.Track, e[QStringLiteral("track")].toInt());
        EXPECT_EQ(f.GenreName(), e[QStringLiteral("genre")].toString());
        EXPECT_EQ(f.FileSize, e[QStringLiteral("size")].toInteger());
        EXPECT_EQ(f.Length, e[QStringLiteral("length")].toInteger());
        EXPECT_EQ(f.Description(), e[QStringLiteral("description")].toString());
    }
}

TEST(Mp3Reader, FixtureTextsAreTheTaggersTexts)
{
    // Written down from the tagging script, so a wrong decoder cannot agree with itself.
    struct Case
    {
        const char *file;
        const char16_t *title;
        const char16_t *comment;
        const char16_t *genre;
        int track;
        const char *year;
    } cases[] = {
        {"v1.mp3", u"Plain Title", u"a thirty character comment!!!", u"Rock", 0, "1999"},
        {"v11.mp3", u"Caf\u00e9", u"short", u"Folklore", 7, "2001"},
        {"v23utf16.mp3", u"Wide \u00c9t\u00e9 \u266b", u"the comment", u"Rock", 3, "1987"},
        {"v24utf8.mp3", u"UTF-8 \u00fcber \u65e5\u672c", u"", u"shoegaze", 11, "2004"},
        {"picture.mp3", u"With Picture", u"", u"Jazz", 0, ""},
        {"junk.mp3", u"Junk Before Audio", u"", u"Other", 0, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        TMP3File f;
        f.ReadInfo(kFixtures + QLatin1Char('/') + QLatin1String(c.file));
        EXPECT_EQ(f.Title, QString::fromUtf16(c.title));
        EXPECT_EQ(f.Comment, QString::fromUtf16(c.comment));
        EXPECT_EQ(f.GenreName(), QString::fromUtf16(c.genre));
        EXPECT_EQ(f.Track, c.track);
        EXPECT_EQ(f.Year, QLatin1String(c.year));
        // Each was encoded at 32 kbit/s, 8 kHz mono; junk.mp3 only if the search skips it.
        EXPECT_EQ(f.Description(),
                  QStringLiteral("MPEG 2.5, layer 3, 32kbps, 8kHz, Single Channel"));
    }
    TMP3File picture;
    picture.ReadInfo(kFixtures + QStringLiteral("/picture.mp3"));
    EXPECT_EQ(picture.Album, QStringLiteral("After The Picture")); // the frame after the picture
}

TEST(Mp3Reader, StreamHeaders)
{
    struct Case
    {
        const char *header;
        int frameBytes;
        const char *description;
    } cases[] = {
        {"FF FB 90 64", 417, "MPEG 1.0, layer 3, 128kbps, 44kHz, Joint Stereo"},
        {"FF F3 80 C4", 208, "MPEG 2.0, layer 3, 64kbps, 22kHz, Single Channel"},
        {"FF E3 80 84", 417, "MPEG 2.5, layer 3, 64kbps, 11kHz, Dual Channel"},
        {"FF FD 80 04", 417, "MPEG 1.0, layer 2, 128kbps, 44kHz, Stereo"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.header);
        const TMP3File f = Read(Frames(c.header, c.frameBytes, 8));
        EXPECT_EQ(f.Description(), QLatin1String(c.description));
        EXPECT_TRUE(f.Title.isEmpty());
        EXPECT_EQ(f.GenreName(), QStringLiteral("Other"));
    }
}

TEST(Mp3Reader, FirstFrameIsSearchedAndConfirmed)
{
    // The tag's size bytes 00 00 02 01 put its end at 267.
    QByteArray tagged = Id3v2(3, 0, QByteArray(257, '\0')) + Cbr128(8);
    EXPECT_EQ(Read(tagged).BitRate, 128);

    // A sync-like pattern that no frame follows, then junk, then the audio.
    const QByteArray junk = FromHex("FF FB 90 64") + QByteArray(600, 'j');
    const TMP3File f =
        Read(Id3v2(3, 0, QByteArray(20, '\0')) + junk + Frames("FF F3 80 C4", 208, 8));
    EXPECT_EQ(f.Description(), QStringLiteral("MPEG 2.0, layer 3, 64kbps, 22kHz, Single Channel"));

    // A v2.4 footer is part of the tag: the audio follows it.
    const QByteArray footer = QByteArray("3DI") + QByteArray(7, '\0');
    const TMP3File withFooter = Read(Id3v2(4, 0x10, Frame24("TIT2", Latin1Text("F"))) + footer +
                                     Frames("FF F3 80 C4", 208, 8));
    EXPECT_EQ(withFooter.SampleRate, 22050);
    EXPECT_EQ(withFooter.Title, QStringLiteral("F"));
}

TEST(Mp3Reader, BadFilesGetTheDefaults)
{
    struct Case
    {
        const char *what;
        QByteArray bytes;
    } cases[] = {
        {"shorter than 128 bytes", FromHex("FF FB 90 64") + QByteArray(100, '\0')},
        {"no sync", QByteArray(5000, 'x')},
        {"tag size past the end",
         Id3v2(3, 0, QByteArray(50, '\0')).left(10) + Synchsafe(1 << 20) + QByteArray(300, 'y')},
        {"truncated tag",
         Id3v2(3, 0, Frame23("TIT2", Latin1Text("Cut off here"))).left(30) + QByteArray(200, '\0')},
        {"reserved version, free format and bad rate",
         (FromHex("FF EB 90 64") + QByteArray(413, 'a') + FromHex("FF FB 00 64") +
          QByteArray(413, 'b') + FromHex("FF FB 9C 64") + QByteArray(413, 'c'))
             .repeated(3)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const TMP3File f = Read(c.bytes);
        EXPECT_EQ(f.FileSize, c.bytes.size());
        ExpectDefaults(f);
    }
}

TEST(Mp3Reader, LengthOfVbrAndOfTheAudioBytesOnly)
{
    // CBR: 4,000,000 bytes of audio at 128 kbit/s are 250 s, whatever the tags add.
    const QByteArray audio = Cbr128(9593) + QByteArray(4000000 - 9593 * 417, '\0');
    EXPECT_EQ(Read(audio).Length, 250);
    const TMP3File tagged = Read(Id3v2(3, 0, QByteArray(500000, '\0')) + audio + V1("T", "", 1, 0));
    EXPECT_EQ(tagged.Length, 250);
    EXPECT_EQ(tagged.LengthText(), QStringLiteral("04:10"));

    // VBR: 1000 frames of 1152 samples at 44100 Hz are 26 s, though the file is small.
    struct Case
    {
        const char *what;
        int at;
        QByteArray header;
    } cases[] = {
        {"Xing", 36, QByteArray("Xing") + FromHex("00 00 00 0F 00 00 03 E8")},
        {"Info", 36, QByteArray("Info") + FromHex("00 00 00 01 00 00 03 E8")},
        {"VBRI", 36, QByteArray("VBRI") + FromHex("00 01 00 00 00 00 00 10 00 00 00 00 03 E8")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QByteArray bytes = Cbr128(20);
        bytes.replace(c.at, c.header.size(), c.header);
        const TMP3File f = Read(bytes);
        EXPECT_EQ(f.Length, 26);
    }
    // The Xing header of a mono MPEG 2 frame sits at 4 + 9.
    QByteArray mono = Frames("FF F3 80 C4", 208, 20);
    mono.replace(13, 12, QByteArray("Xing") + FromHex("00 00 00 01 00 00 03 E8"));
    EXPECT_EQ(Read(mono).Length, 1000 * 576 / 22050);
}

// A file is read from its first 4 KiB, held once, and reads of the rest where asked:
// it must read as its bytes do, whatever crosses that boundary.
TEST(Mp3Reader, AFileReadsAsItsBytes)
{
    QByteArray xing = Cbr128(20);
    xing.replace(36, 12, QByteArray("Xing") + FromHex("00 00 00 01 00 00 03 E8"));
    const QByteArray title = Frame23("TIT2", Latin1Text("Across"));
    const struct
    {
        const char *what;
        QByteArray bytes;
        bool vbr;
    } cases[] = {
        {"a VBR frame whose header lies past the boundary",
         Id3v2(3, 0, title + QByteArray(1000 - 10 - title.size(), '\0')) +
             QByteArray(4060 - 1000, 'j') + xing,
         true},
        {"a text frame across the boundary",
         Id3v2(3, 0, Frame23("TXXX", QByteArray(4070, 'x')) + title) + Cbr128(8), false},
        {"a picture first, the texts and the audio past the boundary",
         Id3v2(3, 0, Frame23("APIC", QByteArray(20000, '\1')) + title) + xing, true},
        {"a file smaller than the boundary", Id3v2(3, 0, title) + Cbr128(4) + V1("T", "", 1, 0),
         false},
    };
    QTemporaryDir dir;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = dir.filePath(QStringLiteral("f.mp3"));
        WriteFileBytes(path, c.bytes);
        TMP3File file;
        file.ReadInfo(path);
        const TMP3File bytes = Read(c.bytes);
        EXPECT_EQ(file.Title, QStringLiteral("Across"));
        EXPECT_EQ(file.Vbr, c.vbr);
        EXPECT_EQ(file.Title, bytes.Title);
        EXPECT_EQ(file.Track, bytes.Track);
        EXPECT_EQ(file.Description(), bytes.Description());
        EXPECT_EQ(file.Length, bytes.Length);
        EXPECT_EQ(file.Vbr, bytes.Vbr);
        EXPECT_EQ(file.FileSize, bytes.FileSize);
    }
}

TEST(Mp3Reader, Version1Tag)
{
    struct Case
    {
        const char *what;
        QByteArray tag;
        const char *title;
        const char *comment;
        int track;
        const char *genre;
    } cases[] = {
        {"v1.1 with track", V1("Song", "c", 7, 115), "Song", "c", 7, "Folklore"},
        {"comment to 30 characters", V1("Song", "123456789012345678901234567890", -1, 116), "Song",
         "123456789012345678901234567890", 0, "Other"},
        {"spaces kept", V1("Song      ", "", 0, 255), "Song      ", "", 0, "Other"},
        {"ends at NUL", V1(QByteArray("Song\0junk", 9), "", 0, 0), "Song", "", 0, "Blues"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const TMP3File f = Read(Cbr128(4) + c.tag);
        EXPECT_EQ(f.Title, QLatin1String(c.title));
        EXPECT_EQ(f.Comment, QLatin1String(c.comment));
        EXPECT_EQ(f.Track, c.track);
        EXPECT_EQ(f.GenreName(), QLatin1String(c.genre));
        EXPECT_EQ(f.BitRate, 128);
    }
    // cp1252: 0x80 is the euro sign, 0xE9 e acute.
    EXPECT_EQ(Read(Cbr128(4) + V1("\x80 \xe9", "", 0, 0)).Title, QStringLiteral(u"\u20ac \u00e9"));
}

TEST(Mp3Reader, Version2Frames)
{
    const QByteArray utf16le = FromHex("01 FF FE 48 00 E9 00 00 00"); // "Hé"
    const QByteArray utf16be = FromHex("02 00 48 00 E9 00 00");       // "Hé"
    const QByteArray utf8 = QByteArray("\x03H\xc3\xa9", 4);           // "Hé"
    // The whole tag unsynchronised: FF E0 is stored as FF 00 E0, the frame size is not.
    const QByteArray unsynced =
        Frame23("TIT2", QByteArray("\0\xff\xe0x", 4))
            .replace("\xff\xe0", QByteArray("\xff\0\xe0", 3)); // FF 00 -> FF
    const QByteArray extended = QByteArray("\0\0\0\x06", 4) + QByteArray(6, '\0');
    const QByteArray extended24 = Synchsafe(6) + QByteArray(2, '\0');
    struct Case
    {
        const char *what;
        QByteArray file;
        QString title;
    } cases[] = {
        {"2.2", Id3v2(2, 0, Frame22("TT2", Latin1Text("Old"))), QStringLiteral("Old")},
        {"2.3 UTF-16 BOM", Id3v2(3, 0, Frame23("TIT2", utf16le)), QStringLiteral(u"H\u00e9")},
        {"2.4 UTF-16BE", Id3v2(4, 0, Frame24("TIT2", utf16be)), QStringLiteral(u"H\u00e9")},
        {"2.4 UTF-8", Id3v2(4, 0, Frame24("TIT2", utf8)), QStringLiteral(u"H\u00e9")},
        {"2.3 unsynchronised tag", Id3v2(3, 0x80, unsynced), QStringLiteral(u"\u00ff\u00e0x")},
        {"2.4 unsynchronised frame",
         Id3v2(4, 0, Frame24("TIT2", QByteArray("\0\xff\0\xe0x", 5), 0x02)),
         QStringLiteral(u"\u00ff\u00e0x")},
        {"2.3 extended header", Id3v2(3, 0x40, extended + Frame23("TIT2", Latin1Text("Ext"))),
         QStringLiteral("Ext")},
        {"2.4 extended header", Id3v2(4, 0x40, extended24 + Frame24("TIT2", Latin1Text("Ext"))),
         QStringLiteral("Ext")},
        {"empty frame leaves v1", Id3v2(3, 0, Frame23("TIT2", Latin1Text(""))),
         QStringLiteral("Song")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const TMP3File f = Read(c.file + Cbr128(4) + V1("Song", "", 0, 0));
        EXPECT_EQ(f.Title, c.title);
        EXPECT_EQ(f.Artist, QStringLiteral("Artist")); // v1 fills the rest
        EXPECT_EQ(f.BitRate, 128);
    }
}

TEST(Mp3Reader, AlbumArtistAndDisc)
{
    const struct
    {
        const char *what;
        QByteArray tag;
        const char *albumArtist;
        int disc;
    } cases[] = {
        {"2.3",
         Id3v2(3, 0, Frame23("TPE2", Latin1Text("Band")) + Frame23("TPOS", Latin1Text("2/3"))),
         "Band", 2},
        {"2.2", Id3v2(2, 0, Frame22("TP2", Latin1Text("Band")) + Frame22("TPA", Latin1Text("4"))),
         "Band", 4},
        {"a disc that is no number", Id3v2(4, 0, Frame24("TPOS", Latin1Text("B"))), "", 0},
        {"none", Id3v2(3, 0, Frame23("TIT2", Latin1Text("T"))), "", 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const TMP3File f = Read(c.tag + Cbr128(4));
        EXPECT_EQ(f.AlbumArtist, QLatin1String(c.albumArtist));
        EXPECT_EQ(f.Disc, c.disc);
        EXPECT_EQ(f.Channels, 2);
        EXPECT_EQ(f.FormatName(), QStringLiteral("MP3"));
    }
}

TEST(Mp3Reader, GenresAndComments)
{
    struct Case
    {
        const char *tcon;
        const char *genre;
    } cases[] = {{"(17)", "Rock"}, {"17", "Rock"},        {"(17)Rock", "Rock"},
                 {"jAzZ", "Jazz"}, {"(200)", "Other"},    {"shoegaze", "shoegaze"},
                 {"(9)", "Metal"}, {"(RX)Remix", "Remix"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tcon);
        const TMP3File f = Read(Id3v2(3, 0, Frame23("TCON", Latin1Text(c.tcon))) + Cbr128(4));
        EXPECT_EQ(f.GenreName(), QLatin1String(c.genre));
    }
    const QByteArray comments =
        Frame23("COMM", QByteArray("\0eng"
                                   "iTunNORM\0"
                                   "0000 1111",
                                   22)) +
        Frame23("COMM", FromHex("01 65 6E 67 FF FE 00 00 FF FE 6F 00 6B 00"));
    EXPECT_EQ(Read(Id3v2(3, 0, comments) + Cbr128(4)).Comment, QStringLiteral("ok"));
}

TEST(Mp3Reader, DisplayTextsAndPaths)
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    TMP3File f;
    f.FileSize = 4321987;
    f.Length = 3725;
    EXPECT_EQ(f.SizeText(), QStringLiteral("4,322 KB"));
    EXPECT_EQ(f.LengthText(), QStringLiteral("62:05"));
    QLocale::setDefault(before);

    TMP3Folder root;
    auto *cd = static_cast<TMP3Folder *>(root.Add(std::make_unique<TMP3Folder>()));
    cd->Name = QStringLiteral("CD 1");
    auto *file = cd->Add(std::make_unique<TMP3File>());
    file->Name = QStringLiteral("01.mp3");
    EXPECT_EQ(root.RelativePath(), QString());
    EXPECT_EQ(cd->RelativePath(), QStringLiteral("CD 1"));
    EXPECT_EQ(file->RelativePath(), QStringLiteral("CD 1/01.mp3"));
}

TEST(Mp3Reader, MissingAndHugeFiles)
{
    QTemporaryDir dir;
    TMP3File f;
    f.Title = QStringLiteral("kept");
    f.ReadInfo(dir.filePath(QStringLiteral("none.mp3")));
    EXPECT_EQ(f.Title, QStringLiteral("kept"));
    EXPECT_TRUE(f.Path.isEmpty());

    // A sparse file past 4 GiB keeps its whole size.
    const QString huge = dir.filePath(QStringLiteral("huge.mp3"));
    const int fd = ::open(QFile::encodeName(huge).constData(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    const qint64 size = 5LL << 30;
    const bool sized = ::ftruncate(fd, size) == 0;
    ::close(fd);
    if (!sized)
        GTEST_SKIP() << "no sparse files here";
    f.ReadInfo(huge);
    EXPECT_EQ(f.Name, QStringLiteral("huge.mp3"));
    EXPECT_EQ(f.FileSize, size);
    EXPECT_EQ(f.Length, size * 8 / 128000);
}

TEST(Mp3Reader, PicturesAreReadOnlyWhenAskedFor)
{
    const QByteArray png("\x89PNG-data", 9);
    const QByteArray jpeg("\xff\xd8-front", 8);
    // encoding, MIME (2.3) or format (2.2), type, description, data
    const QByteArray other23 = QByteArray(1, 0) + "image/png" + '\0' + char(0) + "x" + '\0' + png;
    const QByteArray front23 =
        QByteArray(1, 1) + "image/jpeg" + '\0' + char(3) + QByteArray("\xff\xfe\0\0", 4) + jpeg;
    const QByteArray other22 = QByteArray(1, 0) + "PNG" + char(0) + '\0' + png;
    const QByteArray back23 = QByteArray(1, 0) + "image/png" + '\0' + char(4) + '\0' + png;
    struct Case
    {
        const char *what;
        QByteArray tag;
        QByteArray data;
        QString ext;
    } cases[] = {
        {"front cover after another picture",
         Id3v2(3, 0, Frame23("APIC", other23) + Frame23("APIC", front23)), jpeg,
         QStringLiteral("jpg")},
        {"a picture of type other alone", Id3v2(3, 0, Frame23("APIC", other23)), png,
         QStringLiteral("png")},
        {"a back cover alone", Id3v2(3, 0, Frame23("APIC", back23)), png, QStringLiteral("png")},
        {"version 2.2", Id3v2(2, 0, Frame22("PIC", other22)), png, QStringLiteral("png")},
        {"a picture frame cut short",
         Id3v2(3, 0, Frame23("APIC", QByteArray(1, 0) + "image/png")),
         {},
         QStringLiteral("jpg")},
        {"no tag", {}, {}, QStringLiteral("jpg")},
    };
    QTemporaryDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = dir.filePath(QStringLiteral("p.mp3"));
        WriteFileBytes(path, c.tag + Cbr128(4));
        const TMp3Picture picture = ReadMp3Picture(path);
        EXPECT_EQ(picture.Data, c.data);
        EXPECT_EQ(picture.Extension(), c.ext);
        TMP3File f; // reading the tags never needs the picture, only its frame's header
        f.ReadInfo(path);
        EXPECT_EQ(f.Length, 0);
        EXPECT_EQ(f.HasPicture, !c.tag.isEmpty());
    }
}

TEST(Mp3Command, JsonOfTheFixturesEqualsTheExpectations)
{
    const TRunResult r = RunQel({QStringLiteral("mp3"), kFixtures, QStringLiteral("--json")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QJsonDocument expected =
        QJsonDocument::fromJson(ReadFileBytes(kFixtures + QStringLiteral("/expectations.json")));
    EXPECT_EQ(QJsonDocument::fromJson(r.out), expected);

    const TRunResult one = RunQel({QStringLiteral("mp3"), kFixtures + QStringLiteral("/vbr.mp3")});
    EXPECT_EQ(one.exitCode, 0);
    EXPECT_TRUE(one.out.startsWith("vbr.mp3\t0\tVariable\t")) << one.out.constData();
    EXPECT_TRUE(one.out.endsWith("1 MP3 files\n"));

    const TRunResult missing = RunQel({QStringLiteral("mp3"), QStringLiteral("/no/such/path")});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_TRUE(missing.err.contains("no such file or folder"));
}

// The command writes its JSON itself: it must read back as the tags were, laid out as
// QJsonDocument lays it out.
TEST(Mp3Command, JsonReadsBackAsWrittenByQt)
{
    QTemporaryDir dir;
    const QString odd = QString::fromUtf8("\"quoted\" back\\slash\ttab\x01 \xc3\x9cn\xe2\x82\xac "
                                          "\xf0\x9f\x98\x80");
    WriteFileBytes(dir.filePath(QStringLiteral("odd.mp3")),
                   Id3v2(4, 0, Frame24("TIT2", char(3) + odd.toUtf8())) + Cbr128(4));
    QDir(dir.path()).mkdir(QStringLiteral("sub"));
    WriteFileBytes(dir.filePath(QStringLiteral("sub/plain.mp3")), Cbr128(4));
    const TRunResult r = RunQel({QStringLiteral("mp3"), dir.path(), QStringLiteral("--json")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QJsonDocument doc = QJsonDocument::fromJson(r.out);
    ASSERT_TRUE(doc.isArray()) << r.out.constData();
    EXPECT_EQ(r.out, doc.toJson(QJsonDocument::Indented));
    ASSERT_EQ(doc.array().size(), 2);
    EXPECT_EQ(doc.array()[0][QStringLiteral("path")], QStringLiteral("sub/plain.mp3"));
    EXPECT_EQ(doc.array()[1][QStringLiteral("title")], odd);
    EXPECT_EQ(doc.array()[1][QStringLiteral("size")],
              double(QFileInfo(dir.filePath(QStringLiteral("odd.mp3"))).size()));

    QDir(dir.path()).mkdir(QStringLiteral("none"));
    const TRunResult none = RunQel(
        {QStringLiteral("mp3"), dir.filePath(QStringLiteral("none")), QStringLiteral("--json")});
    EXPECT_EQ(none.out, QJsonDocument(QJsonArray()).toJson(QJsonDocument::Indented));
}

} // namespace
