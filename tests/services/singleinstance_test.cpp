#include "services/singleinstance.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>

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

} // namespace
