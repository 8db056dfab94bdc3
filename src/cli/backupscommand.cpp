// The backups command: listing and restoring the backups of a collection.
#include "cli/commands.h"

#include "model/general.h"
#include "model/qeldb.h"
#include "model/qelerror.h"
#include "services/backups.h"

#include <QFileInfo>

const char kBackupsHelp[] =
    "Usage: qel backups DB.qel [--restore NAME]\n\n"
    "Lists the backups kept of the collection DB.qel, newest first: the backup's name, its "
    "date and time, its album count and its size in bytes, separated by tabs.\n\n"
    "  --restore NAME  replaces DB.qel by the backup NAME (as listed); the collection as it "
    "was is kept as a backup first\n\n"
    "Backups live in the folder Backups/<collection name>-<hash of its path>/ of the "
    "program's data folder.\n";

namespace {

TBackups backupService()
{
    return TBackups(ProgramFolder() + QStringLiteral("Backups/"));
}

int listBackups(const QString &db)
{
    const TBackups backups = backupService();
    for (const TBackupInfo &b : backups.List(db))
        Out() << b.name << '\t' << b.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) << '\t'
              << (b.albums >= 0 ? QString::number(b.albums) : QStringLiteral("?")) << '\t' << b.size
              << '\n';
    return 0;
}

int restoreBackup(const QString &db, const QString &name)
{
    TBackups backups = backupService();
    const std::vector<TBackupInfo> list = backups.List(db);
    const auto found = std::find_if(list.begin(), list.end(),
                                    [&](const TBackupInfo &b) { return b.name == name; });
    if (found == list.end())
        return Fail(QStringLiteral("There is no backup \"%1\" of \"%2\"").arg(name, db));

    // The backup must read whole before anything is replaced.
    TQelDb restored;
    try {
        restored.ReadFile(found->path, false);
    } catch (const EQel &e) {
        return Fail(e.message());
    }
    int albumsNow = -1;
    {
        TQelDb current;
        try {
            current.ReadFile(db, false);
            albumsNow = int(current.AlbumCount());
        } catch (const EQel &) {
            // A broken collection is kept all the same; its count is unknown.
        }
    }
    const QString error = backups.Keep(db, albumsNow);
    if (!error.isEmpty())
        return Fail(error);
    if (!SaveDatabase(restored, db))
        return 2;
    Out() << "Restored " << name << ": " << restored.AlbumCount() << " albums\n";
    return 0;
}

} // namespace

int RunBackups(const QStringList &args)
{
    QString db;
    QString restore;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--restore")) {
            if (i + 1 >= args.size())
                return Fail(QStringLiteral("--restore needs the name of a backup"));
            restore = args[++i];
        } else if (args[i].startsWith(u'-')) {
            return Fail(QStringLiteral("Unknown option %1").arg(args[i]));
        } else if (db.isEmpty()) {
            db = args[i];
        } else {
            return Fail(QStringLiteral("Too many arguments"));
        }
    }
    if (db.isEmpty())
        return Fail(QStringLiteral("Usage: qel backups DB.qel [--restore NAME]"));
    if (!QFileInfo(db).isFile())
        return Fail(QStringLiteral("The file \"%1\" was not found").arg(db));
    return restore.isEmpty() ? listBackups(db) : restoreBackup(db, restore);
}
