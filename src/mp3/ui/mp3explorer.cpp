#include "mp3/ui/mp3explorer.h"

#include "model/album.h"
#include "model/general.h"
#include "model/qeldb.h"
#include "mp3/mp3album.h"
#include "mp3/mp3file.h"
#include "mp3/mp3scan.h"
#include "shell/dmglobal.h"
#include "shell/settingsstore.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QScrollBar>
#include <QSplitter>
#include <QStandardPaths>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString kSection = QStringLiteral("ScanMp3Screen");

} // namespace

TfmScanMp3::TfmScanMp3(TQelDb &db, TdmGlobal &dm, std::function<bool(TAlbum *)> addAlbum,
                       QWidget *parent)
    : QDialog(parent), m_db(db), m_dm(dm), m_addAlbum(std::move(addAlbum)),
      m_root(std::make_unique<TMP3Folder>()), m_scanner(std::make_unique<TMP3Scanner>(this))
{
    setObjectName(QStringLiteral("fmScanMp3"));
    setWindowTitle(tr("MP3 Explorer"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
    resize(564, 426);

    m_pnFolder = new QLabel(this);
    m_pnFolder->setObjectName(QStringLiteral("pnFolder"));
    m_pnFolder->setTextFormat(Qt::PlainText);

    m_dirs = new QFileSystemModel(this);
    m_dirs->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    m_dirs->setRootPath(QDir::rootPath());
    m_tree = new QTreeView;
    m_tree->setObjectName(QStringLiteral("tvMP3"));
    m_tree->setModel(m_dirs);
    m_tree->setHeaderHidden(true);
    for (int c = 1; c < m_dirs->columnCount(); ++c)
        m_tree->hideColumn(c);
    // Names deep down the tree would all read "..." in the narrow pane: the column takes
    // the width of its names and the pane scrolls sideways.
    m_tree->header()->setStretchLastSection(false);
    m_tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_progress = new QProgressBar;
    m_progress->setObjectName(QStringLiteral("pbScan"));
    m_progress->hide();
    auto *left = new QWidget;
    left->setObjectName(QStringLiteral("pnTree"));
    auto *leftBox = new QVBoxLayout(left);
    leftBox->setContentsMargins(0, 0, 0, 0);
    leftBox->addWidget(m_tree, 1);
    leftBox->addWidget(m_progress);

    m_list = new QTreeWidget;
    m_list->setObjectName(QStringLiteral("lvMp3"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setHeaderLabels({tr("Name"), tr("Index"), tr("Title"), tr("Artist"), tr("Album"),
                             tr("Genre"), tr("Size"), tr("Length"), tr("Type")});
    const int widths[] = {200, 50, 200, 100, 200, 100, 70, 60, 200};
    for (int c = 0; c < 9; ++c)
        m_list->setColumnWidth(c, widths[c]);
    m_message = new QLabel;
    m_message->setObjectName(QStringLiteral("pnMessage"));
    auto *right = new QWidget;
    auto *rightBox = new QVBoxLayout(right);
    rightBox->setContentsMargins(0, 0, 0, 0);

    auto *toolbar = new QToolBar(this);
    toolbar->setObjectName(QStringLiteral("tbList"));
    auto action = [this, toolbar](const char *name, const QString &text, const QString &hint) {
        auto *a = new QAction(text, this);
        a->setObjectName(QLatin1String(name));
        a->setToolTip(hint);
        a->setStatusTip(hint);
        addAction(a);
        toolbar->addAction(a);
        return a;
    };
    m_create = action("acCreateAlbum", tr("Create &New Album"),
                      tr("Create New Album from Current MP3 List"));
    m_play = action("acPlay", tr("&Play"), tr("Play selected MP3 file"));
    m_flat = new QCheckBox(tr("Show &Flat List"), toolbar);
    m_flat->setObjectName(QStringLiteral("ckShowFlatList"));
    toolbar->addWidget(m_flat);
    m_refresh = action("acRefresh", tr("&Refresh"), tr("Refresh"));
    m_refresh->setShortcut(QKeySequence(Qt::Key_F5));
    m_cancelScan = action("acCancelScan", tr("Cancel"), tr("Cancel"));
    m_cancelScan->setShortcut(QKeySequence(Qt::Key_Escape));
    m_cancelScan->setEnabled(false);
    m_close = action("acClose", tr("&Close"), tr("Close"));
    rightBox->addWidget(m_list, 1);
    rightBox->addWidget(m_message);

    m_split = new QSplitter(this);
    m_split->addWidget(left);
    m_split->addWidget(right);
    m_split->setHandleWidth(7);
    m_split->setStretchFactor(1, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pnFolder);
    layout->addWidget(toolbar); // across the window: its six commands fit at the first size
    layout->addWidget(m_split, 1);

    m_list->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_list->addActions({m_play, m_create});
    m_tree->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_tree->addAction(m_create);

    m_treeDelay = new QTimer(this);
    m_treeDelay->setSingleShot(true);
    m_treeDelay->setInterval(50);
    connect(m_treeDelay, &QTimer::timeout, this, &TfmScanMp3::onTreeChanged);
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { m_treeDelay->start(); });
    connect(m_list, &QTreeWidget::currentItemChanged, this, &TfmScanMp3::updateCommands);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *row) {
        const auto *item =
            static_cast<const TMP3Item *>(row->data(0, Qt::UserRole).value<void *>());
        if (item && dynamic_cast<const TMP3Folder *>(item))
            m_tree->setCurrentIndex(m_dirs->index(item->Path));
    });
    connect(m_flat, &QCheckBox::clicked, this, [this](bool checked) {
        if (checked && !m_recursive && !m_folder.isEmpty())
            scan(true);
        fillList();
    });
    connect(m_scanner.get(), &TProcess::OnMessage, m_message, &QLabel::setText);
    connect(m_scanner.get(), &TProcess::OnProgress, m_progress, &QProgressBar::setValue);
    connect(m_create, &QAction::triggered, this, &TfmScanMp3::createAlbum);
    connect(m_play, &QAction::triggered, this, &TfmScanMp3::play);
    connect(m_cancelScan, &QAction::triggered, this, &TfmScanMp3::CancelScan);
    connect(m_refresh, &QAction::triggered, this, [this] {
        const QString folder = m_folder;
        m_folder.clear();
        ScanFolder(folder);
    });
    connect(m_close, &QAction::triggered, this, [this] {
        CancelScan();
        reject();
    });
    updateCommands();
}

TfmScanMp3::~TfmScanMp3() = default;

void TfmScanMp3::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    TSettingsStore &settings = m_dm.Settings();
    m_split->setSizes({settings.ReadInteger(kSection, QStringLiteral("TreeWidth"), 181), 400});
    // The user's music folder, then the home folder.
    QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (music.isEmpty() || !QFileInfo(music).isDir())
        music = QDir::homePath();
    QString folder = settings.ReadString(kSection, QStringLiteral("InitialFolder"), music);
    if (!QFileInfo(folder).isDir())
        folder = music;
    const QModelIndex index = m_dirs->index(folder);
    m_tree->setCurrentIndex(index);
    // The model reads folders in the background: open the way down to the folder and
    // bring it into view again each time a folder on that way has been read.
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent())
        m_tree->expand(up);
    m_tree->scrollTo(index, QAbstractItemView::PositionAtCenter);
    // The tree grows as its folders are read in the background: keep the chosen folder in
    // view while it does, for the first seconds and until the user picks another.
    auto follow = std::make_shared<QMetaObject::Connection>();
    auto since = std::make_shared<QElapsedTimer>();
    since->start();
    *follow = connect(
        m_tree->verticalScrollBar(), &QScrollBar::rangeChanged, this,
        [this, folder, follow, since] {
            if (since->elapsed() > 3000 || m_tree->currentIndex() != m_dirs->index(folder)) {
                disconnect(*follow);
                return;
            }
            m_tree->scrollTo(m_tree->currentIndex(), QAbstractItemView::PositionAtCenter);
        });
    m_treeDelay->stop();
    // The first scan handles events while it runs: it must run inside the loop of exec(),
    // which a Close can end, not before that loop has started.
    QMetaObject::invokeMethod(
        this,
        [this, folder] {
            if (isVisible())
                ScanFolder(folder);
        },
        Qt::QueuedConnection);
}

void TfmScanMp3::done(int result)
{
    CancelScan();
    TSettingsStore &settings = m_dm.Settings();
    settings.WriteInteger(kSection, QStringLiteral("TreeWidth"), m_split->sizes().value(0, 181));
    if (!m_folder.isEmpty())
        settings.WriteString(kSection, QStringLiteral("InitialFolder"), m_folder);
    QDialog::done(result);
}

void TfmScanMp3::onTreeChanged()
{
    if (!m_shown)
        return;
    const QString folder = m_dirs->filePath(m_tree->currentIndex());
    if (folder.isEmpty() || folder == m_folder)
        return;
    if (Scanning()) {
        CancelScan(); // a change of folder during a scan only stops it
        return;
    }
    ScanFolder(folder);
}

bool TfmScanMp3::Scanning() const
{
    return m_scanner->Scanning();
}

void TfmScanMp3::CancelScan()
{
    m_scanner->Cancel();
}

void TfmScanMp3::ScanFolder(const QString &folder)
{
    if (Scanning() || folder.isEmpty())
        return;
    m_folder = folder;
    m_pnFolder->setText(QDir::toNativeSeparators(folder));
    scan(m_flat->isChecked());
    fillList();
}

void TfmScanMp3::scan(bool recursive)
{
    if (Scanning())
        return;
    m_list->clear(); // no row may point into the tree that goes
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->show();
    m_cancelScan->setEnabled(true);
    m_root = std::make_unique<TMP3Folder>();
    m_root->Path = m_folder;
    updateCommands();
    m_total = m_scanner->Scan(*m_root, recursive);
    m_otherFormats = m_scanner->OtherFormats();
    m_recursive = recursive && !m_scanner->Cancelled(); // a cancelled tree is empty
    m_cancelScan->setEnabled(false);
    m_progress->hide();
    m_message->clear();
}

void TfmScanMp3::addFileRow(const TMP3Item *item, bool flat)
{
    auto *row = new QTreeWidgetItem(m_list);
    row->setData(0, Qt::UserRole,
                 QVariant::fromValue(const_cast<void *>(static_cast<const void *>(item))));
    const auto *file = dynamic_cast<const TAudioFile *>(item);
    if (!file) {
        row->setText(0, item->Name);
        row->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
        return;
    }
    row->setIcon(0, style()->standardIcon(QStyle::SP_FileIcon));
    row->setText(0, flat ? file->RelativePath() : file->Name);
    row->setText(1, QStringLiteral("%1").arg(file->Track, 2));
    row->setText(2, file->Title);
    row->setText(3, file->Artist);
    row->setText(4, file->Album);
    row->setText(5, file->GenreName());
    row->setText(6, file->SizeText());
    row->setText(7, file->LengthText());
    row->setText(8, file->Description());
}

void TfmScanMp3::fillList()
{
    m_list->setUpdatesEnabled(false);
    m_list->clear();
    const bool flat = m_flat->isChecked();
    int files = 0;
    if (flat) {
        std::vector<const TAudioFile *> all;
        CollectMp3Files(*m_root, all);
        for (const TAudioFile *f : all)
            addFileRow(f, true);
        files = int(all.size());
    } else {
        for (const auto &item : m_root->Items) {
            addFileRow(item.get(), false);
            files += dynamic_cast<const TAudioFile *>(item.get()) ? 1 : 0;
        }
    }
    m_list->setUpdatesEnabled(true);
    // A folder of MP3 files alone reads as it always did.
    if (!m_otherFormats)
        m_message->setText(flat ? tr("%1 MP3 files").arg(files)
                                : tr("%1 MP3 files (%2 MP3 files found in subfolders)")
                                      .arg(files)
                                      .arg(m_total - files));
    else
        m_message->setText(flat ? tr("%1 audio files").arg(files)
                                : tr("%1 audio files (%2 audio files found in subfolders)")
                                      .arg(files)
                                      .arg(m_total - files));
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
    updateCommands();
}

const TMP3Item *TfmScanMp3::currentItem() const
{
    QTreeWidgetItem *row = m_list->currentItem();
    return row ? static_cast<const TMP3Item *>(row->data(0, Qt::UserRole).value<void *>())
               : nullptr;
}

void TfmScanMp3::updateCommands()
{
    m_play->setEnabled(!Scanning() && dynamic_cast<const TAudioFile *>(currentItem()));
    m_create->setEnabled(!Scanning() && m_total > 0);
}

void TfmScanMp3::play()
{
    const auto *file = dynamic_cast<const TAudioFile *>(currentItem());
    if (!file)
        return;
    if (!QFileInfo(file->Path).isFile()) {
        ShowInfo(tr("File not found:\r\n%1").arg(file->Path));
        return;
    }
    if (!ShellOpen(file->Path))
        ShowInfo(tr("No program could open the file:\r\n%1").arg(file->Path));
}

void TfmScanMp3::createAlbum()
{
    if (Scanning() || m_total == 0)
        return;
    if (!m_recursive) { // the album takes the whole tree
        scan(true);
        fillList();
        if (m_total == 0)
            return;
    }
    const TPrefs &prefs = m_dm.Prefs();
    QString coverError;
    TAlbum *album =
        CreateFromMP3Folder(*m_root, m_db, &m_dm.FieldDefaults(), prefs.CoversFolder, &coverError);
    if (!coverError.isEmpty())
        ShowInfo(coverError);
    // The cover was copied for this album alone: it goes with the album when discarded.
    const QString cover = album->CoverFile.isEmpty()
                              ? QString()
                              : QDir(prefs.CoversFolder).filePath(QString(album->CoverFile));
    if (!m_addAlbum || !m_addAlbum(album)) {
        delete album;
        if (!cover.isEmpty())
            QFile::remove(cover);
    }
}

void ShowMp3Explorer(QWidget *owner, TQelDb &db, TdmGlobal &dm,
                     std::function<bool(TAlbum *)> addAlbum)
{
    // A dialog with an owner opens centred over it.
    TfmScanMp3 window(db, dm, std::move(addAlbum), owner);
    window.exec();
}
