// `qel cddb query`, `qel cddb sites` and `qel scanlist query` against the test server.
#include "cddbtestserver.h"
#include "discimages.h"
#include "shell/settingsstore.h"
#include "testsupport.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

const QByteArray kEntry = "# xmcd\n#\n# Revision: 2\n# Submitted via: tool 1\n#\n"
                          "DTITLE=Die \xc3\x84rzte / Gr\xc3\xbc\xc3\x9f\x65\n"
                          "TTITLE0=One\nTTITLE1=Two\nEXTD=a\\nb\nEXTT1=x\nPLAYORDER=\n";

struct TCliServer
{
    TTestHome home;
    QTemporaryDir entries;
    TCddbTestServer server{entries.path()};
    QString image;

    TCliServer()
    {
        QDir(entries.path()).mkpath(QStringLiteral("rock"));
        WriteFileBytes(entries.filePath(QStringLiteral("rock/04018e02")), kEntry);
        image = MakeDiscImage(home.path(), QStringLiteral("two"), {{150, 15000}, 30000});
    }
    void answer(const char *command, const QByteArray &body)
    {
        server.SetAnswer(QString::fromLatin1(command), TCddbTestServer::Text(body));
    }
    QString url() const { return server.Url(); }
};

TEST(QelCddbNet, Query)
{
    TCliServer s;
    s.answer("cddb query", "200 rock 04018e02 Die Aerzte / Gruesse\r\n");
    TRunResult r = RunQel({QStringLiteral("cddb"), QStringLiteral("query"), s.image,
                           QStringLiteral("--server"), s.url(), QStringLiteral("--email"),
                           QStringLiteral("me@example.org"), QStringLiteral("--json")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(r.out, "{\"matchKind\":2,\"entries\":[{\"category\":\"rock\",\"discId\":\"04018e02\","
                     "\"dtitle\":\"Die \xc3\x84rzte / Gr\xc3\xbc\xc3\x9f\x65\",\"artist\":\"Die "
                     "\xc3\x84rzte\",\"title\":\"Gr\xc3\xbc\xc3\x9f\x65\",\"revision\":2,"
                     "\"submittedVia\":\"tool 1\",\"extData\":\"a\\r\\nb\",\"tracks\":[{\"title\":"
                     "\"One\",\"extData\":\"\"},{\"title\":\"Two\",\"extData\":\"x\"}]}]}\n");
    ASSERT_GE(s.server.Requests().size(), 1);
    EXPECT_TRUE(s.server.Requests()[0].body.startsWith(
        "cmd=cddb+query+04018e02+2+150+15000+400&hello=me+example.org+Qel+"));

    r = RunQel({QStringLiteral("cddb"), QStringLiteral("query"), s.image,
                QStringLiteral("--server"), s.url()});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.out.startsWith("Found one exact match for CDDB ID \"04018e02\"\n"))
        << r.out.constData();
    EXPECT_TRUE(r.out.contains("  Track 2: Two\n"));

    struct TCase
    {
        QByteArray reply;
        const char *message;
    };
    const TCase failures[] = {
        {"401 Specified CDDB entry not found.\r\n",
         "Query failed: Specified CDDB entry not found."},
        {"<html><body>Bad Gateway</body></html>\r\n", "Query failed: Unexpected server response."},
    };
    for (const TCase &c : failures) {
        s.answer("cddb query", c.reply);
        r = RunQel({QStringLiteral("cddb"), QStringLiteral("query"), s.image,
                    QStringLiteral("--server"), s.url()});
        EXPECT_EQ(r.exitCode, 2) << c.message;
        EXPECT_EQ(r.err.trimmed(), QByteArray(c.message));
    }
    r = RunQel({QStringLiteral("cddb"), QStringLiteral("query"), s.image,
                QStringLiteral("--server"), QStringLiteral("ftp://x")});
    EXPECT_EQ(r.exitCode, 2);
}

TEST(QelCddbNet, SitesAreStored)
{
    TCliServer s;
    s.answer("sites", "210 OK\r\nmirror.example http 8080 /cgi N1 W2 Some place\r\n.\r\n");
    s.answer("cddb lscat", "210 OK\r\nrock\r\njazz\r\n.\r\n");
    const TRunResult r = RunQel(
        {QStringLiteral("cddb"), QStringLiteral("sites"), QStringLiteral("--server"), s.url()});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(r.out,
              "Sites:\nmirror.example 8080 /cgi N1 W2 Some place\nCategories:\nrock\njazz\n");
    TIniSettingsStore store;
    EXPECT_EQ(store.ReadString(QStringLiteral("Cddb\\Site0"), QStringLiteral("Site"), {}),
              QStringLiteral("mirror.example"));
    EXPECT_EQ(store.ReadString(QStringLiteral("Cddb\\Categories"), QStringLiteral("Category1"), {}),
              QStringLiteral("jazz"));
}

TEST(QelCddbNet, ScanListQuery)
{
    TCliServer s;
    s.answer("cddb query 04018e02", "200 rock 04018e02 x\r\n");
    const QString other = MakeDiscImage(s.home.path(), QStringLiteral("other"), {{150}, 20000});
    for (const QString &image : {s.image, other}) {
        const TRunResult add = RunQel({QStringLiteral("scanlist"), QStringLiteral("add"), image});
        ASSERT_EQ(add.exitCode, 0) << add.err.constData();
    }
    TRunResult r = RunQel(
        {QStringLiteral("scanlist"), QStringLiteral("query"), QStringLiteral("--server"), s.url()});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(s.server.Requests().size(), 3) << "two queries and one read";
    // The entries found are kept in the list.
    r = RunQel({QStringLiteral("scanlist"), QStringLiteral("list")});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_TRUE(
        r.out.startsWith("04018e02\t2 (06:37)\tDie \xc3\x84rzte / Gr\xc3\xbc\xc3\x9f\x65\n"))
        << r.out.constData();
}

} // namespace
