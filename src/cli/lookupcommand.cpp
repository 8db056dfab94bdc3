// The lookup command: merging entries of a lookup list and finding entries named alike.
#include "cli/commands.h"

#include "model/general.h"
#include "model/lookupmerge.h"
#include "model/qeldb.h"
#include "model/qelerror.h"
#include "model/similarnames.h"
#include "services/backups.h"
#include "shell/fielddefaults.h"
#include "shell/settingsstore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

const char kLookupHelp[] =
    "Usage: qel lookup merge DB.qel FIELD KEEP OTHER...\n"
    "       qel lookup similar DB.qel FIELD [--json]\n\n"
    "merge    folds the entries OTHER... of the lookup list of FIELD into the entry KEEP,\n"
    "         which keeps its names: every album, disc, header, track and subtrack that\n"
    "         refers to one of them refers to KEEP afterwards, and the others leave the list.\n"
    "         The field defaults of your settings that name one of them name KEEP. A backup\n"
    "         of DB.qel is kept first, and DB.qel is saved once. Prints what changed.\n"
    "similar  prints the groups of entries of FIELD whose sort or display names are the\n"
    "         same once letter case, accents, a leading \"The \" or a trailing \", The\",\n"
    "         \"&\" against \"and\", punctuation and runs of blanks are set aside: each entry\n"
    "         as \"sort name<TAB>display name\", the groups separated by an empty line, then\n"
    "         the number of groups. With --json the same as one JSON object.\n\n"
    "FIELD is a lookup field by its default name, such as \"Artist/Composer\", \"Genre\" or\n"
    "\"Format\". Entries are named as the list shows them: by sort name, or else by display\n"
    "name (letter case aside).\n";

namespace {

const QString kUsage = QStringLiteral(
    "Usage: qel lookup merge DB.qel FIELD KEEP OTHER...\n       qel lookup similar DB.qel "
    "FIELD [--json]");

// The lookup field of a default name; fdNone (after the message) otherwise.
TFieldId lookupField(const QString &name)
{
    const TFieldId f = TQelFields::FieldByDefaultName(name.trimmed());
    if (f == fdNone) {
        Fail(QStringLiteral("Unknown field \"%1\"").arg(name));
        return fdNone;
    }
    if (!IsLookupField(f)) {
        Fail(QStringLiteral("\"%1\" is not a lookup field").arg(name));
        return fdNone;
    }
    return f;
}

int runMerge(const QStringList &args)
{
    if (args.size() < 4)
        return Fail(kUsage);
    const QString path = args[0];
    const TFieldId field = lookupField(args[1]);
    if (field == fdNone)
        return 2;
    TQelDb db;
    if (!LoadDatabase(db, path))
        return 2;
    TLookupList &list = db.LookupList(field);
    // Every name must be found before anything changes.
    auto find = [&list](const QString &name) -> TLookupItem * { return list.FindByName(name); };
    TLookupItem *keep = find(args[2]);
    if (!keep)
        return Fail(QStringLiteral("There is no entry \"%1\" in the list").arg(args[2]));
    TLookupItemSet others;
    for (qsizetype i = 3; i < args.size(); ++i) {
        TLookupItem *e = find(args[i]);
        if (!e)
            return Fail(QStringLiteral("There is no entry \"%1\" in the list").arg(args[i]));
        if (e != keep)
            others.insert(e);
    }
    if (others.empty()) {
        Out() << "Nothing to merge: every name is \"" << keep->SortName << "\"\n";
        Out().flush();
        return 0;
    }

    TIniSettingsStore settings;
    TFieldDefaults defaults;
    defaults.Load(settings);
    const bool defaultsChanged = defaults.FollowMerge(field, db, others, keep);
    const QString keptName = keep->SortName;
    TLookupMergeResult result;
    try {
        result = MergeLookupItems(db, field, keep, others);
    } catch (const EQel &e) {
        return Fail(e.message());
    }
    // The file as it was stays within reach, whatever becomes of the save.
    const QString backupError = TBackups(ProgramFolder() + QStringLiteral("Backups/"))
                                    .BeforeBigChange(db.FileName, int(db.AlbumCount()));
    if (!backupError.isEmpty())
        Err() << "No backup was kept: " << backupError << '\n';
    if (!SaveDatabase(db, path))
        return 2;
    if (defaultsChanged) {
        defaults.Save(settings);
        if (!settings.Sync())
            Err() << "The field defaults could not be saved: " << settings.ErrorString() << '\n';
    }
    Out() << "Merged " << result.removed << " entries into \"" << keptName
          << "\": " << result.references << " references in " << result.albums << " albums\n";
    if (defaultsChanged)
        Out() << "The field defaults name \"" << keptName << "\"\n";
    Out().flush();
    Err().flush();
    return 0;
}

int runSimilar(const QStringList &args)
{
    bool json = false;
    QStringList rest;
    for (const QString &a : args) {
        if (a == QLatin1String("--json"))
            json = true;
        else if (a.startsWith(u'-') && a.size() > 1)
            return Fail(QStringLiteral("Unknown option %1").arg(a));
        else
            rest << a;
    }
    if (rest.size() != 2)
        return Fail(kUsage);
    const TFieldId field = lookupField(rest[1]);
    if (field == fdNone)
        return 2;
    TQelDb db;
    if (!LoadDatabase(db, rest[0]))
        return 2;
    const auto groups = FindSimilarEntries(db.LookupList(field));
    QTextStream &o = Out();
    if (json) {
        QJsonArray all;
        for (const auto &group : groups) {
            QJsonArray entries;
            for (const TLookupItem *e : group)
                entries.append(QJsonObject{{QStringLiteral("sortName"), e->SortName},
                                           {QStringLiteral("displayName"), e->DisplayName}});
            all.append(entries);
        }
        const QJsonObject doc{{QStringLiteral("field"), TQelFields::GetDefaultName(field)},
                              {QStringLiteral("groups"), all}};
        o << QString::fromUtf8(QJsonDocument(doc).toJson(QJsonDocument::Indented));
    } else {
        for (const auto &group : groups) {
            for (const TLookupItem *e : group)
                o << e->SortName << '\t' << e->DisplayName << '\n';
            o << '\n';
        }
        o << groups.size() << (groups.size() == 1 ? " group\n" : " groups\n");
    }
    o.flush();
    return 0;
}

} // namespace

int RunLookup(const QStringList &args)
{
    if (args.isEmpty())
        return Fail(kUsage);
    const QStringList rest = args.mid(1);
    if (args[0] == QLatin1String("merge"))
        return runMerge(rest);
    if (args[0] == QLatin1String("similar"))
        return runSimilar(rest);
    return Fail(QStringLiteral("Unknown lookup command \"%1\"\n%2").arg(args[0], kUsage));
}
