// The main window itself: its actions, its reactions to the browse state and the
// sequences that end every command. The panes, the bars, the layout and each menu
// family's commands are in the files beside this one.
#include "mainwindow/ui/mainwindow.h"

#include "model/backgroundwriter.h"
#include "model/general.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "services/backups.h"
#include "shell/demoinstall.h"
#include "shell/dmglobal.h"
#include "shell/settingsstore.h"
#include "shell/ui/iconlists.h"
#include "views/ui/qellistview.h"
#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTimer>
#include <QTreeView>
#include <malloc.h>

TfmMain::TfmMain(const QStringList &arguments, TSettingsStore *store, TDriveList *drives,
                 QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("fmMain"));
    m_dm = std::make_unique<TdmGlobal>(arguments, store, drives);
    QGuiApplication::setApplicationDisplayName(QString());
    setWindowTitle(ApplicationTitle());
    setWindowIcon(TIconLists::Instance().Logo());

    m_db = std::make_unique<TQelDb>();
    m_writer = std::make_unique<TBackgroundWriter>();
    m_backups = std::make_unique<TBackups>(ProgramFolder() + QStringLiteral("Backups/"));
    connect(m_writer.get(), &TBackgroundWriter::Written, this, &TfmMain::onWritten);
    m_state = std::make_unique<TBrowseState>(*m_db, m_dm->Fields(), m_views, &m_dm->Prefs());

    // The file named on the command line, else the current database. A named file
    // does not become the current database.
    // On the very first start the demo collection is put in place and opened.
    TPrefs &prefs = m_dm->Prefs();
    if (m_dm->Settings()
            .ReadString(QStringLiteral("Databases"), QStringLiteral("CurrentDatabase"), {})
            .isEmpty() &&
        QFileInfo(prefs.CurrentDatabase).fileName() == QLatin1String("demo.qel"))
        InstallDemoDatabase(prefs.DataFolder, prefs.CoversFolder, prefs.LyricsFolder);
    QString file = prefs.CurrentDatabase;
    const QString first = arguments.value(0);
    if (!first.isEmpty() && first != QLatin1String("/bugbuster") &&
        QFileInfo(first).suffix().toLower() == QLatin1String("qel"))
        file = QFileInfo(first).absoluteFilePath();
    if (!file.isEmpty())
        m_db->Open(file);
    m_diskAlbums = m_db->FileName.isEmpty() ? -1 : int(m_db->AlbumCount());

    ChooseOpenFile = [](QWidget *owner, const QString &caption, const QString &folder) {
        return QFileDialog::getOpenFileName(owner, caption, folder, tr("Qel databases (*.qel)"));
    };
    ChooseSaveFile = [](QWidget *owner, const QString &caption, const QString &folder) {
        QFileDialog dialog(owner, caption, folder, tr("Qel databases (*.qel)"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("qel"));
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    };

    createActions();
    createPanes();
    createMenus();
    createToolbars();

    connect(m_state.get(), &TBrowseState::treeRebuilt, this, &TfmMain::onTreeRebuilt);
    connect(m_state.get(), &TBrowseState::nodeSelected, this, &TfmMain::onNodeSelected);
    connect(m_state.get(), &TBrowseState::expandRequested, this, [this](const QModelIndex &index) {
        if (index.isValid())
            m_tree->expand(index);
    });
    connect(m_state.get(), &TBrowseState::listRebuilt, this, &TfmMain::onListRebuilt);
    connect(m_state.get(), &TBrowseState::rowSelected, this, &TfmMain::onRowSelected);
    connect(m_state.get(), &TBrowseState::currentChanged, this, &TfmMain::onCurrentChanged);
    connect(m_state.get(), &TBrowseState::columnsAboutToChange, this,
            [this](TBrowseState::TListContent) { copyColumnsBack(); });
    resize(800, 600);

    m_saveEncoder = new QTimer(this);
    m_saveEncoder->setInterval(0);
    connect(m_saveEncoder, &QTimer::timeout, this, [this] {
        // A few milliseconds at a time, so that input never waits behind it.
        if (!m_db->EncodeSomeAlbums(500))
            m_saveEncoder->stop();
    });
    encodeForSavesWhenIdle();

    // Once the collection is read: sorting a million tracks or saving takes buffers of
    // tens of MB at a time, kept by the allocator once freed instead of given back, so
    // the next such command reuses pages already there instead of faulting in fresh ones.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
}

void TfmMain::encodeForSavesWhenIdle()
{
    m_saveEncoder->start();
}

TfmMain::~TfmMain()
{
    // Whatever is still being written reaches the file.
    m_writer.reset();
    // The views go before the models they show.
    // (The event filter sees the panes go: it checks these first.)
    delete std::exchange(m_tree, nullptr);
    delete std::exchange(m_list, nullptr);
    m_state.reset();
    m_db.reset();
    m_dm.reset();
}

QAction *TfmMain::Action(const QString &objectName) const
{
    auto found = m_actions.find(objectName);
    return found == m_actions.end() ? nullptr : found->second;
}

QAction *TfmMain::makeAction(const char *name, const QString &caption, const QString &hint,
                             const QKeySequence &shortcut, void (TfmMain::*handler)())
{
    auto *action = new QAction(caption, this);
    const QString key = QString::fromLatin1(name);
    action->setObjectName(key);
    action->setToolTip(hint.isEmpty() ? StripAmpersands(caption) : hint);
    action->setStatusTip(hint);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    action->setIcon(TIconLists::Instance().Command(key));
    action->setIconVisibleInMenu(true);
    if (handler)
        connect(action, &QAction::triggered, this, handler);
    else
        action->setEnabled(false); // comes with a later window
    m_actions[key] = action;
    return action;
}

void TfmMain::onTriggered(const char *name, std::function<void()> command)
{
    QAction *action = Action(QString::fromLatin1(name));
    Q_ASSERT(action);
    action->setEnabled(true);
    connect(action, &QAction::triggered, this, std::move(command));
}

void TfmMain::enableAction(const char *name, bool enabled)
{
    if (QAction *a = Action(QString::fromLatin1(name)))
        a->setEnabled(enabled);
}

void TfmMain::createActions()
{
    // In menu order.
    createFileActions();
    createEditActions();
    createViewActions();
    createSearchActions();
    createCddbActions();
    createMp3Actions();
    createHelpActions();

    // The list's pop-up menu names three commands its own way.
    makeAction("acListPrintList", tr("&Print List..."), tr("Print List Report of Current List"), {},
               nullptr);
    makeAction("acListPrintAlbum", tr("&Print Album..."),
               tr("Print Album Report of Selected Album..."), {}, nullptr);
    makeAction("acListBrowse", tr("&Browse List..."), {}, {}, &TfmMain::cmBrowse);

    // The subsystems' commands, once every action they take exists.
    wireExchangeCommands();
    wireWineCommands();
    wireCddbCommands();
    wireReportCommands();
    wireBackupCommands();

    // Enter, Del and the Ins keys act on the tree and the list only: in the comments or
    // lyrics pane Ctrl+Ins copies and Shift+Ins pastes, as everywhere else.
    for (auto &[name, action] : m_actions) {
        Q_UNUSED(name)
        action->setShortcutContext(Qt::WindowShortcut);
    }
    for (const char *name :
         {"acAddAlbum", "acEditAlbum", "acDuplicateAlbum", "acRemoveAlbum", "acAddAlbumByScanning"})
        Action(QString::fromLatin1(name))->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(Action(QStringLiteral("acRefresh")));
}

void TfmMain::UpdateCommandStates()
{
    updateEditCommands();
    updateViewCommands();
    updateSearchCommands();
    updateMp3Commands();
    updateExchangeCommands();
    updateWineCommands();
    updateCddbCommands();
    updateReportCommands();
    updateBackupCommands();
}

// --- browse state reactions

void TfmMain::onTreeRebuilt()
{
    m_coverPath.clear(); // a refresh reads the cover again
    m_tree->collapseAll();
}

void TfmMain::onNodeSelected(const QModelIndex &index)
{
    m_updatingSelection = true;
    if (index.isValid()) {
        m_tree->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        m_tree->scrollTo(index);
    } else {
        m_tree->selectionModel()->clear();
    }
    m_updatingSelection = false;
    m_listOrLyrics->setCurrentWidget(m_state->ShowingLyrics() ? static_cast<QWidget *>(m_lyrics)
                                                              : m_list);
    showDetails();
    UpdateCommandStates();
}

void TfmMain::onListRebuilt()
{
    // What was typed searched the list that is gone.
    m_typed.clear();
    m_search->clear();
    applyColumns();
    updateStatus();
    UpdateCommandStates();
}

void TfmMain::onRowSelected(int row)
{
    // The row the list made current itself (a click, Ctrl+click, Shift+arrow): the list
    // is making its selection, which selecting the row alone would undo.
    if (row >= 0 && row == m_list->CurrentRow())
        return;
    m_updatingSelection = true;
    m_list->SetCurrentRow(row);
    m_updatingSelection = false;
}

void TfmMain::onCurrentChanged()
{
    showDetails();
    UpdateCommandStates();
}

void TfmMain::updateStatus()
{
    m_count->setText(m_state->CountText());
    m_filter->setText(m_state->FilterText());
}

// --- recurring sequences

void TfmMain::startAfresh()
{
    m_diskAlbums = m_db->FileName.isEmpty() ? -1 : int(m_db->AlbumCount());
    m_place.Clear();
    m_state->RebuildTree();
    m_place.Restore(*m_state, nullptr);
    updateStatus();
    UpdateCommandStates();
    encodeForSavesWhenIdle();
}

void TfmMain::refreshKeepingPlace(TAlbum *album)
{
    m_place.Remember(*m_state);
    m_state->RebuildTree();
    m_place.Restore(*m_state, album);
    updateStatus();
    UpdateCommandStates();
}

void TfmMain::saveAndRebuild(TAlbum *album)
{
    SaveDatabase();
    m_state->RebuildTree();
    m_place.Restore(*m_state, album);
    updateStatus();
    UpdateCommandStates();
}

void TfmMain::setTreeType(int type)
{
    copyColumnsBack();
    m_state->TreeType = type;
    m_state->SetGroupField(type == 0 ? m_state->AlbumGroupField : m_state->TrackGroupField);
    UpdateCommandStates();
}

void TfmMain::setGroupField(TFieldId field)
{
    if (m_state->TreeType == 0)
        m_state->AlbumGroupField = field;
    else
        m_state->TrackGroupField = field;
    m_state->SetGroupField(field);
    buildFolderMenus();
    startAfresh();
    saveSettings();
}

void TfmMain::openWithDesktop(const QString &file)
{
    if (!QFileInfo::exists(file))
        ShowInfo(tr("File not found:\r\n%1").arg(file));
    else if (!ShellOpen(file))
        ShowInfo(tr("No program could open the file:\r\n%1").arg(file));
}

void TfmMain::RaiseWindow()
{
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}
