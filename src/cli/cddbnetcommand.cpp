// The CDDB commands that talk to a server: query, sites, the batch query of the scan list.
#include "cli/cddbcli.h"
#include "cli/commands.h"

int RunCddbQuery(const QStringList &)
{
    return Fail(QStringLiteral("qel cddb query: not available yet"));
}

int RunCddbSites(const QStringList &)
{
    return Fail(QStringLiteral("qel cddb sites: not available yet"));
}

int RunScanlistQuery(const QStringList &)
{
    return Fail(QStringLiteral("qel scanlist query: not available yet"));
}
