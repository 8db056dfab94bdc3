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
