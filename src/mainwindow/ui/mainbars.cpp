// The main window's menu bar, pop-up menus and toolbars, made of the actions the menu
// families created, and the folder menus that follow the tree's group field.
#include "mainwindow/ui/mainwindow.h"

#include "model/general.h"
#include "shell/dmglobal.h"
#include "shell/ui/iconlists.h"
#include "views/ui/qellistview.h"
#include <QAction>
#include <QActionGroup>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

void TfmMain::createMenus()
{
    auto a = [this](const char *name) { return Action(QString::fromLatin1(name)); };
    QMenuBar *bar = menuBar();

    QMenu *file = bar->addMenu(tr("&File"));
    file->setObjectName(QStringLiteral("miFile"));
    file->addActions({a("acNew"), a("acOpen"), a("acSave"), a("acSaveAs")});
    file->addAction(a("acRestoreBackup"));
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
    import->addSeparator();
    import->addActions({a("acImportText"), a("acImportDiscogs")});
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
    edit->addAction(a("acChangeSelected"));
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
    createMusicBrainzActions();
    cddb->addActions(
        {a("acAddAlbumByScanning"), a("acQueryMusicBrainz"), a("acBatchScan"), a("acSubmit")});
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
    search->addAction(a("acFindDuplicates"));
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
    m_pmList->addAction(a("acChangeSelected"));
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
