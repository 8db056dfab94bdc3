#include "shell/demoinstall.h"
#include "testsupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <sys/resource.h>

namespace {

const QString kBuilt = QStringLiteral(QEL_BINARY_DIR "/resources/");

// The names of the files in folder, hidden ones included, as one readable text.
std::string filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name).join(u'|').toStdString();
}

struct TDataFolders
{
    QTemporaryDir root;
    QString data = root.filePath(QStringLiteral("Data"));
    QString covers = root.filePath(QStringLiteral("Data/Covers"));
    QString lyrics = root.filePath(QStringLiteral("Data/Lyrics"));

    bool Install() { return InstallDemoDatabase(data, covers, lyrics); }
};

TEST(DemoInstall, CopiesOnceAndNeverOverwrites)
{
    ASSERT_TRUE(QFileInfo::exists(kBuilt + QStringLiteral("demo.qel"))) << "build demo_db first";
    TDataFolders folders;
    // A picture of the user's that happens to share a demo cover's name.
    ASSERT_TRUE(QDir().mkpath(folders.covers));
    WriteFileBytes(folders.covers + QStringLiteral("/tidewater.jpg"), "mine");

    ASSERT_TRUE(folders.Install());
    EXPECT_EQ(ReadFileBytes(folders.data + QStringLiteral("/demo.qel")),
              ReadFileBytes(kBuilt + QStringLiteral("demo.qel")));
    EXPECT_EQ(filesIn(folders.covers), filesIn(kBuilt + QStringLiteral("demo/covers")));
    EXPECT_EQ(filesIn(folders.lyrics), filesIn(kBuilt + QStringLiteral("demo/lyrics")));
    EXPECT_EQ(filesIn(folders.data), "demo.qel"); // no leftovers
    EXPECT_EQ(ReadFileBytes(folders.covers + QStringLiteral("/tidewater.jpg")), "mine");
    for (const QString &name : QDir(folders.lyrics).entryList(QDir::Files))
        EXPECT_EQ(ReadFileBytes(folders.lyrics + u'/' + name),
                  ReadFileBytes(kBuilt + QStringLiteral("demo/lyrics/") + name))
            << name.toStdString();

    // Once the data folder has a demo.qel, the user's files are left alone.
    WriteFileBytes(folders.data + QStringLiteral("/demo.qel"), "edited");
    ASSERT_TRUE(QFile::remove(folders.covers + QStringLiteral("/lowlight.png")));
    EXPECT_TRUE(folders.Install());
    EXPECT_EQ(ReadFileBytes(folders.data + QStringLiteral("/demo.qel")), "edited");
    EXPECT_FALSE(QFileInfo::exists(folders.covers + QStringLiteral("/lowlight.png")));
}

TEST(DemoInstall, FailedCopyLeavesNoFiles)
{
    const qint64 demoSize = QFileInfo(kBuilt + QStringLiteral("demo.qel")).size();
    qint64 largest = 0;
    for (const QString &sub : {QStringLiteral("demo/covers"), QStringLiteral("demo/lyrics")}) {
        QDirIterator it(kBuilt + sub, QDir::Files);
        while (it.hasNext())
            largest = std::max(largest, QFileInfo(it.next()).size());
    }
    ASSERT_GT(demoSize, largest + 1024) << "the limit below needs demo.qel to be the largest";

    // The pictures and lyrics fit under the file-size limit, demo.qel does not:
    // the failure comes after the other files were copied.
    TDataFolders folders;
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = rlim_t(largest + 512);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool installed = folders.Install();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(installed);
    EXPECT_EQ(filesIn(folders.data), "");
    EXPECT_EQ(filesIn(folders.covers), "");
    EXPECT_EQ(filesIn(folders.lyrics), "");
}

} // namespace
