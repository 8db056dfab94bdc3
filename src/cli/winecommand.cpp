// The exchange with cdplayer.ini and CD Valet: `qel import` and `qel export cdplayer|cdvalet`.
#include "cli/commands.h"
#include "cli/winecli.h"

#include "exchange/cdvalet.h"
#include "exchange/mscdplayer.h"
#include "exchange/winepaths.h"
#include "model/general.h"
#include "model/qeldb.h"
#include "shell/settingsstore.h"

#include <QFileInfo>

const char kWineExportHelp[] =
    "       qel export cdplayer DB.qel [INI]\n"
    "       qel export cdvalet DB.qel [DIR]\n"
    "\n"
    "\"cdplayer\" writes every disc that has a Microsoft Disc ID into cdplayer.ini (a section\n"
    "per disc, added or updated); \"cdvalet\" appends the scanned discs that CD Valet's\n"
    "catalogue lacks. Without INI or DIR they are found as for qel import. Prints the\n"
    "summary.\n";

namespace {

// Answers Yes to every question and keeps the messages for the end.
class TYesInterface : public TUserInterface
{
public:
    TYesInterface() { m_previous = SetUserInterface(this); }
    ~TYesInterface() override { SetUserInterface(m_previous); }
    void ShowInfo(const QString &message) override { messages.append(message); }
    TAnswer AskYesNo(const QString &) override { return TAnswer::Yes; }
    TAnswer AskOkCancel(const QString &) override { return TAnswer::Ok; }

    // The messages on standard output, error on standard error; the exit status.
    int Report(const QString &error)
    {
        for (QString m : messages) {
            m.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            if (!error.isEmpty() && m == error)
                Fail(QStringLiteral("qel: ") + m);
            else
                Out() << m << '\n';
        }
        Out().flush();
        return error.isEmpty() ? 0 : 2;
    }

    QStringList messages;

private:
    TUserInterface *m_previous = nullptr;
};

struct TWineArgs
{
    QString kind; // "cdplayer" or "cdvalet"
    QString db;
    QString path; // INI or DIR, empty when not given
};

// Parses "cdplayer|cdvalet DB.qel [PATH]"; returns 0 when fine, else the status.
int parse(const QStringList &args, const char *command, TWineArgs &out)
{
    const QString name = QLatin1String(command);
    QStringList plain;
    for (const QString &a : args) {
        if (a.startsWith(u'-') && a.size() > 1)
            return Fail(QStringLiteral("%1: unknown option \"%2\"").arg(name, a));
        plain.append(a);
    }
    if (plain.isEmpty() ||
        (plain[0] != QLatin1String("cdplayer") && plain[0] != QLatin1String("cdvalet")))
        return Fail(
            QStringLiteral("%1: say which program: cdplayer or cdvalet (see %1 --help)").arg(name));
    if (plain.size() < 2)
        return Fail(QStringLiteral("%1 %2: no database given").arg(name, plain[0]));
    if (plain.size() > 3)
        return Fail(QStringLiteral("%1 %2: too many arguments").arg(name, plain[0]));
    out.kind = plain[0];
    out.db = plain[1];
    out.path = plain.value(2);
    return 0;
}

// The cdplayer.ini named or found; empty (with the reason printed) when there is none.
QString cdPlayerIni(const TWineArgs &a, const char *command)
{
    if (!a.path.isEmpty()) {
        if (QFileInfo(a.path).isDir())
            return CdPlayerIniIn(a.path);
        return a.path;
    }
    TIniSettingsStore settings;
    const QString ini = FindCdPlayerIni(settings);
    if (ini.isEmpty())
        Fail(QStringLiteral("%1 cdplayer: no cdplayer.ini: give its path, or set the Wine "
                            "prefix (WINEPREFIX) or the setting CdPlayer/WindowsFolder")
                 .arg(QLatin1String(command)));
    return ini;
}

QString cdValetFolder(const TWineArgs &a)
{
    if (!a.path.isEmpty())
        return a.path;
    TIniSettingsStore settings;
    return FindCdValetFolder(settings);
}

} // namespace

int RunWineImport(const QStringList &args)
{
    if (WantsHelp(args)) {
        Out() << kImportHelp;
        return 0;
    }
    TWineArgs a;
    if (const int status = parse(args, "qel import", a))
        return status;
    TQelDb db;
    if (!LoadDatabase(db, a.db))
        return 2;
    TYesInterface ui;
    bool imported = false;
    QString error;
    if (a.kind == QLatin1String("cdplayer")) {
        const QString ini = cdPlayerIni(a, "qel import");
        if (ini.isEmpty())
            return 2;
        // A file named on the command line that is not there is a mistyped name.
        if (!a.path.isEmpty() && !QFileInfo::exists(ini))
            return Fail(QStringLiteral("qel import cdplayer: no such file: %1").arg(ini));
        TImportMsCdPlayer import(nullptr, db, ini);
        imported = import.Run();
        error = import.Error;
    } else {
        TCdValet valet(cdValetFolder(a));
        TImportFromCdValet import(nullptr, db, valet);
        imported = import.Run();
        error = import.Error;
    }
    const int status = ui.Report(error);
    // What was imported before a failure is kept.
    if (imported && !SaveDatabase(db, a.db))
        return 2;
    return status;
}

int RunWineExport(const QStringList &args)
{
    if (WantsHelp(args)) {
        Out() << "Usage:" << (kWineExportHelp + 6);
        return 0;
    }
    TWineArgs a;
    if (const int status = parse(args, "qel export", a))
        return status;
    TQelDb db;
    if (!LoadDatabase(db, a.db))
        return 2;
    TYesInterface ui;
    QString error;
    if (a.kind == QLatin1String("cdplayer")) {
        const QString ini = cdPlayerIni(a, "qel export");
        if (ini.isEmpty())
            return 2;
        TExportMsCdPlayer exporter(nullptr, db.Albums, ini);
        exporter.Run();
        error = exporter.Error;
    } else {
        TCdValet valet(cdValetFolder(a));
        TExportToCdValet exporter(nullptr, db.Albums, valet);
        exporter.Run();
        error = exporter.Error;
    }
    return ui.Report(error);
}
