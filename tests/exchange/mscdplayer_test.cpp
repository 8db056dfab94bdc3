#include "exchange/discalbums.h"
#include "exchange/mscdplayer.h"
#include "model/album.h"
#include "model/lookuplist.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "testsupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct TTrackSpec
{
    const char *title;
    qint32 position;
    const char *artist = nullptr;
};

TDisc *addDisc(TAlbum &album, qint32 msId, std::initializer_list<TTrackSpec> tracks)
{
    auto *disc = new TDisc(&album);
    album.Add(disc);
    disc->Index = qint32(album.DiscCount());
    disc->MsDiscId = msId;
    for (const TTrackSpec &t : tracks) {
        auto *track = new TTrack(disc);
        disc->Add(track);
        track->Title = QString::fromUtf8(t.title);
        track->Position = t.position;
        if (t.artist)
            track->Artist =
                album.Db->LookupList(fdArtist).GetOrAddShown(QString::fromUtf8(t.artist));
    }
    disc->RebuildTrackList();
    return disc;
}

TAlbum *addAlbum(TQelDb &db, const char *title, const char *artist)
{
    auto *album = new TAlbum(&db);
    album->Title = QString::fromUtf8(title);
    album->Artist = db.LookupList(fdArtist).GetOrAddShown(QString::fromUtf8(artist));
    db.AddAlbum(album);
    return album;
}

class CdPlayer : public ::testing::Test
{
protected:
    QString ini() const { return m_dir.filePath(QStringLiteral("cdplayer.ini")); }
    QString read(const char *section, const char *key)
    {
        TMsCdPlayerIniFile file(ini());
        return file.ReadString(QLatin1String(section), QLatin1String(key),
                               QStringLiteral("<none>"));
    }
    bool import(TQelDb &db)
    {
        TImportMsCdPlayer run(nullptr, db, ini());
        const bool result = run.Run();
        imported = run.Imported;
        skipped = run.Skipped;
        unreadable = run.Unreadable;
        return result;
    }
    bool exportAll(TQelDb &db)
    {
        TExportMsCdPlayer run(nullptr, db.Albums, ini());
        const bool result = run.Run();
        added = run.Added;
        updated = run.Updated;
        skipped = run.Skipped;
        return result;
    }

    TScriptedInterface ui;
    QTemporaryDir m_dir;
    int imported = -1, skipped = -1, unreadable = -1, added = -1, updated = -1;
};

} // namespace

TEST_F(CdPlayer, ImportsEachDiscOnceAndPassesOverSectionsThatNameNone)
{
    WriteFileBytes(ini(), "[A1B2C3]\r\nEntryType=1\r\nartist=The Band\r\ntitle=First\r\n"
                          "numtracks=2\r\n0=Opening\r\n1=Clos\xe9\r\n\r\n"
                          "[5]\r\ntitle=No tracks\r\n"
                          "[Settings]\r\nnumtracks=3\r\n"
                          "[123456789]\r\nnumtracks=1\r\n"
                          "[77]\r\nnumtracks=99999\r\n");
    TQelDb db;
    ASSERT_TRUE(import(db));
    EXPECT_EQ(imported, 2);
    // Not hexadecimal, nine digits, not a disc's track count: none is in the collection.
    EXPECT_EQ(skipped, 0);
    EXPECT_EQ(unreadable, 3);
    EXPECT_EQ(ui.messages.first(),
              QStringLiteral("5 CDs found in your CDPLAYER.INI file. Do you "
                             "want to mport these into your Qel database now?"));
    EXPECT_EQ(ui.messages.last(),
              QStringLiteral("Imported 2 CDs\r\nSkipped 3 entries that could not be read."));
    ASSERT_EQ(db.AlbumCount(), 2);
    const TAlbum *a = db.Album(0);
    EXPECT_EQ(a->Title.toString(), QStringLiteral("First"));
    EXPECT_EQ(a->GetFieldAsString(fdArtist), QStringLiteral("The Band"));
    EXPECT_EQ(a->GetFieldAsString(fdFormat), QStringLiteral("CD"));
    // As if typed: only the artist shows its name as display name.
    EXPECT_EQ(a->Artist->DisplayName, QStringLiteral("The Band"));
    EXPECT_EQ(a->Format->DisplayName, QString());
    ASSERT_EQ(a->DiscCount(), 1);
    const TDisc *disc = a->Disc(0);
    EXPECT_EQ(disc->Index, 1);
    EXPECT_EQ(disc->MsDiscId, 0xA1B2C3);
    ASSERT_EQ(disc->TrackCount(), 2);
    EXPECT_EQ(disc->Track(0)->Title.toString(), QStringLiteral("Opening"));
    EXPECT_EQ(disc->Track(1)->Title.toString(), QStringLiteral("Closé"));
    EXPECT_EQ(disc->Track(1)->Index, 2);
    EXPECT_EQ(disc->Track(1)->Position, 2);
    // Without "numtracks": a disc without tracks, and no artist entry for no artist.
    EXPECT_EQ(db.Album(1)->Disc(0)->TrackCount(), 0);
    EXPECT_EQ(db.Album(1)->Artist, nullptr);
    EXPECT_EQ(db.LookupList(fdFormat).Count(), 1);

    ui.messages.clear();
    EXPECT_FALSE(import(db)); // the second time every disc is there already
    EXPECT_EQ(imported, 0);
    EXPECT_EQ(skipped, 2);
    EXPECT_EQ(unreadable, 3);
    EXPECT_EQ(ui.messages.last(),
              QStringLiteral("Imported 0 CDs\r\nSkipped 2 CDs because they were already in your "
                             "Qel database.\r\nSkipped 3 entries that could not be read."));
    EXPECT_EQ(db.AlbumCount(), 2);

    ui.yes = false;
    TQelDb other;
    EXPECT_FALSE(import(other));
    EXPECT_EQ(other.AlbumCount(), 0);
}

TEST_F(CdPlayer, AMissingFileOffersNothingAndTheExportCreatesIt)
{
    TQelDb db;
    EXPECT_FALSE(import(db));
    EXPECT_TRUE(ui.messages.first().startsWith(QStringLiteral("0 CDs found")));
    EXPECT_FALSE(QFile::exists(ini()));

    TAlbum *album = addAlbum(db, "Title", "Artist");
    addDisc(*album, 0x394BC, {{"One", 1}});
    ASSERT_TRUE(exportAll(db));
    EXPECT_EQ(read("394BC", "title"), QStringLiteral("Title"));
}

TEST_F(CdPlayer, ExportsDiscsAsTheCdPlayerKeepsThem)
{
    TQelDb db;
    TAlbum *two = addAlbum(db, "Double", "Duo");
    addDisc(*two, 0x1F, {{"A", 1}, {"B", 2, "Guest"}, {"C", 3}});
    TDisc *second = addDisc(*two, 0x2F, {{"Zero", 0}, {"First", 5}, {"Second", 5}});
    second->Artist = db.LookupList(fdArtist).GetOrAddShown(QStringLiteral("Disc Artist"));
    TAlbum *handmade = addAlbum(db, "By hand", "Someone");
    addDisc(*handmade, 0, {{"x", 1}});
    // An existing section keeps what the export does not write.
    WriteFileBytes(ini(), "[1F]\r\nnumtracks=9\r\n8=Ninth\r\ntitle=Old\r\n");

    ASSERT_TRUE(exportAll(db));
    EXPECT_EQ(added, 1);
    EXPECT_EQ(updated, 1);
    EXPECT_EQ(skipped, 1);
    EXPECT_EQ(
        ui.messages.last(),
        QStringLiteral("Added 1 CDs to CDPLAYER.INI\r\nUpdated 1 CDs because they were "
                       "already there\r\nSkipped 1 CDs because they had no valid MS Disc ID"));
    const struct
    {
        const char *section, *key, *value;
    } cases[] = {
        {"1F", "EntryType", "1"},
        {"1F", "artist", "Duo"},
        {"1F", "title", "Double (disc 1)"},
        {"1F", "0", "A"},
        {"1F", "1", "Guest - B"},
        {"1F", "2", "C"},
        {"1F", "order", "0 1 2 "},
        {"1F", "numplay", "3"},
        {"1F", "numtracks", "3"},
        {"1F", "8", "Ninth"},
        {"2F", "artist", "Disc Artist"},
        {"2F", "title", "Double (disc 2)"},
        {"2F", "-1", "Zero"},
        {"2F", "4", "Second"},
        {"2F", "numtracks", "3"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(read(c.section, c.key), QLatin1String(c.value)) << c.section << " " << c.key;

    // Again: every disc is updated, and the file, unchanged, is not rewritten.
    const QByteArray first = ReadFileBytes(ini());
    ASSERT_TRUE(exportAll(db));
    EXPECT_EQ(added, 0);
    EXPECT_EQ(updated, 2);
    EXPECT_EQ(ReadFileBytes(ini()), first);
}

TEST_F(CdPlayer, AnExportImportsBackAsTheSameAlbums)
{
    TQelDb db;
    TAlbum *a = addAlbum(db, "Songs of Łódź", "Zoë");
    addDisc(*a, 0x12345, {{"Ünder", 1}, {"Over", 2}});
    TAlbum *b = addAlbum(db, "Second", "Other");
    addDisc(*b, 0xFDDAF, {{"Only", 1}});
    ASSERT_TRUE(exportAll(db));

    TQelDb copy;
    ASSERT_TRUE(import(copy));
    ASSERT_EQ(copy.AlbumCount(), 2);
    for (qsizetype i = 0; i < 2; ++i) {
        const TAlbum *from = db.Album(i), *to = copy.Album(i);
        EXPECT_EQ(to->Title.toString(), from->Title.toString());
        EXPECT_EQ(to->GetFieldAsString(fdArtist), from->GetFieldAsString(fdArtist));
        EXPECT_EQ(to->Disc(0)->MsDiscId, from->Disc(0)->MsDiscId);
        ASSERT_EQ(to->Disc(0)->TrackCount(), from->Disc(0)->TrackCount());
        for (qsizetype t = 0; t < from->Disc(0)->TrackCount(); ++t)
            EXPECT_EQ(to->Disc(0)->Track(t)->Title.toString(),
                      from->Disc(0)->Track(t)->Title.toString());
    }
}

TEST_F(CdPlayer, AFileThatCannotBeWrittenStaysAsItWas)
{
    TQelDb db;
    for (int i = 1; i <= 300; ++i)
        addDisc(*addAlbum(db, "Album", "Artist"), i, {{"Track with a long title", 1}});
    const QByteArray old = "[1]\r\ntitle=kept\r\n\r\n";
    WriteFileBytes(ini(), old);
    {
        TFileSizeLimit limit(2048);
        EXPECT_FALSE(exportAll(db));
    }
    EXPECT_EQ(ReadFileBytes(ini()), old);
    EXPECT_TRUE(ui.messages.last().contains(QStringLiteral("cannot be written")))
        << ui.messages.last().toStdString();
}
