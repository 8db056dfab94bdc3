#include "cli/commands.h"

#include "exchange/jsondump.h"
#include "model/collectiongenerator.h"
#include "model/qeldb.h"
#include "model/qelerror.h"
#include "views/statistics.h"

#include <QFile>
#include <QFileInfo>

namespace {
bool expectArgs(const QStringList &args, int n, const char *usage)
{
    if (args.size() == n)
        return true;
    Fail(QStringLiteral("Usage: qel %1").arg(QLatin1String(usage)));
    return false;
}
} // namespace

int RunInfo(const QStringList &args)
{
    if (!expectArgs(args, 1, "info FILE"))
        return 2;
    TQelDb db;
    if (!LoadDatabase(db, args[0]))
        return 2;
    const TStatistics s = TStatistics::Gather(db);
    QTextStream &o = Out();
    o << "Current database: " << db.GetDisplayName() << '\n'
      << "Nr. Albums: " << s.albums << '\n'
      << "Nr. Discs: " << s.discs << '\n'
      << "Nr. Tracks: " << s.tracks << '\n'
      << "Average Nr. Tracks per Album: " << s.AvgTracksPerAlbum() << '\n'
      << "Average Nr. Tracks per Disc: " << s.AvgTracksPerDisc() << '\n'
      << "Total Length: " << s.TotalLengthText() << '\n'
      << "Average Length per Album: " << s.AvgAlbumLength() << '\n'
      << "Average Length per Disc: " << s.AvgDiscLength() << '\n'
      << "Average Length per Track: " << s.AvgTrackLength() << '\n'
      << "Total Price: " << s.TotalPriceText() << '\n';
    o.flush();
    return 0;
}

int RunDump(const QStringList &args)
{
    if (!expectArgs(args, 1, "dump FILE"))
        return 2;
    TQelDb db;
    if (!LoadDatabase(db, args[0]))
        return 2;
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly))
        return Fail(QStringLiteral("Cannot write to standard output"));
    WriteCollectionJson(db, out);
    out.flush();
    return 0;
}

int RunResave(const QStringList &args)
{
    if (!expectArgs(args, 2, "resave IN OUT"))
        return 2;
    // Refused before the reading, which may take a while.
    if (!CheckOutputFile(args[1]))
        return 2;
    TQelDb db;
    if (!LoadDatabase(db, args[0]) || !SaveDatabase(db, args[1]))
        return 2;
    return 0;
}

int RunMerge(const QStringList &args)
{
    if (!expectArgs(args, 2, "merge TARGET OTHER"))
        return 2;
    TQelDb db;
    if (!LoadDatabase(db, args[0]))
        return 2;
    if (!CheckInputFile(args[1]))
        return 2;
    // A failed import leaves TARGET as it was on disk.
    try {
        db.ReadFile(args[1], true);
    } catch (const EQel &e) {
        return Fail(e.message());
    }
    return SaveDatabase(db, args[0]) ? 0 : 2;
}

int RunGenerate(const QStringList &args)
{
    int albums = -1;
    quint32 seed = 1;
    QString out;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        bool ok = true;
        if (a == QStringLiteral("--albums") && i + 1 < args.size()) {
            albums = args[++i].toInt(&ok);
            ok = ok && albums >= 0 && albums <= 10'000'000;
        } else if (a == QStringLiteral("--seed") && i + 1 < args.size()) {
            seed = args[++i].toUInt(&ok);
        } else if (!a.startsWith(u'-') && out.isEmpty()) {
            out = a;
        } else {
            ok = false;
        }
        if (!ok)
            return Fail(QStringLiteral("qel generate: bad argument '%1'\nUsage: qel generate "
                                       "--albums N [--seed S] OUT")
                            .arg(a));
    }
    if (albums < 0 || out.isEmpty())
        return Fail(QStringLiteral("Usage: qel generate --albums N [--seed S] OUT"));
    if (!CheckOutputFile(out))
        return 2;
    TQelDb db;
    GenerateCollection(db, albums, seed);
    return SaveDatabase(db, out) ? 0 : 2;
}
