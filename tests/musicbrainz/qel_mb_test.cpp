// `qel mb query` and `qel mb add` against the test server.
#include "mbsupport.h"
#include "mbtestserver.h"
#include "model/album.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "shell/settingsstore.h"
#include "testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

struct TCliHost
{
    TTestHome home;
    TMbTestServer server{MbFixtures()};
    QString covers = home.file(QStringLiteral("covers"));
    QString db = home.file(QStringLiteral("music.qel"));

    TCliHost()
    {
        TIniSettingsStore store;
        store.WriteString(QStringLiteral("Folders"), QStringLiteral("Covers"), covers);
        store.WriteString(QStringLiteral("Cddb"), QStringLiteral("EmailAddress"),
                          QStringLiteral("me@example.org"));
        EXPECT_TRUE(store.Sync());
        TQelDb empty;
        empty.Save(db);
        server.SetAnswer(QStringLiteral("/images/"), {200, PictureBytes("JPEG")});
    }
    QString image(const TDiscLayout &layout, const char *name)
    {
        return MakeDiscImage(home.path(), QLatin1String(name), layout);
    }
    TRunResult mb(QStringList args)
    {
        args.prepend(QStringLiteral("mb"));
        args << QStringLiteral("--server") << server.Url();
        return RunQel(args);
    }
};

} // namespace

TEST(QelMb, QueryPrintsTheReleasesFound)
{
    TCliHost h;
    const QString tidewater = h.image(MbDiscs::Tidewater, "tidewater");
    TRunResult r = h.mb({QStringLiteral("query"), tidewater, QStringLiteral("--json")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(r.out,
              "[{\"id\":\"3f1c2a10-5b6d-4e7f-8a9b-0c1d2e3f4a51\",\"title\":\"Tidewater Songs\","
              "\"artist\":\"Harbour Lights\",\"date\":\"1998-05-04\",\"country\":\"GB\","
              "\"barcode\":\"5012345678900\",\"label\":\"Saltmarsh Records\",\"catalogNumber\":"
              "\"SMR 014\",\"format\":\"CD\",\"media\":1,\"near\":false},"
              "{\"id\":\"8d2e4b6c-1a3f-4c5d-9e7f-2b4c6d8e0f12\",\"title\":\"Tidewater Songs\","
              "\"artist\":\"Harbour Lights\",\"date\":\"2004-10-11\",\"country\":\"XE\","
              "\"barcode\":\"5012345678917\",\"label\":\"Saltmarsh Records\",\"catalogNumber\":"
              "\"SMR 014R\",\"format\":\"CD\",\"media\":1,\"near\":false}]\n");
    EXPECT_EQ(h.server.Requests().size(), 1) << "a query reads no release whole";

    r = h.mb({QStringLiteral("query"), h.image(MbDiscs::LowTide, "lowtide")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(r.out, "0\t4f6a8c0e-2a4c-4e6a-8c0e-4a6c8e0a2c68\tHarbour Lights\tLow Tide EP\t1997\t"
                     "GB\tSaltmarsh Records\tSMR 009\t\tCD\t1\tnear\n");
}

TEST(QelMb, AddMakesOneAlbumOfTwoDiscsWithItsCover)
{
    TCliHost h;
    const QString late = h.image(MbDiscs::NightFerryLate, "late");
    const QString cover = QLatin1String(MbReleases::NightFerry) + QStringLiteral(".jpg");
    TRunResult r =
        h.mb({QStringLiteral("add"), h.db, late, QStringLiteral("--cover-server"), h.server.Url()});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    {
        TQelDb db;
        db.ReadFile(h.db, false);
        ASSERT_EQ(db.AlbumCount(), 1);
        const TAlbum *album = db.Album(0);
        EXPECT_EQ(r.out.trimmed(), QByteArray::number(album->ID));
        EXPECT_EQ(album->Title.view(), QStringLiteral("Night Ferry: Live"));
        ASSERT_EQ(album->DiscCount(), 2);
        EXPECT_EQ(album->Disc(0)->Title.view(), QStringLiteral("Evening Set"));
        EXPECT_EQ(album->Disc(0)->TrackCount(), 3);
        // The scanned disc carries its identifiers.
        const TDisc *scanned = album->Disc(1);
        EXPECT_EQ(quint32(scanned->MsDiscId), 0x001A4800u);
        EXPECT_EQ(quint32(scanned->CddbDiscId), 0x27045604u);
        EXPECT_EQ(scanned->LeadOut, 83400);
        EXPECT_EQ(scanned->TrackCount(), 4);
        EXPECT_EQ(album->CoverFile.view(), cover);
        EXPECT_TRUE(album->HasThumbnail());
    }
    const QByteArray first = ReadFileBytes(QDir(h.covers).filePath(cover));
    EXPECT_EQ(first, PictureBytes("JPEG"));

    // Again, the release named by its ID: the disc is named as held already, and the
    // first cover stays as it was.
    h.server.SetAnswer(QStringLiteral("/images/"), {200, PictureBytes("JPEG", 96)});
    r = h.mb({QStringLiteral("add"), h.db, late, QStringLiteral("--release"),
              QLatin1String(MbReleases::NightFerry), QStringLiteral("--cover-server"),
              h.server.Url()});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.err.contains("already in the collection as \"Night Ferry: Live - Mara "
                               "Kestrel & Jonas Bell (2011)\""))
        << r.err.constData();
    EXPECT_EQ(ReadFileBytes(QDir(h.covers).filePath(cover)), first);
    TQelDb db;
    db.ReadFile(h.db, false);
    ASSERT_EQ(db.AlbumCount(), 2);
    EXPECT_EQ(db.Album(1)->CoverFile.view(),
              QLatin1String(MbReleases::NightFerry) + QStringLiteral(" (2).jpg"));

    // --no-cover: no cover request at all.
    const qsizetype before = h.server.Requests().size();
    r = h.mb({QStringLiteral("add"), h.db, late, QStringLiteral("--release"),
              QLatin1String(MbReleases::NightFerry), QStringLiteral("--no-cover")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(h.server.Requests().size(), before + 1);
}

TEST(QelMb, AddFailuresAddNothing)
{
    TCliHost h;
    const QByteArray unchanged = ReadFileBytes(h.db);
    const QString unknown = h.image({{150, 9000}, 20000}, "unknown");
    TRunResult r = h.mb({QStringLiteral("add"), h.db, unknown});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.startsWith("MusicBrainz knows no release with the disc ID "))
        << r.err.constData();
    EXPECT_TRUE(r.err.contains("It can be submitted at:\nhttp://musicbrainz.org/cdtoc/attach?id="))
        << r.err.constData();

    const QString tidewater = h.image(MbDiscs::Tidewater, "tidewater");
    r = h.mb(
        {QStringLiteral("add"), h.db, tidewater, QStringLiteral("--release"), QStringLiteral("2")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "There is no release 2: MusicBrainz found 2\n");

    h.server.SetAnswer(QStringLiteral("/ws/2/release/"), {500, "down"});
    r = h.mb({QStringLiteral("add"), h.db, tidewater});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "MusicBrainz failed to answer: HTTP 500 Internal Server Error.\n");

    r = h.mb({QStringLiteral("add"), h.db, tidewater, QStringLiteral("--release"),
              QStringLiteral("../x")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(ReadFileBytes(h.db), unchanged);
    EXPECT_FALSE(QFileInfo::exists(h.covers));
}
