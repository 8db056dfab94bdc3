#include "model/album.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "mp3/mp3album.h"
#include "mp3/mp3file.h"
#include "mp3/mp3scan.h"
#include "mp3/ui/mp3explorer.h"
#include "mp3testsupport.h"
#include "shell/dmglobal.h"
#include "shell/settingsstore.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

QStringList relativePaths(const TMP3Folder &tree)
{
    std::vector<const TAudioFile *> files;
    CollectMp3Files(tree, files);
    QStringList out;
    for (const TAudioFile *f : files)
        out << f->RelativePath();
    return out;
}

// The paths that `qel mp3 DIR` prints, in its order.
QStringList commandPaths(const QString &root, QByteArray *tail = nullptr)
{
    const TRunResult r = RunQel({QStringLiteral("mp3"), root});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    QStringList lines = QString::fromUtf8(r.out).split(u'\n', Qt::SkipEmptyParts);
    if (tail && !lines.isEmpty())
        *tail = lines.takeLast().toUtf8();
    else if (!lines.isEmpty())
        lines.removeLast(); // the count
    for (QString &line : lines)
        line = line.section(u'\t', 0, 0);
    return lines;
}

// The tracks' audio files below root, in the album's order.
QStringList albumPaths(const TAlbum &album, const QString &root)
{
    QStringList out;
    std::function<void(const TDataItem *)> walk = [&](const TDataItem *item) {
        for (qsizetype i = 0; i < item->Count(); ++i) {
            const TDataItem *child = item->Items(i);
            if (child->Kind() == TItemKind::Track)
                out << QDir(root).relativeFilePath(static_cast<const TTrack *>(child)->AudioFile);
            walk(child);
        }
    };
    walk(&album);
    return out;
}

// Lets a reader that waits on the named pipe at path go, once grace has passed without
// the test being done: the test then fails on waited() instead of hanging the suite.
class TPipeWatchdog
{
public:
    explicit TPipeWatchdog(const QString &path) : m_path(QFile::encodeName(path))
    {
        m_thread = std::thread([this] { watch(); });
    }
    ~TPipeWatchdog() { waited(); }
    // Ends the watch; true when a reader was found waiting on the pipe.
    bool waited()
    {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
        return m_waited;
    }

private:
    void watch()
    {
        std::unique_lock lock(m_mutex);
        if (m_wake.wait_for(lock, std::chrono::seconds(30), [this] { return m_done; }))
            return;
        while (!m_done) {
            // Succeeds only while a reader has the pipe open, or waits in open().
            const int fd = ::open(m_path.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) {
                m_waited = true;
                ::close(fd);
            }
            m_wake.wait_for(lock, std::chrono::milliseconds(10), [this] { return m_done; });
        }
    }

    QByteArray m_path;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    bool m_waited = false;
};

} // namespace

// The explorer's flat list, the album made of the folder and `qel mp3` list in one order:
// the chosen folder's subfolders first, below it folders and files mixed, names compared
// with the letters a to z folded, equal names by album.
TEST(Mp3Scan, OneOrderForTheListTheAlbumAndTheCommand)
{
    TExplorerHost host;
    const QString root = host.home.file(QStringLiteral("Shelf"));
    LayOutMp3Tree(root,
                  {QStringLiteral("b.mp3=v1.mp3"), QStringLiteral("A.MP3=v1.mp3"),
                   QStringLiteral("_x.mp3=v1.mp3"), QStringLiteral("Same.mp3=v1.mp3"),
                   QStringLiteral("same.mp3=v11.mp3"), QStringLiteral("c.txt=v1.mp3"),
                   QStringLiteral("cd2/x.mp3=v1.mp3"), QStringLiteral("CD1/y.mp3=v1.mp3"),
                   QStringLiteral("CD1/b.mp3=v1.mp3"), QStringLiteral("CD1/a sub/q.mp3=v1.mp3"),
                   QStringLiteral("empty/z.txt="), QStringLiteral(".hidden.mp3=v1.mp3"),
                   QStringLiteral(".hid/h.mp3=v1.mp3")});
    ASSERT_TRUE(QFile::link(root + QStringLiteral("/CD1"), root + QStringLiteral("/linked")));
    const QStringList expected{
        QStringLiteral("CD1/a sub/q.mp3"), QStringLiteral("CD1/b.mp3"), QStringLiteral("CD1/y.mp3"),
        QStringLiteral("cd2/x.mp3"),       QStringLiteral("A.MP3"),     QStringLiteral("b.mp3"),
        QStringLiteral("same.mp3"),        QStringLiteral("Same.mp3"),  QStringLiteral("_x.mp3")};

    const std::unique_ptr<TMP3Folder> tree = ScanMp3Folder(root);
    EXPECT_EQ(relativePaths(*tree), expected);

    EXPECT_EQ(commandPaths(root), expected);

    std::unique_ptr<TAlbum> album(CreateFromMP3Folder(*tree, host.db, nullptr, QString()));
    EXPECT_EQ(albumPaths(*album, root), expected);

    host.store.WriteString(QStringLiteral("ScanMp3Screen"), QStringLiteral("InitialFolder"), root);
    TfmScanMp3 window(host.db, host.dm, {});
    window.show();
    QCoreApplication::sendPostedEvents(&window, QEvent::MetaCall); // the first scan
    Child<QCheckBox>(&window, "ckShowFlatList")->click();
    auto *list = Child<QTreeWidget>(&window, "lvMp3");
    QStringList rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        rows << list->topLevelItem(i)->text(0);
    EXPECT_EQ(rows, expected);
}

// A named pipe called *.mp3, or a link to one, would block the open for good: the reader
// refuses it without waiting and every scan leaves it out.
TEST(Mp3Scan, NamedPipesAreLeftOutWithoutWaiting)
{
    TTestHome home;
    const QString root = home.file(QStringLiteral("Shelf"));
    LayOutMp3Tree(root,
                  {QStringLiteral("song.mp3=v1.mp3"), QStringLiteral("Sub/track.mp3=v1.mp3")});
    const QString fifo = home.file(QStringLiteral("pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_EQ(::link(QFile::encodeName(fifo).constData(),
                     QFile::encodeName(root + QStringLiteral("/pipe.mp3")).constData()),
              0);
    ASSERT_TRUE(QFile::link(fifo, root + QStringLiteral("/Sub/link.mp3")));
    ASSERT_TRUE(QFile::link(fifo, root + QStringLiteral("/cover.jpg")));
    // A link to a regular file is still an MP3 file of the folder.
    ASSERT_TRUE(
        QFile::link(root + QStringLiteral("/song.mp3"), root + QStringLiteral("/alias.mp3")));
    const QStringList expected{QStringLiteral("Sub/track.mp3"), QStringLiteral("alias.mp3"),
                               QStringLiteral("song.mp3")};

    TPipeWatchdog watchdog(fifo);
    TMP3File file;
    file.ReadInfo(root + QStringLiteral("/Sub/link.mp3"));
    EXPECT_TRUE(file.Path.isEmpty());
    EXPECT_TRUE(ReadMp3Picture(root + QStringLiteral("/pipe.mp3")).Data.isEmpty());

    const std::unique_ptr<TMP3Folder> tree = ScanMp3Folder(root);
    EXPECT_EQ(relativePaths(*tree), expected);

    // The explorer's two passes: the count says what the list holds.
    TMP3Scanner scanner;
    TMP3Folder scanned;
    scanned.Path = root;
    EXPECT_EQ(scanner.Scan(scanned, true), 3);
    EXPECT_EQ(relativePaths(scanned), expected);
    TMP3Folder top;
    top.Path = root;
    EXPECT_EQ(scanner.Scan(top, false), 3);

    // The album with the folder's "cover", which is the pipe too.
    TQelDb db;
    const QString covers = home.file(QStringLiteral("covers"));
    std::unique_ptr<TAlbum> album(CreateFromMP3Folder(*tree, db, nullptr, covers));
    EXPECT_EQ(album->GetTrackCount(), 3);
    EXPECT_TRUE(QString(album->CoverFile).isEmpty());

    QByteArray tail;
    EXPECT_EQ(commandPaths(root, &tail), expected);
    EXPECT_EQ(tail, "3 MP3 files");
    const TRunResult pipe = RunQel({QStringLiteral("mp3"), root + QStringLiteral("/pipe.mp3")});
    EXPECT_EQ(pipe.exitCode, 2);
    EXPECT_TRUE(pipe.err.contains("is not a regular file")) << pipe.err.constData();
    const TRunResult made = RunQel({QStringLiteral("mp3"), QStringLiteral("album"), root});
    EXPECT_EQ(made.exitCode, 0) << made.err.constData();

    EXPECT_FALSE(watchdog.waited()) << "a reader waited on the named pipe";
}

// Without a progress to report, the files are read on several threads: the tree must be
// the one that reading them one by one gives.
TEST(Mp3Scan, ReadingOnThreadsKeepsTheTree)
{
    TTestHome home;
    const QString root = home.file(QStringLiteral("Shelf"));
    QStringList files;
    for (int i = 0; i < 150; ++i)
        files << QStringLiteral("Disc %1/%2.mp3=%3")
                     .arg(i % 3)
                     .arg(i)
                     .arg(i % 2 ? QStringLiteral("v1.mp3") : QStringLiteral("v11.mp3"));
    LayOutMp3Tree(root, files);
    const auto fields = [](const TMP3Folder &tree) {
        std::vector<const TAudioFile *> all;
        CollectMp3Files(tree, all);
        QStringList out;
        for (const TAudioFile *f : all)
            out << f->RelativePath() + u' ' + f->Title + u' ' + f->Description();
        return out;
    };
    const QStringList oneByOne = fields(*ScanMp3Folder(root, [] { return true; }));
    ASSERT_EQ(oneByOne.size(), 150);
    EXPECT_EQ(fields(*ScanMp3Folder(root)), oneByOne);
}
