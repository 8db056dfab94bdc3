// The report command: list and album reports to PDF.
#include "cli/commands.h"

const char kReportHelp[] = "Usage: qel report\n\nNot available yet.\n";

int RunReport(const QStringList &)
{
    return Fail(QStringLiteral("qel report: not available yet"));
}
