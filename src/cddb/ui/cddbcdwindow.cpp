#include "cddb/ui/cddbcdwindow.h"

#include "cddb/cddbalbum.h"
#include "cddb/cddbentry.h"
#include "cddb/cdreader.h"
#include "cddb/scancd.h"
#include "cddb/ui/cddbwidgets.h"
#include "model/album.h"
#include "model/general.h"
#include "model/qeldb.h"
#include "shell/dmglobal.h"
#include "shell/settingsstore.h"
#include "shell/ui/windowplacement.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString kSection = QStringLiteral("CddbQueryScreen");
constexpr int kColumnWidths[7] = {20, 50, 100, 100, 100, 100, 100};

QButtonGroup *radioGroup(QGroupBox *box, const QStringList &captions, int columns)
{
    auto *group = new QButtonGroup(box);
    auto *grid = new QGridLayout(box);
    const int rows = int((captions.size() + columns - 1) / columns);
    for (int i = 0; i < captions.size(); ++i) {
        auto *radio = new QRadioButton(captions[i], box);
        group->addButton(radio, i);
        grid->addWidget(radio, i % rows, i / rows);
    }
    return group;
}

void setTextColour(QWidget *widget, bool emphasised)
{
    // The value that goes into the album reads as normal text; one that does not is
    // greyed like an inactive caption.
    QPalette palette = widget->parentWidget()->palette();
    if (!emphasised) {
        const QColor grey = palette.color(QPalette::Disabled, QPalette::WindowText);
        palette.setColor(QPalette::WindowText, grey);
        palette.setColor(QPalette::Text, grey);
    }
    widget->setPalette(palette);
}

} // namespace

TfmCddbCD::TfmCddbCD(TScanCD &record, bool update, qint32 currentDiscId, TQelDb &db, TdmGlobal &dm,
                     QWidget *parent)
    : QDialog(parent), m_record(record), m_update(update), m_currentDiscId(currentDiscId), m_db(db),
      m_dm(dm), m_cddb(this)
{
    setObjectName(QStringLiteral("fmCddbCD"));
    setWindowTitle(tr("CDDB info"));
    setSizeGripEnabled(true);
    setMinimumSize(567, 450);
    m_cddb.LoadSettings(dm.Settings());

    m_tabs = new QTabBar(this);
    m_tabs->setObjectName(QStringLiteral("tcCddbCD"));
    m_tabs->setExpanding(false);
    m_tabs->setDrawBase(true);

    m_tracks = new QTreeWidget(this);
    m_tracks->setObjectName(QStringLiteral("lvTracks"));
    m_tracks->setRootIsDecorated(false);
    m_tracks->setUniformRowHeights(true);
    m_tracks->setAllColumnsShowFocus(true);
    m_tracks->setHeaderLabels({QString(), tr("Length"), tr("CDDB Title"), tr("CDDB Ext. Data"),
                               tr("Qel Artist"), tr("Qel Title"), tr("Qel Comments")});
    m_tracks->headerItem()->setTextAlignment(1, Qt::AlignRight);

    m_scan = new QPushButton(tr("Scan/Query"), this);
    m_scan->setObjectName(QStringLiteral("btScan"));
    m_scan->setDefault(true);
    m_ok = new QPushButton(update ? tr("Update Disc") : tr("Add as Album"), this);
    m_ok->setObjectName(QStringLiteral("btOk"));
    m_ok->setAutoDefault(false);
    auto *cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("btCancel"));
    cancel->setAutoDefault(false);
    connect(m_scan, &QPushButton::clicked, this, &TfmCddbCD::ScanQuery);
    connect(m_ok, &QPushButton::clicked, this, &TfmCddbCD::accept);
    connect(cancel, &QPushButton::clicked, this, &TfmCddbCD::reject);

    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("pnMessage"));
    m_message->setTextFormat(Qt::PlainText);
    m_message->setAlignment(Qt::AlignCenter);
    m_message->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    QFont bold = m_message->font();
    bold.setBold(true);
    m_message->setFont(bold);

    m_debug = CddbUi::DebugLog(this, m_cddb, m_log, dm.BugBuster());

    auto *top = new QHBoxLayout;
    auto *left = new QVBoxLayout;
    left->setSpacing(0);
    left->addWidget(m_tabs);
    left->addWidget(buildEntryArea());
    top->addLayout(left, 1);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(m_scan);
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    top->addLayout(buttons);

    auto *main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addWidget(m_tracks, 1);
    main->addWidget(buildOptions());
    main->addWidget(m_debug);
    main->addWidget(m_message);
    resize(760, dm.BugBuster() ? 760 : 640);

    loadSettings();
    RestoreWindowPlacement(this, dm.Settings());
    connect(m_tabs, &QTabBar::currentChanged, this, [this] {
        if (!m_filling)
            optionsChanged();
    });
    buildTabs();
    optionsChanged();
}

TfmCddbCD::~TfmCddbCD() = default;

QWidget *TfmCddbCD::buildEntryArea()
{
    auto *area = new QFrame(this);
    area->setObjectName(QStringLiteral("pnEntry"));
    area->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    auto *grid = new QGridLayout(area);
    m_title = CddbUi::Panel("pnTitle", area);
    m_artist = CddbUi::Panel("pnArtist", area);
    m_category = CddbUi::Panel("pnCategory", area);
    m_revision = CddbUi::Panel("pnRevision", area);
    m_cddbId = CddbUi::Panel("pnCddbID", area);
    m_msId = CddbUi::Panel("pnMsID", area);
    m_submittedVia = CddbUi::Panel("pnSubmittedVia", area);
    m_submittedVia->setFrameStyle(QFrame::NoFrame);
    m_tracksLabel = new QLabel(area);
    m_tracksLabel->setObjectName(QStringLiteral("laTracks"));
    m_useGenre = new QCheckBox(tr("&Genre (Category)"), area);
    m_useGenre->setObjectName(QStringLiteral("ckUseGenre"));
    m_useDiscExt = new QCheckBox(tr("&Comments (Ext. Disc Data)"), area);
    m_useDiscExt->setObjectName(QStringLiteral("ckUseDiscExtData"));
    m_extData = new QPlainTextEdit(area);
    m_extData->setObjectName(QStringLiteral("mmExtData"));
    m_extData->setReadOnly(true);
    // A few lines: the track list below gets the room.
    m_extData->setFixedHeight(m_extData->fontMetrics().lineSpacing() * 3 + 12);
    connect(m_useGenre, &QCheckBox::toggled, this, &TfmCddbCD::optionsChanged);
    connect(m_useDiscExt, &QCheckBox::toggled, this, &TfmCddbCD::optionsChanged);

    auto label = [area](const QString &text) {
        auto *l = new QLabel(text, area);
        return l;
    };
    grid->addWidget(label(tr("Title")), 0, 0);
    grid->addWidget(m_title, 0, 1, 1, 5);
    grid->addWidget(label(tr("Artist")), 1, 0);
    grid->addWidget(m_artist, 1, 1, 1, 5);
    grid->addWidget(m_useGenre, 2, 0, 1, 2);
    grid->addWidget(label(tr("Rev.")), 2, 2);
    grid->addWidget(label(tr("CDDB ID")), 2, 3);
    grid->addWidget(label(tr("MS ID")), 2, 4);
    grid->addWidget(m_category, 3, 0, 1, 2);
    grid->addWidget(m_revision, 3, 2);
    grid->addWidget(m_cddbId, 3, 3);
    grid->addWidget(m_msId, 3, 4);
    grid->addWidget(m_useDiscExt, 4, 0, 1, 6);
    grid->addWidget(m_extData, 5, 0, 1, 6);
    grid->addWidget(m_submittedVia, 6, 0, 1, 4);
    grid->addWidget(m_tracksLabel, 6, 4, 1, 2, Qt::AlignRight);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(5, 1);
    return area;
}

QWidget *TfmCddbCD::buildOptions()
{
    auto *box = new QWidget(this);
    auto *layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *left = new QVBoxLayout;
    left->addWidget(new QLabel(tr("CDDB Title Format :"), box));
    auto *content = new QGroupBox(tr("CDDB Title Contains: "), box);
    content->setObjectName(QStringLiteral("rgTrackContent"));
    m_content = radioGroup(
        content,
        {tr("Artist, then Title"), tr("Title, then Artist"), tr("Title only"), tr("Artist only")},
        1);
    left->addWidget(content);
    left->addStretch();
    layout->addLayout(left);

    m_separatorBox = new QGroupBox(tr("Separator between Artist and Title"), box);
    m_separatorBox->setObjectName(QStringLiteral("rgTrackSeparator"));
    m_separator = radioGroup(m_separatorBox,
                             {tr("/ (Slash)"), tr("\\ (Backslash)"), tr("- (Dash)"),
                              tr(": (Colon)"), tr("; (Semicolon)"), tr("( (Left Parenthesis)"),
                              tr("' (Single Quote)"), tr("\" (Double Quote)")},
                             2);
    layout->addWidget(m_separatorBox);

    auto *right = new QVBoxLayout;
    auto *ext = new QGroupBox(tr("Use Ext. Data"), box);
    ext->setObjectName(QStringLiteral("rgUseTrackExtData"));
    m_trackExt = radioGroup(ext, {tr("As Comments"), tr("As Artist"), tr("Don't Use")}, 1);
    right->addWidget(ext);
    m_example = CddbUi::Panel("pnCddbTitleExample", box);
    m_example->setAlignment(Qt::AlignCenter);
    right->addWidget(m_example);
    right->addStretch();
    layout->addLayout(right);
    layout->addStretch();

    for (QButtonGroup *group : {m_content, m_separator, m_trackExt})
        connect(group, &QButtonGroup::idClicked, this, &TfmCddbCD::optionsChanged);
    return box;
}

void TfmCddbCD::loadSettings()
{
    const TSettingsStore &s = m_dm.Settings();
    auto pick = [](QButtonGroup *group, int id) {
        if (QAbstractButton *b = group->button(id))
            b->setChecked(true);
        else
            group->button(0)->setChecked(true);
    };
    pick(m_separator, s.ReadInteger(kSection, QStringLiteral("TrackSeparator"), 0));
    pick(m_content, s.ReadInteger(kSection, QStringLiteral("TrackContent"), 0));
    pick(m_trackExt, s.ReadInteger(kSection, QStringLiteral("UseTrackExtData"), 0));
    m_filling = true;
    m_useGenre->setChecked(s.ReadBool(kSection, QStringLiteral("UseGenre"), true));
    m_useDiscExt->setChecked(s.ReadBool(kSection, QStringLiteral("UseDiscExtData"), true));
    m_filling = false;
    for (int i = 0; i < 7; ++i) {
        const int width =
            s.ReadInteger(kSection, QStringLiteral("Col%1Width").arg(i), kColumnWidths[i]);
        m_tracks->setColumnWidth(i, width > 0 ? width : kColumnWidths[i]);
    }
    // Two-digit track numbers stay whole whatever the font.
    const int numberWidth = m_tracks->fontMetrics().horizontalAdvance(QStringLiteral("99")) + 12;
    if (m_tracks->columnWidth(0) < numberWidth)
        m_tracks->setColumnWidth(0, numberWidth);
}

void TfmCddbCD::saveSettings()
{
    TSettingsStore &s = m_dm.Settings();
    s.WriteInteger(kSection, QStringLiteral("TrackSeparator"), m_separator->checkedId());
    s.WriteInteger(kSection, QStringLiteral("TrackContent"), m_content->checkedId());
    s.WriteBool(kSection, QStringLiteral("UseGenre"), m_useGenre->isChecked());
    s.WriteBool(kSection, QStringLiteral("UseDiscExtData"), m_useDiscExt->isChecked());
    s.WriteInteger(kSection, QStringLiteral("UseTrackExtData"), m_trackExt->checkedId());
    for (int i = 0; i < 7; ++i)
        s.WriteInteger(kSection, QStringLiteral("Col%1Width").arg(i), m_tracks->columnWidth(i));
}

void TfmCddbCD::buildTabs()
{
    m_filling = true;
    while (m_tabs->count() > 0)
        m_tabs->removeTab(0);
    for (int i = 0; i < m_record.CddbCDCount(); ++i)
        m_tabs->addTab(tr("CD %1").arg(i + 1));
    m_tabs->addTab(tr("Only Scan Info"));
    m_tabs->setCurrentIndex(0);
    m_filling = false;
}

// The record follows the tab and the options, so that what is shown is what is built.
void TfmCddbCD::optionsChanged()
{
    if (m_filling)
        return;
    const int tab = m_tabs->currentIndex();
    m_record.SelectCddbCD(tab >= 0 && tab < m_record.CddbCDCount() ? tab : -1);
    m_record.UseGenre = m_useGenre->isChecked();
    m_record.UseDiscExtData = m_useDiscExt->isChecked();
    m_record.UseTrackExtData = quint8(m_trackExt->checkedId());
    m_record.TrackContent = quint8(m_content->checkedId());
    m_record.TrackSeparator = quint8(m_separator->checkedId());
    applyOptions();
    showTab(tab);
}

void TfmCddbCD::applyOptions()
{
    setTextColour(m_category, m_useGenre->isChecked());
    setTextColour(m_extData, m_useDiscExt->isChecked());
    const int content = m_content->checkedId();
    const int sep = m_separator->checkedId();
    QString example;
    if (content == tcArtistTitle || content == tcTitleArtist) {
        example = (content == tcArtistTitle ? tr("Artist %1 Title %2") : tr("Title %1 Artist %2"))
                      .arg(TrackSeparatorText(sep), TrackSeparatorClose(sep))
                      .trimmed();
    } else {
        example = content == tcTitleOnly ? tr("Title") : tr("Artist");
    }
    m_example->setText(example);
    m_separatorBox->setEnabled(content == tcArtistTitle || content == tcTitleArtist);
}

void TfmCddbCD::showTab(int tab)
{
    for (QLabel *panel : {m_title, m_artist, m_category, m_revision, m_submittedVia})
        panel->clear();
    m_extData->clear();
    m_tracks->clear();
    m_cddbId->setText(m_record.CddbDiscIdText());
    m_msId->setText(m_record.MsDiscIdText());
    const TCddbCD *entry =
        tab >= 0 && tab < m_record.CddbCDCount() ? &m_record.CddbCD(tab) : nullptr;
    if (entry) {
        m_title->setText(entry->Title());
        m_artist->setText(entry->Artist());
        m_category->setText(entry->Category);
        m_revision->setText(QString::number(entry->Revision));
        m_extData->setPlainText(entry->ExtData);
        m_submittedVia->setText(tr("Submitted using: %1").arg(entry->SubmittedVia));
    }
    const int content = m_content->checkedId();
    const int sep = m_separator->checkedId();
    const int ext = m_trackExt->checkedId();
    QList<QTreeWidgetItem *> rows;
    for (int i = 0; i < m_record.TrackCount(); ++i) {
        QStringList texts{QString::number(i + 1), m_record.Track(i).LengthText()};
        if (entry && i < entry->TrackCount()) {
            const TCddbTrack &t = entry->Track(i);
            texts << t.Title << t.ExtData << TrackArtist(t, content, sep, ext)
                  << TrackTitle(t, content, sep) << TrackComments(t, ext);
        }
        auto *row = new QTreeWidgetItem(texts);
        row->setTextAlignment(0, Qt::AlignRight);
        row->setTextAlignment(1, Qt::AlignRight);
        rows.append(row);
    }
    m_tracks->addTopLevelItems(rows);
    m_tracksLabel->setText(m_record.TrackCount() == 0 ? tr("0 tracks")
                                                      : tr("%1 tracks (total length: %2)")
                                                            .arg(m_record.TrackCount())
                                                            .arg(m_record.DiscLengthText()));
    updateConfirm();
}

void TfmCddbCD::updateConfirm()
{
    m_ok->setEnabled(m_record.TrackCount() > 0);
}

void TfmCddbCD::ScanQuery()
{
    try {
        TWaitCursor wait;
        TCdScanner().Scan(m_dm.Prefs().GetScanDrive(), m_record);
    } catch (const EQel &e) {
        // The reader resets the record; the screen shows the empty disc.
        ShowInfo(e.message());
        buildTabs();
        optionsChanged();
        return;
    }
    m_cddb.QueryDisc(m_record);
    if (m_cddb.ErrorKind != 0) {
        m_message->setText(tr("CD Query failed"));
        ShowInfo(m_cddb.ErrorMessage());
        m_filling = true;
        while (m_tabs->count() > 0)
            m_tabs->removeTab(0);
        m_tabs->addTab(tr("Only Scan Info"));
        m_filling = false;
    } else {
        const QString id = m_record.CddbDiscIdText();
        QString status;
        switch (m_cddb.MatchKind) {
        case 1:
            status = tr("CD not found in CDDB");
            break;
        case 2:
            status = tr("Found one exact match for CDDB ID \"%1\"").arg(id);
            break;
        case 3:
            status =
                tr("Found %1 exact matches for CDDB ID \"%2\"").arg(m_record.CddbCDCount()).arg(id);
            break;
        case 4:
            status = tr("Found one inexact match for CDDB ID \"%1\"").arg(id);
            break;
        case 5:
            status = tr("Found %1 inexact matches for CDDB ID \"%2\"")
                         .arg(m_record.CddbCDCount())
                         .arg(id);
            break;
        default:
            break;
        }
        m_message->setText(status);
        buildTabs();
    }
    // Tab 0 is shown and chosen; after a failed lookup it still stands for an entry
    // that was read before the failure.
    optionsChanged();
}

void TfmCddbCD::accept()
{
    if (m_record.TrackCount() == 0)
        return;
    if (m_record.MsDiscId != m_currentDiscId && m_db.FindAlbumByMsDiscId(m_record.MsDiscId)) {
        const QString question =
            m_update ? tr("This CD is already in your database, do you still want to update "
                          "the selected Disc?")
                     : tr("This CD is already in your database, do you still want to add it "
                          "as a new Album?");
        if (AskYesNo(question) != TAnswer::Yes)
            return;
    }
    QDialog::accept();
}

void TfmCddbCD::done(int result)
{
    saveSettings();
    SaveWindowPlacement(this, m_dm.Settings());
    QDialog::done(result);
}

bool ShowCddbScreen(QWidget *owner, TScanCD &record, bool update, qint32 currentDiscId, TQelDb &db,
                    TdmGlobal &dm)
{
    TfmCddbCD screen(record, update, currentDiscId, db, dm, owner);
    return screen.exec() == QDialog::Accepted;
}

std::unique_ptr<TAlbum> QueryNewAlbum(QWidget *owner, TQelDb &db, TdmGlobal &dm)
{
    TScanCD record;
    if (!ShowCddbScreen(owner, record, false, 0, db, dm))
        return nullptr;
    return std::unique_ptr<TAlbum>(CreateFromScanCD(record, db, &dm.FieldDefaults()));
}

std::unique_ptr<TAlbum> QueryDiscForUpdate(QWidget *owner, TQelDb &db, TdmGlobal &dm,
                                           qint32 currentDiscId)
{
    TScanCD record;
    if (!ShowCddbScreen(owner, record, true, currentDiscId, db, dm))
        return nullptr;
    return std::unique_ptr<TAlbum>(CreateFromScanCD(record, db, &dm.FieldDefaults()));
}
