#include "editors/ui/albumeditor.h"

#include "editors/ui/trackeditor.h"
#include "model/album.h"
#include "model/atomicfile.h"
#include "model/general.h"
#include "model/itemtree.h"
#include "model/lookuplist.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "model/valueformat.h"
#include "services/coverimage.h"
#include "shell/dmglobal.h"
#include "shell/settingsstore.h"
#include "shell/ui/iconlists.h"
#include "shell/ui/lookupbox.h"
#include "shell/ui/ratingbar.h"
#include "shell/ui/windowplacement.h"
#include "views/ui/filterdialog.h"
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDragMoveEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QSlider>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kSection = QStringLiteral("AlbumWindow");

const char *const kPictureFilters =
    QT_TRANSLATE_NOOP("TfmAlbum", "All (*.bmp *.gif *.jpg *.jpeg *.png *.pcx);;Bitmaps (*.bmp);;"
                                  "GIF files (*.gif);;JPEG files (*.jpg *.jpeg);;"
                                  "PCX files (*.pcx);;PNG files (*.png)");

QPushButton *button(const QString &caption, const char *name, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

QLabel *panel(const char *name, QWidget *parent)
{
    auto *p = new QLabel(parent);
    p->setObjectName(QLatin1String(name));
    p->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    p->setTextFormat(Qt::PlainText);
    p->setMinimumHeight(p->fontMetrics().height() + 6);
    return p;
}

QString commentsText(QStringView stored)
{
    QString text = stored.toString();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text.endsWith(u'\n'))
        text.chop(1);
    return text;
}

} // namespace

// --- the tree

TDataItem *TItemTreeWidget::ItemOf(const QTreeWidgetItem *node)
{
    return node ? reinterpret_cast<TDataItem *>(node->data(0, Qt::UserRole).value<quintptr>())
                : nullptr;
}

void TItemTreeWidget::dragMoveEvent(QDragMoveEvent *event)
{
    QTreeWidget::dragMoveEvent(event);
    TDataItem *dragged = ItemOf(currentItem());
    TDataItem *target = ItemOf(itemAt(event->position().toPoint()));
    if (event->source() == this && ItemTree::CanMove(dragged, target))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TItemTreeWidget::dropEvent(QDropEvent *event)
{
    TDataItem *dragged = ItemOf(currentItem());
    TDataItem *target = ItemOf(itemAt(event->position().toPoint()));
    if (event->source() != this || !ItemTree::CanMove(dragged, target)) {
        event->ignore();
        return;
    }
    // A copy action keeps the view from removing the dragged row itself; the editor
    // moves the item and redraws the tree once the drag is over.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    QMetaObject::invokeMethod(
        this, [this, dragged, target] { Dropped(dragged, target); }, Qt::QueuedConnection);
}

// --- the window

TfmAlbum::TfmAlbum(QWidget *owner, TAlbum &album, TMode mode, TQelDb &db, TdmGlobal &dm)
    : QDialog(owner), m_album(album), m_mode(mode), m_db(db), m_dm(dm)
{
    setObjectName(QStringLiteral("fmAlbum"));
    setSizeGripEnabled(true);
    setMinimumSize(486, 342);

    ChoosePicture = [](QWidget *parent, const QString &folder, int &filterIndex) {
        QFileDialog dialog(parent, tr("Open Picture"), folder, tr(kPictureFilters));
        dialog.setFileMode(QFileDialog::ExistingFile);
        const QStringList filters = dialog.nameFilters();
        if (filterIndex >= 1 && filterIndex <= filters.size())
            dialog.selectNameFilter(filters[filterIndex - 1]);
        if (dialog.exec() != QDialog::Accepted)
            return QString();
        filterIndex = int(filters.indexOf(dialog.selectedNameFilter())) + 1;
        return dialog.selectedFiles().value(0);
    };
    OpenTrackEditor = [](TTrackEditorHost &host, int trackMode) {
        return EditTrackItem(host, trackMode);
    };

    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("pcAlbum"));
    m_pages->addTab(buildMainTab(), tr("Main"));
    m_pages->addTab(buildTracksTab(), tr("Tracks"));
    m_pages->addTab(buildRecordingTab(), tr("Recording"));
    m_pages->addTab(buildPersonalTab(), tr("Personal"));
    m_pages->addTab(buildCoverTab(), tr("Cover"));
    auto *commentsPage = new QWidget;
    commentsPage->setObjectName(QStringLiteral("tsComments"));
    auto *commentsLayout = new QVBoxLayout(commentsPage);
    m_comments = new QPlainTextEdit(commentsPage);
    m_comments->setObjectName(QStringLiteral("mmComments"));
    m_comments->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    commentsLayout->addWidget(m_comments);
    m_pages->addTab(commentsPage, m_dm.Fields().GetFieldCaption(fdComments));
    m_pages->addTab(buildUserTab(), tr("User Defined"));

    auto *ok = button(tr("OK"), "btOk", this);
    ok->setDefault(true);
    ok->setAutoDefault(true);
    auto *cancel = button(tr("Cancel"), "btCancel", this);
    connect(ok, &QPushButton::clicked, this, &TfmAlbum::accept);
    connect(cancel, &QPushButton::clicked, this, &TfmAlbum::reject);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(m_pages, 1);
    layout->addLayout(buttons);

    connect(m_title, &QLineEdit::textChanged, this, &TfmAlbum::updateCaption);
    connect(m_year, &QLineEdit::textChanged, this, &TfmAlbum::updateCaption);
    for (const TLookupBox &l : m_lookups)
        if (l.field == fdArtist)
            connect(l.box, &QComboBox::currentTextChanged, this, &TfmAlbum::updateCaption);
    m_title->installEventFilter(this);
    m_price->installEventFilter(this);

    RefillLookupBoxes();
    loadAlbum();
    resize(620, 420);
}

TfmAlbum::~TfmAlbum() = default;

QLabel *TfmAlbum::fieldLabel(TFieldId field, QWidget *buddy)
{
    auto *label = new QLabel(m_dm.Fields().GetFieldCaption(field));
    label->setBuddy(buddy);
    return label;
}

QLineEdit *TfmAlbum::lineEdit(const char *name, int maxLength)
{
    auto *edit = new QLineEdit;
    edit->setObjectName(QLatin1String(name));
    if (maxLength > 0) {
        edit->setMaxLength(maxLength);
        edit->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("\\d{0,%1}").arg(maxLength)), edit));
    }
    return edit;
}

QComboBox *TfmAlbum::lookupBox(const char *name, TFieldId field)
{
    QComboBox *box = NewLookupBox(QLatin1String(name), 12);
    m_lookups.push_back({field, box});
    return box;
}

QCheckBox *TfmAlbum::checkBox(const char *name, TFieldId field)
{
    auto *box = new QCheckBox(m_dm.Fields().GetFieldCaption(field));
    box->setObjectName(QLatin1String(name));
    return box;
}

QWidget *TfmAlbum::buildMainTab()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tsMain"));
    auto *grid = new QGridLayout(page);
    m_title = lineEdit("edTitle");
    m_soloists = lineEdit("edSoloists");
    m_year = lineEdit("edYear", 4);
    m_number = lineEdit("edNumber");
    m_index = lineEdit("edIndex", 5);
    const std::pair<TFieldId, QWidget *> left[] = {
        {fdTitle, m_title},
        {fdArtist, lookupBox("cbArtist", fdArtist)},
        {fdConductor, lookupBox("cbConductor", fdConductor)},
        {fdOrchestra, lookupBox("cbOrchestra", fdOrchestra)},
        {fdSoloists, m_soloists},
        {fdLabel, lookupBox("cbLabel", fdLabel)},
    };
    int row = 0;
    for (const auto &[field, w] : left) {
        grid->addWidget(fieldLabel(field, w), row, 0);
        grid->addWidget(w, row, 1);
        ++row;
    }
    const std::pair<TFieldId, QWidget *> right[] = {
        {fdYear, m_year},
        {fdFormat, lookupBox("cbFormat", fdFormat)},
        {fdNumber, m_number},
        {fdIndex, m_index},
    };
    row = 0;
    for (const auto &[field, w] : right) {
        grid->addWidget(fieldLabel(field, w), row, 2);
        grid->addWidget(w, row, 3);
        ++row;
    }
    m_year->setMaximumWidth(m_year->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);
    m_index->setMaximumWidth(m_index->fontMetrics().horizontalAdvance(QStringLiteral("000000")) +
                             16);
    m_inCollection = checkBox("ckInCollection", fdInCollection);
    m_rare = checkBox("ckRare", fdRare);
    grid->addWidget(m_inCollection, row++, 3);
    grid->addWidget(m_rare, row++, 3);
    grid->setColumnStretch(1, 3);
    grid->setColumnStretch(3, 2);
    grid->setRowStretch(6, 1);
    return page;
}

QWidget *TfmAlbum::buildTracksTab()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tsTracks"));
    auto *layout = new QVBoxLayout(page);
    auto *bar = new QToolBar(page);
    bar->setObjectName(QStringLiteral("tbTracks"));
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    bar->setIconSize(QSize(16, 16));
    const TIconLists &icons = TIconLists::Instance();
    auto action = [&](const char *name, const QString &caption, const QString &hint, int image) {
        auto *a = new QAction(caption, this);
        a->setObjectName(QLatin1String(name));
        a->setToolTip(hint);
        if (image >= 0)
            a->setIcon(icons.Small(image));
        return a;
    };
    m_acEdit = action("acEdit", tr("&Edit"), tr("Edit Selected Item"), -1);
    m_acEdit->setIcon(icons.Command(QStringLiteral("acEditAlbum")));
    m_acRemove = action("acRemove", tr("&Remove"), tr("Remove Selected Item"), -1);
    m_acRemove->setIcon(icons.Command(QStringLiteral("acRemoveAlbum")));
    m_acAddDisc = action("acAddDisc", tr("Add &Disc(s)"), tr("Add Disc(s)"), TIconLists::kCD);
    m_acAddHeader =
        action("acAddHeader", tr("Add &Header(s)"), tr("Add Header(s)"), TIconLists::kHeader);
    m_acAddTrack =
        action("acAddTrack", tr("Add &Track(s)"), tr("Add Track(s)"), TIconLists::kTrack);
    m_acAddSubTrack = action("acAddSubTrack", tr("Add &Subtrack(s)"), tr("Add Subtrack(s)"),
                             TIconLists::kSubTrack);
    m_acScanQuery = action("acScanQuery", tr("Scan and &Query CDDB"),
                           tr("Scan / &Query CDDB for Selected Disc"), -1);
    m_acScanQuery->setIcon(icons.Command(QStringLiteral("acAddAlbumByScanning")));
    auto *expandAll = action("acExpandAll", tr("E&xpand All"), tr("Expand All"), -1);
    auto *collapseAll = action("acCollapseAll", tr("&Collapse All"), tr("Collapse All"), -1);
    connect(m_acEdit, &QAction::triggered, this, &TfmAlbum::EditSelected);
    connect(m_acRemove, &QAction::triggered, this, &TfmAlbum::RemoveSelected);
    connect(m_acAddDisc, &QAction::triggered, this, [this] { AddItems(0); });
    connect(m_acAddHeader, &QAction::triggered, this, [this] { AddItems(1); });
    connect(m_acAddTrack, &QAction::triggered, this, [this] { AddItems(2); });
    connect(m_acAddSubTrack, &QAction::triggered, this, [this] { AddItems(3); });
    bar->addActions({m_acEdit, m_acRemove});
    bar->addSeparator();
    bar->addActions({m_acAddDisc, m_acAddHeader, m_acAddTrack, m_acAddSubTrack});
    bar->addSeparator();
    bar->addActions({m_acScanQuery, expandAll, collapseAll});
    for (QAction *a : {m_acAddDisc, m_acAddHeader, m_acAddTrack, m_acAddSubTrack, m_acScanQuery,
                       expandAll, collapseAll})
        if (auto *b = qobject_cast<QToolButton *>(bar->widgetForAction(a)))
            b->setToolButtonStyle(Qt::ToolButtonIconOnly);
    layout->addWidget(bar);

    m_tree = new TItemTreeWidget(page);
    m_tree->setObjectName(QStringLiteral("tvTracks"));
    m_tree->setHeaderHidden(true);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setDragEnabled(true);
    m_tree->setAcceptDrops(true);
    m_tree->setDropIndicatorShown(true);
    m_tree->setDragDropMode(QAbstractItemView::DragDrop);
    m_tree->setDefaultDropAction(Qt::CopyAction);
    m_tree->Dropped = [this](TDataItem *dragged, TDataItem *target) { DropItem(dragged, target); };
    m_tree->installEventFilter(this);
    connect(expandAll, &QAction::triggered, m_tree, &QTreeView::expandAll);
    connect(collapseAll, &QAction::triggered, m_tree, &QTreeView::collapseAll);
    connect(m_tree, &QTreeWidget::currentItemChanged, this, &TfmAlbum::updateItemCommands);
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (m_acEdit->isEnabled())
            EditSelected();
    });
    auto *menu = new QMenu(m_tree);
    menu->addActions({m_acEdit, m_acRemove});
    menu->addSeparator();
    menu->addActions({m_acAddDisc, m_acAddHeader, m_acAddTrack, m_acAddSubTrack});
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_tree, &QWidget::customContextMenuRequested, this,
            [this, menu](const QPoint &pos) { menu->popup(m_tree->viewport()->mapToGlobal(pos)); });
    layout->addWidget(m_tree, 1);

    auto *status = new QHBoxLayout;
    m_nrTracks = panel("pnNrTracks", page);
    m_length = panel("pnLength", page);
    auto *hint = new QLabel(tr("Drag and drop to move or reorder items"), page);
    status->addWidget(m_nrTracks);
    status->addWidget(m_length);
    status->addWidget(hint, 1);
    layout->addLayout(status);
    return page;
}

QWidget *TfmAlbum::buildRecordingTab()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tsRecording"));
    auto *grid = new QGridLayout(page);
    m_recordingDate = new TCheckedDateEdit;
    m_recordingDate->setObjectName(QStringLiteral("dtRecordingDate"));
    m_tourName = lineEdit("edTourname");
    const std::pair<TFieldId, QWidget *> left[] = {
        {fdStudio, lookupBox("cbStudio", fdStudio)},
        {fdProducer, lookupBox("cbProducer", fdProducer)},
        {fdEngineer, lookupBox("cbEngineer", fdEngineer)},
        {fdRecordingDate, m_recordingDate},
        {fdTourName, m_tourName},
    };
    int row = 0;
    for (const auto &[field, w] : left) {
        grid->addWidget(fieldLabel(field, w), row, 0);
        grid->addWidget(w, row, 1);
        ++row;
    }
    m_mono = checkBox("ckMono", fdMono);
    m_live = checkBox("ckLive", fdLive);
    m_live->setTristate(true);
    m_ad = new QGroupBox(m_dm.Fields().GetFieldCaption(fdAD));
    m_ad->setObjectName(QStringLiteral("rgAD"));
    auto *adLayout = new QVBoxLayout(m_ad);
    for (const char *name : ADNames) {
        auto *radio = new QRadioButton(QString::fromLatin1(name), m_ad);
        radio->setObjectName(QStringLiteral("rbAD") + QString::fromLatin1(name).remove(u'/'));
        adLayout->addWidget(radio);
        m_adButtons.push_back(radio);
    }
    auto *right = new QVBoxLayout;
    right->addWidget(m_mono);
    right->addWidget(m_live);
    right->addWidget(m_ad);
    right->addStretch(1);
    grid->addLayout(right, 0, 2, row + 1, 1); // down to the stretching row
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);
    return page;
}

QWidget *TfmAlbum::buildPersonalTab()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tsPersonal"));
    auto *grid = new QGridLayout(page);
    m_location = lineEdit("edLocation");
    const std::pair<TFieldId, QWidget *> top[] = {
        {fdGenre, lookupBox("cbGenre", fdGenre)},
        {fdOwner, lookupBox("cbOwner", fdOwner)},
        {fdLocation, m_location},
    };
    int row = 0;
    for (const auto &[field, w] : top) {
        grid->addWidget(fieldLabel(field, w), row, 0);
        grid->addWidget(w, row, 1);
        ++row;
    }
    auto *purchase = new QGroupBox(tr("Purchase"));
    purchase->setObjectName(QStringLiteral("gbPurchase"));
    auto *pgrid = new QGridLayout(purchase);
    m_purchaseDate = new TCheckedDateEdit;
    m_purchaseDate->setObjectName(QStringLiteral("dtPurchaseDate"));
    m_price = lineEdit("edPrice");
    const std::pair<TFieldId, QWidget *> inner[] = {
        {fdPurchaseDate, m_purchaseDate},
        {fdPrice, m_price},
        {fdStore, lookupBox("cbStore", fdStore)},
    };
    int prow = 0;
    for (const auto &[field, w] : inner) {
        pgrid->addWidget(fieldLabel(field, w), prow, 0);
        pgrid->addWidget(w, prow, 1);
        ++prow;
    }
    pgrid->setColumnStretch(1, 1);
    grid->addWidget(purchase, row++, 0, 1, 2);
    m_rating = new TRatingBar;
    grid->addWidget(fieldLabel(fdRating, m_rating->Slider()), row, 0);
    grid->addWidget(m_rating, row++, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);
    return page;
}

QWidget *TfmAlbum::buildCoverTab()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tsCover"));
    auto *layout = new QHBoxLayout(page);
    auto *left = new QVBoxLayout;
    left->addWidget(new QLabel(tr("Cover Picture File"), page));
    auto *fileRow = new QHBoxLayout;
    m_coverFile = panel("pnCoverFile", page);
    m_coverFile->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    auto *browse = button(tr("Browse..."), "btBrowseCoverFile", page);
    auto *clear = button(tr("Clear"), "btClearCoverFile", page);
    auto *copy = button(tr("Copy"), "btCopy", page);
    m_copyButton = copy;
    fileRow->addWidget(m_coverFile, 1);
    fileRow->addWidget(browse);
    fileRow->addWidget(clear);
    fileRow->addWidget(copy);
    left->addLayout(fileRow);
    m_coverArea = new QScrollArea(page);
    m_coverArea->setObjectName(QStringLiteral("pnCover"));
    m_coverArea->setAlignment(Qt::AlignCenter);
    m_coverArea->setMinimumSize(120, 120);
    m_cover = new QLabel;
    m_cover->setObjectName(QStringLiteral("imCover"));
    m_cover->setAlignment(Qt::AlignCenter);
    m_coverArea->setWidget(m_cover);
    m_coverArea->viewport()->installEventFilter(this);
    left->addWidget(m_coverArea, 1);
    m_stretch = new QCheckBox(tr("Show Stretched"), page);
    m_stretch->setObjectName(QStringLiteral("ckStretch"));
    m_stretch->setChecked(true);
    left->addWidget(m_stretch);
    layout->addLayout(left, 1);

    auto *right = new QVBoxLayout;
    auto *note = new QLabel(tr("For optimal performance, it is recommended that you size down "
                               "your cover pictures to 200x200 pixels or smaller before using "
                               "them in Qel."),
                            page);
    note->setWordWrap(true);
    note->setMaximumWidth(170);
    right->addWidget(note);
    auto *thumbBox = new QGroupBox(tr("Thumbnail"), page);
    auto *thumbLayout = new QVBoxLayout(thumbBox);
    m_thumbnailView = new QLabel(thumbBox);
    m_thumbnailView->setObjectName(QStringLiteral("imThumbnail"));
    m_thumbnailView->setFixedSize(32, 32);
    thumbLayout->addWidget(m_thumbnailView, 0, Qt::AlignCenter);
    right->addWidget(thumbBox);
    right->addWidget(new QLabel(tr("Size"), page));
    m_size = panel("pnSize", page);
    right->addWidget(m_size);
    right->addStretch(1);
    layout->addLayout(right);

    connect(browse, &QPushButton::clicked, this, &TfmAlbum::browseCover);
    connect(clear, &QPushButton::clicked, this, [this] {
        m_coverFile->clear();
        showCover();
    });
    connect(copy, &QPushButton::clicked, this, [this] {
        if (!m_coverImage.isNull())
            QApplication::clipboard()->setImage(m_coverImage);
    });
    connect(m_stretch, &QCheckBox::toggled, this, &TfmAlbum::showCover);
    return page;
}

QWidget *TfmAlbum::buildUserTab()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tsUser"));
    auto *grid = new QGridLayout(page);
    m_albumText1 = lineEdit("edAlbumText1");
    m_albumText2 = lineEdit("edAlbumText2");
    const std::pair<TFieldId, QWidget *> rows[] = {
        {fdAlbumText1, m_albumText1},
        {fdAlbumText2, m_albumText2},
        {fdAlbumLookup1, lookupBox("cbAlbumLookup1", fdAlbumLookup1)},
        {fdAlbumLookup2, lookupBox("cbAlbumLookup2", fdAlbumLookup2)},
    };
    int row = 0;
    for (const auto &[field, w] : rows) {
        grid->addWidget(fieldLabel(field, w), row, 0);
        grid->addWidget(w, row, 1);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);
    return page;
}

// --- loading and storing

void TfmAlbum::loadAlbum()
{
    const TAlbum &a = m_album;
    m_title->setText(a.Title);
    m_soloists->setText(a.Soloists);
    m_year->setText(a.Year);
    m_number->setText(a.Number);
    m_index->setText(QString::number(a.Index));
    m_inCollection->setChecked(a.InCollection);
    m_rare->setChecked(a.Rare);
    m_mono->setChecked(a.Mono);
    m_live->setCheckState(a.Live == 1   ? Qt::Checked
                          : a.Live == 2 ? Qt::PartiallyChecked
                                        : Qt::Unchecked);
    if (a.AD < m_adButtons.size())
        m_adButtons[a.AD]->setChecked(true);
    m_recordingDate->SetDays(a.RecordingDate, a.RecordingDate != 0);
    m_purchaseDate->SetDays(a.PurchaseDate, a.PurchaseDate != 0);
    m_tourName->setText(a.TourName);
    m_location->setText(a.Location);
    m_price->setText(FormatPriceText(a.Price));
    m_rating->SetValue(a.Rating);
    m_albumText1->setText(a.AlbumText1);
    m_albumText2->setText(a.AlbumText2);
    m_comments->setPlainText(commentsText(a.Comments.view()));
    for (const TLookupBox &l : m_lookups)
        l.box->setCurrentText(LookupSortText(a.getLookupItem(l.field)));
    m_coverFile->setText(a.CoverFile);
    m_originalCoverFile = a.CoverFile;

    // The tree is never empty: an album without discs gets an empty one.
    if (m_album.Count() == 0) {
        auto *disc = new TDisc(&m_album);
        m_album.Add(disc);
    }
    fillTree();
    Renumber();
    if (QTreeWidgetItem *first = m_tree->topLevelItem(0))
        m_tree->setCurrentItem(first);
    updateCaption();
    updateItemCommands();
}

bool TfmAlbum::storeAlbum()
{
    qint64 price = 0;
    if (!ParsePriceText(m_price->text(), price)) {
        checkPrice();
        return false;
    }
    TAlbum &a = m_album;
    a.Title = m_title->text();
    a.Soloists = m_soloists->text();
    a.Year = m_year->text();
    a.Number = m_number->text();
    bool ok = false;
    const int index = m_index->text().trimmed().toInt(&ok);
    a.Index = ok ? index : 0;
    a.InCollection = m_inCollection->isChecked();
    a.Rare = m_rare->isChecked();
    a.Mono = m_mono->isChecked();
    a.Live = m_live->checkState() == Qt::Checked            ? 1
             : m_live->checkState() == Qt::PartiallyChecked ? 2
                                                            : 0;
    for (std::size_t i = 0; i < m_adButtons.size(); ++i)
        if (m_adButtons[i]->isChecked())
            a.AD = quint8(i);
    a.RecordingDate = m_recordingDate->IsChecked() ? m_recordingDate->Days() : 0;
    a.PurchaseDate = m_purchaseDate->IsChecked() ? m_purchaseDate->Days() : 0;
    a.TourName = m_tourName->text();
    a.Location = m_location->text();
    a.Price = price;
    a.Rating = quint8(m_rating->Value());
    a.AlbumText1 = m_albumText1->text();
    a.AlbumText2 = m_albumText2->text();
    for (const TLookupBox &l : m_lookups)
        a.setLookupItem(l.field, m_db.LookupList(l.field).GetOrAdd(l.box->currentText()));
    a.CoverFile = m_coverFile->text();

    // Duplicated albums share their thumbnail's picture: a new picture for this album
    // goes into a place of its own so the others keep theirs.
    if (!m_thumbnail.isNull() && a.ThumbnailIndex > 0 && a.ThumbnailIndex < m_db.Pictures.Count() &&
        m_db.Pictures.Image(a.ThumbnailIndex) != m_thumbnail.convertToFormat(QImage::Format_RGB888))
        for (qsizetype i = 0; i < m_db.AlbumCount(); ++i)
            if (m_db.Album(i) != &a && m_db.Album(i)->ThumbnailIndex == a.ThumbnailIndex) {
                a.ClearThumbnail();
                break;
            }
    // A cover that cannot be read now (a folder moved, a drive not mounted) keeps the
    // thumbnail made when it could; only a cleared or changed name drops it.
    const bool keepThumbnail = m_thumbnail.isNull() && !m_coverFile->text().isEmpty() &&
                               m_coverFile->text() == m_originalCoverFile;
    if (!keepThumbnail)
        a.SetThumbnail(m_thumbnail.isNull() ? nullptr : &m_thumbnail);

    QString comments;
    const QStringList lines = m_comments->toPlainText().split(u'\n');
    if (!m_comments->toPlainText().isEmpty())
        for (const QString &line : lines)
            comments += line + QStringLiteral("\r\n");
    a.Comments = comments;
    a.RebuildTrackLists();
    return true;
}

// --- the tree

void TfmAlbum::fillTree()
{
    m_tree->clear();
    for (TDataItem *disc : m_album.Children)
        addNodes(nullptr, disc);
    m_tree->expandAll();
}

QTreeWidgetItem *TfmAlbum::addNodes(QTreeWidgetItem *parent, TDataItem *item)
{
    auto *node = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_tree);
    node->setData(0, Qt::UserRole, QVariant::fromValue(quintptr(item)));
    showNode(node);
    for (TDataItem *child : item->Children)
        addNodes(node, child);
    return node;
}

void TfmAlbum::showNode(QTreeWidgetItem *node)
{
    if (const TDataItem *item = TItemTreeWidget::ItemOf(node)) {
        node->setText(0, ShortenText(static_cast<const TCustomTrack *>(item)->GetCaption()));
        node->setIcon(0, TIconLists::Instance().Small(item->GetImageIndex()));
    }
}

std::vector<QTreeWidgetItem *> TfmAlbum::nodesInOrder() const
{
    std::vector<QTreeWidgetItem *> nodes;
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it)
        nodes.push_back(*it);
    return nodes;
}

QTreeWidgetItem *TfmAlbum::nodeOf(const TDataItem *item) const
{
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it)
        if (TItemTreeWidget::ItemOf(*it) == item)
            return *it;
    return nullptr;
}

TDataItem *TfmAlbum::SelectedItem() const
{
    return TItemTreeWidget::ItemOf(m_tree->currentItem());
}

void TfmAlbum::SelectItem(const TDataItem *item)
{
    if (QTreeWidgetItem *node = nodeOf(item)) {
        m_tree->setCurrentItem(node);
        m_tree->scrollToItem(node);
    }
}

bool TfmAlbum::HasPreviousNode() const
{
    const auto nodes = nodesInOrder();
    auto it = std::find(nodes.begin(), nodes.end(), m_tree->currentItem());
    return it != nodes.end() && it != nodes.begin();
}

bool TfmAlbum::HasNextNode() const
{
    const auto nodes = nodesInOrder();
    auto it = std::find(nodes.begin(), nodes.end(), m_tree->currentItem());
    return it != nodes.end() && it + 1 != nodes.end();
}

void TfmAlbum::SelectPreviousNode()
{
    const auto nodes = nodesInOrder();
    auto it = std::find(nodes.begin(), nodes.end(), m_tree->currentItem());
    if (it != nodes.end() && it != nodes.begin())
        m_tree->setCurrentItem(*(it - 1));
}

void TfmAlbum::SelectNextNode()
{
    const auto nodes = nodesInOrder();
    auto it = std::find(nodes.begin(), nodes.end(), m_tree->currentItem());
    if (it != nodes.end() && it + 1 != nodes.end())
        m_tree->setCurrentItem(*(it + 1));
}

void TfmAlbum::AddItemNode(TDataItem *item)
{
    QTreeWidgetItem *parent = item->Kind() == TItemKind::Disc ? nullptr : nodeOf(item->Parent);
    QTreeWidgetItem *node = addNodes(parent, item);
    if (parent)
        parent->setExpanded(true);
    m_tree->setCurrentItem(node);
    m_tree->scrollToItem(node);
}

void TfmAlbum::RefreshSelectedNode()
{
    if (QTreeWidgetItem *node = m_tree->currentItem())
        showNode(node);
}

void TfmAlbum::Renumber()
{
    ItemTree::Renumber(&m_album);
    for (QTreeWidgetItem *node : nodesInOrder())
        showNode(node);
    const TQelFields &fields = m_dm.Fields();
    m_nrTracks->setText(fields.GetFieldName(fdNrTracks) + QStringLiteral(": ") +
                        m_album.GetFieldAsString(fdNrTracks));
    m_length->setText(fields.GetFieldName(fdLength) + QStringLiteral(": ") +
                      m_album.GetFieldAsString(fdLength));
    updateItemCommands();
}

void TfmAlbum::updateItemCommands()
{
    const TDataItem *item = SelectedItem();
    const TItemKind kind = item ? item->Kind() : TItemKind::Album;
    m_acAddHeader->setEnabled(item && kind == TItemKind::Disc);
    m_acAddTrack->setEnabled(item && (kind == TItemKind::Disc || kind == TItemKind::Header));
    m_acAddSubTrack->setEnabled(item && kind == TItemKind::Track);
    m_acEdit->setEnabled(item != nullptr);
    m_acRemove->setEnabled(item != nullptr);
    // Reading a disc comes with the CD reader.
    m_acScanQuery->setEnabled(false);
}

void TfmAlbum::AddItems(int trackEditorMode)
{
    if (trackEditorMode > 0 && trackEditorMode <= 3) {
        const TDataItem *item = SelectedItem();
        const TItemKind kind = item ? item->Kind() : TItemKind::Album;
        const bool fits =
            (trackEditorMode == 1 && kind == TItemKind::Disc) ||
            (trackEditorMode == 2 && (kind == TItemKind::Disc || kind == TItemKind::Header)) ||
            (trackEditorMode == 3 && kind == TItemKind::Track);
        if (!fits)
            return;
    }
    OpenTrackEditor(*this, trackEditorMode);
    Renumber();
}

void TfmAlbum::EditSelected()
{
    if (!SelectedItem())
        return;
    OpenTrackEditor(*this, 4);
    Renumber();
}

void TfmAlbum::RemoveSelected()
{
    QTreeWidgetItem *node = m_tree->currentItem();
    TDataItem *item = TItemTreeWidget::ItemOf(node);
    if (!item)
        return;
    if (m_dm.Prefs().ConfirmTrackRemoval) {
        QString question;
        switch (item->Kind()) {
        case TItemKind::Disc:
            question = tr("Are you sure you want to remove this disc?");
            break;
        case TItemKind::Header:
            question = tr("Are you sure you want to remove this header?");
            break;
        case TItemKind::SubTrack:
            question = tr("Are you sure you want to remove this subtrack?");
            break;
        default:
            question = tr("Are you sure you want to remove this track?");
            break;
        }
        if (AskYesNo(question) != TAnswer::Yes)
            return;
    }
    const auto nodes = nodesInOrder();
    const auto position = std::find(nodes.begin(), nodes.end(), node) - nodes.begin();
    if (item->Parent)
        item->Parent->Remove(item);
    delete node;
    delete item;
    const auto rest = nodesInOrder();
    if (!rest.empty())
        m_tree->setCurrentItem(rest[std::min<std::size_t>(std::size_t(position), rest.size() - 1)]);
    Renumber();
}

void TfmAlbum::DropItem(TDataItem *dragged, TDataItem *target)
{
    if (!ItemTree::CanMove(dragged, target))
        return;
    ItemTree::Move(dragged, target);
    fillTree();
    Renumber();
    SelectItem(dragged);
}

// --- lookup boxes

void TfmAlbum::StoreLookupTexts()
{
    for (const TLookupBox &l : m_lookups) {
        const QString text = l.box->currentText();
        if (!text.isEmpty())
            m_db.LookupList(l.field).FindOrCreate(text, QString());
    }
}

void TfmAlbum::RefillLookupBoxes()
{
    for (const TLookupBox &l : m_lookups)
        FillLookupBox(l.box, m_db.LookupList(l.field));
}

// --- caption, rating, title and price

void TfmAlbum::updateCaption()
{
    QString artist;
    for (const TLookupBox &l : m_lookups)
        if (l.field == fdArtist)
            artist = l.box->currentText();
    setWindowTitle(QStringLiteral("%1: %2 - %3 (%4)")
                       .arg(m_mode == amEdit ? tr("Edit Album") : tr("Add Album"), m_title->text(),
                            artist, m_year->text()));
}

void TfmAlbum::titleLeft()
{
    if (m_mode != amAdd || m_album.Count() != 1)
        return;
    TDataItem *disc = m_album.Items(0);
    if (!disc->Title.isEmpty())
        return;
    disc->Title = m_title->text();
    Renumber();
}

bool TfmAlbum::checkPrice()
{
    qint64 price = 0;
    const QString text = m_price->text();
    if (text.trimmed().isEmpty() || ParsePriceText(text, price))
        return true;
    ShowInfo(tr("\"%1\" is not a valid currency value").arg(text));
    m_pages->setCurrentWidget(findChild<QWidget *>(QStringLiteral("tsPersonal")));
    m_price->setFocus();
    m_price->selectAll();
    return false;
}

// --- the cover

void TfmAlbum::browseCover()
{
    int filterIndex = m_picFilterIndex;
    const QString chosen = ChoosePicture(this, m_picFolder, filterIndex);
    if (chosen.isEmpty())
        return;
    m_picFilterIndex = filterIndex;
    m_picFolder = QFileInfo(chosen).absolutePath();
    SetCoverFromFile(chosen);
}

void TfmAlbum::SetCoverFromFile(const QString &path)
{
    TWaitCursor wait;
    const QString name = QFileInfo(path).fileName();
    const TFolderFile target = m_dm.GetCoverFileName(name);
    if (!target.exists &&
        QFileInfo(path).absoluteFilePath() != QFileInfo(target.path).absoluteFilePath()) {
        const QString error = CopyFileAtomically(path, target.path);
        if (!error.isEmpty()) {
            ShowInfo(tr("The picture \"%1\" could not be copied into the covers folder "
                        "\"%2\":\r\n%3")
                         .arg(path, QFileInfo(target.path).absolutePath(), error));
            return;
        }
    }
    m_coverFile->setText(name);
    showCover();
}

void TfmAlbum::showCover()
{
    const QString name = m_coverFile->text();
    const TFolderFile file = m_dm.GetCoverFileName(name);
    m_coverImage = QImage();
    m_coverSize = {};
    m_thumbnail = QImage();
    if (!name.isEmpty() && file.exists) {
        // Decoded at the size it is shown when stretched, whole otherwise.
        const QSize shown = m_stretch->isChecked() ? m_coverArea->viewport()->size() : QSize();
        const TCoverPicture picture = LoadCoverPicture(file.path, shown);
        if (!picture.image.isNull()) {
            m_coverImage = picture.image;
            m_coverSize = picture.fullSize;
            m_thumbnail = MakeCoverThumbnail(picture.image);
            m_size->setText(
                QStringLiteral("%1 x %2").arg(m_coverSize.width()).arg(m_coverSize.height()));
        } else {
            m_size->setText(tr("Load Error!"));
        }
    } else {
        m_size->setText(name.isEmpty() ? QString() : tr("File not found"));
    }
    m_cover->setVisible(!m_coverImage.isNull());
    m_copyButton->setEnabled(!m_coverImage.isNull());
    m_thumbnailView->setPixmap(m_thumbnail.isNull() ? QPixmap() : QPixmap::fromImage(m_thumbnail));
    fitCover();
}

void TfmAlbum::fitCover()
{
    if (m_coverImage.isNull()) {
        m_cover->clear();
        m_cover->resize(0, 0);
        return;
    }
    QSize size = m_coverImage.size();
    if (m_stretch->isChecked() && !size.isEmpty()) {
        const int w = std::max(1, m_coverArea->viewport()->width() - 2);
        const int h = std::max(1, m_coverArea->viewport()->height() - 2);
        const qint64 pw = m_coverSize.isEmpty() ? size.width() : m_coverSize.width();
        const qint64 ph = m_coverSize.isEmpty() ? size.height() : m_coverSize.height();
        if (ph * w < pw * h)
            size = QSize(w, int(ph * w / pw));
        else
            size = QSize(int(pw * h / ph), h);
        size = size.expandedTo(QSize(1, 1));
        m_cover->setPixmap(QPixmap::fromImage(
            m_coverImage.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    } else {
        m_cover->setPixmap(QPixmap::fromImage(m_coverImage));
        size = m_coverImage.size();
    }
    m_cover->resize(size);
}

// --- events

void TfmAlbum::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    TSettingsStore &settings = m_dm.Settings();
    RestoreWindowPlacement(this, settings);
    m_picFolder = settings.ReadString(kSection, QStringLiteral("PicOpenInitialFolder"),
                                      m_dm.Prefs().CoversFolder);
    m_picFilterIndex = settings.ReadInteger(kSection, QStringLiteral("PicOpenFilterIndex"), 1);
    showCover();
    m_pages->setCurrentIndex(0);
    m_title->setFocus();
}

bool TfmAlbum::eventFilter(QObject *watched, QEvent *event)
{
    if (m_closing || m_checkingPrice)
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::FocusOut) {
        if (watched == m_title)
            titleLeft();
        else if (watched == m_price && !m_price->text().trimmed().isEmpty()) {
            // The message box takes the focus too: check once per leaving.
            m_checkingPrice = true;
            checkPrice();
            m_checkingPrice = false;
        }
    } else if (m_coverArea && watched == m_coverArea->viewport() &&
               event->type() == QEvent::Resize) {
        fitCover();
    } else if (watched == m_tree && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Insert) {
            if (m_acAddTrack->isEnabled())
                m_acAddTrack->trigger();
            return true;
        }
        if (key == Qt::Key_Delete) {
            if (m_acRemove->isEnabled())
                m_acRemove->trigger();
            return true;
        }
        // Enter edits the selected item rather than pressing OK.
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (m_acEdit->isEnabled())
                m_acEdit->trigger();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfmAlbum::accept()
{
    if (!storeAlbum())
        return;
    QDialog::accept();
}

void TfmAlbum::reject()
{
    if (m_dm.Prefs().ConfirmAlbumCancel &&
        AskYesNo(tr("Are you sure you want to cancel changes made to this album?")) != TAnswer::Yes)
        return;
    QDialog::reject();
}

void TfmAlbum::done(int result)
{
    m_closing = true;
    TSettingsStore &settings = m_dm.Settings();
    SaveWindowPlacement(this, settings);
    settings.WriteString(kSection, QStringLiteral("PicOpenInitialFolder"), m_picFolder);
    settings.WriteInteger(kSection, QStringLiteral("PicOpenFilterIndex"), m_picFilterIndex);
    QDialog::done(result);
}

int EditAlbum(QWidget *owner, TAlbum &album, TfmAlbum::TMode mode, TQelDb &db, TdmGlobal &dm)
{
    TfmAlbum window(owner, album, mode, db, dm);
    if (owner)
        CenterOnOwner(&window, owner);
    return window.exec();
}
