#include "musicbrainz/ui/mbquerywindow.h"

#include "cddb/cdreader.h"
#include "cddb/ui/cddbwidgets.h"
#include "model/album.h"
#include "model/general.h"
#include "model/qeldb.h"
#include "musicbrainz/mbalbum.h"
#include "musicbrainz/mbimport.h"
#include "shell/dmglobal.h"
#include "shell/ui/windowplacement.h"

#include <QDesktopServices>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

// Release texts come from a server: the panels (CddbUi::Panel) show plain text, never markup.

TfmMbQuery::TfmMbQuery(const TScanCD &record, TMode mode, qint32 currentDiscId, TQelDb &db,
                       TdmGlobal &dm, QWidget *parent)
    : QDialog(parent), m_record(record), m_mode(mode), m_currentDiscId(currentDiscId), m_db(db),
      m_dm(dm), m_client(this)
{
    setObjectName(QStringLiteral("fmMusicBrainz"));
    setWindowTitle(tr("MusicBrainz"));
    setSizeGripEnabled(true);
    setMinimumSize(567, 450);
    m_client.LoadSettings(dm.Prefs(), dm.Settings());
    OpenUrl = [](const QUrl &url) { return QDesktopServices::openUrl(url); };
    if (m_record.TrackCount() > 0)
        m_id = MbDiscIdOf(m_record);

    m_tabs = new QTabBar(this);
    m_tabs->setObjectName(QStringLiteral("tcReleases"));
    m_tabs->setExpanding(false);
    m_tabs->setDrawBase(true);

    m_tracks = new QTreeWidget(this);
    m_tracks->setObjectName(QStringLiteral("lvTracks"));
    m_tracks->setRootIsDecorated(false);
    m_tracks->setUniformRowHeights(true);
    m_tracks->setAllColumnsShowFocus(true);
    m_tracks->setHeaderLabels(
        {QString(), tr("Length"), tr("Title"), tr("Artist/Composer"), tr("MusicBrainz Length")});
    m_tracks->headerItem()->setTextAlignment(1, Qt::AlignRight);
    m_tracks->headerItem()->setTextAlignment(4, Qt::AlignRight);
    m_tracks->setColumnWidth(0,
                             m_tracks->fontMetrics().horizontalAdvance(QStringLiteral("99")) + 12);
    m_tracks->setColumnWidth(1, 60);
    m_tracks->setColumnWidth(2, 260);
    m_tracks->setColumnWidth(3, 200);

    auto button = [this](const char *name, const QString &caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    m_scan = button("btScan", tr("Scan/Query"));
    m_ok = button("btOk", mode == TMode::Update ? tr("Update Disc") : tr("Add as Album"));
    m_ok->setDefault(true);
    m_skip = button("btSkip", tr("Skip"));
    m_skip->setVisible(mode == TMode::Batch);
    auto *cancel = button("btCancel", tr("Cancel"));
    m_submit = button("btSubmit", tr("Submit Disc ID..."));
    m_submit->setToolTip(tr("Open the page that adds this disc ID to MusicBrainz"));
    m_submit->setVisible(false);
    connect(m_scan, &QPushButton::clicked, this, &TfmMbQuery::ScanQuery);
    connect(m_ok, &QPushButton::clicked, this, &TfmMbQuery::accept);
    connect(m_skip, &QPushButton::clicked, this, [this] { done(2); });
    connect(cancel, &QPushButton::clicked, this, &TfmMbQuery::reject);
    connect(m_submit, &QPushButton::clicked, this, &TfmMbQuery::SubmitDiscId);

    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("pnMessage"));
    m_message->setTextFormat(Qt::PlainText);
    m_message->setAlignment(Qt::AlignCenter);
    m_message->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_message->setWordWrap(true);
    QFont bold = m_message->font();
    bold.setBold(true);
    m_message->setFont(bold);

    auto *top = new QHBoxLayout;
    auto *left = new QVBoxLayout;
    left->setSpacing(0);
    left->addWidget(m_tabs);
    left->addWidget(buildReleaseArea());
    top->addLayout(left, 1);
    auto *buttons = new QVBoxLayout;
    for (QPushButton *b : {m_scan, m_ok, m_skip, cancel})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(m_submit);
    top->addLayout(buttons);

    auto *main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addWidget(m_tracks, 1);
    main->addWidget(m_message);
    resize(780, 600);
    RestoreWindowPlacement(this, dm.Settings());

    connect(m_tabs, &QTabBar::currentChanged, this, [this](int tab) {
        if (!m_filling)
            showTab(tab);
    });
    buildTabs();
    showTab(0);
    showStatus();
}

TfmMbQuery::~TfmMbQuery() = default;

QWidget *TfmMbQuery::buildReleaseArea()
{
    auto *area = new QFrame(this);
    area->setObjectName(QStringLiteral("pnRelease"));
    area->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    auto *grid = new QGridLayout(area);
    m_title = CddbUi::Panel("pnTitle", area);
    m_artist = CddbUi::Panel("pnArtist", area);
    m_date = CddbUi::Panel("pnDate", area);
    m_country = CddbUi::Panel("pnCountry", area);
    m_label = CddbUi::Panel("pnLabel", area);
    m_catalogNumber = CddbUi::Panel("pnCatalogNumber", area);
    m_barcode = CddbUi::Panel("pnBarcode", area);
    m_format = CddbUi::Panel("pnFormat", area);
    m_match = CddbUi::Panel("pnMatch", area);
    m_match->setFrameStyle(QFrame::NoFrame);
    m_mbDiscId = CddbUi::Panel("pnMbDiscId", area);
    m_cddbId = CddbUi::Panel("pnCddbID", area);
    m_msId = CddbUi::Panel("pnMsID", area);
    m_tracksLabel = new QLabel(area);
    m_tracksLabel->setObjectName(QStringLiteral("laTracks"));
    auto label = [area](const QString &text) { return new QLabel(text, area); };
    grid->addWidget(label(tr("Title")), 0, 0);
    grid->addWidget(m_title, 0, 1, 1, 5);
    grid->addWidget(label(tr("Artist")), 1, 0);
    grid->addWidget(m_artist, 1, 1, 1, 5);
    grid->addWidget(label(tr("Date")), 2, 0);
    grid->addWidget(m_date, 2, 1);
    grid->addWidget(label(tr("Country")), 2, 2);
    grid->addWidget(m_country, 2, 3);
    grid->addWidget(label(tr("Format")), 2, 4);
    grid->addWidget(m_format, 2, 5);
    grid->addWidget(label(tr("Label")), 3, 0);
    grid->addWidget(m_label, 3, 1);
    grid->addWidget(label(tr("Cat. No.")), 3, 2);
    grid->addWidget(m_catalogNumber, 3, 3);
    grid->addWidget(label(tr("Barcode")), 3, 4);
    grid->addWidget(m_barcode, 3, 5);
    grid->addWidget(label(tr("Disc ID")), 4, 0);
    grid->addWidget(m_mbDiscId, 4, 1);
    grid->addWidget(label(tr("CDDB ID")), 4, 2);
    grid->addWidget(m_cddbId, 4, 3);
    grid->addWidget(label(tr("MS ID")), 4, 4);
    grid->addWidget(m_msId, 4, 5);
    grid->addWidget(m_match, 5, 0, 1, 4);
    grid->addWidget(m_tracksLabel, 5, 4, 1, 2, Qt::AlignRight);
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(3, 1);
    grid->setColumnStretch(5, 1);
    return area;
}

void TfmMbQuery::buildTabs()
{
    m_filling = true;
    while (m_tabs->count() > 0)
        m_tabs->removeTab(0);
    for (size_t i = 0; i < m_releases.size(); ++i)
        m_tabs->addTab(m_releases[i].Near ? tr("Release %1 (near)").arg(i + 1)
                                          : tr("Release %1").arg(i + 1));
    if (m_releases.empty() && m_lookedUp)
        m_tabs->addTab(tr("Nothing found"));
    m_tabs->setCurrentIndex(0);
    m_filling = false;
}

void TfmMbQuery::clearPanels()
{
    for (QLabel *l : {m_title, m_artist, m_date, m_country, m_label, m_catalogNumber, m_barcode,
                      m_format, m_match})
        l->clear();
    m_tracks->clear();
}

void TfmMbQuery::showTab(int tab)
{
    clearPanels();
    m_mbDiscId->setText(m_id.Id);
    m_cddbId->setText(m_record.TrackCount() > 0 ? m_record.CddbDiscIdText() : QString());
    m_msId->setText(m_record.TrackCount() > 0 ? m_record.MsDiscIdText() : QString());
    const int audio = m_id.IsValid() ? qMin(m_id.AudioTrackCount(), m_record.TrackCount())
                                     : m_record.TrackCount();
    const bool dataAfter = m_id.DataTrackLast && audio < m_record.TrackCount();
    TMbRelease *release =
        tab >= 0 && size_t(tab) < m_releases.size() ? &m_releases[size_t(tab)] : nullptr;
    // A release known only from the look-up is read whole when its tab is first shown.
    if (release && !release->Complete && !m_filling) {
        m_tabs->setEnabled(false);
        if (!m_client.ReadRelease(*release) && !m_client.Cancelled())
            ShowInfo(m_client.ErrorMessage());
        m_tabs->setEnabled(true);
    }
    const TMbMedium *medium = nullptr;
    if (release) {
        const TMbLabelInfo *label = release->FirstLabel();
        m_title->setText(release->Disambiguation.isEmpty()
                             ? release->Title
                             : tr("%1 (%2)").arg(release->Title, release->Disambiguation));
        m_artist->setText(MbCreditText(release->Credit));
        m_date->setText(release->Date);
        m_country->setText(release->Country);
        m_label->setText(label ? label->Name : QString());
        m_catalogNumber->setText(release->FirstCatalogNumber());
        m_barcode->setText(release->Barcode);
        const int index = ScannedMediumIndex(*release, m_id);
        medium = index >= 0 ? &release->Media[size_t(index)] : nullptr;
        m_format->setText(medium && !medium->Format.isEmpty() ? medium->Format : tr("CD"));
        QString match = release->Near ? tr("Near match: a table of contents close to the disc's")
                                      : tr("Exact match: the release lists this disc ID");
        if (release->Media.size() > 1 && medium)
            match += tr(" (disc %1 of %2)").arg(index + 1).arg(release->Media.size());
        m_match->setText(match);
    }
    QList<QTreeWidgetItem *> rows;
    const QString releaseCredit = release ? MbCreditText(release->Credit) : QString();
    for (int i = 0; i < audio; ++i) {
        const qint32 frames =
            dataAfter && i == audio - 1
                ? m_record.Track(audio).StartFrame - kEnhancedCdGap - m_record.Track(i).StartFrame
                : m_record.Track(i).Length;
        QStringList texts{QString::number(i + 1), FormatLength(qMax(frames, 0) / 75)};
        if (medium && size_t(i) < medium->Tracks.size()) {
            const TMbTrack &t = medium->Tracks[size_t(i)];
            const QString credit = MbCreditText(t.Credit);
            texts << t.Title << (credit == releaseCredit ? QString() : credit)
                  << (t.LengthMs >= 0 ? FormatLength((t.LengthMs + 500) / 1000) : QString());
        }
        auto *row = new QTreeWidgetItem(texts);
        row->setTextAlignment(0, Qt::AlignRight);
        row->setTextAlignment(1, Qt::AlignRight);
        row->setTextAlignment(4, Qt::AlignRight);
        rows.append(row);
    }
    m_tracks->addTopLevelItems(rows);
    m_tracksLabel->setText(tr("%1 tracks").arg(audio));
    m_ok->setEnabled(release != nullptr);
}

void TfmMbQuery::showStatus()
{
    const bool nothing = m_lookedUp && m_releases.empty();
    m_submit->setVisible(nothing && m_id.IsValid());
    if (!m_lookedUp)
        return;
    if (nothing) {
        m_message->setText(tr("Nothing found on MusicBrainz for disc ID %1").arg(m_id.Id));
        return;
    }
    const int n = int(m_releases.size());
    m_message->setText(m_releases.front().Near
                           ? tr("Found %n release(s) with a near table of contents", nullptr, n)
                           : tr("Found %n release(s) for disc ID %1", nullptr, n).arg(m_id.Id));
}

void TfmMbQuery::ScanQuery()
{
    try {
        TWaitCursor wait;
        TCdScanner().Scan(m_dm.Prefs().GetScanDrive(), m_record);
    } catch (const EQel &e) {
        // Nothing of the last disc and its look-up stays.
        m_record.Reset();
        m_id = {};
        m_releases.clear();
        m_lookedUp = false;
        m_message->clear();
        buildTabs();
        showTab(0);
        showStatus();
        ShowInfo(e.message());
        return;
    }
    m_id = MbDiscIdOf(m_record);
    m_releases.clear();
    m_lookedUp = false;
    if (!m_id.IsValid()) {
        m_message->setText(m_id.Error);
    } else if (!m_client.QueryDisc(m_id, m_releases)) {
        m_releases.clear();
        if (m_client.Cancelled()) {
            m_message->setText(m_client.ErrorMessage());
        } else {
            m_message->setText(tr("MusicBrainz look-up failed"));
            ShowInfo(m_client.ErrorMessage());
        }
    } else {
        m_lookedUp = true;
    }
    buildTabs();
    showTab(0);
    showStatus();
}

void TfmMbQuery::ShowReleases(const TMbReleases &releases)
{
    m_releases = releases;
    m_lookedUp = true;
    buildTabs();
    showTab(0);
    showStatus();
}

void TfmMbQuery::SubmitDiscId()
{
    if (m_id.SubmitUrl.isEmpty())
        return;
    if (!OpenUrl(QUrl(m_id.SubmitUrl)))
        ShowInfo(tr("No web browser could open the page:\r\n%1").arg(m_id.SubmitUrl));
}

void TfmMbQuery::accept()
{
    const int tab = m_tabs->currentIndex();
    if (tab < 0 || size_t(tab) >= m_releases.size())
        return;
    if (m_record.MsDiscId != m_currentDiscId)
        if (const TAlbum *held = FindAlbumOfDisc(m_db, m_record)) {
            const QString question =
                m_mode == TMode::Update
                    ? tr("This CD is already in your database as \"%1\", do you still want to "
                         "update the selected Disc?")
                    : tr("This CD is already in your database as \"%1\", do you still want to "
                         "add it as a new Album?");
            if (AskYesNo(question.arg(held->GetAlbumName())) != TAnswer::Yes)
                return;
        }
    const TPrefs &prefs = m_dm.Prefs();
    const bool cover = m_mode != TMode::Update && prefs.FetchFrontCovers;
    TMbAlbumResult made =
        MakeMbAlbum(m_client, m_releases[size_t(tab)], m_record, m_id, m_db, &m_dm.FieldDefaults(),
                    cover ? prefs.CoversFolder : QString());
    if (!made.album) {
        if (!m_client.Cancelled())
            ShowInfo(m_client.ErrorMessage());
        return;
    }
    m_album = std::move(made.album);
    m_coverNote = made.coverNote;
    QDialog::accept();
}

std::unique_ptr<TAlbum> TfmMbQuery::TakeAlbum()
{
    return std::move(m_album);
}

void TfmMbQuery::done(int result)
{
    SaveWindowPlacement(this, m_dm.Settings());
    QDialog::done(result);
}
