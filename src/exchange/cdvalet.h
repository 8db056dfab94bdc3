#pragma once

#include "exchange/cdvaletfile.h"
#include "services/process.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QLockFile;
class TAlbum;
class TDataItemList;
class TQelDb;

// CD Valet's catalogue: "CDValet.toc" holds one disc identifier per line, in the order
// of the records in "CDValet.dat". The lock is a lock file beside them.
class TCdValet
{
public:
    // folder: CD Valet's folder, empty when it is not known.
    explicit TCdValet(const QString &folder);
    ~TCdValet();
    TCdValet(const TCdValet &) = delete;
    TCdValet &operator=(const TCdValet &) = delete;

    bool Found() const { return !Folder.isEmpty(); }
    // Waits up to LockTimeout milliseconds for the lock; false with LockError() saying
    // why when another program holds it or it cannot be made.
    bool Lock();
    void Unlock();
    QString LockError() const { return m_lockError; }
    QString LockFileName() const;

    static int LockTimeout;

    QString Folder; // with a trailing "/"
    QString TocFileName;
    QString DatFileName;

private:
    std::unique_ptr<QLockFile> m_lock;
    QString m_lockError;
};

// A new album (not yet added to db) of a record: one disc with msDiscId, the tracks'
// lengths from their start addresses, the CDDB disc identifier computed from them, and
// "artist / title" track texts split into the track's artist and title.
TAlbum *CdValetAlbum(TQelDb &db, qint32 msDiscId, const TCdValetRecord &record);

// Imports the records of CD Valet's catalogue as new albums, after asking; discs the
// collection holds already are skipped.
class TImportFromCdValet : public TProcess
{
    Q_OBJECT

public:
    TImportFromCdValet(QObject *owner, TQelDb &db, TCdValet &valet);
    bool Run(); // true when at least one disc was imported

    int Imported = 0;
    int Skipped = 0;
    QString Error; // the failure that was shown, if any
    // Called once the user has said Yes, before the collection changes.
    std::function<void()> BeforeChange;

private:
    TQelDb &m_db;
    TCdValet &m_valet;
};

// Appends the scanned discs of the albums that CD Valet's catalogue lacks. Both files
// are rewritten whole and atomically, the data file first, so that the table of
// contents never names a record that is not there.
class TExportToCdValet : public TProcess
{
    Q_OBJECT

public:
    TExportToCdValet(QObject *owner, const TDataItemList &albums, TCdValet &valet);
    bool Run(); // false on a failure (shown), which leaves both files as they were

    int Added = 0;
    int AlreadyThere = 0;
    int NoScanInfo = 0;
    QString Error;

private:
    const TDataItemList &m_albums;
    TCdValet &m_valet;
};
