// The web service client against the test server: the requests it sends, near
// matches, pacing and retries on a clock that only moves when waited on, and one clear
// message for each way a request fails.
#include "mbsupport.h"
#include "mbtestserver.h"
#include "model/album.h"
#include "model/qeldb.h"
#include "musicbrainz/mbclient.h"
#include "musicbrainz/mbcover.h"
#include "musicbrainz/mbdiscid.h"
#include "testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTcpServer>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct TMbHost
{
    TTestHome home;
    TMbTestServer server{MbFixtures()};
    TFakeClock clock;
    TMbPacer pacer{clock};
    TMbClient client;
    std::vector<qint64> sent; // the clock at each request

    TMbHost()
    {
        client.UseWindow = false;
        client.Server = server.Url();
        client.CoverServer = server.Url();
        client.Contact = QStringLiteral("me@example.org");
        client.SetPacer(&pacer);
        QObject::connect(&client, &TMbClient::Requested,
                         [this](const QUrl &, qint64 at) { sent.push_back(at); });
    }
    TMbDiscId id(const TDiscLayout &layout)
    {
        return MbDiscIdOf(ScanMbDisc(home.path(), layout, QStringLiteral("disc")));
    }
};

const QByteArray kLookupQuery = "?inc=artist-credits+labels+release-groups&fmt=json";

} // namespace

TEST(MbClient, LooksTheDiscUpAndReadsTheFirstRelease)
{
    TMbHost h;
    TMbReleases releases;
    ASSERT_TRUE(h.client.QueryDisc(h.id(MbDiscs::Tidewater), releases))
        << h.client.ErrorMessage().toStdString();
    ASSERT_EQ(releases.size(), 2u);
    EXPECT_TRUE(releases[0].Complete);
    EXPECT_EQ(releases[0].Media[0].Tracks.size(), 5u);
    EXPECT_FALSE(releases[1].Complete) << "read when the user looks at it";
    EXPECT_EQ(h.server.Targets(),
              (QList<QByteArray>{
                  "/ws/2/discid/KuNFKHm34dfUgqH1inSkHLJESEI-" + kLookupQuery,
                  "/ws/2/release/3f1c2a10-5b6d-4e7f-8a9b-0c1d2e3f4a51?inc=artist-credits+labels+"
                  "recordings+release-groups+genres+discids+media&fmt=json"}));
    for (const TMbTestServer::TRequest &r : h.server.Requests()) {
        EXPECT_EQ(r.headers.value("user-agent"), "Qelmusic/3.1 ( me@example.org )");
        EXPECT_EQ(r.headers.value("accept"), "application/json");
    }

    ASSERT_TRUE(h.client.ReadRelease(releases[1]));
    EXPECT_TRUE(releases[1].Complete);
    EXPECT_EQ(releases[1].Disambiguation, QStringLiteral("2004 remaster"));

    // Without an e-mail address the program's site is the contact.
    h.client.Contact.clear();
    QByteArray cover;
    h.server.SetAnswer(QStringLiteral("/images/"), {200, PictureBytes("JPEG")});
    ASSERT_TRUE(h.client.FetchCover(QLatin1String(MbReleases::Tidewater), cover));
    const TMbTestServer::TRequest last = h.server.Requests().constLast();
    EXPECT_EQ(last.target, QByteArray("/images/") + MbReleases::Tidewater + "-500")
        << "the redirect is followed";
    EXPECT_EQ(last.headers.value("user-agent"), "Qelmusic/3.1 ( https://qelmusic.example )");
    EXPECT_FALSE(last.headers.contains("accept") &&
                 last.headers.value("accept") == "application/json");
}

TEST(MbClient, NearMatchesWhenTheDiscIdIsUnknown)
{
    TMbHost h;
    TMbReleases releases;
    ASSERT_TRUE(h.client.QueryDisc(h.id(MbDiscs::LowTide), releases))
        << h.client.ErrorMessage().toStdString();
    ASSERT_EQ(releases.size(), 1u);
    EXPECT_TRUE(releases[0].Near);
    EXPECT_TRUE(releases[0].Complete);
    EXPECT_TRUE(releases[0].Near) << "reading it whole keeps the mark";
    const QList<QByteArray> targets = h.server.Targets();
    ASSERT_EQ(targets.size(), 3);
    EXPECT_EQ(targets[1], "/ws/2/discid/-?toc=1+3+45000+150+15000+30000&cdstubs=no&"
                          "inc=artist-credits+labels+release-groups&fmt=json");

    // No near table either: a 200 with no releases, which is nothing found.
    TMbHost other;
    ASSERT_TRUE(other.client.QueryDisc(other.id({{150, 9000}, 20000}), releases));
    EXPECT_TRUE(releases.empty());
    EXPECT_EQ(other.server.Requests().size(), 2);
}

TEST(MbClient, OneClearMessageForEachFailure)
{
    using TAnswer = TMbTestServer::TAnswer;
    QByteArray huge = "{\"releases\":[],\"padding\":\"";
    huge += QByteArray(10 * 1024 * 1024, 'x') + "\"}";
    const struct
    {
        const char *what;
        TAnswer answer;
        const char *message;
    } cases[] = {
        {"bad request",
         {400, "{\"error\":\"Invalid mbid.\"}"},
         "MusicBrainz refused the request: HTTP 400 Bad Request."},
        {"server error",
         {500, "oops"},
         "MusicBrainz failed to answer: HTTP 500 Internal Server Error."},
        {"busy for good",
         {503, "", {{"Retry-After", "1"}}},
         "MusicBrainz is busy (HTTP 503 Service Unavailable) and asked to wait more than 3 "
         "times; try again later."},
        {"HTML",
         {200, "<html><body>Bad Gateway</body></html>", {{"Content-Type", "text/html"}}},
         "The reply of MusicBrainz is not the data expected: the reply is not JSON"},
        {"cut short",
         TMbTestServer::Cut(MbFixture(QStringLiteral("discid/KuNFKHm34dfUgqH1inSkHLJESEI-.json"))),
         "The reply of MusicBrainz was cut short"},
        {"10 MB of JSON",
         {200, huge},
         "The reply of MusicBrainz is larger than 8 MB; it was refused."},
        {"silence", TMbTestServer::Silent(), "MusicBrainz did not answer for 0.2 seconds."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        TMbHost h;
        h.client.SetTimeoutInterval(200);
        h.server.SetAnswer(QStringLiteral("/ws/2/discid/"), c.answer);
        TMbReleases releases(1);
        EXPECT_FALSE(h.client.QueryDisc(h.id(MbDiscs::Tidewater), releases));
        EXPECT_TRUE(releases.empty());
        EXPECT_TRUE(h.client.ErrorMessage().startsWith(QLatin1String(c.message)))
            << h.client.ErrorMessage().toStdString();
    }

    // Nobody listening; an address that is no web address; a reply about another
    // release; a redirect that never ends.
    TMbHost h;
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    h.client.Server = QStringLiteral("http://127.0.0.1:%1").arg(closed.serverPort());
    closed.close();
    TMbReleases releases;
    EXPECT_FALSE(h.client.QueryDisc(h.id(MbDiscs::Tidewater), releases));
    EXPECT_TRUE(
        h.client.ErrorMessage().startsWith(QStringLiteral("MusicBrainz could not be reached: ")))
        << h.client.ErrorMessage().toStdString();
    h.client.Server = QStringLiteral("ftp://example.org");
    EXPECT_FALSE(h.client.QueryDisc(h.id(MbDiscs::Tidewater), releases));
    EXPECT_EQ(h.client.ErrorMessage(),
              QStringLiteral("\"ftp://example.org\" is not a web address (http:// or https://)."));

    h.client.Server = h.server.Url();
    TMbRelease asked;
    asked.Id = QLatin1String(MbReleases::Tidewater);
    h.server.SetAnswer(QStringLiteral("/ws/2/release/"),
                       TMbTestServer::Json(MbFixture(QStringLiteral("release/") +
                                                     QLatin1String(MbReleases::DemoTape) +
                                                     QStringLiteral(".json"))));
    EXPECT_FALSE(h.client.ReadRelease(asked));
    EXPECT_TRUE(h.client.ErrorMessage().contains(QLatin1String("another release")));

    h.server.SetAnswer(QStringLiteral("/release/"),
                       TMbTestServer::Redirect(h.server.Url() + QStringLiteral("/release/x")));
    QByteArray cover;
    EXPECT_FALSE(h.client.FetchCover(QLatin1String(MbReleases::Tidewater), cover));
    EXPECT_EQ(h.client.ErrorMessage(),
              QStringLiteral("Cover Art Archive redirected the request more than 5 times."));
    EXPECT_TRUE(cover.isEmpty());
}

// A busy server is asked again after the delay it names (2 s when it names none), at
// most three times; every request keeps a second from the one before.
TEST(MbClient, PacedAndRetriedOnTheClock)
{
    TMbHost h;
    TMbTestServer::TAnswer busy{503, "", {{"Retry-After", "7"}}};
    busy.times = 2;
    h.server.SetAnswer(QStringLiteral("/ws/2/discid/"), busy);
    TMbTestServer::TAnswer busyPlain{503, ""};
    busyPlain.times = 1;
    h.server.SetAnswer(QStringLiteral("/ws/2/release/"), busyPlain);
    TMbReleases releases;
    ASSERT_TRUE(h.client.QueryDisc(h.id(MbDiscs::Tidewater), releases))
        << h.client.ErrorMessage().toStdString();
    EXPECT_EQ(releases.size(), 2u);
    // Look-up, twice again after 7 s, the read a second later, again after 2 s.
    EXPECT_EQ(h.sent, (std::vector<qint64>{0, 7000, 14000, 15000, 17000}));

    // A batch of three discs: two requests each, the unknown one three; one a second.
    TMbHost b;
    std::vector<TMbReleases> found;
    ASSERT_TRUE(b.client.QueryDiscs(
        {b.id(MbDiscs::Tidewater), b.id(MbDiscs::LowTide), b.id(MbDiscs::NightFerryLate)}, found))
        << b.client.ErrorMessage().toStdString();
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[1].front().Title, QStringLiteral("Low Tide EP"));
    EXPECT_EQ(b.sent, (std::vector<qint64>{0, 1000, 2000, 3000, 4000, 5000, 6000}));
    EXPECT_EQ(b.server.Requests().size(), 7);

    // The shared pacer keeps the rule between clients too.
    TMbHost c;
    TMbClient second;
    second.UseWindow = false;
    second.Server = c.server.Url();
    second.SetPacer(&c.pacer);
    TMbRelease one;
    one.Id = QLatin1String(MbReleases::DemoTape);
    ASSERT_TRUE(c.client.ReadRelease(one));
    ASSERT_TRUE(second.ReadRelease(one));
    EXPECT_EQ(c.clock.now, 1000);
}

TEST(MbClient, CancelEndsARequestAtOnce)
{
    TMbHost h;
    h.server.SetAnswer(QStringLiteral("/ws/2/discid/"), TMbTestServer::Silent());
    QTimer::singleShot(50, &h.client, [&h] { h.client.Cancel(); });
    TMbReleases releases;
    EXPECT_FALSE(h.client.QueryDisc(h.id(MbDiscs::Tidewater), releases));
    EXPECT_TRUE(h.client.Cancelled());
    EXPECT_EQ(h.client.ErrorMessage(), QStringLiteral("The look-up was cancelled."));
    EXPECT_EQ(h.server.Requests().size(), 1);
}

TEST(MbCover, StoredUnderTheReleaseIdAndNeverReplaced)
{
    TMbHost h;
    const QString folder = h.home.file(QStringLiteral("covers"));
    const QString id = QLatin1String(MbReleases::Tidewater);
    h.server.SetAnswer(QStringLiteral("/images/"), {200, PictureBytes("JPEG")});
    QByteArray bytes;
    ASSERT_TRUE(h.client.FetchCover(id, bytes)) << h.client.ErrorMessage().toStdString();
    TQelDb db;
    TAlbum album(&db);
    EXPECT_EQ(StoreMbCover(bytes, id, folder, album), QString());
    EXPECT_EQ(album.CoverFile.view(), id + QStringLiteral(".jpg"));
    EXPECT_TRUE(album.HasThumbnail());
    const QByteArray first = ReadFileBytes(QDir(folder).filePath(id + QStringLiteral(".jpg")));
    EXPECT_EQ(first, bytes);

    TAlbum again(&db);
    const QByteArray png = PictureBytes("PNG", 64);
    EXPECT_EQ(StoreMbCover(png, id, folder, again), QString());
    EXPECT_EQ(again.CoverFile.view(), id + QStringLiteral(".png"));
    EXPECT_EQ(StoreMbCover(bytes, id, folder, again), QString());
    EXPECT_EQ(again.CoverFile.view(), id + QStringLiteral(" (2).jpg"));
    EXPECT_EQ(ReadFileBytes(QDir(folder).filePath(id + QStringLiteral(".jpg"))), first);

    // Left out with a note, nothing written: no picture, too large, no front cover.
    const qsizetype files = QDir(folder).entryList(QDir::Files).size();
    TAlbum none(&db);
    EXPECT_EQ(StoreMbCover("<html>not found</html>", id, folder, none),
              QStringLiteral("The front cover sent is not a picture; it was left out."));
    QByteArray big = PictureBytes("JPEG");
    big.append(QByteArray(TMbClient::MaxCoverSize, '\0'));
    EXPECT_EQ(StoreMbCover(big, id, folder, none),
              QStringLiteral("The front cover is larger than 20 MB; it was left out."));
    EXPECT_TRUE(none.CoverFile.isEmpty());
    EXPECT_FALSE(none.HasThumbnail());
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), files);

    h.server.SetAnswer(QStringLiteral("/images/"), {200, big, {{"Content-Type", "image/jpeg"}}});
    EXPECT_FALSE(h.client.FetchCover(id, bytes));
    EXPECT_EQ(
        h.client.ErrorMessage(),
        QStringLiteral("The reply of Cover Art Archive is larger than 20 MB; it was refused."));
    h.server.SetAnswer(QStringLiteral("/images/"), {404, ""});
    EXPECT_FALSE(h.client.FetchCover(id, bytes));
    EXPECT_EQ(h.client.ErrorMessage(),
              QStringLiteral("The Cover Art Archive has no front cover for this release."));
}
