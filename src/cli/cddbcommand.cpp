// The CD commands: disc identifiers, CDDB queries and submissions, the batch scan list.
#include "cli/commands.h"

const char kDiscidHelp[] = "Usage: qel discid\n\nNot available yet.\n";

int RunDiscid(const QStringList &)
{
    return Fail(QStringLiteral("qel discid: not available yet"));
}

const char kCddbHelp[] = "Usage: qel cddb\n\nNot available yet.\n";

int RunCddb(const QStringList &)
{
    return Fail(QStringLiteral("qel cddb: not available yet"));
}

const char kScanlistHelp[] = "Usage: qel scanlist\n\nNot available yet.\n";

int RunScanlist(const QStringList &)
{
    return Fail(QStringLiteral("qel scanlist: not available yet"));
}
