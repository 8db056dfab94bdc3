#include "model/backgroundwriter.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>

#include <csignal>
#include <gtest/gtest.h>
#include <semaphore>
#include <sys/resource.h>
#include <vector>

namespace {

struct TReport
{
    quint64 id;
    QString path;
    QString error;
};

// Collects what the writer reports.
void listen(TBackgroundWriter &writer, std::vector<TReport> &reports)
{
    QObject::connect(&writer, &TBackgroundWriter::Written,
                     [&reports](quint64 id, const QString &path, const QString &error) {
                         reports.push_back({id, path, error});
                     });
}

QByteArray bytesOf(char c, qsizetype n)
{
    return QByteArray(n, c);
}

} // namespace

TEST(BackgroundWriter, TheFileEndsWithTheNewestBytesAndWaitingWritesAreDropped)
{
    TTestHome home;
    const QString path = home.file(QStringLiteral("a.qel"));
    std::vector<TReport> reports;
    {
        TBackgroundWriter writer;
        listen(writer, reports);
        // The first write is held up, once started, until the next two are queued.
        std::binary_semaphore started(0), go(0);
        bool first = true;
        writer.BeforeWrite = [&](const QString &) {
            if (std::exchange(first, false)) {
                started.release();
                go.acquire();
            }
            return QString();
        };
        const quint64 a = writer.Write(path, "first");
        started.acquire();
        writer.Write(path, "second");
        const quint64 c = writer.Write(path, "third");
        go.release();
        writer.Wait();
        writer.Deliver();
        EXPECT_EQ(ReadFileBytes(path), QByteArray("third"));
        ASSERT_EQ(reports.size(), 2u);
        EXPECT_EQ(reports[0].id, a);
        EXPECT_EQ(reports[1].id, c);
        for (const TReport &r : reports) {
            EXPECT_EQ(r.path, path);
            EXPECT_TRUE(r.error.isEmpty()) << r.error.toStdString();
        }

        // Going away finishes what was asked for.
        writer.BeforeWrite = nullptr;
        writer.Write(path, "fourth");
        writer.Write(path, "fifth");
    }
    EXPECT_EQ(ReadFileBytes(path), QByteArray("fifth"));
}

TEST(BackgroundWriter, AFailedWriteIsReportedAndLeavesThePreviousFileWhole)
{
    TTestHome home;
    const QString path = home.file(QStringLiteral("a.qel"));
    const QByteArray before = bytesOf('o', 1000);
    WriteFileBytes(path, before);
    const QByteArray large = bytesOf('n', qsizetype(9) << 20); // several blocks
    TBackgroundWriter writer;
    std::vector<TReport> reports;
    listen(writer, reports);

    struct Case
    {
        const char *what;
        std::function<void()> write;
    } cases[] = {
        {"disk full half-way",
         [&] {
             TFileSizeLimit limit(1 << 20);
             writer.Write(path, large);
             writer.Wait();
         }},
        {"refused before the file is opened",
         [&] {
             writer.BeforeWrite = [](const QString &) { return QStringLiteral("injected"); };
             writer.Write(path, large);
             writer.Wait();
             writer.BeforeWrite = nullptr;
         }},
        {"a folder that is a file",
         [&] {
             writer.Write(home.file(QStringLiteral("a.qel/b.qel")), large);
             writer.Wait();
         }},
    };
    for (const Case &c : cases) {
        reports.clear();
        c.write();
        writer.Deliver();
        ASSERT_EQ(reports.size(), 1u) << c.what;
        EXPECT_FALSE(reports[0].error.isEmpty()) << c.what;
        EXPECT_EQ(ReadFileBytes(path), before) << c.what;
        EXPECT_EQ(QDir(home.path()).entryList(QDir::Files), QStringList{QStringLiteral("a.qel")})
            << c.what;
    }

    // The next write succeeds.
    reports.clear();
    writer.Write(path, large);
    writer.Wait();
    writer.Deliver();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].error.isEmpty()) << reports[0].error.toStdString();
    EXPECT_EQ(ReadFileBytes(path), large);
}

// A collection is handed over as pieces (its head, then an album each): the file is the
// pieces in order, whatever their sizes against the writer's blocks; a write that fails
// half-way leaves the old file, and the next write of the same pieces lands whole.
TEST(BackgroundWriter, PiecesLandInOrderAndAFailureLosesNothing)
{
    TTestHome home;
    const QString path = home.file(QStringLiteral("a.qel"));
    const QByteArray before = bytesOf('o', 100);
    WriteFileBytes(path, before);
    std::vector<QByteArray> pieces;
    QByteArray expected;
    for (const qsizetype n : {qsizetype(3), qsizetype(5) << 20, qsizetype(0), qsizetype(1000),
                              qsizetype(4) << 20, qsizetype(1), qsizetype(700000)}) {
        pieces.push_back(bytesOf(char('a' + pieces.size()), n));
        expected += pieces.back();
    }
    for (int i = 0; i < 20000; ++i) { // many small ones, as albums are
        pieces.push_back(QByteArray::number(i));
        expected += pieces.back();
    }
    TBackgroundWriter writer;
    std::vector<TReport> reports;
    listen(writer, reports);
    {
        TFileSizeLimit limit(1 << 20);
        writer.Write(path, pieces);
        writer.Wait();
    }
    writer.Deliver();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_FALSE(reports[0].error.isEmpty());
    EXPECT_EQ(ReadFileBytes(path), before);

    writer.Write(path, pieces);
    writer.Wait();
    writer.Deliver();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_TRUE(reports[1].error.isEmpty()) << reports[1].error.toStdString();
    EXPECT_EQ(ReadFileBytes(path), expected);
}
