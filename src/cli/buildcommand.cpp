#include "cli/commands.h"

int RunBuild(const QStringList &)
{
    return Fail(QStringLiteral("qel build: not available yet"));
}
