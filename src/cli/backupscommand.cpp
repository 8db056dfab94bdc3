// The backups command: listing and restoring backups.
#include "cli/commands.h"

const char kBackupsHelp[] = "Usage: qel backups\n\nNot available yet.\n";

int RunBackups(const QStringList &)
{
    return Fail(QStringLiteral("qel backups: not available yet"));
}
