// The desktop program as a user starts it: a process with its own settings folders.
#include "testsupport.h"
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

constexpr int kTimeoutMs = 60000;

QString appPath()
{
    return qEnvironmentVariable("QEL_APP", QStringLiteral(QEL_BINARY_DIR "/src/app/qelmusic"));
}

// A process of the program with settings, data and runtime folders of its own.
class TApp
{
public:
    explicit TApp(const QTemporaryDir &home, const QStringList &arguments)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // The file-type registration at exit must not look for the desktop's tools.
        env.insert(QStringLiteral("PATH"), QStringLiteral("/nonexistent"));
        process.setProcessEnvironment(env);
        process.start(appPath(), arguments);
        process.waitForStarted(kTimeoutMs);
    }
    ~TApp()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(kTimeoutMs);
        }
    }
    bool Finished() { return process.waitForFinished(kTimeoutMs); }
    QProcess process;
};

// The socket of the running instance answers.
bool WaitForListener(const QString &name)
{
    for (int i = 0; i < 600; ++i) {
        QLocalSocket socket;
        socket.connectToServer(name);
        if (socket.waitForConnected(100)) {
            socket.disconnectFromServer();
            return true;
        }
        QThread::msleep(50);
    }
    return false;
}

TEST(DesktopProgram, FirstStartInstallsTheDemoAndDrawsTheMainWindow)
{
    QTemporaryDir home;
    const QString picture = home.filePath(QStringLiteral("main.png"));
    TApp app(home, {QStringLiteral("--picture"), picture});
    ASSERT_TRUE(app.Finished());
    EXPECT_EQ(app.process.exitCode(), 0) << app.process.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromLocal8Bit(app.process.readAllStandardOutput()).trimmed(), picture);
    const QImage image(picture);
    EXPECT_FALSE(image.isNull());
    EXPECT_GT(image.width(), 400);
    EXPECT_TRUE(QFileInfo::exists(home.filePath(QStringLiteral("data/Qelmusic3/Data/demo.qel"))));
    // The settings were written at the end: the demo is the current database.
    const QByteArray settings =
        ReadFileBytes(home.filePath(QStringLiteral("config/Qelmusic3/Qelmusic3.ini")));
    EXPECT_TRUE(settings.contains("demo.qel")) << settings.toStdString();
    EXPECT_TRUE(settings.contains("TreeWidth")) << settings.toStdString();
}

TEST(DesktopProgram, ASecondInstanceEndsAlsoAfterTheFirstWasKilled)
{
    QTemporaryDir home;
    const QString socket = home.filePath(QStringLiteral("qelmusic-%1").arg(getuid()));
    auto first = std::make_unique<TApp>(home, QStringList{});
    ASSERT_TRUE(WaitForListener(socket));

    TApp second(home, {});
    ASSERT_TRUE(second.Finished());
    EXPECT_EQ(second.process.exitCode(), 0);
    // The first still runs and answers.
    EXPECT_TRUE(WaitForListener(socket));

    // Killed, the first leaves its socket behind; the next start takes it over.
    first.reset();
    TApp third(home, {});
    ASSERT_TRUE(WaitForListener(socket));
    EXPECT_FALSE(third.process.waitForFinished(0)); // it is the one that answers
}

} // namespace
