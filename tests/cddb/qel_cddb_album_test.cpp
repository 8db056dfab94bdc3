// `qel cddb add` and `qel cddb submit` against the test server.
#include "cddbtestserver.h"
#include "discimages.h"
#include "shell/settingsstore.h"
#include "testsupport.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

const QByteArray kEntry = "# xmcd\n#\n# Revision: 2\n# Submitted via: tool 1\n#\n"
                          "DTITLE=Harbour Lights / Songs of the Coast\n"
                          "TTITLE0=Guest Singer / Opening\nTTITLE1=Harbour Song\n"
                          "EXTD=Recorded live\\nin 1999\nPLAYORDER=\n";

} // namespace

TEST(QelCddbAlbum, AddThenSubmit)
{
    TTestHome home;
    QTemporaryDir entries;
    QDir(entries.path()).mkpath(QStringLiteral("folk"));
    WriteFileBytes(entries.filePath(QStringLiteral("folk/04018e02")), kEntry);
    TCddbTestServer server(entries.path());
    server.SetAnswer(QStringLiteral("cddb query"),
                     TCddbTestServer::Text("200 folk 04018e02 Harbour Lights / Songs\r\n"));
    const QString image = MakeDiscImage(home.path(), QStringLiteral("disc"), {{150, 15000}, 30000});
    const QString db = home.file(QStringLiteral("music.qel"));
    ASSERT_EQ(
        RunQel({QStringLiteral("generate"), QStringLiteral("--albums"), QStringLiteral("2"), db})
            .exitCode,
        0);

    TRunResult added = RunQel({QStringLiteral("cddb"), QStringLiteral("add"), db, image,
                               QStringLiteral("--server"), server.Url()});
    ASSERT_EQ(added.exitCode, 0) << added.err.constData();
    const QString id = QString::fromLatin1(added.out.trimmed());
    TRunResult dump = RunQel({QStringLiteral("dump"), db});
    EXPECT_TRUE(dump.out.contains("Songs of the Coast"));
    EXPECT_TRUE(dump.out.contains("Guest Singer"));
    EXPECT_TRUE(dump.out.contains("Recorded live\\r\\nin 1999"));

    // The entry the check composes, then the same entry through the server.
    const QStringList submit = {QStringLiteral("cddb"),
                                QStringLiteral("submit"),
                                db,
                                id,
                                image,
                                QStringLiteral("--server"),
                                server.Url()};
    TRunResult dry = RunQel(submit + QStringList{QStringLiteral("--dry-run")});
    ASSERT_EQ(dry.exitCode, 0) << dry.err.constData();
    const QList<QByteArray> lines = dry.out.split('\n');
    EXPECT_TRUE(dry.out.startsWith("# xmcd\r\n#\r\n# Track frame offsets:\r\n#  150\r\n#  15000\r\n"
                                   "#\r\n# Disc length: 400 seconds\r\n#\r\n# Revision: 4\r\n"));
    EXPECT_TRUE(
        dry.out.contains("\r\nDISCID=04018e02\r\nDTITLE=Harbour Lights / Songs of the "
                         "Coast\r\nTTITLE0=Guest Singer / Opening\r\nTTITLE1=Harbour Song\r\n"
                         "EXTD=\r\nEXTT0=\r\nEXTT1=\r\nPLAYORDER=\r\n"))
        << dry.out.constData();
    for (const QByteArray &line : lines)
        EXPECT_LE(line.size(), 80) << line.constData(); // 79 and the CR

    // Without an e-mail address nothing is sent.
    TRunResult noMail = RunQel(submit);
    EXPECT_EQ(noMail.exitCode, 2);
    EXPECT_TRUE(noMail.err.contains("No Email address specified")) << noMail.err.constData();
    {
        TIniSettingsStore store;
        store.WriteString(QStringLiteral("Cddb"), QStringLiteral("EmailAddress"),
                          QStringLiteral("me@example.org"));
    }
    server.SetAnswer(QStringLiteral("submit"),
                     TCddbTestServer::Text("200 OK, submission accepted\r\n"));
    TRunResult sent = RunQel(submit);
    ASSERT_EQ(sent.exitCode, 0) << sent.err.constData();
    TCddbTestServer::TRequest last = server.Requests().last();
    EXPECT_EQ(last.command, QStringLiteral("submit"));
    EXPECT_EQ(last.body, dry.out);
    for (const char *header :
         {"Category: folk\r\n", "Discid: 04018e02\r\n", "User-Email: me@example.org\r\n",
          "Submit-Mode: submit\r\n", "Charset: UTF-8\r\n"})
        EXPECT_TRUE(last.head.contains(header)) << header;
}

// A read reply cut before its closing line makes no album of nothing: the command
// fails and the collection stays as it was.
TEST(QelCddbAlbum, ACutEntryAddsNothing)
{
    TTestHome home;
    TCddbTestServer server;
    server.SetAnswer(QStringLiteral("cddb query"),
                     TCddbTestServer::Text("200 folk 04018e02 Harbour Lights / Songs\r\n"));
    server.SetAnswer(QStringLiteral("cddb read"),
                     TCddbTestServer::Text("210 folk 04018e02 CD database entry follows\r\n"
                                           "DTITLE=Harbour Lights / Songs of the Coast\r\n"));
    const QString image = MakeDiscImage(home.path(), QStringLiteral("disc"), {{150, 15000}, 30000});
    const QString db = home.file(QStringLiteral("music.qel"));
    ASSERT_EQ(
        RunQel({QStringLiteral("generate"), QStringLiteral("--albums"), QStringLiteral("2"), db})
            .exitCode,
        0);
    const QByteArray before = ReadFileBytes(db);

    TRunResult added = RunQel({QStringLiteral("cddb"), QStringLiteral("add"), db, image,
                               QStringLiteral("--server"), server.Url()});
    EXPECT_EQ(added.exitCode, 2);
    EXPECT_TRUE(added.err.contains("The server's reply was cut short.")) << added.err.constData();
    EXPECT_TRUE(added.out.isEmpty()) << added.out.constData();
    EXPECT_EQ(ReadFileBytes(db), before);
}
