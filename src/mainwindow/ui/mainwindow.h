#pragma once

#include "model/fields.h"
#include "views/browsestate.h"
#include "views/ui/mainservices.h"
#include "views/viewdefinitions.h"
#include <QElapsedTimer>
#include <QImage>
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <unordered_set>
#include <vector>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QStackedWidget;
class QToolBar;
class QToolButton;
class QTreeView;
class TBackgroundWriter;
class TBackups;
class TDriveList;
class TQelDb;
class TQelListView;
class TSettingsStore;
class TdmGlobal;

// The program's only top-level window: the folder tree beside the list, the details
// panes, the menus, six movable toolbars and the status bar. It owns the data module,
// the collection, the view definitions and the browse state, and turns every user
// command into calls of them. Every command that changes the collection saves it.
class TfmMain : public QMainWindow
{
    Q_OBJECT

public:
    // arguments: the command line without the program name (a ".qel" file to open, or
    // "/bugbuster"). store and drives (not owned) replace the user's settings file and
    // the machine's drives, for tests.
    explicit TfmMain(const QStringList &arguments, TSettingsStore *store = nullptr,
                     TDriveList *drives = nullptr, QWidget *parent = nullptr);
    ~TfmMain() override;

    TdmGlobal &Dm() { return *m_dm; }
    TQelDb &Db() { return *m_db; }
    TBrowseState &State() { return *m_state; }
    TViewDefinitions &Views() { return m_views; }
    QAction *Action(const QString &objectName) const;
    // What the commands of other windows are given: this window as their owner, the
    // collection, the data module and the browse state.
    TMainServices Services() { return {this, *m_db, *m_dm, *m_state}; }

    // The drop rules of the tree and the list, for the views and for tests: dragged
    // is an album or a disc, target the object of a folder node, group row or album.
    bool CanDropOn(const TQel *dragged, const TQel *target) const;
    void DropOn(TQel *dragged, TQel *target);

    // Saves the collection: its bytes are made here and written to the file in the
    // background. False when it has no file name and none was chosen (its changes are
    // then unsaved), or when the save failed (the message has been shown; the collection
    // stays in memory and the previous file whole). A background write that fails is
    // reported when it ends; the collection then stays changed until a later save
    // succeeds. Closing the window, New, Open and the restore save such changes again
    // first, or ask what becomes of them.
    bool SaveDatabase();
    // Waits for the background writes to end (with the wait cursor, and a progress
    // window when that takes a while) and reports their failures.
    void FinishSaving();
    // True from a change until the file holds it (or the user discarded it).
    bool HasUnsavedChanges() const { return m_unsaved; }
    TBackgroundWriter &Writer() { return *m_writer; }
    // The backups kept of the collection before saves and large changes.
    TBackups &Backups() { return *m_backups; }
    // Opens a file as "&Open..." does after its dialog.
    bool OpenDatabase(const QString &fileName);

    // Called by the file dialogs; tests replace them.
    std::function<QString(QWidget *, const QString &caption, const QString &folder)> ChooseOpenFile;
    std::function<QString(QWidget *, const QString &caption, const QString &folder)> ChooseSaveFile;

    // Restores the layout and builds the tree; done once, when first shown.
    void ShowFirstTime();

    // The command states after a change of view, list, current item, filter or style.
    void UpdateCommandStates();

public slots:
    void RaiseWindow();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // mainwindow.cpp: the actions, the browse state's reactions and the recurring
    // sequences every command ends with.
    QAction *makeAction(const char *name, const QString &caption, const QString &hint,
                        const QKeySequence &shortcut, void (TfmMain::*handler)());
    void createActions();
    // Gives a made action its command and enables it; for commands that another
    // subsystem carries out through its entry function.
    void onTriggered(const char *name, std::function<void()> command);
    void enableAction(const char *name, bool enabled);
    void onTreeRebuilt();
    void onNodeSelected(const QModelIndex &index);
    void onListRebuilt();
    void onRowSelected(int row);
    void onCurrentChanged();
    void updateStatus();
    void refreshKeepingPlace(TAlbum *album = nullptr);
    void startAfresh();
    void saveAndRebuild(TAlbum *album);
    void setTreeType(int type);
    void setGroupField(TFieldId field);
    // Opens an existing file with the desktop's program for it; reports a missing file
    // or a file that no program took.
    void openWithDesktop(const QString &file);

    // mainpanes.cpp: the tree, the list, lyrics, cover and comments, the status bar;
    // dragging and type-ahead.
    void createPanes();
    void showDetails();
    void showCover();
    void typeAhead(const QString &text);

    // mainbars.cpp: the menu bar, the pop-up menus, the toolbars and the folder menus.
    void createMenus();
    void createToolbars();
    QToolBar *makeToolbar(const char *name, const QString &caption);
    void placeToolbars(const std::vector<QToolBar *> &order);
    void buildFolderMenus();
    void fillFolderMenu(QMenu *menu);
    void updateFoldersButton();

    // mainlayout.cpp: the layout and the list's columns, kept in the settings.
    void loadLayout();
    void saveLayout();
    // Writes the layout, the view definitions and the data module's settings to the
    // settings file now, after a command changed one of them.
    void saveSettings();
    void copyColumnsBack();
    void applyColumns();

    // One file per menu family: its actions (a null handler: the command comes with a
    // later window), their enabled states and the commands.
    // filecommands.cpp: files and the database.
    void createFileActions();
    void clearCollection();
    bool saveAs();
    // Saves to file and waits for the write; the collection takes file as its name once
    // it holds it. A failure is reported, or, with failure given, put there unreported.
    bool saveTo(const QString &file, QString *failure);
    // Makes the collection's bytes and hands them to the writer; false when they cannot
    // be made (reported, or put in failure when given).
    bool queueSave(const QString &file, QString *failure);
    // Before anything replaces or ends the collection in memory: when its newest state
    // did not reach the file, saves again; when that fails too, asks to save under
    // another name, to discard the changes or to cancel. True when the caller may go on.
    bool settleUnsavedChanges();
    void onWritten(quint64 id, const QString &path, const QString &error);
    void cmNew();
    void cmOpen();
    void cmSave();
    void cmSaveAs();
    void cmImportQel();
    void cmPreferences();
    void cmStatistics();
    void cmExit();
    // editcommands.cpp: albums, lookup lists, field defaults and names.
    void createEditActions();
    void updateEditCommands();
    void cmAddAlbum();
    // A new album (not in the collection yet) through the album editor, and in and saved
    // on OK; false when the editor was cancelled (the album stays the caller's).
    bool addThroughEditor(TAlbum *album);
    void cmEditAlbum();
    void cmDuplicateAlbum();
    void cmEditLookupLists();
    void cmRemoveAlbum();
    // The one way albums leave the collection: the question (when the preferences ask
    // it), a backup, one save, the views rebuilt before the albums are freed. True when
    // they were removed.
    bool removeAlbums(const std::vector<TAlbum *> &albums);
    // The albums Remove Album acts on.
    std::vector<TAlbum *> selectedAlbums() const;
    // "Change Selected Albums..." (or tracks): the same values for the selected rows, one
    // save, the list redrawn with the rows still selected.
    void cmChangeSelected();
    // Selects the rows of the list that show objects; current (or else the first of them)
    // becomes the current row.
    void selectObjects(const std::unordered_set<const TQel *> &objects, const TQel *current);
    void cmFieldDefaults();
    void cmFieldNames();
    // viewcommands.cpp: browsing, the tree's view, the list's style and fields, toolbars.
    void createViewActions();
    void updateViewCommands();
    void cmBrowse();
    void cmAlbumView();
    void cmTrackView();
    void cmUp();
    void cmRefresh();
    void cmIcons();
    void cmDetails();
    void cmColumns();
    void cmSortOrder();
    void cmResetToolbar();
    // searchcommands.cpp: the filter.
    void createSearchActions();
    void updateSearchCommands();
    void cmSetFilter();
    void cmFilterOnOff();
    void cmFindDuplicates();
    // Selects the album in the album view (switching to it), in its folder.
    void showAlbum(TAlbum *album);
    // cddbcommands.cpp, mp3commands.cpp: the CD and MP3 menus.
    void createCddbActions();
    void createMp3Actions();
    void updateMp3Commands();
    void cmPlayAudioFile();
    // exchangecommands.cpp, reportcommands.cpp, backupcommands.cpp: the commands of the
    // exchange, report and backup subsystems, given to actions made above.
    void wireExchangeCommands();
    void updateExchangeCommands();
    // winecommands.cpp: cdplayer.ini and CD Valet, both ways.
    void wireWineCommands();
    void updateWineCommands();
    // cddbcommands.cpp: the commands that need a CD or the CDDB windows.
    void wireCddbCommands();
    void updateCddbCommands();
    // musicbrainzcommands.cpp: the MusicBrainz look-up of the CDDB menu.
    void createMusicBrainzActions();
    void wireReportCommands();
    void updateReportCommands();
    void wireBackupCommands();
    void updateBackupCommands();
    // Keeps a backup of file as it stands on disk: before a save (at most hourly) or,
    // with bigChange, before a command that changes many albums. A failure is shown
    // once a run and never stops the command.
    void keepBackup(const QString &file, bool bigChange);
    // The same for the collection's own file before a command removes or replaces
    // albums or lookup entries, whenever the last backup was kept.
    void keepBigChangeBackup();
    void cmRestoreBackup();
    // helpcommands.cpp: the manual, the FAQ and the about box.
    void createHelpActions();
    void cmManual();
    void cmFaq();
    void cmAbout();
    void openHelpFile(const QString &name);

    TViewDefinitions m_views;
    std::unique_ptr<TdmGlobal> m_dm;
    std::unique_ptr<TQelDb> m_db;
    std::unique_ptr<TBrowseState> m_state;
    TState m_place;
    std::unique_ptr<TBackgroundWriter> m_writer;
    // Encodes, in idle moments after a file is read, what the first save would otherwise
    // encode all at once (see TQelDb::SavePieces).
    class QTimer *m_saveEncoder = nullptr;
    void encodeForSavesWhenIdle();
    quint64 m_lastWrite = 0;  // the write holding the newest state
    QString m_lastWriteError; // why it failed, once it has ended
    bool m_unsaved = false;
    bool m_quietFailures = false; // write failures are the caller's to report
    std::unique_ptr<TBackups> m_backups;
    int m_diskAlbums = -1; // the album count of the collection's file as last read or saved
    bool m_backupFailureShown = false;

    std::map<QString, QAction *> m_actions;
    QActionGroup *m_viewGroup = nullptr;
    QActionGroup *m_styleGroup = nullptr;
    std::vector<QToolBar *> m_bands; // the six toolbars and the logo, in designed order
    std::map<QToolBar *, QAction *> m_bandSwitches;
    QToolButton *m_foldersButton = nullptr;
    QMenu *m_pmFolders = nullptr;
    QMenu *m_miFolders = nullptr;
    QMenu *m_tvmiFolders = nullptr;
    QMenu *m_pmTree = nullptr;
    QMenu *m_pmList = nullptr;
    QMenu *m_pmToolbar = nullptr;
    QMenu *m_pmPrint = nullptr;

    QSplitter *m_split = nullptr;      // pnTree | pnRight
    QSplitter *m_rightSplit = nullptr; // list or lyrics | pnCoverComments
    QTreeView *m_tree = nullptr;
    QStackedWidget *m_listOrLyrics = nullptr;
    TQelListView *m_list = nullptr;
    QPlainTextEdit *m_lyrics = nullptr;
    QWidget *m_coverComments = nullptr;
    QLabel *m_cover = nullptr;
    QPlainTextEdit *m_comments = nullptr;
    QLabel *m_count = nullptr;
    QLabel *m_search = nullptr;
    QLabel *m_filter = nullptr;
    QImage m_coverImage;
    QString m_coverPath; // the file m_coverImage was read from

    int m_listStyle = 3;
    int m_treeWidth = 150;
    int m_coverCommentsHeight = 100;
    bool m_shown = false;
    bool m_updatingSelection = false;
    bool m_listReady = true;
    QString m_typed;
    QElapsedTimer m_typedAt;
    TBrowseState::TListContent m_columnsFor = TBrowseState::lcNothing;

    // Dragging.
    QPoint m_dragStart;
    QPointer<QWidget> m_dragSource;
    bool m_dragArmed = false;
};
