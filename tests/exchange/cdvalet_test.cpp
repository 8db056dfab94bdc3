#include "exchange/cdvalet.h"
#include "exchange/discalbums.h"
#include "model/album.h"
#include "model/lookuplist.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "testsupport.h"

#include <QLockFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct TTrackBytes
{
    int start;
    QByteArray text;
    QByteArray notes = {};
};

// A record of CDValet.dat as CD Valet writes it.
QByteArray record(const QByteArray &id, const QByteArray &artist, const QByteArray &title,
                  std::initializer_list<TTrackBytes> tracks, int leadOut)
{
    QByteArray r = id + "\r\n0\r\n1\r\n0\r\n";
    r += QByteArray::number(artist.size()) + "\r\n" + artist + "\r\n";
    r += QByteArray::number(title.size()) + "\r\n" + title + "\r\n";
    r += "0\r\n\r\n" + QByteArray::number(qsizetype(tracks.size())) + "\r\n";
    for (const TTrackBytes &t : tracks) {
        r += QByteArray::number(t.start) + "\r\n";
        r += QByteArray::number(t.text.size()) + "\r\n" + t.text + "\r\n";
        r += QByteArray::number(t.notes.size()) + "\r\n" + t.notes + "\r\n";
    }
    r += QByteArray::number(leadOut) + "\r\n0\r\n\f\r\n";
    return r;
}

class CdValet : public ::testing::Test
{
protected:
    CdValet() { TCdValet::LockTimeout = 50; }
    ~CdValet() override { TCdValet::LockTimeout = 10000; }
    QString folder() const { return m_dir.path(); }
    QString toc() const { return m_dir.filePath(QStringLiteral("CDValet.toc")); }
    QString dat() const { return m_dir.filePath(QStringLiteral("CDValet.dat")); }
    void files(const QByteArray &tocBytes, const QByteArray &datBytes)
    {
        WriteFileBytes(toc(), tocBytes);
        WriteFileBytes(dat(), datBytes);
    }
    bool import(TQelDb &db, const QString &where)
    {
        TCdValet valet(where);
        TImportFromCdValet run(nullptr, db, valet);
        const bool result = run.Run();
        imported = run.Imported;
        skipped = run.Skipped;
        return result;
    }
    bool import(TQelDb &db) { return import(db, folder()); }
    bool exportAll(TQelDb &db, const QString &where)
    {
        TCdValet valet(where);
        TExportToCdValet run(nullptr, db.Albums, valet);
        const bool result = run.Run();
        added = run.Added;
        already = run.AlreadyThere;
        noScan = run.NoScanInfo;
        return result;
    }
    bool exportAll(TQelDb &db) { return exportAll(db, folder()); }

    TScriptedInterface ui;
    QTemporaryDir m_dir;
    int imported = -1, skipped = -1, added = -1, already = -1, noScan = -1;
};

TAlbum *scannedAlbum(TQelDb &db, const QString &title, const QString &artist, int discs)
{
    auto *album = new TAlbum(&db);
    album->Title = title;
    album->Artist = db.LookupList(fdArtist).GetOrAddShown(artist);
    for (int d = 1; d <= discs; ++d) {
        auto *disc = new TDisc(album);
        album->Add(disc);
        disc->Index = d;
        disc->MsDiscId = 0x1000 * qint32(db.AlbumCount() + 1) + d;
        disc->CddbDiscId = 0x0A000002;
        // The second track under a section header: exported all the same.
        auto *first = new TTrack(disc);
        disc->Add(first);
        auto *header = new THeader(disc);
        disc->Add(header);
        auto *second = new TTrack(header);
        header->Add(second);
        for (TTrack *track : {first, second}) {
            const int t = track == first ? 1 : 2;
            track->Title = QStringLiteral("Song %1").arg(t);
            track->Position = t;
            track->StartFrame = 150 + (t - 1) * 15000;
        }
        disc->LeadOut = 45150;
        disc->RebuildTrackList();
    }
    db.AddAlbum(album);
    return album;
}

} // namespace

TEST_F(CdValet, ImportsRecordsAndPassesOverTheMalformedOnes)
{
    const QByteArray first = "A1B2\r\n0\r\n1\r\n0\r\n4\r\nMara\r\n"
                             "30\r\nTwenty characters ok\r\nnine more\r\n" // a title over two lines
                             "5\r\nab\r\nc\r\n" // notes across a line break
                             "3\r\n"
                             "150\r\n12\r\nGuest / Song\r\n0\r\n\r\n"
                             "15150\r\n11\r\nPlain title\r\n2\r\nhi\r\n"
                             "30150\r\n7\r\nA/B/ C \r\n0\r\n\r\n"
                             "45150\r\n0\r\n\f\r\n";
    files("A1B2\r\n\r\nBAD\r\nZZ\r\nC3\r\nEMPTY\r\n",
          first + record("BAD", "x", "y", {{150, "t"}}, 0).replace("\r\n0\r\n\f", "\r\nxyz\r\n\f") +
              record("ZZ", "Not", "hexadecimal", {{150, "t"}}, 900) +
              record("C3", "", "Last", {{150, "One"}}, 1500) +
              record("EMPTY", "No", "tracks", {}, 150));
    TQelDb db;
    ASSERT_TRUE(import(db));
    EXPECT_EQ(imported, 2);
    EXPECT_EQ(skipped, 0);
    EXPECT_EQ(ui.messages.first(),
              QStringLiteral("6 CDs found in your CDValet database. Do you want "
                             "to mport these into your Qel database now?"));
    EXPECT_EQ(ui.messages.last(), QStringLiteral("Imported 2 CDs"));
    ASSERT_EQ(db.AlbumCount(), 2);

    const TAlbum *a = db.Album(0);
    EXPECT_EQ(a->Title.toString(), QStringLiteral("Twenty characters ok nine more"));
    EXPECT_EQ(a->GetFieldAsString(fdArtist), QStringLiteral("Mara"));
    EXPECT_EQ(a->Comments.toString(), QStringLiteral("ab c"));
    EXPECT_EQ(a->GetFieldAsString(fdFormat), QStringLiteral("CD"));
    // As if typed: only the artist shows its name as display name.
    EXPECT_EQ(a->Artist->DisplayName, QStringLiteral("Mara"));
    EXPECT_EQ(a->Format->DisplayName, QString());
    const TDisc *disc = a->Disc(0);
    EXPECT_EQ(disc->Index, 1);
    EXPECT_EQ(disc->MsDiscId, 0xA1B2);
    EXPECT_EQ(disc->Title.toString(), a->Title.toString());
    EXPECT_EQ(disc->LeadOut, 45150);
    ASSERT_EQ(disc->TrackCount(), 3);
    const struct
    {
        const char *title, *artist, *comments;
        int start, length;
    } tracks[] = {
        {"Song", "Guest", "", 150, 200},
        {"Plain title", "", "hi", 15150, 200},
        {"B/ C", "A", "", 30150, 200},
    };
    for (int t = 0; t < 3; ++t) {
        const TTrack *track = disc->Track(t);
        EXPECT_EQ(track->Title.toString(), QLatin1String(tracks[t].title));
        EXPECT_EQ(LookupDisplayText(track->Artist), QLatin1String(tracks[t].artist));
        EXPECT_EQ(track->Comments.toString(), QLatin1String(tracks[t].comments));
        EXPECT_EQ(track->StartFrame, tracks[t].start);
        EXPECT_EQ(track->Length, tracks[t].length);
        EXPECT_EQ(track->Index, t + 1);
        EXPECT_EQ(track->Position, t + 1);
    }
    // 150, 15150 and 30150 frames are 2, 202 and 402 s; 600 s from the first to the end.
    EXPECT_EQ(quint32(disc->CddbDiscId), (quint32((2 + 4 + 6) % 255) << 24) | (600u << 8) | 3u);
    EXPECT_EQ(db.Album(1)->Title.toString(), QStringLiteral("Last"));
    EXPECT_EQ(db.Album(1)->Artist, nullptr);
    EXPECT_EQ(db.Album(1)->Disc(0)->Track(0)->Length, 18);

    ui.messages.clear();
    EXPECT_FALSE(import(db));
    EXPECT_EQ(imported, 0);
    EXPECT_EQ(skipped, 2);
    EXPECT_EQ(ui.messages.last(), QStringLiteral("Imported 0 CDs\r\nSkipped 2 CDs because they "
                                                 "were already in your Qel database."));
}

TEST_F(CdValet, StopsWhereTheDataFileIsOutOfStep)
{
    files("AA\r\nBB\r\nCC\r\n", record("AA", "a", "First", {{150, "t"}}, 900) +
                                    record("CC", "c", "Third", {{150, "t"}}, 900));
    TQelDb db;
    EXPECT_TRUE(import(db));
    EXPECT_EQ(db.AlbumCount(), 1);
    EXPECT_TRUE(ui.messages.contains(QStringLiteral("Error reading CDValet database")));
    EXPECT_EQ(ui.messages.last(), QStringLiteral("Imported 1 CDs"));
}

TEST_F(CdValet, TellsWhyThereIsNothingToDo)
{
    TQelDb db;
    scannedAlbum(db, QStringLiteral("X"), QStringLiteral("Y"), 1);
    EXPECT_FALSE(import(db, {}));
    EXPECT_FALSE(exportAll(db, {}));
    EXPECT_EQ(ui.messages,
              (QStringList{
                  QStringLiteral("Qel could not find the CDValet application on this machine."),
                  QStringLiteral("Qel could not find the CDValet application on this system."),
              }));
    ui.messages.clear();
    WriteFileBytes(toc(), "1\r\n");
    EXPECT_FALSE(import(db)); // no data file
    EXPECT_EQ(ui.messages, QStringList{QStringLiteral("CDValet database is empty")});

    // Another program holds the lock: the message after the time-out, the files untouched.
    WriteFileBytes(dat(), record("1", "a", "b", {{150, "t"}}, 900));
    QLockFile other(TCdValet(folder()).LockFileName());
    ASSERT_TRUE(other.lock());
    ui.messages.clear();
    EXPECT_FALSE(import(db));
    EXPECT_FALSE(exportAll(db));
    const QString locked =
        QStringLiteral("Another application is currently using the CDValet database.");
    EXPECT_EQ(ui.messages, (QStringList{locked, locked}));
    EXPECT_EQ(ReadFileBytes(toc()), QByteArray("1\r\n"));
    other.unlock();
    ui.messages.clear();
    EXPECT_TRUE(exportAll(db));
    EXPECT_EQ(added, 1);
}

TEST_F(CdValet, ExportsScannedDiscsOnceWithFilteredTexts)
{
    TQelDb db;
    TAlbum *album = scannedAlbum(db, QStringLiteral("Tab\there é…"), QStringLiteral("Band"), 1);
    TTrack *guest = album->Disc(0)->Track(1);
    guest->Artist = db.LookupList(fdArtist).GetOrAddShown(QStringLiteral("Guest"));
    scannedAlbum(db, QStringLiteral("Two"), QStringLiteral("Duo"), 2);
    auto *byHand = new TAlbum(&db);
    byHand->Add(new TDisc(byHand));
    db.AddAlbum(byHand);
    TAlbum *noCddb = scannedAlbum(db, QStringLiteral("Half"), QStringLiteral("H"), 1);
    noCddb->Disc(0)->CddbDiscId = 0;
    files("OLD\r\n", "old record\r\n\f\r\n");

    ASSERT_TRUE(exportAll(db));
    EXPECT_EQ(added, 3);
    EXPECT_EQ(already, 0);
    EXPECT_EQ(noScan, 2);
    EXPECT_EQ(ui.messages.last(),
              QStringLiteral("Added 3 CDs to CDValet database\r\nSkipped 2 CDs "
                             "because they did not have the necessary scan info"));
    EXPECT_EQ(ReadFileBytes(toc()), QByteArray("OLD\r\n1001\r\n2001\r\n2002\r\n"));
    const QByteArray expectedFirst = "1001\r\n0\r\n1\r\n0\r\n4\r\nBand\r\n"
                                     "9\r\nTabhere \xe9\r\n0\r\n\r\n2\r\n"
                                     "150\r\n6\r\nSong 1\r\n0\r\n\r\n"
                                     "15150\r\n14\r\nGuest / Song 2\r\n0\r\n\r\n"
                                     "45150\r\n0\r\n\f\r\n";
    const QByteArray data = ReadFileBytes(dat());
    EXPECT_TRUE(data.startsWith("old record\r\n\f\r\n" + expectedFirst)) << data.toStdString();
    EXPECT_TRUE(data.contains("\r\n12\r\nTwo (disc 1)\r\n"));
    EXPECT_TRUE(data.contains("\r\n12\r\nTwo (disc 2)\r\n"));

    // Again: nothing appended, neither file rewritten.
    const QByteArray tocBefore = ReadFileBytes(toc());
    ASSERT_TRUE(exportAll(db));
    EXPECT_EQ(added, 0);
    EXPECT_EQ(already, 3);
    EXPECT_EQ(ui.messages.last(),
              QStringLiteral("Added 0 CDs to CDValet database\r\nSkipped 3 CDs because they were "
                             "already there\r\nSkipped 2 CDs because they did not have the "
                             "necessary scan info"));
    EXPECT_EQ(ReadFileBytes(toc()), tocBefore);
    EXPECT_EQ(ReadFileBytes(dat()), data);
}

TEST_F(CdValet, AnExportImportsBackAsTheSameAlbums)
{
    TQelDb db;
    scannedAlbum(db, QStringLiteral("Łódź nights"), QStringLiteral("Zoë"), 1);
    TAlbum *two = scannedAlbum(db, QStringLiteral("Pair"), QStringLiteral("Duo"), 2);
    two->Disc(1)->Track(0)->Artist = db.LookupList(fdArtist).GetOrAddShown(QStringLiteral("Guest"));
    ASSERT_TRUE(exportAll(db));

    TQelDb copy;
    ASSERT_TRUE(import(copy));
    ASSERT_EQ(copy.AlbumCount(), 3);
    const QStringList titles = {QStringLiteral("Łódź nights"), QStringLiteral("Pair (disc 1)"),
                                QStringLiteral("Pair (disc 2)")};
    for (int i = 0; i < 3; ++i) {
        const TAlbum *to = copy.Album(i);
        const TAlbum *from = db.Album(i == 0 ? 0 : 1);
        const TDisc *source = from->Disc(i == 0 ? 0 : i - 1);
        EXPECT_EQ(to->Title.toString(), titles[i]);
        EXPECT_EQ(to->GetFieldAsString(fdArtist), from->GetFieldAsString(fdArtist));
        const TDisc *disc = to->Disc(0);
        EXPECT_EQ(disc->MsDiscId, source->MsDiscId);
        EXPECT_EQ(disc->LeadOut, source->LeadOut);
        ASSERT_EQ(disc->TrackCount(), source->TrackCount());
        for (qsizetype t = 0; t < disc->TrackCount(); ++t) {
            EXPECT_EQ(disc->Track(t)->Title.toString(), source->Track(t)->Title.toString());
            EXPECT_EQ(LookupDisplayText(disc->Track(t)->Artist),
                      LookupDisplayText(source->Track(t)->Artist));
            EXPECT_EQ(disc->Track(t)->StartFrame, source->Track(t)->StartFrame);
        }
    }
}

TEST_F(CdValet, AFailedWriteLeavesBothFilesAsTheyWere)
{
    TQelDb db;
    for (int i = 0; i < 100; ++i)
        scannedAlbum(db, QStringLiteral("Album %1").arg(i), QStringLiteral("Artist"), 1);
    const QByteArray oldToc = "OLD\r\n", oldDat = "old record\r\n\f\r\n";
    files(oldToc, oldDat);
    {
        TFileSizeLimit limit(4096);
        EXPECT_FALSE(exportAll(db));
    }
    EXPECT_TRUE(
        ui.messages.last().startsWith(QStringLiteral("The CDValet database cannot be written")))
        << ui.messages.last().toStdString();
    EXPECT_EQ(ReadFileBytes(toc()), oldToc);
    EXPECT_EQ(ReadFileBytes(dat()), oldDat);
}

TEST(CdValetReader, NeverReadsPastTheEndOfATruncatedRecord)
{
    const QByteArray whole = record("AB", "artist", "title", {{150, "one", "notes"}}, 900);
    for (qsizetype cut = 0; cut < whole.size(); ++cut) {
        // A copy of exactly cut bytes, so that a read past it is caught.
        const QByteArray part(whole.constData(), cut);
        TCdValetReader reader(part);
        TCdValetRecord r;
        const auto result = reader.ReadRecord(QStringLiteral("AB"), r);
        if (cut <= whole.size() - 6) { // before the number after the lead-out
            EXPECT_NE(result, TCdValetReader::TResult::Ok) << cut;
        }
        EXPECT_TRUE(reader.AtEnd()) << cut;
    }
    // A length far beyond the file takes what is there and fails, without reserving it.
    TCdValetReader huge("AB\r\n0\r\n1\r\n0\r\n1\r\na\r\n2147483647\r\ntitle\r\n");
    TCdValetRecord r;
    EXPECT_EQ(huge.ReadRecord(QStringLiteral("AB"), r), TCdValetReader::TResult::Malformed);
}
