// The exports: the current list, all albums or all tracks as delimited text or HTML.
#include "cli/commands.h"
#include "cli/winecli.h"

const char kExportHelp[] = "Usage: qel export\n\nNot available yet.\n";

int RunExport(const QStringList &args)
{
    if (!args.isEmpty() &&
        (args.front() == QLatin1String("cdplayer") || args.front() == QLatin1String("cdvalet")))
        return RunWineExport(args);
    return Fail(QStringLiteral("qel export: not available yet"));
}
