#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>

// Replaces a file only once its new content is completely on disk: the content goes
// to a temporary file beside it, which is synced and renamed over the old one, and
// the folder is synced after the rename. Until Commit succeeds the old file stays
// as it was, byte for byte. A path that is a symbolic link keeps its link: the file
// it points to is the one replaced (beside itself). The new file takes the old one's
// permissions.
class TAtomicFile
{
public:
    explicit TAtomicFile(const QString &path);
    ~TAtomicFile(); // cancels when not committed

    // Opens the temporary file; returns false with ErrorString() set.
    bool Open();
    QIODevice *Device() { return &m_file; }
    // Flushes, checks every error, renames. Returns false with ErrorString() set;
    // the old file is then untouched and the temporary file removed.
    bool Commit();
    void Cancel();
    QString ErrorString() const { return m_error; }

private:
    QSaveFile m_file;
    QString m_error;
    bool m_done = false;
};

// Writes bytes to path atomically; returns an empty text or the error.
QString WriteFileAtomically(const QString &path, const QByteArray &bytes);

// Copies the file at from to the path to, atomically, creating to's folder when it is
// missing; returns an empty text or the error.
QString CopyFileAtomically(const QString &from, const QString &to);
