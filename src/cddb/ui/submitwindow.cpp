#include "cddb/ui/submitwindow.h"

#include "cddb/ui/cddbwidgets.h"
#include "model/album.h"
#include "model/general.h"
#include "shell/dmglobal.h"
#include "shell/ui/windowplacement.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTreeWidget>
#include <QVBoxLayout>

TfmSubmit::TfmSubmit(const TAlbum &album, TdmGlobal &dm, QWidget *parent)
    : QDialog(parent), m_album(album), m_dm(dm), m_cddb(this)
{
    setObjectName(QStringLiteral("fmSubmit"));
    setWindowTitle(tr("Submit Album to CDDB"));
    setSizeGripEnabled(true);
    m_cddb.LoadSettings(dm.Settings());
    m_categories.LoadFromStore(dm.Settings());

    m_tabs = new QTabBar(this);
    m_tabs->setObjectName(QStringLiteral("tcSubmit"));
    m_tabs->setExpanding(false);
    m_tabs->setDrawBase(true);
    for (qsizetype d = 0; d < album.DiscCount(); ++d)
        m_tabs->addTab(tr("Disc %1").arg(d + 1));

    auto *page = new QFrame(this);
    page->setObjectName(QStringLiteral("pnDisc"));
    page->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    m_category = new QComboBox(page);
    m_category->setObjectName(QStringLiteral("cbCategory"));
    m_category->addItems(m_categories.isEmpty()
                             ? QStringList{QStringLiteral("blues"), QStringLiteral("classical"),
                                           QStringLiteral("country"), QStringLiteral("data"),
                                           QStringLiteral("folk"), QStringLiteral("jazz"),
                                           QStringLiteral("misc"), QStringLiteral("newage"),
                                           QStringLiteral("reggae"), QStringLiteral("rock"),
                                           QStringLiteral("soundtrack")}
                             : QStringList(m_categories));
    m_category->setCurrentIndex(-1);
    m_dtitle = CddbUi::Panel("pnDtitle", page);
    m_cddbId = CddbUi::Panel("pnCddbID", page);
    m_revision = CddbUi::Panel("pnRevision", page);
    m_extData = new QPlainTextEdit(page);
    m_extData->setObjectName(QStringLiteral("mmExtData"));
    m_extData->setReadOnly(true);
    m_extData->setFixedHeight(52);

    auto *titleRow = new QHBoxLayout;
    titleRow->addWidget(new QLabel(tr("Title ="), page));
    m_titleChoice = new QButtonGroup(this);
    const char *names[] = {"rbUseAlbumTitle", "rbUseDiscTitle", "rbUseAlbumAndDiscTitle"};
    const QString captions[] = {tr("Album-Title"), tr("Disc-Title"), tr("Album- and Disc-Title")};
    for (int i = 0; i < 3; ++i) {
        auto *radio = new QRadioButton(captions[i], page);
        radio->setObjectName(QLatin1String(names[i]));
        m_titleChoice->addButton(radio, i);
        titleRow->addWidget(radio);
    }
    titleRow->addStretch();
    m_titleChoice->button(0)->setChecked(true);
    m_headers = new QCheckBox(tr("Submit &Header Info"), page);
    m_headers->setObjectName(QStringLiteral("ckSubmitHeaders"));
    m_headers->setChecked(true);
    m_discExt = new QCheckBox(tr("Submit Ext. &Disc Data (Album Comments)"), page);
    m_discExt->setObjectName(QStringLiteral("ckSubmitExtDiscData"));
    m_trackExt = new QCheckBox(tr("Submit Ext. &Track Data (Track Comments)"), page);
    m_trackExt->setObjectName(QStringLiteral("ckSubmitExtTrackData"));
    auto *hint = new QLabel(tr("(if Artist is \"[EMPTY]\", fill in the Artist Display Name in the "
                               "Edit Lookup Lists screen)"),
                            page);
    hint->setObjectName(QStringLiteral("laEmptyHint"));
    hint->setWordWrap(true);

    auto labelFor = [page](const QString &text, QWidget *buddy) {
        auto *label = new QLabel(text, page);
        label->setBuddy(buddy);
        return label;
    };
    auto *grid = new QGridLayout(page);
    grid->addWidget(labelFor(tr("&Category"), m_category), 0, 0);
    grid->addWidget(m_category, 0, 1);
    grid->addWidget(labelFor(tr("CDDB ID"), m_cddbId), 0, 2);
    grid->addWidget(m_cddbId, 0, 3);
    grid->addWidget(labelFor(tr("Revision"), m_revision), 0, 4);
    grid->addWidget(m_revision, 0, 5);
    grid->addWidget(labelFor(tr("Disc Artist / Title"), m_dtitle), 1, 0);
    grid->addWidget(m_dtitle, 1, 1, 1, 5);
    grid->addWidget(m_extData, 2, 0, 1, 6);
    grid->addLayout(titleRow, 3, 0, 1, 6);
    grid->addWidget(m_headers, 4, 0, 1, 2);
    grid->addWidget(m_discExt, 4, 2, 1, 4);
    grid->addWidget(m_trackExt, 5, 2, 1, 4);
    grid->addWidget(hint, 6, 0, 1, 6);
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(3, 80);

    m_tracks = new QTreeWidget(this);
    m_tracks->setObjectName(QStringLiteral("lvTracks"));
    m_tracks->setRootIsDecorated(false);
    m_tracks->setUniformRowHeights(true);
    m_tracks->setAllColumnsShowFocus(true);
    m_tracks->setHeaderLabels({QString(), tr("Artist / Title"), tr("Ext. Data"), tr("Offset")});
    m_tracks->setColumnWidth(0, 30);
    m_tracks->setColumnWidth(1, 300);
    m_tracks->setColumnWidth(2, 110);

    m_scanCheck = new QPushButton(tr("Scan/Check"), this);
    m_scanCheck->setObjectName(QStringLiteral("btScanCheck"));
    m_scanCheck->setDefault(true);
    m_submit = new QPushButton(tr("Submit"), this);
    m_submit->setObjectName(QStringLiteral("btSubmit"));
    m_submit->setEnabled(false);
    m_submit->setAutoDefault(false);
    auto *close = new QPushButton(tr("Close"), this);
    close->setObjectName(QStringLiteral("btCancel"));
    close->setAutoDefault(false);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("pnStatus"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    QPlainTextEdit *debug = CddbUi::DebugLog(this, m_cddb, m_log, dm.BugBuster());

    auto *left = new QVBoxLayout;
    left->setSpacing(0);
    left->addWidget(m_tabs);
    left->addWidget(page);
    left->addSpacing(6);
    left->addWidget(m_tracks, 1);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(m_scanCheck);
    buttons->addWidget(m_submit);
    buttons->addWidget(close);
    buttons->addStretch();
    auto *top = new QHBoxLayout;
    top->addLayout(left, 1);
    top->addLayout(buttons);
    top->addWidget(debug, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(m_status);
    resize(dm.BugBuster() ? 1100 : 680, 560); // wider with the log beside

    connect(m_scanCheck, &QPushButton::clicked, this, &TfmSubmit::ScanCheck);
    connect(m_submit, &QPushButton::clicked, this, &TfmSubmit::Submit);
    connect(close, &QPushButton::clicked, this, &TfmSubmit::reject);
    connect(m_tabs, &QTabBar::currentChanged, this, [this] {
        showTab();
        m_submit->setEnabled(false);
    });
    connect(m_titleChoice, &QButtonGroup::idClicked, this, &TfmSubmit::showTab);
    for (QCheckBox *box : {m_headers, m_discExt, m_trackExt})
        connect(box, &QCheckBox::toggled, this, &TfmSubmit::showTab);
    if (album.DiscCount() > 0) {
        m_tabs->setCurrentIndex(0);
        showTab();
    }
}

TSubmitOptions TfmSubmit::options() const
{
    TSubmitOptions o;
    o.titleChoice = m_titleChoice->checkedId();
    o.submitHeaders = m_headers->isChecked();
    o.submitTrackExt = m_trackExt->isChecked();
    o.submitDiscExt = m_discExt->isChecked();
    return o;
}

void TfmSubmit::showTab()
{
    const int disc = m_tabs->currentIndex();
    if (disc < 0 || disc >= m_album.DiscCount())
        return;
    BuildSubmitEntry(m_album, m_record, disc, options());
    const TCddbCD &e = m_record.CddbCD(0);
    if (m_category->currentIndex() < 0)
        m_category->setCurrentIndex(m_category->findText(e.Category.toLower()));
    m_dtitle->setText(e.DTitle);
    m_cddbId->setText(e.DiscIdText());
    m_revision->setText(QString::number(e.Revision));
    m_extData->setPlainText(e.ExtData);
    m_tracks->clear();
    QList<QTreeWidgetItem *> rows;
    for (int i = 0; i < e.TrackCount(); ++i) {
        const TCddbTrack &t = e.Track(i);
        auto *row = new QTreeWidgetItem(
            {QString::number(i + 1), t.Title, t.ExtData, QString::number(t.FrameOffset)});
        row->setTextAlignment(0, Qt::AlignRight);
        row->setTextAlignment(3, Qt::AlignRight);
        rows.append(row);
    }
    m_tracks->addTopLevelItems(rows);
}

void TfmSubmit::ScanCheck()
{
    const int disc = m_tabs->currentIndex();
    if (disc < 0)
        return;
    QString failure;
    {
        TWaitCursor wait;
        failure = CheckSubmission(m_album, m_record, disc, options(), m_category->currentText(),
                                  m_dm.Prefs().GetScanDrive());
    }
    m_status->setText(failure);
    m_submit->setEnabled(failure.isEmpty());
    if (failure.isEmpty())
        m_submit->setFocus();
}

void TfmSubmit::Submit()
{
    const int disc = m_tabs->currentIndex();
    if (disc < 0)
        return;
    BuildSubmitEntry(m_album, m_record, disc, options());
    m_record.CddbCD(0).Category = m_category->currentText();
    m_cddb.SubmitDisc(m_record);
    if (m_cddb.ErrorKind != 0) {
        ShowInfo(m_cddb.ErrorMessage());
        m_status->setText(tr("CDDB submission failed"));
    } else {
        m_status->setText(tr("CDDB submission complete."));
    }
}

void ShowSubmitScreen(QWidget *owner, const TAlbum &album, TdmGlobal &dm)
{
    TfmSubmit screen(album, dm, owner);
    if (owner)
        CenterOnOwner(&screen, owner);
    screen.exec();
}
