#include "services/singleinstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kTimeoutMs = 30000;
const char *const kServerVariable = "QEL_TEST_INSTANCE_SERVER";

// The other instance: this test program started again with only this test, claiming
// the server named in the environment. It reports "claimed 1" or "claimed 0", then
// "raised" for every request, and runs until it is killed.
TEST(SingleInstanceOther, ClaimAndWait)
{
    const QString server = qEnvironmentVariable(kServerVariable);
    if (server.isEmpty())
        GTEST_SKIP() << "only runs as the other instance started by SingleInstance tests";
    TSingleInstance instance(server);
    QObject::connect(&instance, &TSingleInstance::raiseRequested, [] {
        std::fputs("raised\n", stdout);
        std::fflush(stdout);
    });
    const bool claimed = instance.Claim();
    std::printf("claimed %d\n", claimed ? 1 : 0);
    std::fflush(stdout);
    if (claimed)
        QEventLoop().exec();
}

class TOtherInstance
{
public:
    explicit TOtherInstance(const QString &server)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kServerVariable), server);
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--gtest_filter=SingleInstanceOther.ClaimAndWait")});
    }
    ~TOtherInstance() { Kill(); }

    // Waits for an output line that starts with prefix; returns it, or empty when the
    // process ended or the wait timed out.
    QByteArray WaitForLine(const QByteArray &prefix)
    {
        for (;;) {
            while (m_process.canReadLine()) {
                const QByteArray line = m_process.readLine().trimmed();
                if (line.startsWith(prefix))
                    return line;
            }
            if (!m_process.waitForReadyRead(kTimeoutMs))
                return {};
        }
    }

    void Kill() // SIGKILL: no chance to remove its socket
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(kTimeoutMs);
        }
    }

private:
    QProcess m_process;
};

class SingleInstance : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString server = dir.filePath(QStringLiteral("instance"));
};

TEST_F(SingleInstance, SecondInstanceIsRefusedAndRaisesTheFirst)
{
    TOtherInstance first(server);
    ASSERT_EQ(first.WaitForLine("claimed"), "claimed 1");

    {
        TSingleInstance second(server);
        EXPECT_FALSE(second.Claim());
        EXPECT_FALSE(second.Listening());
        EXPECT_EQ(first.WaitForLine("raised"), "raised");
    }
    // The refused instance's end leaves the first one's socket alone.
    EXPECT_TRUE(QFileInfo::exists(server));
}

TEST_F(SingleInstance, SocketOfAKilledInstanceIsTakenOver)
{
    {
        TOtherInstance killed(server);
        ASSERT_EQ(killed.WaitForLine("claimed"), "claimed 1");
        killed.Kill();
    }
    ASSERT_TRUE(QFileInfo::exists(server)) << "the killed instance should leave its socket";

    TSingleInstance next(server);
    ASSERT_TRUE(next.Claim());
    EXPECT_TRUE(next.Listening());

    // It is a working first instance: a later one is refused and raises it.
    QSignalSpy raised(&next, &TSingleInstance::raiseRequested);
    TOtherInstance later(server);
    // Its request is read by our event loop, which the wait runs.
    EXPECT_TRUE(raised.wait(kTimeoutMs));
    EXPECT_EQ(later.WaitForLine("claimed"), "claimed 0");
}

// No $XDG_RUNTIME_DIR, and a shared temporary folder of the test's own (Qt takes
// $TMPDIR for it), where anyone may put a socket.
class SingleInstanceWithoutRuntimeDir : public ::testing::Test
{
protected:
    SingleInstanceWithoutRuntimeDir()
        : m_oldRuntime(qgetenv("XDG_RUNTIME_DIR")),
          m_hadRuntime(qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")), m_oldTmp(qgetenv("TMPDIR")),
          m_hadTmp(qEnvironmentVariableIsSet("TMPDIR"))
    {
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", QFile::encodeName(shared.path()));
    }
    ~SingleInstanceWithoutRuntimeDir() override
    {
        if (m_hadRuntime)
            qputenv("XDG_RUNTIME_DIR", m_oldRuntime);
        if (m_hadTmp)
            qputenv("TMPDIR", m_oldTmp);
        else
            qunsetenv("TMPDIR");
    }

    QTemporaryDir shared;
    const QString plainName = QStringLiteral("qelmusic-%1").arg(::getuid());
    // Qt's private fallback folder in the temporary folder.
    const QString privateFolder = shared.filePath(
        QStringLiteral("runtime-") + QString::fromLocal8Bit(::getpwuid(::getuid())->pw_name));

private:
    QByteArray m_oldRuntime;
    bool m_hadRuntime;
    QByteArray m_oldTmp;
    bool m_hadTmp;
};

TEST_F(SingleInstanceWithoutRuntimeDir, ASocketPutInTheSharedFolderDoesNotStopTheStart)
{
    TOtherInstance squatter(shared.filePath(plainName));
    ASSERT_EQ(squatter.WaitForLine("claimed"), "claimed 1");

    const QString name = TSingleInstance::DefaultServerName();
    EXPECT_EQ(QFileInfo(name).absolutePath(), privateFolder);
    struct stat st
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(privateFolder).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    EXPECT_EQ(st.st_uid, ::getuid());
    TSingleInstance instance;
    EXPECT_TRUE(instance.Claim());
    EXPECT_TRUE(instance.Listening());
    EXPECT_EQ(instance.ServerName(), name);
}

TEST_F(SingleInstanceWithoutRuntimeDir, WithoutAPrivateFolderTheProgramRunsAlone)
{
    // The fallback folder taken over: open to others, with a socket inside.
    ASSERT_TRUE(QDir().mkpath(privateFolder));
    ASSERT_TRUE(QFile::setPermissions(privateFolder, QFile::ReadOwner | QFile::WriteOwner |
                                                         QFile::ExeOwner | QFile::ReadOther |
                                                         QFile::WriteOther | QFile::ExeOther));
    TOtherInstance squatter(QDir(privateFolder).filePath(plainName));
    ASSERT_EQ(squatter.WaitForLine("claimed"), "claimed 1");
    TOtherInstance plain(shared.filePath(plainName));
    ASSERT_EQ(plain.WaitForLine("claimed"), "claimed 1");

    EXPECT_EQ(TSingleInstance::DefaultServerName(), QString());
    TSingleInstance instance;
    EXPECT_TRUE(instance.Claim());
    EXPECT_FALSE(instance.Listening());
}

} // namespace
