#include "views/ui/mainwindow.h"

#include "model/album.h"
#include "model/general.h"
#include "model/qeldb.h"
#include "model/qelerror.h"
#include "model/tracks.h"
#include "services/coverimage.h"
#include "shell/demoinstall.h"
#include "shell/dmglobal.h"
#include "shell/settingsstore.h"
#include "shell/ui/iconlists.h"
#include "shell/ui/windowplacement.h"
#include "views/albumdrop.h"
#include "views/ui/qellistview.h"
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDrag>
#include <QDragMoveEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QString kSection = QStringLiteral("MainWindow");
const QString kDragMime = QStringLiteral("application/x-qelmusic-item");

// The tree's icon: the node's picture, with the album's in-collection mark before it.
QIcon treeIcon(const QModelIndex &index)
{
    const TIconLists &icons = TIconLists::Instance();
    const int image = index.data(TFolderTreeModel::ImageIndexRole).toInt();
    const int state = index.data(TFolderTreeModel::StateImageRole).toInt();
    if (state <= 0)
        return icons.Small(image);
    static std::map<std::pair<int, int>, QIcon> composed;
    const auto key = std::make_pair(state, image);
    auto found = composed.find(key);
    if (found != composed.end())
        return found->second;
    QPixmap pixmap(TIconLists::kStateWidth + 1 + TIconLists::kSmallSide, TIconLists::kSmallSide);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        icons.State(state).paint(&painter,
                                 QRect(0, 0, TIconLists::kStateWidth, TIconLists::kStateHeight));
        icons.Small(image).paint(&painter, QRect(TIconLists::kStateWidth + 1, 0,
                                                 TIconLists::kSmallSide, TIconLists::kSmallSide));
    }
    return composed.emplace(key, QIcon(pixmap)).first->second;
}

} // namespace

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
}

TfmMain::~TfmMain()
{
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

// --- building the window

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

void TfmMain::createActions()
{
    // File
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

    // Edit
    makeAction("acAddAlbum", tr("&Add Album..."), tr("Add New Album"),
               QKeySequence(Qt::SHIFT | Qt::Key_Insert), &TfmMain::cmAddAlbum);
    makeAction("acEditAlbum", tr("&Edit Album..."), tr("Edit Selected Album"),
               QKeySequence(Qt::Key_Return), &TfmMain::cmEditAlbum);
    makeAction("acDuplicateAlbum", tr("&Duplicate Album..."), tr("Duplicate Selected Album"),
               QKeySequence(Qt::CTRL | Qt::Key_Insert), &TfmMain::cmDuplicateAlbum);
    makeAction("acRemoveAlbum", tr("&Remove Album..."), tr("Remove Selected Album"),
               QKeySequence(Qt::Key_Delete), &TfmMain::cmRemoveAlbum);
    makeAction("acEditLookupLists", tr("Edit &Lookup Lists..."), tr("Edit Lookup Lists"), {},
               &TfmMain::cmEditLookupLists);
    makeAction("acFieldDefaults", tr("&Field Defaults..."), tr("Change Default Field Values"), {},
               &TfmMain::cmFieldDefaults);
    makeAction("acFieldNames", tr("Field &Names..."), tr("Change Field Names"), {},
               &TfmMain::cmFieldNames);

    // View
    makeAction("acBrowse", tr("&Browse Current List..."), {}, {}, &TfmMain::cmBrowse);
    m_viewGroup = new QActionGroup(this);
    for (QAction *a :
         {makeAction("acAlbumView", tr("&Album View"), tr("Album View"), {}, &TfmMain::cmAlbumView),
          makeAction("acTrackView", tr("&Track View"), tr("Track View"), {},
                     &TfmMain::cmTrackView)}) {
        a->setCheckable(true);
        m_viewGroup->addAction(a);
    }
    makeAction("acUp", tr("Up"), tr("Up"), {}, &TfmMain::cmUp);
    makeAction("acRefresh", tr("&Refresh"), tr("Refresh"), QKeySequence(Qt::Key_F5),
               &TfmMain::cmRefresh);
    m_styleGroup = new QActionGroup(this);
    for (QAction *a :
         {makeAction("acIcons", tr("&Icons/Thumbnails"), tr("Icons/Thumbnails"), {},
                     &TfmMain::cmIcons),
          makeAction("acDetails", tr("&Details"), tr("Details"), {}, &TfmMain::cmDetails)}) {
        a->setCheckable(true);
        m_styleGroup->addAction(a);
    }
    makeAction("acColumns", tr("&Columns..."), tr("Columns"), {}, &TfmMain::cmColumns);
    makeAction("acSortOrder", tr("Sort Order..."), tr("Sort Order"), {}, &TfmMain::cmSortOrder);
    makeAction("acResetToolbar", tr("&Reset Toolbar"), tr("Reset Default Toolbar"), {},
               &TfmMain::cmResetToolbar);

    // Search
    makeAction("acSetFilter", tr("Set &Filter..."), tr("Set Filter"), {}, &TfmMain::cmSetFilter);
    makeAction("acFilterOnOff", tr("Filter &On/Off"), tr("Filter On/Off"), {},
               &TfmMain::cmFilterOnOff)
        ->setCheckable(true);
    makeAction("acFindCD", tr("Find &CD By Scanning..."),
               tr("Find a CD by scanning by placing it in your CD-ROM drive"), {}, nullptr);

    // CDDB
    makeAction("acAddAlbumByScanning", tr("&Add Album by Scanning / Querying..."),
               tr("Add New Album By Scanning and Querying the CDDB"), QKeySequence(Qt::Key_Insert),
               nullptr);
    makeAction("acBatchScan", tr("&Batch Scanning && Querying..."),
               tr("Batch Scanning && Querying"), {}, nullptr);
    makeAction("acSubmit", tr("&Submit Current Album..."), tr("Submit Current Album to CDDB"), {},
               nullptr);
    makeAction("acStartCdPlayer", tr("Start CD &Player"), tr("Start CD Player"), {}, nullptr);
    makeAction("acCddbSettings", tr("&CDDB Settings..."), tr("CDDB Settings"), {}, nullptr);

    // MP3
    makeAction("acMp3Explorer", tr("&MP3 Explorer..."), tr("MP3 Explorer"), {}, nullptr);
    makeAction("acPlayAudioFile", tr("&Play Audio File"),
               tr("Play Audio File Associated with Current Track"), {}, &TfmMain::cmPlayAudioFile);

    // Help
    makeAction("acManual", tr("&Manual"), tr("Open the Qel Music Manual in your browser"), {},
               &TfmMain::cmManual);
    makeAction("acFaq", tr("&Frequently Asked Questions"),
               tr("Open the Qel Music FAQ in your browser"), {}, &TfmMain::cmFaq);
    makeAction("acAbout", tr("&About..."), tr("About Qel"), {}, &TfmMain::cmAbout);

    // The list's pop-up menu names three commands its own way.
    makeAction("acListPrintList", tr("&Print List..."), tr("Print List Report of Current List"), {},
               nullptr);
    makeAction("acListPrintAlbum", tr("&Print Album..."),
               tr("Print Album Report of Selected Album..."), {}, nullptr);
    makeAction("acListBrowse", tr("&Browse List..."), {}, {}, &TfmMain::cmBrowse);

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

void TfmMain::createMenus()
{
    auto a = [this](const char *name) { return Action(QString::fromLatin1(name)); };
    QMenuBar *bar = menuBar();

    QMenu *file = bar->addMenu(tr("&File"));
    file->setObjectName(QStringLiteral("miFile"));
    file->addActions({a("acNew"), a("acOpen"), a("acSave"), a("acSaveAs")});
    file->addSeparator();
    QMenu *print = file->addMenu(tr("&Print"));
    print->setObjectName(QStringLiteral("miPrint"));
    print->addActions({a("acPrintListReport"), a("acPrintAlbumReport")});
    print->addSeparator();
    print->addAction(a("acPrintSelectedAlbum"));
    file->addSeparator();
    QMenu *import = file->addMenu(tr("&Import From..."));
    import->setObjectName(QStringLiteral("miImport"));
    import->addAction(a("acImportQel"));
    import->addSeparator();
    import->addActions({a("acImportCdPlayer"), a("acImportCdValet")});
    QMenu *exportMenu = file->addMenu(tr("&Export To..."));
    exportMenu->setObjectName(QStringLiteral("miExport"));
    exportMenu->addActions({a("acExportCdPlayer"), a("acExportCdValet")});
    QMenu *ascii = exportMenu->addMenu(tr("&ASCII"));
    ascii->addActions({a("acExportAsciiList"), a("acExportAsciiAlbums"), a("acExportAsciiTracks")});
    QMenu *html = exportMenu->addMenu(tr("&HTML"));
    html->addActions({a("acExportHtmlList"), a("acExportHtmlAlbums"), a("acExportHtmlTracks")});
    file->addSeparator();
    file->addActions({a("acPreferences"), a("acStatistics")});
    file->addSeparator();
    file->addAction(a("acExit"));

    QMenu *edit = bar->addMenu(tr("&Edit"));
    edit->setObjectName(QStringLiteral("miEdit"));
    edit->addActions(
        {a("acAddAlbum"), a("acEditAlbum"), a("acDuplicateAlbum"), a("acRemoveAlbum")});
    edit->addSeparator();
    edit->addAction(a("acEditLookupLists"));
    edit->addSeparator();
    edit->addActions({a("acFieldDefaults"), a("acFieldNames")});

    QMenu *view = bar->addMenu(tr("&View"));
    view->setObjectName(QStringLiteral("miView"));
    view->addAction(a("acBrowse"));
    view->addSeparator();
    view->addActions({a("acAlbumView"), a("acTrackView")});
    view->addSeparator();
    m_miFolders = view->addMenu(tr("&Folders"));
    m_miFolders->setObjectName(QStringLiteral("miFolders"));
    view->addSeparator();
    view->addActions({a("acIcons"), a("acDetails")});
    view->addSeparator();
    view->addActions({a("acColumns"), a("acSortOrder")});
    view->addSeparator();
    m_pmToolbar = view->addMenu(tr("T&oolbar"));
    m_pmToolbar->setObjectName(QStringLiteral("pmToolbar"));
    view->addSeparator();
    view->addAction(a("acRefresh"));

    QMenu *cddb = bar->addMenu(tr("&CDDB"));
    cddb->setObjectName(QStringLiteral("miCddb"));
    cddb->addActions({a("acAddAlbumByScanning"), a("acBatchScan"), a("acSubmit")});
    cddb->addSeparator();
    cddb->addAction(a("acStartCdPlayer"));
    cddb->addSeparator();
    cddb->addAction(a("acCddbSettings"));

    QMenu *mp3 = bar->addMenu(tr("&MP3"));
    mp3->setObjectName(QStringLiteral("miMp3"));
    mp3->addAction(a("acMp3Explorer"));
    mp3->addSeparator();
    mp3->addAction(a("acPlayAudioFile"));

    QMenu *search = bar->addMenu(tr("&Search"));
    search->setObjectName(QStringLiteral("miSearch"));
    search->addActions({a("acSetFilter"), a("acFilterOnOff")});
    search->addSeparator();
    search->addAction(a("acFindCD"));

    QMenu *help = bar->addMenu(tr("&Help"));
    help->setObjectName(QStringLiteral("miHelp"));
    help->addActions({a("acManual"), a("acFaq")});
    help->addSeparator();
    help->addAction(a("acAbout"));

    m_pmTree = new QMenu(this);
    m_pmTree->setObjectName(QStringLiteral("pmTree"));
    m_pmTree->addActions(
        {a("acAddAlbum"), a("acEditAlbum"), a("acDuplicateAlbum"), a("acRemoveAlbum")});
    m_pmTree->addSeparator();
    m_tvmiFolders = m_pmTree->addMenu(tr("&Folders"));
    m_tvmiFolders->setObjectName(QStringLiteral("tvmiFolders"));

    m_pmList = new QMenu(this);
    m_pmList->setObjectName(QStringLiteral("pmList"));
    m_pmList->addActions(
        {a("acAddAlbum"), a("acEditAlbum"), a("acDuplicateAlbum"), a("acRemoveAlbum")});
    m_pmList->addSeparator();
    m_pmList->addActions({a("acColumns"), a("acSortOrder")});
    m_pmList->addSeparator();
    m_pmList->addActions({a("acListPrintList"), a("acListPrintAlbum")});
    m_pmList->addSeparator();
    m_pmList->addAction(a("acListBrowse"));

    m_pmPrint = new QMenu(this);
    m_pmPrint->setObjectName(QStringLiteral("pmPrint"));
    m_pmPrint->addActions(
        {a("acPrintListReport"), a("acPrintAlbumReport"), a("acPrintSelectedAlbum")});

    m_pmFolders = new QMenu(this);
    m_pmFolders->setObjectName(QStringLiteral("pmFolders"));

    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_tree, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { m_pmTree->popup(m_tree->viewport()->mapToGlobal(pos)); });
    for (QAbstractItemView *v : {static_cast<QAbstractItemView *>(m_list->Details()),
                                 static_cast<QAbstractItemView *>(m_list->Icons())}) {
        v->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(v, &QWidget::customContextMenuRequested, this,
                [this, v](const QPoint &pos) { m_pmList->popup(v->viewport()->mapToGlobal(pos)); });
    }
}

QToolBar *TfmMain::makeToolbar(const char *name, const QString &caption)
{
    auto *band = new QToolBar(caption, this);
    band->setObjectName(QString::fromLatin1(name));
    band->setIconSize(QSize(18, 18));
    band->setToolButtonStyle(Qt::ToolButtonIconOnly);
    band->setAllowedAreas(Qt::TopToolBarArea);
    band->setFloatable(false);
    m_bands.push_back(band);
    return band;
}

void TfmMain::createToolbars()
{
    auto a = [this](const char *name) { return Action(QString::fromLatin1(name)); };

    QToolBar *tbFile = makeToolbar("tbFile", tr("File"));
    tbFile->addActions({a("acNew"), a("acOpen"), a("acSave")});
    auto *print = new QToolButton(tbFile);
    print->setObjectName(QStringLiteral("mbtPrint"));
    print->setToolTip(tr("Print"));
    print->setIcon(TIconLists::Instance().Command(QStringLiteral("acPrintListReport")));
    print->setMenu(m_pmPrint);
    print->setPopupMode(QToolButton::InstantPopup);
    tbFile->addWidget(print);

    QToolBar *tbEdit = makeToolbar("tbEdit", tr("Edit"));
    tbEdit->addActions(
        {a("acAddAlbum"), a("acEditAlbum"), a("acDuplicateAlbum"), a("acRemoveAlbum")});
    tbEdit->addSeparator();
    tbEdit->addAction(a("acEditLookupLists"));

    QToolBar *tbCDDB = makeToolbar("tbCDDB", tr("CDDB"));
    tbCDDB->addActions({a("acAddAlbumByScanning"), a("acBatchScan"), a("acSubmit"),
                        a("acStartCdPlayer"), a("acCddbSettings")});

    QToolBar *tbSearch = makeToolbar("tbSearch", tr("Search"));
    tbSearch->addActions({a("acSetFilter"), a("acFilterOnOff"), a("acFindCD")});

    QToolBar *tbView = makeToolbar("tbView", tr("View"));
    tbView->addActions({a("acAlbumView"), a("acTrackView")});
    m_foldersButton = new QToolButton(tbView);
    m_foldersButton->setObjectName(QStringLiteral("btFolders"));
    m_foldersButton->setToolTip(tr("Change Folder Field"));
    m_foldersButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_foldersButton->setIcon(TIconLists::Instance().Small(TIconLists::kFolder));
    m_foldersButton->setPopupMode(QToolButton::InstantPopup);
    m_foldersButton->setMenu(m_pmFolders);
    tbView->addWidget(m_foldersButton);
    tbView->addActions({a("acUp"), a("acRefresh"), a("acIcons"), a("acDetails"), a("acColumns"),
                        a("acSortOrder")});

    QToolBar *tbMP3 = makeToolbar("tbMP3", tr("MP3"));
    tbMP3->addActions({a("acMp3Explorer"), a("acPlayAudioFile")});

    QToolBar *logo = makeToolbar("imLogo", tr("Logo"));
    auto *logoButton = new QToolButton(logo);
    logoButton->setObjectName(QStringLiteral("btLogo"));
    logoButton->setIcon(TIconLists::Instance().Logo());
    logoButton->setIconSize(QSize(24, 24));
    logoButton->setAutoRaise(true);
    logoButton->setCursor(Qt::PointingHandCursor);
    logoButton->setToolTip(tr("About Qel Music"));
    connect(logoButton, &QToolButton::clicked, this, &TfmMain::cmAbout);
    logo->addWidget(logoButton);

    // The switches, in menu order: File, Edit, CDDB, View, Search, MP3, Logo.
    const std::vector<std::pair<QToolBar *, QString>> switches = {
        {tbFile, tr("&File")}, {tbEdit, tr("&Edit")},     {tbCDDB, tr("&CDDB")},
        {tbView, tr("&View")}, {tbSearch, tr("&Search")}, {tbMP3, tr("&MP3")},
        {logo, tr("&Logo")}};
    for (const auto &[band, caption] : switches) {
        auto *toggle = new QAction(caption, this);
        toggle->setObjectName(QStringLiteral("acShow") + band->objectName());
        toggle->setCheckable(true);
        toggle->setChecked(true);
        connect(toggle, &QAction::toggled, band, &QToolBar::setVisible);
        connect(band, &QToolBar::visibilityChanged, toggle, [toggle, band](bool) {
            // A hidden window hides its bands too; only the band's own state counts.
            toggle->setChecked(!band->isHidden());
        });
        m_pmToolbar->addAction(toggle);
        m_bandSwitches[band] = toggle;
    }
    m_pmToolbar->addSeparator();
    m_pmToolbar->addAction(a("acResetToolbar"));

    placeToolbars(m_bands);
    for (QToolBar *band : m_bands) {
        band->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(band, &QWidget::customContextMenuRequested, this,
                [this, band](const QPoint &p) { m_pmToolbar->popup(band->mapToGlobal(p)); });
    }
}

// Bands in designed order: the first row holds File, Edit, CDDB and Search, the second
// View, MP3 and the logo.
void TfmMain::placeToolbars(const std::vector<QToolBar *> &order)
{
    for (QToolBar *band : m_bands)
        removeToolBar(band);
    int row = -1;
    for (QToolBar *band : order) {
        const int bandRow = band->property("qelRow").toInt();
        if (row != -1 && bandRow != row)
            addToolBarBreak(Qt::TopToolBarArea);
        row = bandRow;
        addToolBar(Qt::TopToolBarArea, band);
        band->setVisible(
            band->property("qelVisible").isValid() ? band->property("qelVisible").toBool() : true);
    }
}

void TfmMain::createPanes()
{
    m_split = new QSplitter(Qt::Horizontal, this);
    m_split->setObjectName(QStringLiteral("spTree"));
    m_split->setChildrenCollapsible(false);

    auto *pnTree = new QWidget(m_split);
    pnTree->setObjectName(QStringLiteral("pnTree"));
    auto *treeLayout = new QVBoxLayout(pnTree);
    treeLayout->setContentsMargins(0, 0, 0, 0);
    m_tree = new QTreeView(pnTree);
    m_tree->setObjectName(QStringLiteral("tvMain"));
    m_tree->setHeaderHidden(true);
    m_tree->setUniformRowHeights(true);
    m_tree->setRootIsDecorated(false);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setIndentation(16);
    m_tree->setItemDelegate(new TImageIndexDelegate(
        [](const QModelIndex &index, bool) { return treeIcon(index); }, false, m_tree));
    m_tree->setModel(m_state->TreeModel());
    treeLayout->addWidget(m_tree);

    auto *pnRight = new QSplitter(Qt::Vertical, m_split);
    pnRight->setObjectName(QStringLiteral("pnRight"));
    pnRight->setChildrenCollapsible(false);
    m_rightSplit = pnRight;
    m_listOrLyrics = new QStackedWidget(pnRight);
    m_list = new TQelListView(m_listOrLyrics);
    m_list->setObjectName(QStringLiteral("lvMain"));
    m_list->SetImageIndexAscending(TIconLists::kSortAscending);
    m_list->SetImageIndexDescending(TIconLists::kSortDescending);
    m_list->SetTagRole(TItemListModel::FieldRole);
    m_list->SetHeaderIconSource([](int index) { return TIconLists::Instance().Small(index); });
    m_list->SetIconSource([this](const QModelIndex &index, bool large) {
        const TIconLists &icons = TIconLists::Instance();
        const int image = index.data(TItemListModel::ImageIndexRole).toInt();
        if (!large)
            return icons.Small(image);
        // In icon style an album shows its cover thumbnail when it has one.
        const int thumbnail = index.data(TItemListModel::ThumbnailIndexRole).toInt();
        if (thumbnail > 0 && thumbnail < m_db->Pictures.Count())
            return QIcon(QPixmap::fromImage(m_db->Pictures.Image(thumbnail)));
        return icons.Large(image);
    });
    m_list->setModel(m_state->ListModel());
    for (const char *name : {"acAddAlbum", "acEditAlbum", "acDuplicateAlbum", "acRemoveAlbum",
                             "acAddAlbumByScanning"}) {
        m_tree->addAction(Action(QString::fromLatin1(name)));
        m_list->addAction(Action(QString::fromLatin1(name)));
    }
    m_lyrics = new QPlainTextEdit(m_listOrLyrics);
    m_lyrics->setObjectName(QStringLiteral("mmLyrics"));
    m_lyrics->setReadOnly(true);
    m_lyrics->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_listOrLyrics->addWidget(m_list);
    m_listOrLyrics->addWidget(m_lyrics);

    m_coverComments = new QWidget(pnRight);
    m_coverComments->setObjectName(QStringLiteral("pnCoverComments"));
    auto *cc = new QHBoxLayout(m_coverComments);
    cc->setContentsMargins(0, 0, 0, 0);
    m_cover = new QLabel(m_coverComments);
    m_cover->setObjectName(QStringLiteral("imCover"));
    m_cover->setAlignment(Qt::AlignCenter);
    m_cover->setMinimumSize(32, 32);
    m_cover->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
    m_cover->installEventFilter(this);
    m_comments = new QPlainTextEdit(m_coverComments);
    m_comments->setObjectName(QStringLiteral("mmComments"));
    m_comments->setReadOnly(true);
    cc->addWidget(m_cover);
    cc->addWidget(m_comments, 1);
    pnRight->setStretchFactor(0, 1);
    pnRight->setStretchFactor(1, 0);
    m_split->setStretchFactor(0, 0);
    m_split->setStretchFactor(1, 1);
    setCentralWidget(m_split);

    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("pnCount"));
    m_count->setMinimumWidth(120);
    m_search = new QLabel(this);
    m_search->setObjectName(QStringLiteral("pnSearch"));
    m_search->setMinimumWidth(150);
    m_search->setTextFormat(Qt::PlainText);
    m_filter = new QLabel(this);
    m_filter->setObjectName(QStringLiteral("pnFilter"));
    m_filter->setTextFormat(Qt::PlainText);
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    statusBar()->addWidget(m_count);
    statusBar()->addWidget(m_search);
    statusBar()->addWidget(m_filter, 1);

    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) {
                if (m_updatingSelection)
                    return;
                m_state->SelectNode(TFolderTreeModel::NodeOf(current));
            });
    connect(m_list, &TQelListView::currentRowChanged, this, [this](int row) {
        if (m_updatingSelection || !m_listReady)
            return;
        m_state->SelectRow(row);
    });
    connect(m_list, &TQelListView::rowActivated, this, [this](int row) {
        // Enter on an album edits it; a double click on a group or an item opens it in
        // the tree.
        m_state->ActivateRow(row);
    });
    connect(m_list, &TQelListView::headerClicked, this, [this](int column) {
        if (m_state->ListContent != TBrowseState::lcAlbums &&
            m_state->ListContent != TBrowseState::lcItems)
            return;
        copyColumnsBack();
        m_state->ClickColumn(column);
    });

    // Dragging and type-ahead watch the panes.
    for (QWidget *w :
         {m_tree->viewport(), m_list->Details()->viewport(), m_list->Icons()->viewport()}) {
        w->installEventFilter(this);
        w->setAcceptDrops(true);
    }
    m_list->Details()->installEventFilter(this);
    m_list->Icons()->installEventFilter(this);
}

// --- folder menus

void TfmMain::buildFolderMenus()
{
    for (QMenu *menu : {m_pmFolders, m_miFolders, m_tvmiFolders})
        fillFolderMenu(menu);
    updateFoldersButton();
}

void TfmMain::fillFolderMenu(QMenu *menu)
{
    menu->clear();
    for (QActionGroup *old : menu->findChildren<QActionGroup *>())
        delete old;
    auto *group = new QActionGroup(menu);
    const TFieldId current = m_state->GroupField();
    auto add = [&](TFieldId field, const QString &caption, const QIcon &icon) {
        QAction *item = menu->addAction(icon, caption);
        item->setCheckable(true);
        item->setChecked(field == current);
        item->setToolTip(StripAmpersands(caption));
        item->setData(int(field));
        group->addAction(item);
        connect(item, &QAction::triggered, this, [this, field] {
            if (field != m_state->GroupField())
                setGroupField(field);
        });
    };
    add(fdNone, tr("No Folders"), TIconLists::Instance().NoFolders());
    menu->addSeparator();
    const TQelFields &fields = m_dm->Fields();
    for (TFieldId field : TBrowseState::GroupFields(m_state->TreeType))
        add(field, fields.GetFieldCaption(field), QIcon());
}

void TfmMain::updateFoldersButton()
{
    const TFieldId field = m_state->GroupField();
    m_foldersButton->setText(
        field == fdNone ? tr("No Folders") : tr("Folders: ") + m_dm->Fields().GetFieldName(field));
}

// --- layout

void TfmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shown)
        ShowFirstTime();
}

void TfmMain::ShowFirstTime()
{
    if (m_shown)
        return;
    m_shown = true;
    loadLayout();
    setTreeType(0);
    buildFolderMenus();
    startAfresh();
    m_tree->setFocus();
}

void TfmMain::loadLayout()
{
    TSettingsStore &s = m_dm->Settings();
    RestoreWindowPlacement(this, s);
    auto readInt = [&](const QString &name, int def, int low, int high) {
        const int value = s.ReadInteger(kSection, name, def);
        return value < low || value > high ? def : value;
    };
    m_treeWidth = readInt(QStringLiteral("TreeWidth"), 150, 20, 4000);
    m_coverCommentsHeight = readInt(QStringLiteral("CoverCommentsHeight"), 100, 20, 4000);
    m_listStyle = readInt(QStringLiteral("ListViewStyle"), 3, 0, 3) == 0 ? 0 : 3;
    m_state->GroupSortOrder =
        s.ReadInteger(kSection, QStringLiteral("GroupSortOrder"), 1) < 0 ? -1 : 1;
    auto readGroup = [&](const QString &name, int level) {
        const int value = s.ReadInteger(kSection, name, fdArtist);
        const auto &allowed = TBrowseState::GroupFields(level);
        return value == fdNone || allowed.contains(TFieldId(value)) ? TFieldId(value)
                                                                    : TFieldId(fdArtist);
    };
    m_state->AlbumGroupField = readGroup(QStringLiteral("AlbumGroupField"), 0);
    m_state->TrackGroupField = readGroup(QStringLiteral("TrackGroupField"), 1);
    m_views.Load(s);

    // Bands: stored rows and positions, else the designed ones.
    int designedRow = 0;
    for (QToolBar *band : m_bands) {
        if (band->objectName() == QLatin1String("tbView"))
            designedRow = 1;
        band->setProperty("qelDesignedRow", designedRow);
    }
    std::vector<std::tuple<int, int, int, QToolBar *>> order;
    int designed = 0;
    for (QToolBar *band : m_bands) {
        const QString section = kSection + QLatin1Char('\\') + band->objectName();
        const int designedTop = band->property("qelDesignedRow").toInt() * 30;
        const int top = s.ReadInteger(section, QStringLiteral("Top"), designedTop);
        const int left = s.ReadInteger(section, QStringLiteral("Left"), designed * 100);
        band->setProperty("qelRow", std::clamp(top, 0, 300) / 30);
        band->setProperty("qelVisible", s.ReadBool(section, QStringLiteral("Visible"), true));
        order.emplace_back(std::clamp(top, 0, 300) / 30, std::clamp(left, 0, 10000), designed,
                           band);
        ++designed;
    }
    std::sort(order.begin(), order.end());
    std::vector<QToolBar *> bands;
    for (const auto &entry : order)
        bands.push_back(std::get<3>(entry));
    placeToolbars(bands);
    for (QToolBar *band : m_bands)
        m_bandSwitches[band]->setChecked(!band->isHidden());

    m_split->setSizes({m_treeWidth, std::max(100, width() - m_treeWidth)});
    m_rightSplit->setSizes(
        {std::max(100, height() - m_coverCommentsHeight), m_coverCommentsHeight});
    m_list->SetViewStyle(m_listStyle);
}

void TfmMain::saveLayout()
{
    TSettingsStore &s = m_dm->Settings();
    SaveWindowPlacement(this, s);
    const QList<int> sizes = m_split->sizes();
    if (!sizes.isEmpty() && sizes.first() > 0)
        m_treeWidth = sizes.first();
    const QList<int> rightSizes = m_rightSplit->sizes();
    if (rightSizes.size() > 1 && rightSizes[1] > 0)
        m_coverCommentsHeight = rightSizes[1];
    s.WriteInteger(kSection, QStringLiteral("TreeWidth"), m_treeWidth);
    s.WriteInteger(kSection, QStringLiteral("CoverCommentsHeight"), m_coverCommentsHeight);
    s.WriteInteger(kSection, QStringLiteral("TreeType"), m_state->TreeType);
    s.WriteInteger(kSection, QStringLiteral("AlbumGroupField"), m_state->AlbumGroupField);
    s.WriteInteger(kSection, QStringLiteral("TrackGroupField"), m_state->TrackGroupField);
    s.WriteInteger(kSection, QStringLiteral("ListViewStyle"), m_listStyle);
    s.WriteInteger(kSection, QStringLiteral("GroupSortOrder"), m_state->GroupSortOrder);
    m_views.Save(s);
    for (QToolBar *band : m_bands) {
        const QString section = kSection + QLatin1Char('\\') + band->objectName();
        const QRect r = band->geometry();
        s.WriteBool(section, QStringLiteral("Visible"), !band->isHidden());
        s.WriteInteger(section, QStringLiteral("Top"),
                       r.top() - (menuBar() ? menuBar()->height() : 0));
        s.WriteInteger(section, QStringLiteral("Left"), r.left());
        s.WriteInteger(section, QStringLiteral("Right"), r.right() + 1);
        s.WriteInteger(section, QStringLiteral("Bottom"), r.bottom() + 1);
    }
}

void TfmMain::closeEvent(QCloseEvent *event)
{
    if (m_shown) {
        copyColumnsBack();
        m_updatingSelection = true;
        m_tree->selectionModel()->clear();
        m_state->SetCurrent(nullptr);
        m_listReady = false;
        saveLayout();
        m_updatingSelection = false;
    }
    event->accept();
}

// The list's column order and widths go back into the show fields of what it shows.
void TfmMain::copyColumnsBack()
{
    if (m_columnsFor != TBrowseState::lcAlbums && m_columnsFor != TBrowseState::lcItems)
        return;
    TShowFields &show =
        m_views.ShowFields(m_columnsFor == TBrowseState::lcAlbums ? ilAlbum : ilTrack);
    QHeaderView *header = m_list->Details()->horizontalHeader();
    const int count = header->count();
    if (count != show.Count())
        return;
    TShowFields copy(show.Level);
    for (int visual = 0; visual < count; ++visual) {
        const int logical = header->logicalIndex(visual);
        const auto *field = static_cast<const TShowField *>(show.Items(logical));
        const int width = header->sectionSize(logical);
        copy.Add(std::make_unique<TShowField>(field->FieldId, width > 0 ? width : field->Width));
    }
    show = copy;
    // The header now matches the fields again.
    const bool blocked = header->blockSignals(true);
    for (int logical = 0; logical < count; ++logical)
        header->moveSection(header->visualIndex(logical), logical);
    header->blockSignals(blocked);
}

void TfmMain::applyColumns()
{
    QHeaderView *header = m_list->Details()->horizontalHeader();
    m_columnsFor = m_state->ListContent;
    const int count = m_state->ListModel()->columnCount();
    if (m_state->ListContent == TBrowseState::lcGroups) {
        header->resizeSection(0, 250);
    } else if (m_state->ListContent == TBrowseState::lcAlbums ||
               m_state->ListContent == TBrowseState::lcItems) {
        const TShowFields &show =
            m_views.ShowFields(m_state->ListContent == TBrowseState::lcAlbums ? ilAlbum : ilTrack);
        for (int i = 0; i < count && i < show.Count(); ++i)
            header->resizeSection(i, static_cast<const TShowField *>(show.Items(i))->GetWidth());
    }
    const int mark = m_state->SortMarkColumn();
    const TFieldId field = m_state->ListModel()->ColumnField(mark);
    m_list->SetSortColumn(mark >= 0 ? int(field) : -1, m_state->SortMarkOrder() >= 0);
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
    applyColumns();
    updateStatus();
    UpdateCommandStates();
}

void TfmMain::onRowSelected(int row)
{
    m_updatingSelection = true;
    m_list->SetCurrentRow(row);
    m_updatingSelection = false;
}

void TfmMain::onCurrentChanged()
{
    showDetails();
    UpdateCommandStates();
}

void TfmMain::showDetails()
{
    m_comments->setPlainText(m_state->CommentsText());
    if (m_state->ShowingLyrics())
        m_lyrics->setPlainText(m_state->LyricsText());
    // Stepping through the tracks of one album keeps its cover: read it once. A damaged
    // picture shows nothing; the pane asks for about its own size.
    const QString path = m_state->CoverPath();
    if (path != m_coverPath) {
        m_coverPath = path;
        const int side = std::max(32, m_coverComments->height());
        m_coverImage = path.isEmpty() ? QImage() : LoadCoverPicture(path, QSize(side, side)).image;
    }
    showCover();
}

void TfmMain::showCover()
{
    const int side = std::max(32, m_coverComments->height());
    m_cover->setFixedWidth(m_coverImage.isNull() ? 0 : side);
    if (m_coverImage.isNull()) {
        m_cover->clear();
        return;
    }
    const qreal ratio = m_cover->devicePixelRatioF();
    QPixmap pixmap = QPixmap::fromImage(m_coverImage.scaled(
        QSize(side, side) * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    pixmap.setDevicePixelRatio(ratio);
    m_cover->setPixmap(pixmap);
}

void TfmMain::updateStatus()
{
    m_count->setText(m_state->CountText());
    m_filter->setText(m_state->FilterText());
}

void TfmMain::UpdateCommandStates()
{
    auto set = [this](const char *name, bool enabled) {
        if (QAction *a = Action(QString::fromLatin1(name)))
            a->setEnabled(enabled);
    };
    const bool albumsOrItems = m_state->ListContent == TBrowseState::lcAlbums ||
                               m_state->ListContent == TBrowseState::lcItems;
    const bool album = m_state->CurrentAlbum() != nullptr;
    Action(QStringLiteral("acAlbumView"))->setChecked(m_state->TreeType == 0);
    Action(QStringLiteral("acTrackView"))->setChecked(m_state->TreeType == 1);
    Action(QStringLiteral("acIcons"))->setChecked(m_listStyle == 0);
    Action(QStringLiteral("acDetails"))->setChecked(m_listStyle != 0);
    set("acColumns", albumsOrItems);
    set("acSortOrder", albumsOrItems);
    set("acEditAlbum", album);
    set("acDuplicateAlbum", album);
    set("acRemoveAlbum", album);
    const TFilterFields &filter = m_views.Filter(m_state->Level());
    set("acFilterOnOff", filter.Count() > 0);
    Action(QStringLiteral("acFilterOnOff"))->setChecked(filter.IsActive());
    set("acBrowse", albumsOrItems && m_state->RowCount() > 0);
    set("acListBrowse", albumsOrItems && m_state->RowCount() > 0);
    const TCustomTrack *track = m_state->CurrentTrack();
    set("acPlayAudioFile", track && !track->GetFieldAsString(fdAudioFile).isEmpty());
    const TTreeNode *selected = m_state->SelectedNode();
    set("acUp", selected && selected->parent);
}

// --- recurring sequences

void TfmMain::startAfresh()
{
    m_place.Clear();
    m_state->RebuildTree();
    m_place.Restore(*m_state, nullptr);
    updateStatus();
    UpdateCommandStates();
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
}

bool TfmMain::SaveDatabase()
{
    if (m_db->FileName.isEmpty())
        return saveAs();
    try {
        TWaitCursor wait;
        m_db->Save(m_db->FileName);
        return true;
    } catch (const EQel &e) {
        ShowInfo(e.message());
        return false;
    }
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

// --- drag and drop

bool TfmMain::CanDropOn(const TQel *dragged, const TQel *target) const
{
    return AlbumDrop::CanDrop(dragged, target, m_state->GroupField());
}

void TfmMain::DropOn(TQel *dragged, TQel *target)
{
    if (!CanDropOn(dragged, target))
        return;
    auto *item = static_cast<TDataItem *>(dragged);
    m_place.Remember(*m_state);
    if (item->Kind() == TItemKind::Album) {
        auto *album = static_cast<TAlbum *>(item);
        AlbumDrop::MoveAlbumToFolder(album, static_cast<TLookupItem *>(target),
                                     m_state->GroupField());
        saveAndRebuild(album);
    } else {
        AlbumDrop::MoveDiscToAlbum(static_cast<TDisc *>(item),
                                   static_cast<TAlbum *>(static_cast<TDataItem *>(target)));
        saveAndRebuild(nullptr);
    }
}

bool TfmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_tree || !m_list)
        return QMainWindow::eventFilter(watched, event);
    if (watched == m_cover && event->type() == QEvent::Resize) {
        showCover();
        return false;
    }
    const bool fromTree = watched == m_tree->viewport();
    const bool fromList =
        watched == m_list->Details()->viewport() || watched == m_list->Icons()->viewport();
    if ((watched == m_list->Details() || watched == m_list->Icons()) &&
        event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const QString text = key->text();
        if (!text.isEmpty() && text.at(0).isPrint() &&
            !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            typeAhead(text);
            return true;
        }
        return false;
    }
    if (!fromTree && !fromList)
        return QMainWindow::eventFilter(watched, event);

    auto objectAt = [&](const QPoint &pos) -> TQel * {
        if (fromTree) {
            const TTreeNode *node = TFolderTreeModel::NodeOf(m_tree->indexAt(pos));
            return node ? node->object : nullptr;
        }
        const QModelIndex index = m_list->Current()->indexAt(pos);
        return index.isValid() ? m_state->RowObject(index.row()) : nullptr;
    };
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        m_dragArmed = mouse->button() == Qt::LeftButton;
        m_dragStart = mouse->position().toPoint();
        break;
    }
    case QEvent::MouseButtonDblClick:
        m_dragArmed = false;
        break;
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (!m_dragArmed || !(mouse->buttons() & Qt::LeftButton) ||
            (mouse->position().toPoint() - m_dragStart).manhattanLength() < 5)
            break;
        m_dragArmed = false;
        TQel *object = nullptr;
        if (fromTree) {
            const TTreeNode *node = m_state->SelectedNode();
            object = node ? node->object : nullptr;
        } else if (m_state->ListContent == TBrowseState::lcAlbums ||
                   m_state->ListContent == TBrowseState::lcItems) {
            object = m_state->RowObject(m_state->SelectedRow());
        }
        if (!AlbumDrop::CanDrag(object))
            break;
        auto *drag = new QDrag(this);
        auto *mime = new QMimeData;
        mime->setData(kDragMime, QByteArray::number(quintptr(object)));
        drag->setMimeData(mime);
        drag->setPixmap(TIconLists::Instance()
                            .Small(static_cast<const TDataItem *>(object)->GetImageIndex())
                            .pixmap(16, 16));
        drag->setProperty("qelObject", QVariant::fromValue(quintptr(object)));
        m_dragSource = static_cast<QWidget *>(watched);
        drag->exec(Qt::MoveAction);
        m_dragSource = nullptr;
        return true;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        const QMimeData *mime = drag->mimeData();
        if (!mime || !mime->hasFormat(kDragMime) || !m_dragSource) {
            drag->ignore();
            return true;
        }
        auto *dragged = reinterpret_cast<TQel *>(mime->data(kDragMime).toULongLong());
        if (event->type() == QEvent::DragEnter) {
            drag->acceptProposedAction();
            return true;
        }
        if (CanDropOn(dragged, objectAt(drag->position().toPoint())))
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const QMimeData *mime = drop->mimeData();
        if (!mime || !mime->hasFormat(kDragMime) || !m_dragSource)
            return true;
        auto *dragged = reinterpret_cast<TQel *>(mime->data(kDragMime).toULongLong());
        TQel *target = objectAt(drop->position().toPoint());
        if (CanDropOn(dragged, target)) {
            drop->acceptProposedAction();
            // After the drag's own event loop has ended.
            QMetaObject::invokeMethod(
                this, [this, dragged, target] { DropOn(dragged, target); }, Qt::QueuedConnection);
        }
        return true;
    }
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfmMain::typeAhead(const QString &text)
{
    if (!m_typedAt.isValid() || m_typedAt.elapsed() > QApplication::keyboardInputInterval())
        m_typed.clear();
    m_typedAt.restart();
    m_typed += text;
    m_search->setText(m_typed);
    const int row = m_state->FindRow(m_typed);
    if (row >= 0)
        m_state->SelectRow(row);
}

void TfmMain::RaiseWindow()
{
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}
