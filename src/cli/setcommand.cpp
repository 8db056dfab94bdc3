// `qel set`: the same values for some fields of many albums or tracks, saved once.
#include "cli/commands.h"
#include "cli/listoptions.h"

#include "model/album.h"
#include "model/bulkchange.h"
#include "model/qeldb.h"
#include "views/browsestate.h"

#include <unordered_map>
#include <vector>

const char kSetHelp[] =
    "Usage: qel set DB.qel --album ID[,ID...] --field NAME=VALUE...\n"
    "       qel set DB.qel --all --field NAME=VALUE...\n"
    "       qel set DB.qel [list options] --field NAME=VALUE...\n\n"
    "Gives every chosen album (with --tracks, every chosen track) the same values and\n"
    "saves DB.qel once; prints how many albums or items changed. Items that hold the\n"
    "values already are left alone; when none changes, the file is not written.\n\n"
    "  --album ID,...      the albums with these identifiers (the \"ID\" field of qel list)\n"
    "  --all               every album\n"
    "  list options        the rows of the list `qel list` prints with the same options:\n"
    "                      --tracks, --group, --folder, --sort, --filter, --or, --case\n"
    "                      (see qel list --help)\n"
    "  --field NAME=VALUE  a field by its default name and its new value; repeat it for\n"
    "                      more fields. Texts as they are; lookup fields by name (a new name\n"
    "                      becomes an entry of the list); whole numbers (Index, Rating 0 to\n"
    "                      100, BPM); dates as yyyy-mm-dd; Price as 12.50; yes or no (Live\n"
    "                      also undecided, Mono also mono or stereo); A/D as AAD, ADD, DAD,\n"
    "                      DDD or N/A. An empty VALUE clears the field, except for the yes\n"
    "                      or no fields and A/D.\n\n"
    "Album fields: Title, Artist/Composer, Conductor, Orchestra, Soloists, Label, Year,\n"
    "  Format, Number, Index, In Collection, Rare, Studio, Producer, Engineer, Recording\n"
    "  Date, Tour Name, Mono, Live, A/D, Genre, Owner, Location, Purchase Date, Price,\n"
    "  Store, Rating, Comments, Album Text 1, Album Text 2, Album Lookup 1, Album Lookup 2.\n"
    "Track fields (with --tracks): Title, Artist/Composer, Songwriter, Conductor,\n"
    "  Orchestra, Year, Producer, Engineer, Studio, BPM, Live, Genre, Track Text 1, Rating,\n"
    "  Comments, Track Lookup 1.\n";

namespace {

const char *const kUsage = "Usage: qel set DB.qel (--album ID[,ID...] | --all | list options) "
                           "--field NAME=VALUE...";

struct TSetOptions
{
    TListOptions list;
    std::vector<qint32> albums;
    bool hasAlbums = false;
    bool all = false;
    QStringList fields;
};

TSetOptions parse(const QStringList &args)
{
    TSetOptions o;
    auto value = [&](qsizetype &i) -> QString {
        if (i + 1 >= args.size())
            throw TListError{
                QStringLiteral("%1 needs a value\n%2").arg(args[i], QLatin1String(kUsage))};
        return args[++i];
    };
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (o.list.Take(args, i, kUsage))
            continue;
        if (a == QLatin1String("--album")) {
            o.hasAlbums = true;
            for (const QString &id : value(i).split(u',')) {
                bool ok = false;
                const qint32 number = id.trimmed().toInt(&ok);
                if (!ok || number <= 0)
                    throw TListError{QStringLiteral("\"%1\" is no album identifier").arg(id)};
                o.albums.push_back(number);
            }
        } else if (a == QLatin1String("--all")) {
            o.all = true;
        } else if (a == QLatin1String("--field")) {
            o.fields << value(i);
        } else if (!a.startsWith(QLatin1String("--")) && o.list.file.isEmpty()) {
            o.list.file = a;
        } else {
            throw TListError{QStringLiteral("qel set: unexpected argument '%1'\n%2")
                                 .arg(a, QLatin1String(kUsage))};
        }
    }
    if (o.list.file.isEmpty())
        throw TListError{QLatin1String(kUsage)};
    if (o.fields.isEmpty())
        throw TListError{QStringLiteral("Say what to set with --field NAME=VALUE\n%1")
                             .arg(QLatin1String(kUsage))};
    if (!o.list.columns.isEmpty())
        throw TListError{QStringLiteral("--columns chooses what qel list prints: qel set takes "
                                        "the other list options")};
    // Every album only when asked for: a forgotten filter must not change them all.
    const int ways = int(o.hasAlbums) + int(o.all) + int(o.list.SelectsList());
    if (ways == 0)
        throw TListError{QStringLiteral("Choose what to change: --album ID,..., --all, or list "
                                        "options such as --filter\n%1")
                             .arg(QLatin1String(kUsage))};
    if (ways > 1)
        throw TListError{
            QStringLiteral("Use one of --album, --all and the list options, not several")};
    return o;
}

TBulkChange changeOf(const QStringList &fields, TItemLevel level)
{
    TBulkChange change;
    for (const QString &f : fields) {
        const qsizetype eq = f.indexOf(u'=');
        if (eq <= 0)
            throw TListError{
                QStringLiteral("Malformed field \"%1\": use --field NAME=VALUE").arg(f)};
        const TFieldId field = FieldOfView(f.left(eq), level);
        TFieldValue value;
        QString why;
        if (!TBulkChange::ParseValue(level, field, f.mid(eq + 1), value, why))
            throw TListError{why};
        change.Set(value);
    }
    return change;
}

int applyAndSave(TQelDb &db, const QString &file, const TBulkChange &change,
                 const std::vector<TDataItem *> &items, TItemLevel level)
{
    const TBulkResult done = change.Apply(db, items);
    if (done.Items > 0 && !SaveDatabase(db, file))
        return 2;
    const QString word = level == ilAlbum ? QStringLiteral("album") : QStringLiteral("item");
    Out() << done.Items << ' ' << word << (done.Items == 1 ? "" : "s") << " changed\n";
    Out().flush();
    return 0;
}

int run(const QStringList &args)
{
    const TSetOptions o = parse(args);
    const TItemLevel level = o.list.tracks ? ilTrack : ilAlbum;
    // Wrong fields and values are refused before the file is read.
    const TBulkChange change = changeOf(o.fields, level);
    if (!CheckOutputFile(o.list.file))
        return 2;
    if (o.hasAlbums || o.all) {
        TQelDb db;
        if (!LoadDatabase(db, o.list.file))
            return 2;
        std::vector<TDataItem *> items;
        if (o.all) {
            for (qsizetype i = 0; i < db.AlbumCount(); ++i)
                items.push_back(db.Album(i));
        } else {
            std::unordered_map<qint32, TAlbum *> byId;
            for (qsizetype i = 0; i < db.AlbumCount(); ++i)
                byId.emplace(db.Album(i)->ID, db.Album(i));
            for (const qint32 id : o.albums) {
                const auto found = byId.find(id);
                if (found == byId.end())
                    return Fail(
                        QStringLiteral("There is no album %1 in \"%2\"").arg(id).arg(o.list.file));
                items.push_back(found->second);
            }
        }
        return applyAndSave(db, o.list.file, change, items, level);
    }
    return SelectList(o.list, [&](TBrowseState &state, const TShowFields &) {
        if (state.ListContent != TBrowseState::lcAlbums &&
            state.ListContent != TBrowseState::lcItems)
            return Fail(QStringLiteral("The list shows folders, not albums or tracks: choose "
                                       "one with --folder"));
        const std::vector<TDataItem *> items(state.CurrentItems.begin(), state.CurrentItems.end());
        return applyAndSave(state.Db(), o.list.file, change, items, level);
    });
}

} // namespace

int RunSet(const QStringList &args)
{
    try {
        return run(args);
    } catch (const TListError &e) {
        return Fail(e.message);
    }
}
