// The exchange with cdplayer.ini and CD Valet: `qel import` and `qel export cdplayer|cdvalet`.
#include "cli/commands.h"
#include "cli/winecli.h"

const char kImportHelp[] = "Usage: qel import\n\nNot available yet.\n";
const char kWineExportHelp[] = "";

int RunImport(const QStringList &)
{
    return Fail(QStringLiteral("qel import: not available yet"));
}

int RunWineExport(const QStringList &)
{
    return Fail(QStringLiteral("qel export: not available yet"));
}
