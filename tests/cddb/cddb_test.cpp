#include "cddb/cddb.h"
#include "cddb/cddbentry.h"
#include "cddb/cddbsites.h"
#include "cddb/httptransport.h"
#include "cddb/scancd.h"
#include "cddb/scanlist.h"
#include "cddbtestserver.h"
#include "model/general.h"
#include "shell/settingsstore.h"
#include "testsupport.h"

#include <QDir>
#include <QHostInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

TEST(CddbReply, DecodeIsUtf8WithLatin1ForOtherBytes)
{
    struct TCase
    {
        const char *name;
        QByteArray bytes;
        QString text;
    };
    const TCase cases[] = {
        {"ascii", "210 rock\r\n", QStringLiteral("210 rock\r\n")},
        {"japanese", "TTITLE0=\xe6\x9d\xb1\xe4\xba\xac", QStringLiteral("TTITLE0=東京")},
        {"latin-1", "DTITLE=Caf\xe9 Ol\xe9", QStringLiteral("DTITLE=Café Olé")},
        {"both in one reply", "\xc3\xa9\xe9", QStringLiteral("éé")},
        {"sequence cut at the end", "a\xe6\x9d", QStringLiteral("a\u00e6\u009d")},
        {"overlong form", "\xc0\x80", QStringLiteral("\u00c0\u0080")},
        {"surrogate half", "\xed\xa0\x80", QStringLiteral("\u00ed\u00a0\u0080")},
        {"outside the planes", "\xf4\x90\x80\x80", QStringLiteral("\u00f4\u0090\u0080\u0080")},
        {"four bytes", "\xf0\x9f\x8e\xb5", QString::fromUtf8("\xf0\x9f\x8e\xb5")},
    };
    for (const TCase &c : cases)
        EXPECT_EQ(TCDDB::DecodeReply(c.bytes), c.text) << c.name;
}

// Each reply reader against a reply as it stands when its request has ended.
TEST(CddbReply, Readers)
{
    struct TCase
    {
        const char *name;
        QByteArray reply;
        int matchKind;
        int errorKind;
        bool failed;
        QStringList matches;
        const char *logLine;
    };
    const QString rock = QStringLiteral("rock 7a0b9c0d Artist / Title");
    const QString jazz = QStringLiteral("jazz 7a0b9c0e Other / Title");
    const TCase cases[] = {
        {"one exact match", "200 rock 7a0b9c0d Artist / Title\r\n", 2, 0, false, {rock}, ""},
        {"no match", "202 No match for disc ID 7a0b9c0d.\r\n", 1, 0, false, {}, ""},
        {"exact matches",
         "210 Found exact matches, list follows\r\n" + rock.toUtf8() + "\r\n" + jazz.toUtf8() +
             "\r\n.\r\n",
         3,
         0,
         false,
         {rock, jazz},
         ""},
        {"list without its closing line",
         "210 Found exact matches\r\n" + rock.toUtf8() + "\r\n",
         9,
         0,
         false,
         {},
         ""},
        {"one inexact match",
         "211 Found inexact matches\r\n" + rock.toUtf8() + "\r\n.\r\n",
         4,
         0,
         false,
         {rock},
         ""},
        {"inexact matches in the server's order",
         "211 Found inexact matches\r\n" + jazz.toUtf8() + "\r\n" + rock.toUtf8() + "\r\n.\r\n",
         5,
         0,
         false,
         {jazz, rock},
         ""},
        {"no line end yet", "200 rock 7a0b9c0d", 9, 0, false, {}, ""},
        {"401",
         "401 Specified CDDB entry not found.\r\n",
         9,
         7,
         true,
         {},
         "Failed: Database entry not found"},
        {"402", "402 Server error.\r\n", 9, 16, true, {}, "Failed: Server Error"},
        {"403",
         "403 Database entry is corrupt.\r\n",
         9,
         8,
         true,
         {},
         "Failed: Database entry corrupt"},
        {"408", "408 CGI environment error.\r\n", 9, 14, true, {}, "Failed: Cgi Environment Error"},
        {"409", "409 No handshake.\r\n", 9, 9, true, {}, "Failed: No Handshake"},
        {"417 complete",
         "417 Access limit exceeded.\r\nTry later\r\n.\r\n",
         9,
         21,
         true,
         {},
         "Failed: Access Limit Exceeded"},
        {"417 without its closing line", "417 Access limit exceeded.\r\n", 9, 0, false, {}, ""},
        {"500", "500 Command syntax error.\r\n", 9, 15, true, {}, "Failed: Syntax Error"},
        {"530", "530 Server timeout.\r\n", 9, 17, true, {}, "Failed: Server Time Out"},
        {"other status", "599 Who knows.\r\n", 9, 22, true, {}, "Failed: Unknown Error Code"},
        {"html",
         "<html><body>Not Found</body></html>\r\n",
         9,
         18,
         true,
         {},
         "Failed: Unexpected Server Response"},
        {"blank before the status",
         " 200 rock 7a0b9c0d x\r\n",
         9,
         18,
         true,
         {},
         "Failed: Unexpected Server Response"},
    };
    for (const TCase &c : cases) {
        TCDDB cddb;
        QStringList log;
        cddb.DebugLog = &log;
        cddb.MatchKind = 9; // any other reply leaves the earlier value
        cddb.State = TCDDB::QueryDone;
        cddb.SetReply(c.reply);
        QStringList matches;
        cddb.ParseQueryReply(matches);
        EXPECT_EQ(cddb.MatchKind, c.matchKind) << c.name;
        EXPECT_EQ(cddb.ErrorKind, c.errorKind) << c.name;
        EXPECT_EQ(cddb.State == TCDDB::Failed, c.failed) << c.name;
        EXPECT_EQ(matches, c.matches) << c.name;
        EXPECT_EQ(log.join(u'|'), QString::fromLatin1(c.logLine)) << c.name;
        if (c.errorKind == 21) {
            EXPECT_EQ(cddb.ErrorDetail, QString::fromLatin1(c.reply)) << c.name;
        }
    }
}

TEST(CddbReply, ReadSitesCategoriesAndSubmitReplies)
{
    TCDDB cddb;
    QStringList lines;
    cddb.SetReply("210 rock 7a0b9c0d\r\nDTITLE=A / B\r\n.\r\n");
    cddb.ParseReadReply(lines);
    EXPECT_EQ(lines, QStringList({QStringLiteral("210 rock 7a0b9c0d"),
                                  QStringLiteral("DTITLE=A / B"), QStringLiteral(".")}));
    cddb.SetReply("210 rock 7a0b9c0d\r\nDTITLE=A / B\r\n");
    cddb.ParseReadReply(lines);
    EXPECT_TRUE(lines.isEmpty()) << "cut before the closing line";
    EXPECT_EQ(cddb.ErrorKind, 27);
    EXPECT_EQ(cddb.State, TCDDB::Failed);

    struct TCase
    {
        const char *name;
        void (TCDDB::*reader)(QStringList &);
        QByteArray reply;
        int errorKind;
        bool logged;
    };
    const TCase cases[] = {
        {"sites 401", &TCDDB::ParseSitesReply, "401 No site information available.\r\n", 11, true},
        {"sites html", &TCDDB::ParseSitesReply, "<html>\r\n", 18, true},
        {"sites 500", &TCDDB::ParseSitesReply, "500 Syntax\r\n", 15, true},
        {"categories 401", &TCDDB::ParseCategoriesReply, "401 None\r\n", 13, true},
        {"categories html", &TCDDB::ParseCategoriesReply, "<html>\r\n", 18, false},
    };
    for (const TCase &c : cases) {
        TCDDB reader;
        QStringList log;
        reader.DebugLog = &log;
        reader.SetReply(c.reply);
        (reader.*c.reader)(lines);
        EXPECT_EQ(reader.ErrorKind, c.errorKind) << c.name;
        EXPECT_EQ(reader.State, TCDDB::Failed) << c.name;
        EXPECT_EQ(!log.isEmpty(), c.logged) << c.name;
    }

    struct TSubmitCase
    {
        QByteArray reply;
        int errorKind;
    };
    const TSubmitCase submits[] = {
        {"200 OK, submission has been sent.", 0}, // no line end needed
        {"400 Internal server error\r\n", 23},
        {"500 Missing required header information\r\n", 24},
        {"401 x\r\n", 7},
        {"<html>", 18},
        {"", 18},
    };
    for (const TSubmitCase &c : submits) {
        TCDDB reader;
        reader.State = TCDDB::SubmitDone;
        reader.SetReply(c.reply);
        reader.ReadSubmitReply();
        EXPECT_EQ(reader.ErrorKind, c.errorKind) << c.reply.constData();
    }
}

TEST(Cddb, ErrorMessage)
{
    TCDDB cddb;
    EXPECT_EQ(cddb.ErrorMessage(), QString());
    cddb.ErrorKind = 2;
    cddb.ErrorDetail = QStringLiteral("Connection refused");
    EXPECT_EQ(cddb.ErrorMessage(), QStringLiteral("Connect failed:\r\nConnection refused"));
    cddb.ErrorDetail.clear();
    cddb.ErrorKind = 99;
    EXPECT_EQ(cddb.ErrorMessage(), QStringLiteral("Failed: Unknown error."));
    cddb.ErrorKind = 25;
    EXPECT_EQ(cddb.ErrorMessage(),
              QStringLiteral("Submit Failed: No Email address specified. Use \"CDDB Settings\" to "
                             "specify your Email address."));
}

TEST(Cddb, InitHelloProxyAndLog)
{
    TCDDB cddb;
    QStringList log;
    cddb.DebugLog = &log;
    cddb.EmailAddress = QStringLiteral(" John Doe&Co@my host.example ");
    cddb.ProxyServer = QStringLiteral("proxy.lan");
    cddb.ProxyPort = 3128;
    cddb.ProxyUserName = QStringLiteral("me");
    cddb.ProxyPassword = QStringLiteral("s3cret");
    cddb.UseProxyAuthentication = true;

    // Without UseProxy nothing of the proxy reaches the transport.
    cddb.Init(QStringLiteral("cddb.example"), QStringLiteral("/~cddb/cddb.cgi"), 80);
    EXPECT_EQ(cddb.Http().Url, QStringLiteral("http://cddb.example/~cddb/cddb.cgi"));
    EXPECT_TRUE(cddb.Http().ProxyHost.isEmpty());
    EXPECT_TRUE(cddb.Http().ProxyUserName.isEmpty());
    EXPECT_EQ(cddb.RequestBody(QStringLiteral("cddb read rock 7a0b9c0d")),
              QByteArray("cmd=cddb+read+rock+7a0b9c0d&hello=John_Doe_Co+my_host.example+Qel+") +
                  GetVersionText(true).toLatin1() + "&proto=6");
    ASSERT_EQ(log.size(), 1);
    EXPECT_EQ(log[0], QStringLiteral("Init: Site:cddb.example Address:/~cddb/cddb.cgi Port:80, "
                                     "Proxy:proxy.lan, ProxyPort:3128, ProxyUserName:me, "
                                     "ProxyPassword:********"));
    EXPECT_FALSE(log[0].contains(QStringLiteral("s3cret")));

    // The port reaches the server through the URL.
    cddb.UseProxy = true;
    cddb.Init(QStringLiteral("cddb.example"), QStringLiteral("/cgi"), 8880);
    EXPECT_EQ(cddb.Http().Url, QStringLiteral("http://cddb.example:8880/cgi"));
    EXPECT_EQ(cddb.Http().ProxyHost, QStringLiteral("proxy.lan"));
    EXPECT_EQ(cddb.Http().ProxyPort, QStringLiteral("3128"));
    EXPECT_EQ(cddb.Http().ProxyPassword, QStringLiteral("s3cret"));

    // Proxy switched off again (or its authentication): the next request goes direct.
    cddb.UseProxyAuthentication = false;
    cddb.Init(QStringLiteral("cddb.example"), QStringLiteral("/cgi"), 80);
    EXPECT_EQ(cddb.Http().ProxyHost, QStringLiteral("proxy.lan"));
    EXPECT_TRUE(cddb.Http().ProxyPassword.isEmpty());
    cddb.UseProxy = false;
    cddb.Init(QStringLiteral("cddb.example"), QStringLiteral("/cgi"), 80);
    EXPECT_TRUE(cddb.Http().ProxyHost.isEmpty());
    EXPECT_TRUE(cddb.Http().ProxyUserName.isEmpty());

    // Without an "@" the hello is the login and host names, cleaned.
    cddb.EmailAddress = QStringLiteral("nobody");
    cddb.Init(QStringLiteral("h"), QStringLiteral("/p"), 80);
    EXPECT_EQ(cddb.HelloUser, CleanHelloWord(GetLoginName()));
    EXPECT_EQ(cddb.HelloHost, CleanHelloWord(QHostInfo::localHostName()));
}

TEST(Cddb, Settings)
{
    TMemorySettingsStore store;
    TCDDB cddb;
    cddb.LoadSettings(store);
    EXPECT_EQ(cddb.Site, QStringLiteral("gnudb.gnudb.org"));
    EXPECT_EQ(cddb.Address, QStringLiteral("/~cddb/cddb.cgi"));
    EXPECT_EQ(cddb.Port, 80);
    EXPECT_FALSE(cddb.UseProxy);

    cddb.Site = QStringLiteral("s");
    cddb.Port = 8880;
    cddb.UseProxy = true;
    cddb.ProxyServer = QStringLiteral("p");
    cddb.ProxyPort = 3128;
    cddb.UseProxyAuthentication = true;
    cddb.ProxyUserName = QStringLiteral("u");
    cddb.ProxyPassword = QStringLiteral("w");
    cddb.EmailAddress = QStringLiteral("a@b");
    cddb.SaveSettings(store);
    TCDDB again;
    again.LoadSettings(store);
    EXPECT_EQ(again.Site, cddb.Site);
    EXPECT_EQ(again.Port, 8880);
    EXPECT_TRUE(again.UseProxy);
    EXPECT_EQ(again.ProxyServer, cddb.ProxyServer);
    EXPECT_EQ(again.ProxyPort, 3128);
    EXPECT_TRUE(again.UseProxyAuthentication);
    EXPECT_EQ(again.ProxyUserName, cddb.ProxyUserName);
    EXPECT_EQ(again.ProxyPassword, cddb.ProxyPassword);
    EXPECT_EQ(again.EmailAddress, cddb.EmailAddress);
}

// A client pointed at the test server for the list refresh.
void useListServer(TCDDB &cddb, const TCddbTestServer &server)
{
    cddb.ListSite = server.Host();
    cddb.ListPort = server.Port();
    cddb.EmailAddress = QStringLiteral("me@example.org");
}

TEST(Cddb, RefreshLists)
{
    TCddbTestServer server;
    server.SetAnswer(QStringLiteral("sites"),
                     TCddbTestServer::Text("210 OK, site information follows\r\n"
                                           "a.example http 80 /~cddb/cddb.cgi N1 W2 First place\r\n"
                                           "a.example cddbp 8880 - N1 W2 First place\r\n"
                                           "b.example http 8080 /cgi N3 W4 Second\r\n.\r\n"));
    server.SetAnswer(
        QStringLiteral("cddb lscat"),
        TCddbTestServer::Text("210 OK, category list follows\r\nblues\r\nrock\r\n.\r\n"));
    TMemorySettingsStore store;
    TCddbSiteList sites;
    TCddbCategoryList categories;
    TCDDB cddb;
    useListServer(cddb, server);
    cddb.RefreshLists(sites, categories, store);
    EXPECT_EQ(cddb.ErrorKind, 0) << cddb.ErrorMessage().toStdString();
    ASSERT_EQ(sites.Count(), 2);
    EXPECT_EQ(sites.Item(1).Site, QStringLiteral("b.example"));
    EXPECT_EQ(sites.Item(1).Port, 8080);
    EXPECT_EQ(categories, QStringList({QStringLiteral("blues"), QStringLiteral("rock")}));
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[0].command, QStringLiteral("sites"));
    EXPECT_EQ(requests[1].command, QStringLiteral("cddb lscat"));
    EXPECT_TRUE(requests[0].head.startsWith("POST /~cddb/cddb.cgi HTTP/1.0\r\n"));

    // Both refused: the stored sites come back, the categories stay.
    TCddbTestServer refusing;
    TCddbSiteList stored;
    stored.Add(sites.Item(0));
    stored.SaveToStore(store);
    cddb.ListPort = refusing.Port();
    cddb.RefreshLists(sites, categories, store);
    EXPECT_EQ(cddb.ErrorKind, 13);
    EXPECT_EQ(cddb.ErrorMessage(),
              QStringLiteral("Query failed: No category list available. Keeping current list."));
    ASSERT_EQ(sites.Count(), 1);
    EXPECT_EQ(sites.Item(0).Site, QStringLiteral("a.example"));
    EXPECT_EQ(categories.size(), 2);

    refusing.SetAnswer(QStringLiteral("cddb lscat"),
                       TCddbTestServer::Text("210 OK\r\nfolk\r\n.\r\n"));
    cddb.RefreshLists(sites, categories, store);
    EXPECT_EQ(cddb.ErrorKind, 12) << "an empty site list, not the 401 of the sites reply";
    EXPECT_EQ(categories, QStringList({QStringLiteral("folk")}));
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A silent server ends in the time-out; meanwhile the client sleeps. The CPU time of
// the wait is printed for the record, not asserted.
TEST(Cddb, SilentServerTimesOutWithoutSpinning)
{
    TCddbTestServer server;
    TCddbTestServer::TAnswer silent;
    silent.silent = true;
    server.SetAnswer(QStringLiteral("sites"), silent);
    TMemorySettingsStore store;
    TCddbSiteList sites;
    TCddbCategoryList categories;
    TCDDB cddb;
    useListServer(cddb, server);
    QStringList log;
    cddb.DebugLog = &log;
    cddb.SetTimeoutInterval(2000);
    const double before = cpuSeconds();
    cddb.RefreshLists(sites, categories, store);
    const double used = cpuSeconds() - before;
    EXPECT_EQ(cddb.ErrorKind, 19);
    EXPECT_EQ(cddb.ErrorMessage(), QStringLiteral("Query failed: Connection timed out."));
    EXPECT_TRUE(log.contains(QStringLiteral("Failed: Time out")));
    EXPECT_EQ(server.Requests().size(), 1) << "the time-out ends the whole refresh";
    std::printf("CPU time over a 2 s silent wait: %.0f ms\n", used * 1000);
    RecordProperty("silent_wait_cpu_ms", int(used * 1000));
}

TEST(Cddb, ConnectFailureAndCancel)
{
    TMemorySettingsStore store;
    TCddbSiteList sites;
    TCddbCategoryList categories;
    TCDDB cddb;
    cddb.ListSite = QStringLiteral("bad..host");
    cddb.RefreshLists(sites, categories, store);
    EXPECT_EQ(cddb.ErrorKind, 2);
    EXPECT_TRUE(cddb.ErrorMessage().startsWith(QStringLiteral("Connect failed:\r\n")));

    TCddbTestServer server;
    TCddbTestServer::TAnswer silent;
    silent.silent = true;
    server.SetAnswer(QStringLiteral("sites"), silent);
    useListServer(cddb, server);
    // Cancel once the server holds the request (the Cancel button's click).
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &cddb, [&] {
        if (!server.Requests().isEmpty())
            cddb.Cancel();
    });
    poll.start(5);
    cddb.RefreshLists(sites, categories, store);
    EXPECT_EQ(cddb.ErrorKind, 20);
    EXPECT_EQ(cddb.ErrorMessage(), QStringLiteral("Query cancelled."));
    EXPECT_EQ(cddb.State, TCDDB::Finished);
}

// Tracks at frames 150 and 15000, lead-out at 30000: CDDB id 04018e02.
std::unique_ptr<TScanCD> twoTrackDisc(qint32 leadOut = 30000)
{
    auto disc = std::make_unique<TScanCD>();
    disc->LeadOut = leadOut;
    disc->AddTrack().StartFrame = 150;
    disc->AddTrack().StartFrame = 15000;
    disc->DiscLength = leadOut - 150 - 1;
    disc->ComputeCddbDiscId();
    return disc;
}

const char kEntry[] = "# xmcd\n#\n# Track frame offsets:\n#  150\n#  15000\n#\n"
                      "# Disc length: 400 seconds\n#\n# Revision: 3\n"
                      "# Submitted via: testtool 1.0\n#\nDISCID=04018e02\n"
                      "DTITLE=The Artist / The Title\nTTITLE0=First\nTTITLE1=Sec\nTTITLE1=ond\n"
                      "EXTD=Line one\\nLine two\nEXTT0=\nEXTT1=x\nPLAYORDER=\n";

// The test server with an entry folder, and a client pointed at it.
struct TServed
{
    QTemporaryDir folder;
    std::unique_ptr<TCddbTestServer> server;
    TCDDB cddb;

    TServed()
    {
        server = std::make_unique<TCddbTestServer>(folder.path());
        cddb.Site = server->Host();
        cddb.Port = server->Port();
        cddb.EmailAddress = QStringLiteral("me@example.org");
    }
    void entry(const char *category, const char *discId, const QByteArray &text)
    {
        QDir(folder.path()).mkpath(QString::fromLatin1(category));
        WriteFileBytes(
            folder.filePath(QString::fromLatin1(category) + u'/' + QString::fromLatin1(discId)),
            text);
    }
    void answer(const char *command, const QByteArray &body)
    {
        server->SetAnswer(QString::fromLatin1(command), TCddbTestServer::Text(body));
    }
    QStringList commands() const
    {
        QStringList list;
        for (const auto &r : server->Requests())
            list.append(r.command);
        return list;
    }
};

TEST(CddbQuery, ExactMatchReadsTheEntry)
{
    TServed s;
    s.entry("rock", "04018e02", kEntry);
    s.answer("cddb query", "200 rock 04018e02 The Artist / The Title\r\n");
    auto disc = twoTrackDisc();
    QStringList messages;
    s.cddb.UseWindow = false;
    QObject::connect(&s.cddb, &TProcess::OnMessage, [&](const QString &m) { messages.append(m); });
    s.cddb.QueryDisc(*disc);
    EXPECT_EQ(s.cddb.ErrorKind, 0) << s.cddb.ErrorMessage().toStdString();
    EXPECT_EQ(s.cddb.MatchKind, 2);
    EXPECT_TRUE(messages.contains(QStringLiteral("Found one exact match for 04018e02")));
    ASSERT_EQ(disc->CddbCDCount(), 1);
    const TCddbCD &entry = disc->CddbCD(0);
    EXPECT_EQ(entry.Category, QStringLiteral("rock"));
    EXPECT_EQ(entry.DiscIdText(), QStringLiteral("04018e02"));
    EXPECT_EQ(entry.DTitle, QStringLiteral("The Artist / The Title"));
    EXPECT_EQ(entry.Revision, 3);
    EXPECT_EQ(entry.SubmittedVia, QStringLiteral("testtool 1.0"));
    EXPECT_EQ(entry.ExtData, QStringLiteral("Line one\r\nLine two"));
    ASSERT_EQ(entry.TrackCount(), 2);
    EXPECT_EQ(entry.Track(1).Title, QStringLiteral("Second"));

    // The request bytes, whole: the query carries the lead-out's seconds (400), not
    // the device's disc length.
    const auto requests = s.server->Requests();
    ASSERT_EQ(requests.size(), 2);
    const QByteArray body = "cmd=cddb+query+04018e02+2+150+15000+400&hello=me+example.org+Qel+" +
                            GetVersionText(true).toLatin1() + "&proto=6";
    EXPECT_EQ(requests[0].bytes,
              "POST /~cddb/cddb.cgi HTTP/1.0\r\n"
              "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
              "Content-Type: application/x-www-form-urlencoded\r\n"
              "User-Agent: Mozilla/3.0 (compatible)\r\n"
              "Host: 127.0.0.1:" +
                  QByteArray::number(s.server->Port()) +
                  "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
    EXPECT_EQ(requests[1].command, QStringLiteral("cddb read rock 04018e02"));
}

TEST(CddbQuery, InexactMatchesInTheServersOrder)
{
    TServed s;
    s.entry("rock", "04018e02", "DTITLE=Rock / One\n");
    s.entry("jazz", "04018e03", "DTITLE=Jazz / Two\n");
    s.answer("cddb query", "211 Found inexact matches, list follows (until terminating `.')\r\n"
                           "jazz 04018e03 Jazz / Two\r\nrock 04018e02 Rock / One\r\n.\r\n");
    auto disc = twoTrackDisc();
    s.cddb.QueryDisc(*disc);
    EXPECT_EQ(s.cddb.ErrorKind, 0);
    EXPECT_EQ(s.cddb.MatchKind, 5);
    ASSERT_EQ(disc->CddbCDCount(), 2);
    EXPECT_EQ(disc->CddbCD(0).DTitle, QStringLiteral("Jazz / Two"));
    EXPECT_EQ(disc->CddbCD(0).Category, QStringLiteral("jazz"));
    EXPECT_EQ(disc->CddbCD(1).DTitle, QStringLiteral("Rock / One"));
    EXPECT_EQ(s.cddb.SubPosition, 2);
    EXPECT_EQ(s.commands().mid(1), QStringList({QStringLiteral("cddb read jazz 04018e03"),
                                                QStringLiteral("cddb read rock 04018e02")}));
}

// How a lookup ends when the server answers the query badly.
TEST(CddbQuery, Failures)
{
    struct TCase
    {
        const char *name;
        TCddbTestServer::TAnswer answer;
        int errorKind;
        const char *message;
    };
    auto text = [](const char *body) { return TCddbTestServer::Text(body); };
    TCddbTestServer::TAnswer silent;
    silent.silent = true;
    TCddbTestServer::TAnswer endless = text("210 Found exact matches\r\n");
    endless.endless = true;
    TCddbTestServer::TAnswer cut = text("210 Found exact matches\r\nrock 04018e02 A / B\r\n");
    const TCase cases[] = {
        {"no match", text("202 No match for disc ID 04018e02.\r\n"), 0, ""},
        {"not found", text("401 Specified CDDB entry not found.\r\n"), 7,
         "Query failed: Specified CDDB entry not found."},
        {"html", text("<!DOCTYPE html>\r\n<html><body>Moved</body></html>\r\n"), 18,
         "Query failed: Unexpected server response."},
        {"cut before the closing line", cut, 0, ""},
        {"silence", silent, 19, "Query failed: Connection timed out."},
        {"endless reply", endless, 26, "Http Request Failed.\r\nError code: 2"},
        {"server error", text("402 Server error.\r\n"), 16, "Query failed: Server error."},
    };
    for (const TCase &c : cases) {
        TServed s;
        s.entry("rock", "04018e02", kEntry);
        s.server->SetAnswer(QStringLiteral("cddb query"), c.answer);
        s.cddb.SetTimeoutInterval(300);
        auto disc = twoTrackDisc();
        s.cddb.QueryDisc(*disc);
        EXPECT_EQ(s.cddb.ErrorKind, c.errorKind) << c.name;
        EXPECT_EQ(s.cddb.ErrorMessage(), QString::fromLatin1(c.message)) << c.name;
        EXPECT_EQ(disc->CddbCDCount(), 0) << c.name;
        EXPECT_EQ(s.server->Requests().size(), 1) << c.name;
    }
}

// A read reply without its closing line is a failed read: it adds no entry made of
// nothing, and the other matches are still read.
TEST(CddbQuery, ACutEntryIsAFailedReadAndAddsNothing)
{
    TServed s;
    s.entry("jazz", "04018e02", "DTITLE=Jazz / Whole\n");
    s.answer("cddb query", "211 Found inexact matches, list follows\r\n"
                           "rock 04018e02 A / B\r\njazz 04018e02 Jazz / Whole\r\n.\r\n");
    s.answer("cddb read rock", "210 rock 04018e02 CD database entry follows\r\nDTITLE=A / B\r\n");
    auto disc = twoTrackDisc();
    s.cddb.QueryDisc(*disc);
    EXPECT_EQ(s.cddb.ErrorKind, 27);
    EXPECT_EQ(s.cddb.ErrorMessage(),
              QStringLiteral("Query failed: The server's reply was cut short."));
    ASSERT_EQ(disc->CddbCDCount(), 1);
    EXPECT_EQ(disc->CddbCD(0).Category, QStringLiteral("jazz"));
    EXPECT_EQ(disc->CddbCD(0).DTitle, QStringLiteral("Jazz / Whole"));
}

TEST(CddbQuery, ReplyCharsets)
{
    struct TCase
    {
        const char *name;
        QByteArray entry;
        QString title;
        QString track;
    };
    const TCase cases[] = {
        {"utf-8",
         "DTITLE=\xe5\xae\x87\xe5\xa4\x9a\xe7\x94\xb0 / \xe5\x88\x9d\xe6\x81\x8b\n"
         "TTITLE0=\xe6\x9d\xb1\xe4\xba\xac\xe3\x81\xae\xe5\xa4\x9c\n",
         QStringLiteral("宇多田 / 初恋"), QStringLiteral("東京の夜")},
        {"latin-1", "DTITLE=Bj\xf6rk / D\xe9\x62ut\nTTITLE0=Caf\xe9\n",
         QStringLiteral("Björk / Début"), QStringLiteral("Café")},
    };
    for (const TCase &c : cases) {
        TServed s;
        s.entry("misc", "04018e02", c.entry);
        s.answer("cddb query", "200 misc 04018e02 x\r\n");
        auto disc = twoTrackDisc();
        s.cddb.QueryDisc(*disc);
        ASSERT_EQ(disc->CddbCDCount(), 1) << c.name;
        EXPECT_EQ(disc->CddbCD(0).DTitle, c.title) << c.name;
        EXPECT_EQ(disc->CddbCD(0).Track(0).Title, c.track) << c.name;
    }
}

TEST(CddbQuery, ScanListRunGoesOnAfterADiscWithoutMatch)
{
    TServed s;
    s.entry("rock", "04019b02", "DTITLE=Second / Disc\n");
    auto first = twoTrackDisc();
    auto second = twoTrackDisc(31000);
    ASSERT_EQ(second->CddbDiscIdText(), QStringLiteral("04019b02"));
    s.answer("cddb query 04019b02", "200 rock 04019b02 Second / Disc\r\n");
    TScanCdList list(false);
    list.Add(first.get());
    list.Add(second.get());
    s.cddb.QueryDiscs(list);
    EXPECT_EQ(s.cddb.ErrorKind, 0);
    EXPECT_EQ(first->CddbCDCount(), 0);
    ASSERT_EQ(second->CddbCDCount(), 1);
    EXPECT_EQ(second->CddbCD(0).DTitle, QStringLiteral("Second / Disc"));
    EXPECT_EQ(s.commands().size(), 3);
}

TEST(CddbQuery, ThroughAProxy)
{
    TServed s; // the test server plays the proxy
    s.answer("cddb query", "202 No match\r\n");
    s.cddb.Site = QStringLiteral("cddb.example");
    s.cddb.Port = 8880;
    s.cddb.UseProxy = true;
    s.cddb.ProxyServer = s.server->Host();
    s.cddb.ProxyPort = s.server->Port();
    s.cddb.UseProxyAuthentication = true;
    s.cddb.ProxyUserName = QStringLiteral("me");
    s.cddb.ProxyPassword = QStringLiteral("pw");
    auto disc = twoTrackDisc();
    s.cddb.QueryDisc(*disc);
    EXPECT_EQ(s.cddb.ErrorKind, 0);
    EXPECT_EQ(s.cddb.MatchKind, 1);
    ASSERT_EQ(s.server->Requests().size(), 1);
    const QByteArray head = s.server->Requests()[0].head;
    EXPECT_TRUE(head.startsWith("POST http://cddb.example:8880/~cddb/cddb.cgi HTTP/1.0\r\n"))
        << head.constData();
    EXPECT_TRUE(head.contains("\r\nHost: cddb.example:8880\r\n"));
    EXPECT_TRUE(head.contains("\r\nProxy-Authorization: Basic bWU6cHc=\r\n"));
}

TEST(CddbSubmit, ServerReceivesTheComposedEntry)
{
    TServed s;
    auto record = twoTrackDisc();
    TCddbCD &entry = record->AddCddbCD();
    entry.DTitle = QStringLiteral("宇多田 / 初恋");
    entry.Category = QStringLiteral("misc");
    entry.Revision = 1;
    entry.SubmittedVia = QStringLiteral("Qel 3.1");
    entry.ExtData = QStringLiteral("one\r\ntwo");
    entry.AddTrack().Title = QStringLiteral("東京");
    entry.AddTrack().Title = QStringLiteral("Café");
    QStringList lines;
    ComposeEntry(*record, lines);
    const QByteArray expected =
        (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();

    s.cddb.SubmitDisc(*record);
    EXPECT_EQ(s.cddb.ErrorKind, 0) << s.cddb.ErrorMessage().toStdString();
    const auto requests = s.server->Requests();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].body, expected);
    EXPECT_TRUE(requests[0].head.startsWith("POST /~cddb/submit.cgi HTTP/1.0\r\n"));
    EXPECT_TRUE(
        requests[0].head.endsWith("\r\nContent-Length: " + QByteArray::number(expected.size()) +
                                  "\r\nCategory: misc\r\nDiscid: 04018e02\r\n"
                                  "User-Email: me@example.org\r\nSubmit-Mode: submit\r\n"
                                  "Charset: UTF-8\r\n\r\n"))
        << requests[0].head.constData();

    // A later query does not carry the submission headers.
    auto disc = twoTrackDisc();
    s.cddb.QueryDisc(*disc);
    EXPECT_FALSE(s.server->Requests().last().head.contains("Category:"));

    s.answer("submit", "500 Missing required header information.\r\n");
    s.cddb.SubmitDisc(*record);
    EXPECT_EQ(s.cddb.ErrorKind, 24);

    s.cddb.EmailAddress.clear();
    const qsizetype before = s.server->Requests().size();
    s.cddb.SubmitDisc(*record);
    EXPECT_EQ(s.cddb.ErrorKind, 25);
    EXPECT_EQ(s.server->Requests().size(), before) << "nothing is sent without an address";
}

} // namespace
