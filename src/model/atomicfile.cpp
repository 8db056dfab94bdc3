#include "model/atomicfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <unistd.h>

TAtomicFile::TAtomicFile(const QString &path) : m_file(path)
{
    // A direct write would reintroduce the half-written file this class avoids.
    m_file.setDirectWriteFallback(false);
}

TAtomicFile::~TAtomicFile()
{
    if (!m_done)
        Cancel();
}

bool TAtomicFile::Open()
{
    if (!m_file.open(QIODevice::WriteOnly)) {
        m_error = m_file.errorString();
        m_done = true;
        return false;
    }
    return true;
}

void TAtomicFile::Cancel()
{
    if (m_file.isOpen())
        m_file.cancelWriting();
    m_file.commit(); // after cancelWriting this only removes the temporary file
    m_done = true;
}

bool TAtomicFile::Commit()
{
    // QSaveFile::commit() of Qt 6.4 can report success after its own final flush
    // failed, leaving a truncated file; so flush and check first, and only then commit.
    const bool flushed = m_file.flush();
    if (!flushed || m_file.error() != QFileDevice::NoError) {
        m_error = m_file.errorString();
        Cancel();
        return false;
    }
    if (!m_file.commit()) {
        m_error = m_file.errorString();
        m_done = true;
        return false;
    }
    m_done = true;
    // Make the rename itself durable: in the folder of the file replaced, which for a
    // link is its target's.
    const QFileInfo written(m_file.fileName());
    const QString target =
        written.isSymLink() ? written.canonicalFilePath() : written.absoluteFilePath();
    const QByteArray dir = QFile::encodeName(QFileInfo(target).absolutePath());
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    return true;
}

QString WriteFileAtomically(const QString &path, const QByteArray &bytes)
{
    TAtomicFile file(path);
    if (!file.Open())
        return file.ErrorString();
    if (file.Device()->write(bytes) != bytes.size()) {
        const QString error = file.Device()->errorString();
        file.Cancel();
        return error.isEmpty()
                   ? QCoreApplication::translate("TAtomicFile", "\"%1\" cannot be written.")
                         .arg(path)
                   : error;
    }
    if (!file.Commit())
        return file.ErrorString();
    return {};
}

QString CopyFileAtomically(const QString &from, const QString &to)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return in.errorString();
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return in.errorString();
    const QString folder = QFileInfo(to).absolutePath();
    if (!QDir().mkpath(folder))
        return QCoreApplication::translate("TAtomicFile", "The folder \"%1\" cannot be created.")
            .arg(folder);
    return WriteFileAtomically(to, bytes);
}
