#include "cddb/ui/scanwindow.h"

#include "cddb/cddbalbum.h"
#include "cddb/cdreader.h"
#include "cddb/scancd.h"
#include "cddb/ui/cddbcdwindow.h"
#include "cddb/ui/cddbwidgets.h"
#include "model/album.h"
#include "model/general.h"
#include "musicbrainz/ui/mbwindows.h"
#include "shell/dmglobal.h"
#include "shell/settingsstore.h"
#include "shell/ui/windowplacement.h"

#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QString kSection = QStringLiteral("ScanListScreen");

TScanCD *discOf(const QTreeWidgetItem *row)
{
    return row ? static_cast<TScanCD *>(row->data(0, Qt::UserRole).value<void *>()) : nullptr;
}

} // namespace

TfmScan::TfmScan(TQelDb &db, TdmGlobal &dm, std::function<bool(TAlbum *)> addAlbum, QWidget *parent)
    : QDialog(parent), m_db(db), m_dm(dm), m_addAlbum(std::move(addAlbum)), m_cddb(this)
{
    setObjectName(QStringLiteral("fmScan"));
    setWindowTitle(tr("Batch Scanning & Querying"));
    m_cddb.LoadSettings(dm.Settings());

    auto action = [this](const char *name, const QString &caption, const QString &hint) {
        auto *a = new QAction(caption, this);
        a->setObjectName(QLatin1String(name));
        a->setToolTip(hint);
        a->setStatusTip(hint);
        addAction(a);
        return a;
    };
    m_acScan = action("acScanAndAdd", tr("&Scan New CD"), tr("Scan new CD and add it to the list"));
    m_acRemove =
        action("acRemoveScanCD", tr("&Remove Selected CD(s)..."), tr("Remove selected CD(s)"));
    m_acQuery =
        action("acQuery", tr("Query CDDB for Selected CD(s)"), tr("Query CDDB for selected CD(s)"));
    m_acQueryMusicBrainz = action("acQueryMusicBrainz", tr("Query MusicBrainz for Selected CD(s)"),
                                  tr("Query MusicBrainz for selected CD(s)"));
    m_acUse = action("acUse", tr("Create New Album from Selected CD..."),
                     tr("Create new Album from selected CD"));
    m_acSelectAll = action("acSelectAll", tr("Select &All"), tr("Select All"));
    m_acSelectAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    m_acClose = action("acClose", tr("&Close"), tr("Close"));
    connect(m_acScan, &QAction::triggered, this, &TfmScan::ScanAndAdd);
    connect(m_acRemove, &QAction::triggered, this, &TfmScan::RemoveSelected);
    connect(m_acQuery, &QAction::triggered, this, &TfmScan::Query);
    connect(m_acQueryMusicBrainz, &QAction::triggered, this, &TfmScan::QueryMusicBrainz);
    connect(m_acUse, &QAction::triggered, this, &TfmScan::Use);
    connect(m_acClose, &QAction::triggered, this, &TfmScan::reject);

    auto *bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("tbScan"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bar->addActions({m_acScan, m_acRemove, m_acQuery, m_acQueryMusicBrainz, m_acUse});
    bar->addSeparator();
    m_autoRemove = new QCheckBox(tr("Auto &Remove"), bar);
    m_autoRemove->setObjectName(QStringLiteral("ckAutoRemove"));
    bar->addWidget(m_autoRemove);
    bar->addSeparator();
    bar->addAction(m_acClose);

    m_cds = new QTreeWidget(this);
    m_cds->setObjectName(QStringLiteral("lvCDs"));
    m_cds->setRootIsDecorated(false);
    m_cds->setUniformRowHeights(true);
    m_cds->setAllColumnsShowFocus(true);
    m_cds->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_cds->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_cds->setHeaderLabels({tr("ID"), tr("Tracks"), tr("CDDB Title")});
    m_cds->setColumnWidth(0, 90);
    m_cds->setColumnWidth(1, 100);
    m_cds->setContextMenuPolicy(Qt::CustomContextMenu);
    auto *popup = new QMenu(this);
    popup->setObjectName(QStringLiteral("pmCDs"));
    popup->addActions({m_acScan, m_acRemove});
    popup->addSeparator();
    popup->addActions({m_acQuery, m_acQueryMusicBrainz});
    popup->addSeparator();
    popup->addAction(m_acUse);
    popup->addSeparator();
    popup->addAction(m_acSelectAll);
    connect(m_cds, &QWidget::customContextMenuRequested, this,
            [this, popup](const QPoint &at) { popup->popup(m_cds->viewport()->mapToGlobal(at)); });
    connect(m_acSelectAll, &QAction::triggered, m_cds, &QTreeWidget::selectAll);
    connect(m_cds, &QTreeWidget::itemSelectionChanged, this, &TfmScan::onSelectionChanged);
    connect(m_cds, &QTreeWidget::currentItemChanged, this, &TfmScan::onSelectionChanged);
    connect(m_cds, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (m_acUse->isEnabled())
            Use();
    });

    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("pnCount"));
    m_result = new QLabel(this);
    m_result->setObjectName(QStringLiteral("pnResult"));
    m_result->setTextFormat(Qt::PlainText);
    for (QLabel *pane : {m_count, m_result})
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto *status = new QHBoxLayout;
    status->addWidget(m_count);
    status->addWidget(m_result, 1);
    m_debug = CddbUi::DebugLog(this, m_cddb, m_log, dm.BugBuster());

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(bar);
    layout->addWidget(m_cds, 1);
    layout->addWidget(m_debug);
    layout->addLayout(status);
    // Wide enough for every command of the toolbar.
    setFixedSize(std::max(640, bar->sizeHint().width() + 2 * layout->contentsMargins().left()),
                 dm.BugBuster() ? 600 : 400);

    const QString damage = m_list.LoadFromFile();
    if (!damage.isEmpty())
        ShowInfo(damage);
    RestoreWindowPlacement(this, dm.Settings());
    m_autoRemove->setChecked(dm.Settings().ReadBool(kSection, QStringLiteral("AutoRemove"), false));
    fillList();
    updateActions();
}

void TfmScan::fillList(TScanCD *select)
{
    const QSignalBlocker block(m_cds);
    m_cds->clear();
    QTreeWidgetItem *selected = nullptr;
    for (int i = 0; i < m_list.Count(); ++i) {
        TScanCD *disc = m_list.Item(i);
        auto *row = new QTreeWidgetItem(
            m_cds, {disc->CddbDiscIdText(),
                    tr("%1 (%2)").arg(disc->TrackCount()).arg(disc->DiscLengthText()),
                    disc->CddbCDCount() > 0 ? disc->CddbCD(0).DTitle : QString()});
        row->setData(0, Qt::UserRole, QVariant::fromValue<void *>(disc));
        if (disc == select)
            selected = row;
    }
    if (selected) {
        selected->setSelected(true);
        m_cds->setCurrentItem(selected, 0, QItemSelectionModel::NoUpdate);
        m_cds->scrollToItem(selected);
    }
    m_current = selected ? select : nullptr;
    m_count->setText(tr("%1 CDs in scan list").arg(m_list.Count()));
    updateActions();
}

void TfmScan::onSelectionChanged()
{
    QTreeWidgetItem *row = m_cds->currentItem();
    if (row && row->isSelected())
        m_current = discOf(row);
    else if (m_cds->selectedItems().isEmpty())
        m_current = nullptr;
    updateActions();
}

void TfmScan::updateActions()
{
    m_acQuery->setEnabled(m_current != nullptr);
    m_acQueryMusicBrainz->setEnabled(m_current != nullptr);
    m_acRemove->setEnabled(m_current != nullptr);
    m_acUse->setEnabled(m_current != nullptr && m_cds->selectedItems().size() == 1);
}

QList<TScanCD *> TfmScan::selectedDiscs() const
{
    QList<TScanCD *> discs;
    for (int i = 0; i < m_cds->topLevelItemCount(); ++i)
        if (m_cds->topLevelItem(i)->isSelected())
            discs.append(discOf(m_cds->topLevelItem(i)));
    return discs;
}

void TfmScan::ScanAndAdd()
{
    auto disc = std::make_unique<TScanCD>();
    try {
        TWaitCursor wait;
        TCdScanner().Scan(m_dm.Prefs().GetScanDrive(), *disc);
    } catch (const EQel &e) {
        m_result->setText(e.message());
        return;
    }
    if (m_list.FindByCddbDiscId(disc->CddbDiscId)) {
        ShowInfo(tr("CD %1 is already in the list").arg(disc->CddbDiscIdText()));
        return;
    }
    TScanCD *added = disc.release();
    m_list.Add(added);
    fillList(added);
    m_result->setText(tr("CD %1 added to the list").arg(added->CddbDiscIdText()));
}

void TfmScan::RemoveSelected()
{
    const QList<TScanCD *> discs = selectedDiscs();
    if (discs.isEmpty() ||
        AskYesNo(tr("Are you sure you want to remove the selected CDs?")) != TAnswer::Yes)
        return;
    for (TScanCD *disc : discs) {
        m_list.Remove(disc);
        delete disc;
    }
    m_current = nullptr;
    fillList();
}

void TfmScan::Query()
{
    const QList<TScanCD *> discs = selectedDiscs();
    if (discs.size() == 1 && m_current) {
        TScanCD *disc = m_current;
        m_cddb.QueryDisc(*disc);
        fillList(disc);
    } else if (discs.size() > 1) {
        TScanCdList batch(false);
        for (TScanCD *disc : discs)
            batch.Add(disc);
        m_cddb.QueryDiscs(batch);
        fillList();
    }
}

void TfmScan::QueryMusicBrainz()
{
    const QList<TScanCD *> discs = selectedDiscs();
    if (discs.isEmpty())
        return;
    QString summary;
    const QList<TScanCD *> used =
        QueryMusicBrainzForDiscs(this, discs, m_db, m_dm, m_addAlbum, summary);
    if (m_autoRemove->isChecked() && !used.isEmpty()) {
        for (TScanCD *disc : used) {
            m_list.Remove(disc);
            delete disc;
        }
        m_current = nullptr;
    }
    fillList(m_current);
    m_result->setText(summary);
}

void TfmScan::Use()
{
    TScanCD *listed = m_current;
    if (!listed)
        return;
    // The screen works on a copy: its Scan/Query reads whatever CD is in the drive, and
    // Cancel leaves the listed disc as it was.
    TScanCD record(*listed);
    if (!ShowCddbScreen(this, record, false, 0, m_db, m_dm))
        return;
    // What the screen found (entries, choice, options) goes to the listed disc of that
    // CD; another CD read there is not added to the list.
    TScanCD *used = record.CddbDiscId == listed->CddbDiscId
                        ? listed
                        : m_list.FindByCddbDiscId(record.CddbDiscId);
    if (used) {
        *used = record;
        fillList(listed);
    }
    auto *album = CreateFromScanCD(record, m_db, &m_dm.FieldDefaults());
    if (!m_addAlbum(album)) {
        delete album;
        return;
    }
    if (m_autoRemove->isChecked() && used) {
        m_list.Remove(used);
        delete used;
        m_current = nullptr;
        fillList();
    }
}

void TfmScan::done(int result)
{
    SaveWindowPlacement(this, m_dm.Settings());
    m_dm.Settings().WriteBool(kSection, QStringLiteral("AutoRemove"), m_autoRemove->isChecked());
    saveList();
    QDialog::done(result);
}

TfmScan::~TfmScan()
{
    saveList();
}

void TfmScan::saveList()
{
    if (m_saved)
        return;
    m_saved = true;
    const QString error = m_list.SaveToFile();
    if (!error.isEmpty())
        ShowInfo(error);
}

void ShowBatchScan(QWidget *owner, TQelDb &db, TdmGlobal &dm,
                   std::function<bool(TAlbum *)> addAlbum)
{
    TfmScan screen(db, dm, std::move(addAlbum), owner);
    if (owner)
        CenterOnOwner(&screen, owner);
    screen.exec();
}
