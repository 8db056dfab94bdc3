#include "model/backgroundwriter.h"

#include "model/atomicfile.h"
#include "model/qelstream.h"

#include <algorithm>
#include <chrono>

namespace {
// Blocks small enough for the progress to move, large enough to cost nothing.
constexpr qsizetype kBlock = qsizetype(4) << 20;
} // namespace

TBackgroundWriter::TBackgroundWriter(QObject *parent) : QObject(parent), m_thread([this] { run(); })
{
}

TBackgroundWriter::~TBackgroundWriter()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

quint64 TBackgroundWriter::Write(const QString &path, QByteArray bytes)
{
    std::vector<QByteArray> pieces;
    pieces.push_back(std::move(bytes));
    return Write(path, std::move(pieces));
}

quint64 TBackgroundWriter::Write(const QString &path, std::vector<QByteArray> pieces)
{
    quint64 id;
    {
        std::lock_guard lock(m_mutex);
        id = ++m_lastId;
        // Not started yet, so nobody has seen it: the newer bytes make it pointless.
        std::erase_if(m_queue, [&path](const TJob &job) { return job.path == path; });
        m_queue.push_back({id, path, std::move(pieces)});
    }
    m_changed.notify_all();
    return id;
}

bool TBackgroundWriter::Wait(int msecs)
{
    std::unique_lock lock(m_mutex);
    const auto idle = [this] { return m_queue.empty() && !m_busy; };
    if (msecs < 0) {
        m_changed.wait(lock, idle);
        return true;
    }
    return m_changed.wait_for(lock, std::chrono::milliseconds(msecs), idle);
}

bool TBackgroundWriter::Idle() const
{
    std::lock_guard lock(m_mutex);
    return m_queue.empty() && !m_busy;
}

void TBackgroundWriter::Deliver()
{
    std::vector<TResult> results;
    {
        std::lock_guard lock(m_mutex);
        results.swap(m_results);
    }
    for (const TResult &r : results)
        emit Written(r.id, r.path, r.error);
}

void TBackgroundWriter::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stop || !m_queue.empty(); });
        if (m_queue.empty())
            return; // stopping, with everything written
        TJob job = std::move(m_queue.front());
        m_queue.pop_front();
        m_busy = true;
        m_progress = 0;
        lock.unlock();

        QString error = writeFile(job);
        job.pieces.clear(); // let go before anyone is told

        lock.lock();
        m_results.push_back({job.id, job.path, std::move(error)});
        m_busy = false;
        m_changed.notify_all();
        // Reported on the owner's thread; a result already taken by Deliver is not
        // reported twice, and this object outlives every call queued here.
        QMetaObject::invokeMethod(this, &TBackgroundWriter::Deliver, Qt::QueuedConnection);
    }
}

QString TBackgroundWriter::writeFile(const TJob &job)
{
    if (BeforeWrite) {
        const QString refused = BeforeWrite(job.path);
        if (!refused.isEmpty())
            return refused;
    }
    TAtomicFile file(job.path);
    if (!file.Open())
        return file.ErrorString();
    qsizetype total = 0;
    for (const QByteArray &piece : job.pieces)
        total += piece.size();
    // Small pieces (an album each) are gathered into blocks: one write call per block.
    QByteArray block;
    qsizetype done = 0;
    auto put = [&](const char *data, qsizetype n) {
        if (file.Device()->write(data, n) != n)
            return false;
        done += n;
        m_progress = int(qint64(done) * 100 / std::max(total, qsizetype(1)));
        return true;
    };
    auto flushBlock = [&] {
        const bool ok = block.isEmpty() || put(block.constData(), block.size());
        block.truncate(0);
        return ok;
    };
    bool ok = true;
    for (const QByteArray &piece : job.pieces) {
        if (piece.size() >= kBlock) {
            ok = flushBlock();
            for (qsizetype at = 0; ok && at < piece.size(); at += kBlock)
                ok = put(piece.constData() + at, std::min(kBlock, piece.size() - at));
        } else {
            if (block.size() + piece.size() > kBlock)
                ok = flushBlock();
            if (block.capacity() < kBlock)
                block.reserve(kBlock);
            block.append(piece);
        }
        if (!ok)
            break;
    }
    if (ok)
        ok = flushBlock();
    if (!ok) {
        const QString reason = WriteFailureReason(*file.Device());
        file.Cancel();
        return reason;
    }
    if (!file.Commit())
        return file.ErrorString();
    return {};
}
