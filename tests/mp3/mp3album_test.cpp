#include "model/album.h"
#include "model/lookuplist.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "mp3/mp3album.h"
#include "mp3/mp3scan.h"
#include "mp3testsupport.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

// The album as lines: "disc Title", "  header Title", "    track Index Title".
QStringList shape(const TAlbum &album)
{
    QStringList out;
    std::function<void(const TDataItem *, int)> walk = [&](const TDataItem *item, int depth) {
        for (qsizetype i = 0; i < item->Count(); ++i) {
            const TDataItem *child = item->Items(i);
            const QString pad(depth * 2, u' ');
            switch (child->Kind()) {
            case TItemKind::Disc:
                out << pad + QStringLiteral("disc %1 %2")
                                 .arg(child->Index)
                                 .arg(QString(child->Title));
                break;
            case TItemKind::Header:
                out << pad + QStringLiteral("header %1 %2")
                                 .arg(child->Index)
                                 .arg(QString(child->Title));
                break;
            default:
                out << pad + QStringLiteral("track %1 %2")
                                 .arg(child->Index)
                                 .arg(QString(child->Title));
            }
            walk(child, depth + 1);
        }
    };
    walk(&album, 0);
    return out;
}

} // namespace

TEST(Mp3Album, FoldersToDiscsHeadersAndTracks)
{
    const struct
    {
        const char *what;
        QStringList files;
        const char *artist;
        const char *title; // "" = the folder's name
        QStringList shape;
    } cases[] = {
        {"one folder",
         {QStringLiteral("b.mp3=v1.mp3"), QStringLiteral("a.mp3=v1.mp3")},
         "Plain Artist",
         "Plain Album",
         {QStringLiteral("disc 1 Plain Album"), QStringLiteral("  track 1 Plain Title"),
          QStringLiteral("  track 2 Plain Title")}},
        {"subfolders CD1 and CD2",
         {QStringLiteral("CD2/x.mp3=v1.mp3"), QStringLiteral("CD1/x.mp3=v1.mp3"),
          QStringLiteral("CD1/y.mp3=v1.mp3")},
         "Plain Artist",
         "Plain Album",
         {QStringLiteral("disc 1 CD1"), QStringLiteral("  track 1 Plain Title"),
          QStringLiteral("  track 2 Plain Title"), QStringLiteral("disc 2 CD2"),
          QStringLiteral("  track 1 Plain Title")}},
        {"a header folder and the root's own files",
         {QStringLiteral("CD1/z.mp3=v1.mp3"), QStringLiteral("CD1/Part/deep/a.mp3=v1.mp3"),
          QStringLiteral("CD1/Part/b.mp3=v1.mp3"), QStringLiteral("loose.mp3=v1.mp3")},
         "Plain Artist",
         "Plain Album",
         {QStringLiteral("disc 1 CD1"), QStringLiteral("  header 1 Part"),
          QStringLiteral("    track 1 Plain Title"), QStringLiteral("    track 2 Plain Title"),
          QStringLiteral("  track 2 Plain Title"), QStringLiteral("disc 2 Other Files"),
          QStringLiteral("  track 1 Plain Title")}},
        {"a header between files, in name order",
         {QStringLiteral("CD1/a.mp3=v1.mp3"), QStringLiteral("CD1/Bonus/x.mp3=v1.mp3"),
          QStringLiteral("CD1/c.mp3=v1.mp3")},
         "Plain Artist",
         "Plain Album",
         {QStringLiteral("disc 1 Plain Album"), QStringLiteral("  track 1 Plain Title"),
          QStringLiteral("  header 2 Bonus"), QStringLiteral("    track 1 Plain Title"),
          QStringLiteral("  track 3 Plain Title")}},
        {"artists and albums that disagree, an untagged file",
         {QStringLiteral("1.mp3=v1.mp3"), QStringLiteral("2.mp3=v11.mp3"),
          QStringLiteral("3 untagged.mp3=")},
         "Various",
         "",
         {QStringLiteral("disc 1 Shelf"), QStringLiteral("  track 1 Plain Title"),
          QStringLiteral("  track 2 Café"), QStringLiteral("  track 3 3 untagged.mp3")}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        TTestHome home;
        const QString root = home.file(QStringLiteral("Shelf"));
        LayOutMp3Tree(root, c.files);
        std::unique_ptr<TMP3Folder> tree = ScanMp3Folder(root);
        SortMp3Tree(*tree);
        TQelDb db;
        std::unique_ptr<TAlbum> album(CreateFromMP3Folder(*tree, db, nullptr, QString()));
        EXPECT_EQ(album->GetFieldAsString(fdArtist), QString::fromUtf8(c.artist));
        EXPECT_EQ(QString(album->Title),
                  *c.title ? QString::fromUtf8(c.title) : QStringLiteral("Shelf"));
        EXPECT_EQ(album->GetFieldAsString(fdFormat), QStringLiteral("MP3"));
        EXPECT_EQ(shape(*album), c.shape);
    }
}

TEST(Mp3Album, TrackFieldsAndTheFoldersCover)
{
    TTestHome home;
    const QString root = home.file(QStringLiteral("Shelf"));
    LayOutMp3Tree(root, {QStringLiteral("song.mp3=v11.mp3")});
    ASSERT_TRUE(QFile::copy(QStringLiteral(QEL_TEST_FIXTURES "/covers/cmyk-red-blue.jpg"),
                            root + QStringLiteral("/Cover.JPG")));
    const QString covers = home.file(QStringLiteral("covers"));
    QDir().mkpath(covers);
    WriteFileBytes(covers + QStringLiteral("/Album 11.jpg"), "another album's cover");

    std::unique_ptr<TMP3Folder> tree = ScanMp3Folder(root);
    SortMp3Tree(*tree);
    TQelDb db;
    std::unique_ptr<TAlbum> album(CreateFromMP3Folder(*tree, db, nullptr, covers));
    const TTrack *track = album->Disc(0)->Track(0);
    EXPECT_EQ(track->Position, 7);
    EXPECT_EQ(track->GetFieldAsString(fdArtist), QStringLiteral("Artist 11"));
    EXPECT_EQ(track->GetFieldAsString(fdGenre), QStringLiteral("Folklore"));
    // Only artists take their name as display name; genre and format are made as typed.
    EXPECT_EQ(track->Artist->DisplayName, QStringLiteral("Artist 11"));
    EXPECT_TRUE(track->Genre->DisplayName.isEmpty());
    EXPECT_TRUE(album->Format->DisplayName.isEmpty());
    EXPECT_EQ(QString(track->Year), QStringLiteral("2001"));
    EXPECT_EQ(QString(track->Comments), QStringLiteral("short"));
    EXPECT_EQ(track->Length, 1);
    EXPECT_EQ(QString(track->AudioFile), root + QStringLiteral("/song.mp3"));
    // The cover goes in under a name of its own; the other album's stays.
    EXPECT_EQ(QString(album->CoverFile), QStringLiteral("Album 11 (2).jpg"));
    EXPECT_EQ(ReadFileBytes(covers + QStringLiteral("/Album 11.jpg")), "another album's cover");
    EXPECT_EQ(ReadFileBytes(covers + QStringLiteral("/Album 11 (2).jpg")),
              ReadFileBytes(root + QStringLiteral("/Cover.JPG")));
    EXPECT_TRUE(album->HasThumbnail());
}

TEST(Mp3Album, APictureInAFileBecomesTheCoverWhenTheFolderHasNone)
{
    TTestHome home;
    const QString root = home.file(QStringLiteral("Shelf"));
    LayOutMp3Tree(root, {QStringLiteral("1.mp3=v1.mp3"), QStringLiteral("2.mp3=picture.mp3")});
    const QString covers = home.file(QStringLiteral("covers")); // made by the copy

    std::unique_ptr<TMP3Folder> tree = ScanMp3Folder(root);
    SortMp3Tree(*tree);
    TQelDb db;
    std::unique_ptr<TAlbum> album(CreateFromMP3Folder(*tree, db, nullptr, covers));
    ASSERT_FALSE(QString(album->CoverFile).isEmpty());
    const QByteArray stored = ReadFileBytes(covers + QLatin1Char('/') + album->CoverFile);
    // The picture frame's data exactly: a JPEG start and the fixture's 8000 zero bytes.
    EXPECT_EQ(stored, QByteArray("\xff\xd8", 2) + QByteArray(8000, '\0'));
    EXPECT_TRUE(QString(album->CoverFile).endsWith(QLatin1String(".jpg")));

    // A folder's own picture wins over the one in a file.
    ASSERT_TRUE(QFile::copy(QStringLiteral(QEL_TEST_FIXTURES "/covers/cmyk-red-blue.jpg"),
                            root + QStringLiteral("/folder.jpg")));
    std::unique_ptr<TAlbum> second(CreateFromMP3Folder(*tree, db, nullptr, covers));
    EXPECT_EQ(ReadFileBytes(covers + QLatin1Char('/') + second->CoverFile),
              ReadFileBytes(root + QStringLiteral("/folder.jpg")));
}

// A box set ripped into one folder: twelve FLAC files of discs 1 and 2 whose names mix the
// discs. A disc per number, each in name order; the album artist that all but one file
// name; the front cover of a disc 2 track, though a back cover comes earlier.
TEST(Mp3Album, BoxSetInOneFolderGetsADiscPerNumber)
{
    TTestHome home;
    const QString root = home.file(QStringLiteral("Box"));
    QStringList files;
    for (const QString &name :
         QDir(kAudioFixtures + QStringLiteral("/discs")).entryList(QDir::Files))
        files << name + QStringLiteral("=discs/") + name;
    ASSERT_EQ(files.size(), 12);
    LayOutMp3Tree(root, files);
    const QString covers = home.file(QStringLiteral("covers"));

    std::unique_ptr<TMP3Folder> tree = ScanMp3Folder(root);
    TQelDb db;
    std::unique_ptr<TAlbum> album(CreateFromMP3Folder(*tree, db, nullptr, covers));
    QStringList expected;
    for (int disc = 1; disc <= 2; ++disc) {
        expected << QStringLiteral("disc %1 ").arg(disc);
        for (int track = 1; track <= 6; ++track)
            expected << QStringLiteral("  track %1 Disc %2 Track %1").arg(track).arg(disc);
    }
    EXPECT_EQ(shape(*album), expected);
    EXPECT_EQ(album->GetFieldAsString(fdArtist), QStringLiteral("Box Set Ensemble"));
    EXPECT_EQ(QString(album->Title), QStringLiteral("Box Set"));
    EXPECT_EQ(album->GetFieldAsString(fdFormat), QStringLiteral("FLAC"));
    EXPECT_EQ(album->Disc(1)->Track(3)->GetFieldAsString(fdArtist), QStringLiteral("Choir"));
    ASSERT_TRUE(QString(album->CoverFile).endsWith(QLatin1String(".jpg")));
    EXPECT_EQ(ReadFileBytes(covers + u'/' + album->CoverFile),
              ReadFileBytes(kAudioFixtures + QStringLiteral("/pictures/front.jpg")));
    EXPECT_TRUE(album->HasThumbnail());
}

// Disc numbers split only a folder of files alone; the album artist that every file naming
// one agrees on wins over the track artists; the format is the files' own, or "Digital".
TEST(Mp3Album, DiscNumbersAlbumArtistAndFormatOfEveryFormat)
{
    const struct
    {
        const char *what;
        QStringList files;
        const char *artist;
        const char *format;
        QStringList shape;
    } cases[] = {
        {"discs 2, 1 and a file without a number",
         {QStringLiteral("a.flac=formats/flac.flac"), QStringLiteral("b.ogg=formats/vorbis.ogg"),
          QStringLiteral("c.opus=formats/opus.opus")},
         "Qel Ensemble",
         "Digital",
         {QStringLiteral("disc 1 "), QStringLiteral("  track 1 Vorbis Title"),
          QStringLiteral("  track 2 Opus Title"), QStringLiteral("disc 2 "),
          QStringLiteral("  track 1 FLAC Title")}},
        {"one disc number alone",
         {QStringLiteral("a.ogg=formats/vorbis.ogg"), QStringLiteral("b.opus=formats/opus.opus")},
         "Qel Ensemble",
         "Digital",
         {QStringLiteral("disc 1 Formats"), QStringLiteral("  track 1 Vorbis Title"),
          QStringLiteral("  track 2 Opus Title")}},
        {"subfolders make the discs, whatever the numbers",
         {QStringLiteral("CD1/a.flac=formats/flac.flac"),
          QStringLiteral("CD2/b.ogg=formats/vorbis.ogg")},
         "Qel Ensemble",
         "Digital",
         {QStringLiteral("disc 1 CD1"), QStringLiteral("  track 1 FLAC Title"),
          QStringLiteral("disc 2 CD2"), QStringLiteral("  track 1 Vorbis Title")}},
        {"album artists that differ, and artists too",
         {QStringLiteral("a.flac=formats/flac.flac"), QStringLiteral("b.wma=formats/wma.wma")},
         "Various",
         "Digital",
         {QStringLiteral("disc 1 Formats"), QStringLiteral("  track 1 FLAC Title"),
          QStringLiteral("  track 2 WMA Title")}},
        {"no album artist: the one artist",
         {QStringLiteral("a.oga=formats/oggflac.oga"), QStringLiteral("b.oga=formats/oggflac.oga")},
         "Xiph Artist",
         "FLAC",
         {QStringLiteral("disc 1 Formats"), QStringLiteral("  track 1 Ogg FLAC Title"),
          QStringLiteral("  track 2 Ogg FLAC Title")}},
        {"FLAC in Ogg and on its own, and a file no reader makes out",
         {QStringLiteral("a.flac=formats/flac.flac"), QStringLiteral("b.oga=formats/oggflac.oga"),
          QStringLiteral("c.flac=")},
         "Qel Ensemble",
         "FLAC",
         {QStringLiteral("disc 1 Shelf"), QStringLiteral("  track 1 FLAC Title"),
          QStringLiteral("  track 2 Ogg FLAC Title"), QStringLiteral("  track 3 c.flac")}},
        {"AAC and ALAC",
         {QStringLiteral("a.m4a=formats/aac.m4a"), QStringLiteral("b.m4a=formats/alac.m4a")},
         "Qel Ensemble",
         "Digital",
         {QStringLiteral("disc 1 "), QStringLiteral("  track 1 AAC Title"),
          QStringLiteral("disc 2 "), QStringLiteral("  track 1 ALAC Title")}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        TTestHome home;
        const QString root = home.file(QStringLiteral("Shelf"));
        LayOutMp3Tree(root, c.files);
        std::unique_ptr<TMP3Folder> tree = ScanMp3Folder(root);
        TQelDb db;
        std::unique_ptr<TAlbum> album(CreateFromMP3Folder(*tree, db, nullptr, QString()));
        EXPECT_EQ(album->GetFieldAsString(fdArtist), QLatin1String(c.artist));
        EXPECT_EQ(album->GetFieldAsString(fdFormat), QLatin1String(c.format));
        EXPECT_EQ(shape(*album), c.shape);
    }
}

// Without a cover file in the folder: the first front cover in track order, else the
// first picture of any kind, stored under the picture's own extension.
TEST(Mp3Album, TheCoverFromThePicturesTheFilesCarry)
{
    const QByteArray front = ReadFileBytes(kAudioFixtures + QStringLiteral("/pictures/front.jpg"));
    const QByteArray back = ReadFileBytes(kAudioFixtures + QStringLiteral("/pictures/back.png"));
    const struct
    {
        const char *what;
        QStringList files;
        QByteArray cover;
        const char *extension;
    } cases[] = {
        {"a back cover alone",
         {QStringLiteral("1.opus=formats/opus.opus"), QStringLiteral("2.ogg=formats/vorbis.ogg")},
         back,
         "png"},
        {"a later front cover before an earlier back cover",
         {QStringLiteral("1.ape=formats/monkey.ape"), QStringLiteral("2.wv=formats/wavpack.wv")},
         front,
         "jpg"},
        {"a front cover in an MP4 file", {QStringLiteral("1.m4a=formats/aac.m4a")}, front, "jpg"},
        {"no pictures",
         {QStringLiteral("1.opus=formats/opus.opus"), QStringLiteral("2.wav=formats/wav.wav")},
         {},
         ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        TTestHome home;
        const QString root = home.file(QStringLiteral("Shelf"));
        LayOutMp3Tree(root, c.files);
        const QString covers = home.file(QStringLiteral("covers"));
        std::unique_ptr<TMP3Folder> tree = ScanMp3Folder(root);
        TQelDb db;
        std::unique_ptr<TAlbum> album(CreateFromMP3Folder(*tree, db, nullptr, covers));
        const QString coverFile = album->CoverFile;
        EXPECT_EQ(QFileInfo(coverFile).suffix(), QLatin1String(c.extension));
        EXPECT_EQ(coverFile.isEmpty() ? QByteArray() : ReadFileBytes(covers + u'/' + coverFile),
                  c.cover);
    }
}
