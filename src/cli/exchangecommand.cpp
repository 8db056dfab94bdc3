// The exchange commands: exports and imports.
#include "cli/commands.h"

const char kExportHelp[] = "Usage: qel export\n\nNot available yet.\n";

int RunExport(const QStringList &)
{
    return Fail(QStringLiteral("qel export: not available yet"));
}

const char kImportHelp[] = "Usage: qel import\n\nNot available yet.\n";

int RunImport(const QStringList &)
{
    return Fail(QStringLiteral("qel import: not available yet"));
}
