#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Writes files atomically (see TAtomicFile) on a thread of its own, so that whoever
// hands over the bytes does not wait for the disk. Writes happen in the order they were
// asked for; a write not yet started is dropped when a newer one for the same file
// comes, so each file ends with the newest bytes given for it.
//
// Results come back as Written signals on the thread that made this object: queued
// as each write ends, or at once through Deliver (after Wait, so none is lost when the
// owner goes).
class TBackgroundWriter : public QObject
{
    Q_OBJECT

public:
    explicit TBackgroundWriter(QObject *parent = nullptr);
    // Finishes every write asked for (their results are no longer reported).
    ~TBackgroundWriter() override;

    // Queues bytes to replace the file at path; answers the number of this write.
    quint64 Write(const QString &path, QByteArray bytes);
    // The same for a file given as pieces, written one after the other. The pieces may
    // share their data with the caller's (implicit sharing makes that safe across threads).
    quint64 Write(const QString &path, std::vector<QByteArray> pieces);
    // Blocks until every write asked for is done or dropped, for at most msecs (a
    // negative value: without limit); true when nothing is left to write.
    bool Wait(int msecs = -1);
    bool Idle() const;
    // How far the write under way has come, 0 to 100.
    int Progress() const { return m_progress.load(); }
    // Emits Written now for every write ended and not yet reported.
    void Deliver();

    // For tests; set while idle. Runs on the writer's thread before each write: a text
    // it answers fails that write with the text as its reason, leaving the file as it was.
    std::function<QString(const QString &path)> BeforeWrite;

signals:
    // error is empty when the file now holds the bytes; otherwise the file is as it was.
    void Written(quint64 id, const QString &path, const QString &error);

private:
    struct TJob
    {
        quint64 id = 0;
        QString path;
        std::vector<QByteArray> pieces;
    };
    struct TResult
    {
        quint64 id = 0;
        QString path;
        QString error;
    };

    void run();
    QString writeFile(const TJob &job);

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<TJob> m_queue;
    std::vector<TResult> m_results;
    quint64 m_lastId = 0;
    bool m_busy = false; // a job has been taken from the queue and is being written
    bool m_stop = false;
    std::atomic<int> m_progress{0};
    std::thread m_thread; // last: starts once everything above exists
};
