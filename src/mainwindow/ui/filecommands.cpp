// The File menu: new, open, save and import of collections, preferences, statistics.
// Printing, the other imports and the exports come with their windows.
#include "mainwindow/ui/mainwindow.h"

#include "model/backgroundwriter.h"
#include "model/general.h"
#include "model/qeldb.h"
#include "model/qelerror.h"
#include "services/process.h"
#include "shell/dmglobal.h"
#include "shell/ui/prefsdialog.h"
#include "views/ui/statisticswindow.h"
#include <QAbstractButton>
#include <QFileInfo>

void TfmMain::createFileActions()
{
    makeAction("acNew", tr("&New..."), tr("New Database"), {}, &TfmMain::cmNew);
    makeAction("acOpen", tr("&Open..."), tr("Open Database"), {}, &TfmMain::cmOpen);
    makeAction("acSave", tr("&Save"), tr("Save Database"), {}, &TfmMain::cmSave);
    makeAction("acSaveAs", tr("Save &As..."), tr("Save Database As..."), {}, &TfmMain::cmSaveAs);
    makeAction("acPrintListReport", tr("Current List as &List Report..."),
               tr("Print List Report of Current List"), {}, nullptr);
    makeAction("acPrintAlbumReport", tr("Current List as &Album Report..."),
               tr("Print Album Report of Current List..."), {}, nullptr);
    makeAction("acPrintSelectedAlbum", tr("&Selected Album as Album Report..."),
               tr("Print Album Report of Selected Album..."), {}, nullptr);
    makeAction("acImportQel", tr("Other &Qel Music Database..."),
               tr("Import Other Qel Music Database"), {}, &TfmMain::cmImportQel);
    makeAction("acImportCdPlayer", tr("&CDPLAYER.INI..."), tr("Import From CDPLAYER.INI"), {},
               nullptr);
    makeAction("acImportCdValet", tr("CD&Valet..."), tr("Import From CDValet"), {}, nullptr);
    makeAction("acImportText", tr("&Delimited Text..."), tr("Import From Delimited Text"), {},
               nullptr);
    makeAction("acImportDiscogs", tr("Disco&gs Collection (CSV)..."),
               tr("Import From a Discogs Collection Export"), {}, nullptr);
    makeAction("acExportCdPlayer", tr("&CDPLAYER.INI..."), tr("Export To CDPLAYER.INI"), {},
               nullptr);
    makeAction("acExportCdValet", tr("CD&Valet..."), tr("Export To CDValet"), {}, nullptr);
    makeAction("acExportAsciiList", tr("&Current List..."), tr("Export Current List"), {}, nullptr);
    makeAction("acExportAsciiAlbums", tr("All &Albums..."), tr("Export All Albums"), {}, nullptr);
    makeAction("acExportAsciiTracks", tr("All &Tracks..."), tr("Export All Tracks"), {}, nullptr);
    makeAction("acExportHtmlList", tr("&Current List..."), tr("Export Current List"), {}, nullptr);
    makeAction("acExportHtmlAlbums", tr("All &Albums..."), tr("Export All Albums"), {}, nullptr);
    makeAction("acExportHtmlTracks", tr("All &Tracks..."), tr("Export All Tracks"), {}, nullptr);
    makeAction("acPreferences", tr("Pre&ferences..."), tr("Preferences"), {},
               &TfmMain::cmPreferences);
    makeAction("acStatistics", tr("S&tatistics"), tr("Statistics"), {}, &TfmMain::cmStatistics);
    makeAction("acExit", tr("E&xit"), {}, {}, &TfmMain::cmExit);
}

void TfmMain::cmNew()
{
    if (!settleUnsavedChanges())
        return;
    clearCollection();
    startAfresh();
}

void TfmMain::cmOpen()
{
    const QString file = ChooseOpenFile(this, tr("Open Database"), m_dm->Prefs().DataFolder);
    if (!file.isEmpty())
        OpenDatabase(file);
}

void TfmMain::cmSave()
{
    // A name refused here leaves nothing unsaved that was not unsaved before.
    if (m_db->FileName.isEmpty() ? saveAs() : SaveDatabase())
        refreshKeepingPlace(); // the root may show a new file name
}

void TfmMain::cmSaveAs()
{
    if (saveAs())
        refreshKeepingPlace(); // the root shows the new file name
}

bool TfmMain::saveAs()
{
    const QString file = ChooseSaveFile(this, tr("Save Database"), m_dm->Prefs().DataFolder);
    return !file.isEmpty() && saveTo(file, nullptr);
}

bool TfmMain::saveTo(const QString &file, QString *failure)
{
    // The collection takes the new name only once the file holds it.
    FinishSaving();
    m_quietFailures = failure != nullptr;
    const bool queued = queueSave(file, failure);
    if (queued)
        FinishSaving();
    m_quietFailures = false;
    if (!queued)
        return false;
    if (!m_lastWriteError.isEmpty()) {
        if (failure)
            *failure = TQelDb::SaveFailedText(file, m_lastWriteError);
        return false;
    }
    if (file != m_db->FileName) {
        m_db->FileName = file;
        TPrefs &prefs = m_dm->Prefs();
        prefs.CurrentDatabase = QFileInfo(file).absoluteFilePath();
        prefs.DataFolder = QFileInfo(file).absolutePath();
    }
    return true;
}

bool TfmMain::SaveDatabase()
{
    if (m_db->FileName.isEmpty()) {
        // Without a name the changes live in memory only, until one is given.
        const bool saved = saveAs();
        m_unsaved = m_unsaved || !saved;
        return saved;
    }
    return queueSave(m_db->FileName, nullptr);
}

bool TfmMain::queueSave(const QString &file, QString *failure)
{
    m_unsaved = true; // until the writer says the file holds it
    std::vector<QByteArray> pieces;
    try {
        TWaitCursor wait;
        pieces = m_db->SavePieces();
    } catch (const EQel &e) {
        const QString text = TQelDb::SaveFailedText(file, e.message());
        if (failure)
            *failure = text;
        else
            ShowInfo(text);
        return false;
    }
    keepBackup(file, false);
    m_lastWriteError.clear();
    m_lastWrite = m_writer->Write(file, std::move(pieces));
    m_diskAlbums = int(m_db->AlbumCount());
    return true;
}

void TfmMain::onWritten(quint64 id, const QString &path, const QString &error)
{
    if (id == m_lastWrite) {
        m_lastWriteError = error;
        m_unsaved = !error.isEmpty();
    }
    if (!error.isEmpty() && !m_quietFailures)
        ShowInfo(TQelDb::SaveFailedText(path, error));
}

bool TfmMain::settleUnsavedChanges()
{
    FinishSaving();
    if (!m_unsaved)
        return true;
    // The disk may have room again.
    QString failure;
    if (!m_db->FileName.isEmpty() && saveTo(m_db->FileName, &failure))
        return true;
    for (;;) {
        const QString question =
            failure.isEmpty()
                ? tr("The collection has not been saved yet.\r\n\r\nSave it under a name? "
                     "Answer No to discard it or to keep it open.")
                : tr("%1\r\n\r\nThe changes since the last save exist only in memory. Save "
                     "the collection under another name? Answer No to discard the changes or "
                     "to keep them open.")
                      .arg(failure);
        if (AskYesNo(question) == TAnswer::Yes) {
            const QString file =
                ChooseSaveFile(this, tr("Save Database"), m_dm->Prefs().DataFolder);
            if (file.isEmpty())
                return false;
            if (saveTo(file, &failure))
                return true;
            continue; // asked again, with the new reason
        }
        if (AskOkCancel(tr("Discard the changes that are not saved? Cancel keeps the collection "
                           "open as it is.")) == TAnswer::Ok) {
            m_unsaved = false;
            return true;
        }
        return false;
    }
}

void TfmMain::FinishSaving()
{
    if (!m_writer->Idle()) {
        TWaitCursor wait;
        if (!m_writer->Wait(500)) {
            TProcess process(this);
            process.SetCaption(tr("Save Database"));
            process.Max = 100;
            process.Start();
            // A write under way cannot be taken back: there is nothing to cancel.
            if (auto *window = dynamic_cast<QWidget *>(process.View()))
                if (auto *cancel = window->findChild<QAbstractButton *>(QStringLiteral("btCancel")))
                    cancel->setEnabled(false);
            process.SetMessage(tr("Saving %1...").arg(m_db->GetDisplayName()));
            while (!m_writer->Wait(50))
                process.SetPosition(m_writer->Progress());
            process.Finish();
        }
    }
    m_writer->Deliver();
}

// Empties the collection with nothing left pointing into it, so that a message shown
// while a file is read cannot paint freed albums.
void TfmMain::clearCollection()
{
    m_place.Clear();
    m_db->Clear();
    m_state->RebuildTree(); // before any event can paint the freed albums
}

bool TfmMain::OpenDatabase(const QString &fileName)
{
    if (!settleUnsavedChanges())
        return false;
    m_listReady = false;
    clearCollection();
    bool ok;
    {
        TWaitCursor wait;
        ok = m_db->Open(fileName);
    }
    TPrefs &prefs = m_dm->Prefs();
    if (ok) {
        prefs.CurrentDatabase = QFileInfo(fileName).absoluteFilePath();
        prefs.DataFolder = QFileInfo(fileName).absolutePath();
    } else if (!prefs.CurrentDatabase.isEmpty()) {
        clearCollection();
        TWaitCursor wait;
        m_db->Open(prefs.CurrentDatabase);
    }
    m_listReady = true;
    startAfresh();
    return ok;
}

void TfmMain::cmImportQel()
{
    const QString file = ChooseOpenFile(this, tr("Open Database"), m_dm->Prefs().DataFolder);
    if (file.isEmpty())
        return;
    keepBigChangeBackup();
    m_listReady = false;
    // A file that breaks off half-way must not leave half an import behind to be
    // saved with the next change: the collection as it was is kept aside.
    const QByteArray before = m_db->SaveToBytes();
    const QString name = m_db->FileName;
    bool merged;
    try {
        TWaitCursor wait;
        m_db->ReadFile(file, true);
        merged = true;
    } catch (const EQel &e) {
        clearCollection();
        m_db->ReadBytes(before, false);
        m_db->FileName = name;
        ShowInfo(e.message());
        merged = false;
    }
    if (merged)
        SaveDatabase();
    m_listReady = true;
    startAfresh();
}

void TfmMain::cmPreferences()
{
    const bool indicator = m_dm->Prefs().ShowInCollectionIndicator;
    if (EditPreferences(this, *m_dm) && indicator != m_dm->Prefs().ShowInCollectionIndicator)
        refreshKeepingPlace();
}

void TfmMain::cmStatistics()
{
    ShowStatistics(this, *m_db);
}

void TfmMain::cmExit()
{
    close();
}
