#include "cli/commands.h"

#include "exchange/collectionsource.h"
#include "model/qeldb.h"

// A bad source throws EQel, which main() reports with exit status 2.
int RunBuild(const QStringList &args)
{
    if (args.size() != 2)
        return Fail(QStringLiteral("Usage: qel build SOURCE.json OUT"));
    if (!CheckOutputFile(args[1]))
        return 2;
    TQelDb db;
    BuildCollectionFromSource(db, args[0]);
    return SaveDatabase(db, args[1]) ? 0 : 2;
}
