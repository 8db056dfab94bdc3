#include "exchange/ui/wineexchange.h"

#include "exchange/cdvalet.h"
#include "exchange/mscdplayer.h"
#include "exchange/winepaths.h"
#include "model/general.h"
#include "model/qeldb.h"
#include "shell/dmglobal.h"
#include "shell/settingsstore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("WineExchange", text);
}

// cdplayer.ini as the settings or the Wine prefix give it, else as the user chooses it
// (kept in the settings); empty when the user cancelled.
QString cdPlayerIni(QWidget *parent, TdmGlobal &dm, bool forSaving)
{
    QString ini = FindCdPlayerIni(dm.Settings());
    if (!ini.isEmpty())
        return ini;
    ini = ChooseCdPlayerIni(parent, forSaving ? tr("Save CDPLAYER.INI") : tr("Open CDPLAYER.INI"),
                            forSaving);
    if (ini.isEmpty())
        return {};
    SetCdPlayerFolder(dm.Settings(), QFileInfo(ini).absolutePath());
    dm.SaveChanges();
    return ini;
}

QString cdValetFolder(QWidget *parent, TdmGlobal &dm)
{
    QString folder = FindCdValetFolder(dm.Settings());
    if (!folder.isEmpty())
        return folder;
    folder = ChooseCdValetFolder(parent, tr("Choose the CDValet folder"));
    if (folder.isEmpty())
        return {};
    SetCdValetFolder(dm.Settings(), QDir(folder).absolutePath());
    dm.SaveChanges();
    return folder;
}

} // namespace

TChooseCdPlayerIni ChooseCdPlayerIni = [](QWidget *parent, const QString &caption, bool forSaving) {
    const QString filter = tr("CD Player files (cdplayer.ini CDPLAYER.INI *.ini);;All files (*)");
    if (forSaving)
        return QFileDialog::getSaveFileName(
            parent, caption, QDir::homePath() + QStringLiteral("/cdplayer.ini"), filter);
    return QFileDialog::getOpenFileName(parent, caption, QDir::homePath(), filter);
};

TChooseCdValetFolder ChooseCdValetFolder = [](QWidget *parent, const QString &caption) {
    return QFileDialog::getExistingDirectory(parent, caption, QDir::homePath());
};

bool ImportFromCdPlayer(QWidget *parent, TQelDb &db, TdmGlobal &dm,
                        const std::function<void()> &beforeChange)
{
    const QString ini = cdPlayerIni(parent, dm, false);
    if (ini.isEmpty())
        return false;
    TImportMsCdPlayer import(parent, db, ini);
    import.BeforeChange = beforeChange;
    return import.Run();
}

bool ExportToCdPlayer(QWidget *parent, TQelDb &db, TdmGlobal &dm)
{
    if (AskYesNo(tr("%1 Albums in database. Do you want to export these to your CDPLAYER.INI "
                    "file now?")
                     .arg(db.AlbumCount())) != TAnswer::Yes)
        return false;
    const QString ini = cdPlayerIni(parent, dm, true);
    if (ini.isEmpty())
        return false;
    TExportMsCdPlayer exporter(parent, db.Albums, ini);
    exporter.Run();
    return false;
}

bool ImportFromCdValet(QWidget *parent, TQelDb &db, TdmGlobal &dm,
                       const std::function<void()> &beforeChange)
{
    TCdValet valet(cdValetFolder(parent, dm));
    TImportFromCdValet import(parent, db, valet);
    import.BeforeChange = beforeChange;
    return import.Run();
}

bool ExportToCdValet(QWidget *parent, TQelDb &db, TdmGlobal &dm)
{
    if (AskYesNo(tr("%1 Albums in database. Export these to the CDValet database now?")
                     .arg(db.AlbumCount())) != TAnswer::Yes)
        return false;
    TCdValet valet(cdValetFolder(parent, dm));
    TExportToCdValet exporter(parent, db.Albums, valet);
    exporter.Run();
    return false;
}
