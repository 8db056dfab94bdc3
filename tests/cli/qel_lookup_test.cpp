#include "model/album.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "shell/settingsstore.h"
#include "testsupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

const QString kDemo = QStringLiteral(QEL_BINARY_DIR "/resources/demo.qel");

// A small collection: artists named alike, two albums bought twice.
QString smallCollection(const TTestHome &home)
{
    TQelDb db;
    TLookupList &artists = db.LookupList(fdArtist);
    auto add = [&](const char *title, const char *artist, qint32 cddb) {
        auto *album = new TAlbum(&db);
        album->Title = QString::fromUtf8(title);
        album->Artist = artists.GetOrAdd(QString::fromUtf8(artist));
        album->Year = QStringLiteral("1969");
        auto *disc = new TDisc(album);
        disc->CddbDiscId = cddb;
        album->Add(disc);
        db.AddAlbum(album);
    };
    add("Abbey Road", "The Beatles", 0);
    add("Abbey Road", "Beatles, The", 0);
    add("Lowlight", "Northern Static", 0x2a);
    add("Other Title", "Someone", 0x2a);
    add("Alone", "Solenne", 0);
    const QString path = home.file(QStringLiteral("small.qel"));
    db.Save(path);
    return path;
}

} // namespace

// The merge repoints every album and track, removes the others, keeps a backup, and the
// file reads back with the kept entry wherever the others were.
TEST(QelLookup, MergeFoldsEntriesIntoTheKeptOneInTheFile)
{
    TTestHome home;
    const QString path = home.file(QStringLiteral("demo.qel"));
    ASSERT_TRUE(QFile::copy(kDemo, path));
    const auto before = RunQel({QStringLiteral("list"), path, QStringLiteral("--group"),
                                QStringLiteral("Artist/Composer"), QStringLiteral("--folder"),
                                QStringLiteral("Mara Kestrel"), QStringLiteral("--columns"),
                                QStringLiteral("Title")});
    ASSERT_EQ(before.exitCode, 0) << before.err.constData();

    // Names as the list shows them: a display name, a sort name.
    const TRunResult r =
        RunQel({QStringLiteral("lookup"), QStringLiteral("merge"), path,
                QStringLiteral("Artist/Composer"), QStringLiteral("Northern Static"),
                QStringLiteral("Mara Kestrel"), QStringLiteral("Paper Lanterns, The")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.out.startsWith("Merged 2 entries into \"Northern Static\": "))
        << r.out.constData();

    const auto after = RunQel({QStringLiteral("list"), path, QStringLiteral("--group"),
                               QStringLiteral("Artist/Composer"), QStringLiteral("--folder"),
                               QStringLiteral("Northern Static"), QStringLiteral("--columns"),
                               QStringLiteral("Title")});
    ASSERT_EQ(after.exitCode, 0);
    for (const QByteArray &line : before.out.split('\n')) {
        if (!line.isEmpty() && !line.contains("album") && !line.startsWith("Filter")) {
            EXPECT_TRUE(after.out.contains(line)) << line.constData();
        }
    }
    const TRunResult dump = RunQel({QStringLiteral("dump"), path});
    ASSERT_EQ(dump.exitCode, 0);
    // The artist list without them (the songwriters keep their own Mara Kestrel).
    QByteArray artistList;
    for (const QByteArray &line : dump.out.split('\n'))
        if (line.trimmed().startsWith("\"Artist/Composer\": ["))
            artistList = line;
    ASSERT_FALSE(artistList.isEmpty());
    EXPECT_TRUE(artistList.contains("Northern Static"));
    EXPECT_FALSE(artistList.contains("Kestrel, Mara"));
    EXPECT_FALSE(artistList.contains("Paper Lanterns, The"));
    const TRunResult backups = RunQel({QStringLiteral("backups"), path});
    EXPECT_FALSE(backups.out.isEmpty()) << "a backup before the change";
}

TEST(QelLookup, MergeFollowsTheFieldDefaultsAndRefusesBadNames)
{
    TTestHome home;
    const QString path = home.file(QStringLiteral("demo.qel"));
    ASSERT_TRUE(QFile::copy(kDemo, path));
    {
        TIniSettingsStore settings;
        settings.WriteString(QStringLiteral("Defaults"), QStringLiteral("Genre"),
                             QStringLiteral("dream pop"));
        ASSERT_TRUE(settings.Sync());
    }
    const QByteArray bytes = ReadFileBytes(path);
    const struct
    {
        QStringList args;
        const char *message;
    } refused[] = {
        {{QStringLiteral("Colour"), QStringLiteral("A"), QStringLiteral("B")},
         "Unknown field \"Colour\""},
        {{QStringLiteral("Title"), QStringLiteral("A"), QStringLiteral("B")},
         "\"Title\" is not a lookup field"},
        {{QStringLiteral("Genre"), QStringLiteral("Pop"), QStringLiteral("Polka")},
         "There is no entry \"Polka\" in the list"},
        {{QStringLiteral("Genre"), QStringLiteral("Pop")}, "Usage: qel lookup merge"},
    };
    for (const auto &c : refused) {
        const TRunResult r =
            RunQel(QStringList{QStringLiteral("lookup"), QStringLiteral("merge"), path} + c.args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.constData();
        EXPECT_EQ(ReadFileBytes(path), bytes);
    }

    const TRunResult r =
        RunQel({QStringLiteral("lookup"), QStringLiteral("merge"), path, QStringLiteral("Genre"),
                QStringLiteral("Pop"), QStringLiteral("Dream Pop")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.out.contains("The field defaults name \"Pop\""));
    TIniSettingsStore settings;
    EXPECT_EQ(settings.ReadString(QStringLiteral("Defaults"), QStringLiteral("Genre"), {}),
              QStringLiteral("Pop"));
}

TEST(QelLookup, SimilarAndDuplicatesPrintTheGroups)
{
    TTestHome home;
    const QString path = smallCollection(home);
    const TRunResult similar = RunQel({QStringLiteral("lookup"), QStringLiteral("similar"), path,
                                       QStringLiteral("Artist/Composer")});
    ASSERT_EQ(similar.exitCode, 0) << similar.err.constData();
    EXPECT_EQ(QString::fromUtf8(similar.out),
              QStringLiteral("Beatles, The\t\nThe Beatles\t\n\n1 group\n"));
    const TRunResult json = RunQel({QStringLiteral("lookup"), QStringLiteral("similar"), path,
                                    QStringLiteral("Artist/Composer"), QStringLiteral("--json")});
    const QJsonObject doc = QJsonDocument::fromJson(json.out).object();
    EXPECT_EQ(doc[QStringLiteral("field")].toString(), QStringLiteral("Artist/Composer"));
    EXPECT_EQ(doc[QStringLiteral("groups")].toArray().size(), 1);

    const TRunResult dups = RunQel({QStringLiteral("duplicates"), path});
    ASSERT_EQ(dups.exitCode, 0) << dups.err.constData();
    EXPECT_EQ(QString::fromUtf8(dups.out),
              QStringLiteral("title-artist\n1\tAbbey Road\tThe Beatles\t\t1969\t\t\n"
                             "2\tAbbey Road\tBeatles, The\t\t1969\t\t\n\n"
                             "cddb\n3\tLowlight\tNorthern Static\t\t1969\t\t\n"
                             "4\tOther Title\tSomeone\t\t1969\t\t\n\n2 groups, 4 albums\n"));
    const TRunResult dupsJson =
        RunQel({QStringLiteral("duplicates"), path, QStringLiteral("--json")});
    const QJsonArray groups =
        QJsonDocument::fromJson(dupsJson.out).object()[QStringLiteral("groups")].toArray();
    ASSERT_EQ(groups.size(), 2);
    EXPECT_EQ(groups[1].toObject()[QStringLiteral("rules")].toArray(),
              QJsonArray{QStringLiteral("cddb")});
    EXPECT_EQ(groups[1]
                  .toObject()[QStringLiteral("albums")]
                  .toArray()[0]
                  .toObject()[QStringLiteral("title")]
                  .toString(),
              QStringLiteral("Lowlight"));

    const TRunResult bad = RunQel({QStringLiteral("duplicates"), path, QStringLiteral("--xml")});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(bad.err.contains("Unknown option --xml"));
}
