#include "editors/ui/trackeditor.h"

#include "editors/ui/trackeditorhost.h"
#include "model/atomicfile.h"
#include "model/general.h"
#include "model/qeldb.h"
#include "model/textcodec.h"
#include "model/tracks.h"
#include "shell/dmglobal.h"
#include "shell/settingsstore.h"
#include "shell/ui/lookupbox.h"
#include "shell/ui/ratingbar.h"
#include "shell/ui/windowplacement.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QStringDecoder>
#include <QTabWidget>
#include <QVBoxLayout>

std::function<bool(QWidget *owner, TOpenFileChoice &choice)> TfmTrack::ChooseOpenFile;

namespace {

const QString sTrackWindow = QStringLiteral("TrackWindow");
const QString kLyricsFolderKey = QStringLiteral("LyricsOpenInitialFolder");
const QString kAudioFolderKey = QStringLiteral("AudioFileOpenInitialFolder");
const QString kAudioFilterKey = QStringLiteral("AudioFileOpenFilterIndex");

// A panel showing a file name or path. A long path is shortened in the middle when
// painted, so it never widens the fixed-size dialog; text() stays whole.
class TPathPanel : public QLabel
{
public:
    explicit TPathPanel(const char *name)
    {
        setObjectName(QLatin1String(name));
        setTextFormat(Qt::PlainText);
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        setMinimumWidth(200);
        setMinimumHeight(fontMetrics().height() + 6);
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QFrame::paintEvent(event);
        QPainter painter(this);
        const QRect r = contentsRect().adjusted(3, 0, -3, 0);
        painter.drawText(r, Qt::AlignLeft | Qt::AlignVCenter,
                         fontMetrics().elidedText(text(), Qt::ElideMiddle, r.width()));
    }
};

QPushButton *button(const char *name, const QString &text)
{
    auto *b = new QPushButton(text);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

// "Name (*.a, *.b)|*.a;*.b|..." as Qt's dialog wants it: Qt reads the patterns from
// the last parentheses, separated by blanks, and "*.*" would hide names without a dot.
QStringList qtFilters(const QString &pairs)
{
    const QStringList parts = pairs.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i];
        const qsizetype open = name.lastIndexOf(u'(');
        if (open > 0)
            name.truncate(open);
        QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
        for (QString &p : patterns)
            if (p == QStringLiteral("*.*"))
                p = QStringLiteral("*");
        filters << name.trimmed() + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return filters;
}

bool qtOpenFile(QWidget *owner, TOpenFileChoice &choice)
{
    QFileDialog dialog(owner, QString(), choice.folder);
    dialog.setObjectName(QStringLiteral("dlgOpenFile"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(choice.filters);
    if (!choice.filters.isEmpty())
        dialog.selectNameFilter(
            choice.filters.value(qBound(1, choice.filterIndex, int(choice.filters.size())) - 1));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    choice.file = dialog.selectedFiles().constFirst();
    choice.filterIndex = int(choice.filters.indexOf(dialog.selectedNameFilter())) + 1;
    return true;
}

// Minutes from characters 1-2 and seconds from 4-5 of the masked text, each 0 when
// not a number.
void splitLength(const QString &text, int &minutes, int &seconds)
{
    auto part = [&text](qsizetype from) {
        bool ok = false;
        const int v = QStringView(text).mid(from, 2).trimmed().toInt(&ok);
        return ok ? v : 0;
    };
    minutes = part(0);
    seconds = text.size() > 3 ? part(3) : 0;
}

QString twoDigits(int v)
{
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

// The item's own entry of a lookup field; the values it falls back to are not its own.
TLookupItem *ownEntry(const TCustomTrack &t, TFieldId field)
{
    switch (field) {
    case fdArtist:
        return t.Artist;
    case fdGenre:
        return t.Genre;
    case fdStudio:
        return t.Studio;
    case fdProducer:
        return t.Producer;
    case fdEngineer:
        return t.Engineer;
    case fdConductor:
        return t.Conductor;
    case fdOrchestra:
        return t.Orchestra;
    case fdSongwriter:
        return t.Songwriter;
    case fdTrackLookup1:
        return t.TrackLookup1;
    default:
        return nullptr;
    }
}

// Lyrics files are UTF-8 or, from older Windows collections, code page 1252.
QString readLyrics(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = f.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = cp1252::decodePlain(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

Qt::CheckState liveState(quint8 live)
{
    return live == 0 ? Qt::Unchecked : live == 1 ? Qt::Checked : Qt::PartiallyChecked;
}

quint8 liveValue(Qt::CheckState state)
{
    return state == Qt::Unchecked ? 0 : state == Qt::Checked ? 1 : 2;
}

bool canOpen(TTrackEditorHost &host, int mode)
{
    if (mode == TfmTrack::AddDiscs)
        return host.Album() != nullptr;
    const TDataItem *selected = host.SelectedItem();
    if (!selected)
        return false;
    const TItemKind kind = selected->Kind();
    switch (mode) {
    case TfmTrack::AddHeaders:
        return kind == TItemKind::Disc;
    case TfmTrack::AddTracks:
        return kind == TItemKind::Disc || kind == TItemKind::Header;
    case TfmTrack::AddSubtracks:
        return kind == TItemKind::Track;
    case TfmTrack::Edit:
        return selected->IsTrackLevel();
    default:
        return false;
    }
}

} // namespace

TfmTrack::TfmTrack(TTrackEditorHost &host, int mode)
    : QDialog(host.HostWindow()), m_host(host), m_dm(host.Dm()), m_mode(mode)
{
    setObjectName(QStringLiteral("fmTrack"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    const TSettingsStore &settings = m_dm.Settings();
    m_lyricsFolder = settings.ReadString(sTrackWindow, kLyricsFolderKey, m_dm.Prefs().LyricsFolder);
    m_audioFolder = settings.ReadString(sTrackWindow, kAudioFolderKey, ProgramFolder());
    m_audioFilterIndex = settings.ReadInteger(sTrackWindow, kAudioFilterKey, 0);

    m_pages = new QTabWidget;
    m_pages->setObjectName(QStringLiteral("pcTrack"));
    auto addPage = [this](QWidget *page, const char *name, const QString &caption) {
        page->setObjectName(QLatin1String(name));
        m_pages->addTab(page, caption);
    };
    addPage(buildMainPage(), "tsMain", tr("Main"));
    addPage(buildRecordingPage(), "tsRecording", tr("Recording"));
    addPage(buildPersonalPage(), "tsPersonalUserDefined", tr("Personal / User Defined"));
    addPage(buildLyricsPage(), "tsLyrics", m_dm.Fields().GetFieldCaption(fdLyrics));
    addPage(buildAudioPage(), "tsAudioFile", tr("Audio File"));

    auto *ok = button("btOk", tr("&Done"));
    auto *cancel = button("btCancel", tr("Cancel"));
    m_next = button("btNext", tr("&Next"));
    m_next->setDefault(true);
    m_previous = button("btPrevious", tr("&Previous"));
    m_clearIds = button("btClearIDs", tr("Clear Disc IDs"));
    connect(ok, &QPushButton::clicked, this, [this] {
        storeItem();
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &TfmTrack::reject);
    connect(m_next, &QPushButton::clicked, this, &TfmTrack::next);
    connect(m_previous, &QPushButton::clicked, this, &TfmTrack::previous);
    connect(m_clearIds, &QPushButton::clicked, this, &TfmTrack::clearDiscIds);

    auto *buttons = new QVBoxLayout;
    for (QPushButton *b : {ok, cancel, m_next, m_previous})
        buttons->addWidget(b);
    buttons->addSpacing(12);
    buttons->addWidget(m_clearIds);
    buttons->addStretch(1);

    auto *status = new QStatusBar;
    status->setSizeGripEnabled(false);
    const char *paneNames[] = {"pnMsDiscId", "pnCddbDiscId", "pnCddbRevision"};
    for (int i = 0; i < 3; ++i) {
        m_idPanes[i] = new QLabel;
        m_idPanes[i]->setObjectName(QLatin1String(paneNames[i]));
        m_idPanes[i]->setTextFormat(Qt::PlainText);
        status->addWidget(m_idPanes[i], 1);
    }

    auto *top = new QHBoxLayout;
    top->addWidget(m_pages, 1);
    top->addLayout(buttons);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(status);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_length->installEventFilter(this);
    connect(m_title, &QLineEdit::textChanged, this, &TfmTrack::updateCaption);
    for (const TLookupBox &l : std::as_const(m_lookups))
        if (l.field == fdArtist)
            connect(l.box, &QComboBox::editTextChanged, this, &TfmTrack::updateCaption);

    // The names just typed for the album are offered here too.
    m_host.StoreLookupTexts();
    if (m_mode == AddDiscs)
        m_parent = m_host.Album();
    else if (m_mode != Edit)
        m_parent = m_host.SelectedItem();
    fillLookupBoxes();
    prepareItem();
    showItem();
}

TfmTrack::~TfmTrack()
{
    if (m_itemIsNew)
        delete m_item;
}

QLabel *TfmTrack::fieldLabel(const char *name, TFieldId field, QWidget *buddy)
{
    auto *label = new QLabel(m_dm.Fields().GetFieldCaption(field));
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setBuddy(buddy);
    return label;
}

QComboBox *TfmTrack::lookupBox(const char *name, TFieldId field)
{
    // A typed name becomes an entry when the item is stored.
    QComboBox *box = NewLookupBox(QLatin1String(name), 28);
    m_lookups.append({field, box});
    return box;
}

QWidget *TfmTrack::buildMainPage()
{
    auto *page = new QWidget;
    m_title = new QLineEdit;
    m_title->setObjectName(QStringLiteral("edTitle"));
    m_year = new QLineEdit;
    m_year->setObjectName(QStringLiteral("edYear"));
    m_year->setMaxLength(4);
    m_year->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,4}")), m_year));
    m_year->setFixedWidth(m_year->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 16);
    m_length = new QLineEdit;
    m_length->setObjectName(QStringLiteral("edLength"));
    m_length->setFixedWidth(m_length->fontMetrics().horizontalAdvance(QStringLiteral("0000:00")) +
                            16);

    QComboBox *artist = lookupBox("cbArtist", fdArtist);
    QComboBox *songwriter = lookupBox("cbSongwriter", fdSongwriter);
    QComboBox *conductor = lookupBox("cbConductor", fdConductor);
    QComboBox *orchestra = lookupBox("cbOrchestra", fdOrchestra);

    auto *grid = new QGridLayout(page);
    int row = 0;
    auto wide = [&](const char *label, TFieldId field, QWidget *w) {
        grid->addWidget(fieldLabel(label, field, w), row, 0);
        grid->addWidget(w, row++, 1, 1, 3);
    };
    wide("laTitle", fdTitle, m_title);
    wide("laArtist", fdArtist, artist);
    wide("laSongwriter", fdSongwriter, songwriter);
    wide("laConductor", fdConductor, conductor);
    wide("laOrchestra", fdOrchestra, orchestra);
    grid->addWidget(fieldLabel("laYear", fdYear, m_year), row, 0);
    grid->addWidget(m_year, row, 1, Qt::AlignLeft);
    grid->addWidget(fieldLabel("laLength", fdLength, m_length), row, 2, Qt::AlignRight);
    grid->addWidget(m_length, row++, 3, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);
    return page;
}

QWidget *TfmTrack::buildRecordingPage()
{
    auto *page = new QWidget;
    QComboBox *producer = lookupBox("cbProducer", fdProducer);
    QComboBox *engineer = lookupBox("cbEngineer", fdEngineer);
    QComboBox *studio = lookupBox("cbStudio", fdStudio);
    m_bpm = new QSpinBox;
    m_bpm->setObjectName(QStringLiteral("edBPM"));
    m_bpm->setRange(0, 1000);
    m_live = new QCheckBox(tr("Live"));
    m_live->setObjectName(QStringLiteral("ckLive"));
    m_live->setTristate(true);

    auto *grid = new QGridLayout(page);
    int row = 0;
    auto add = [&](const char *label, TFieldId field, QWidget *w, Qt::Alignment align = {}) {
        grid->addWidget(fieldLabel(label, field, w), row, 0);
        grid->addWidget(w, row++, 1, align);
    };
    add("laProducer", fdProducer, producer);
    add("laEngineer", fdEngineer, engineer);
    add("laStudio", fdStudio, studio);
    add("laBPM", fdBPM, m_bpm, Qt::AlignLeft);
    grid->addWidget(m_live, row++, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);
    return page;
}

QWidget *TfmTrack::buildPersonalPage()
{
    auto *page = new QWidget;
    QComboBox *genre = lookupBox("cbGenre", fdGenre);
    m_trackText1 = new QLineEdit;
    m_trackText1->setObjectName(QStringLiteral("edTrackText1"));
    QComboBox *lookup1 = lookupBox("cbTrackLookup1", fdTrackLookup1);
    m_rating = new TRatingBar;
    m_comments = new QLineEdit;
    m_comments->setObjectName(QStringLiteral("edComments"));

    auto *grid = new QGridLayout(page);
    int row = 0;
    auto add = [&](const char *label, TFieldId field, QWidget *w) {
        grid->addWidget(fieldLabel(label, field, w), row, 0);
        grid->addWidget(w, row++, 1);
    };
    add("laGenre", fdGenre, genre);
    add("laTrackText1", fdTrackText1, m_trackText1);
    add("laTrackLookup1", fdTrackLookup1, lookup1);
    grid->addWidget(fieldLabel("laRating", fdRating, m_rating->Slider()), row, 0);
    grid->addWidget(m_rating, row++, 1);
    add("laComments", fdComments, m_comments);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);
    return page;
}

QWidget *TfmTrack::buildLyricsPage()
{
    auto *page = new QWidget;
    m_lyricsFile = new TPathPanel("pnLyricsFile");
    auto *label = new QLabel(tr("Lyrics File"));
    auto *browse = button("btBrowseLyricsFile", tr("Browse..."));
    m_createLyrics = button("btCreateLyricsFile", tr("Create"));
    m_editLyrics = button("btEditLyricsFile", tr("Edit"));
    auto *refresh = button("btRefreshLyrics", tr("Refresh"));
    m_clearLyrics = button("btClearLyricsFile", tr("Clear"));
    m_lyrics = new QPlainTextEdit;
    m_lyrics->setObjectName(QStringLiteral("mmLyrics"));
    m_lyrics->setReadOnly(true);
    m_lyrics->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_lyrics->setLineWrapMode(QPlainTextEdit::NoWrap);
    connect(browse, &QPushButton::clicked, this, &TfmTrack::browseLyricsFile);
    connect(m_createLyrics, &QPushButton::clicked, this, &TfmTrack::createLyricsFile);
    connect(m_editLyrics, &QPushButton::clicked, this, &TfmTrack::editLyricsFile);
    connect(refresh, &QPushButton::clicked, this, &TfmTrack::showLyrics);
    connect(m_clearLyrics, &QPushButton::clicked, this, &TfmTrack::clearLyricsFile);

    auto *file = new QHBoxLayout;
    file->addWidget(label);
    file->addWidget(m_lyricsFile, 1);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {browse, m_createLyrics, m_editLyrics, refresh, m_clearLyrics})
        buttons->addWidget(b);
    buttons->addStretch(1);
    auto *layout = new QVBoxLayout(page);
    layout->addLayout(file);
    layout->addLayout(buttons);
    layout->addWidget(m_lyrics, 1);
    return page;
}

QWidget *TfmTrack::buildAudioPage()
{
    auto *page = new QWidget;
    m_audioFile = new TPathPanel("pnAudioFile");
    auto *label = new QLabel(tr("Audio File"));
    auto *browse = button("btBrowseAudioFile", tr("Browse..."));
    auto *clear = button("btClearAudioFile", tr("Clear"));
    auto *play = button("btPlayAudioFile", tr("Play"));
    connect(browse, &QPushButton::clicked, this, &TfmTrack::browseAudioFile);
    connect(clear, &QPushButton::clicked, this, [this] { m_audioFile->clear(); });
    connect(play, &QPushButton::clicked, this, &TfmTrack::playAudioFile);

    auto *file = new QHBoxLayout;
    file->addWidget(label);
    file->addWidget(m_audioFile, 1);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {browse, clear, play})
        buttons->addWidget(b);
    buttons->addStretch(1);
    auto *layout = new QVBoxLayout(page);
    layout->addLayout(file);
    layout->addLayout(buttons);
    layout->addStretch(1);
    return page;
}

void TfmTrack::fillLookupBoxes()
{
    for (const TLookupBox &l : std::as_const(m_lookups))
        FillLookupBox(l.box, m_host.Db().LookupList(l.field));
}

void TfmTrack::prepareItem()
{
    if (m_mode == Edit) {
        m_item = static_cast<TCustomTrack *>(m_host.SelectedItem());
        m_itemIsNew = false;
    } else {
        switch (m_mode) {
        case AddDiscs:
            m_item = new TDisc(m_parent);
            break;
        case AddHeaders:
            m_item = new THeader(m_parent);
            break;
        case AddTracks:
            m_item = new TTrack(m_parent);
            break;
        default:
            m_item = new TSubTrack(m_parent);
            break;
        }
        m_itemIsNew = true;
    }
    m_previous->setEnabled(m_mode == Edit && m_host.HasPreviousNode());
    m_next->setEnabled(m_mode != Edit || m_host.HasNextNode());
}

bool TfmTrack::lengthEditable() const
{
    const TItemKind kind = m_item->Kind();
    return kind == TItemKind::Track || kind == TItemKind::SubTrack;
}

void TfmTrack::showItem()
{
    const TCustomTrack &t = *m_item;
    m_title->setText(t.Title);
    m_year->setText(t.Year);
    for (const TLookupBox &l : std::as_const(m_lookups)) {
        const QString name = LookupSortText(ownEntry(t, l.field));
        const int i = name.isEmpty() ? -1 : l.box->findText(name, Qt::MatchExactly);
        l.box->setCurrentIndex(i);
        if (i < 0)
            l.box->setEditText(name);
    }
    m_bpm->setValue(t.BPM);
    m_live->setCheckState(liveState(t.Live));
    m_rating->SetValue(t.Rating);
    m_trackText1->setText(t.TrackText1);
    m_comments->setText(t.Comments);

    // Totals of discs and headers may pass 99 minutes, which the mask cannot hold.
    const bool editable = lengthEditable();
    m_length->setInputMask(editable ? QStringLiteral("99:99") : QString());
    m_length->setText(FormatLength(t.GetLength()));
    m_length->setReadOnly(!editable);
    QPalette palette = m_length->palette();
    palette.setColor(QPalette::Base,
                     QWidget::palette().color(editable ? QPalette::Base : QPalette::Button));
    m_length->setPalette(palette);

    m_lyricsFile->setText(t.LyricsFile);
    showLyrics();
    m_audioFile->setText(t.AudioFile);

    const bool disc = t.Kind() == TItemKind::Disc;
    if (disc) {
        const auto &d = static_cast<const TDisc &>(t);
        m_msDiscId = d.MsDiscId;
        m_cddbDiscId = d.CddbDiscId;
        m_cddbRevision = d.CddbRevision;
    }
    showDiscIds(t.GetFieldAsString(fdMsDiscId), t.GetFieldAsString(fdCddbDiscId),
                t.GetFieldAsString(fdCddbRevision));
    m_clearIds->setEnabled(disc);

    updateCaption();
    m_pages->setCurrentIndex(0);
    m_title->setFocus();
    m_title->selectAll();
}

void TfmTrack::showDiscIds(const QString &ms, const QString &cddb, const QString &revision)
{
    const TQelFields &fields = m_dm.Fields();
    const TFieldId ids[] = {fdMsDiscId, fdCddbDiscId, fdCddbRevision};
    const QString values[] = {ms, cddb, revision};
    for (int i = 0; i < 3; ++i)
        m_idPanes[i]->setText(fields.GetFieldName(ids[i]) + QStringLiteral(": ") + values[i]);
}

void TfmTrack::updateCaption()
{
    if (!m_item)
        return;
    QString prefix;
    if (m_mode == Edit) {
        switch (m_item->Kind()) {
        case TItemKind::Disc:
            prefix = tr("Edit Disc ");
            break;
        case TItemKind::Header:
            prefix = tr("Edit Header ");
            break;
        case TItemKind::Track:
            prefix = tr("Edit Track ");
            break;
        default:
            prefix = tr("Edit Subtrack ");
            break;
        }
        prefix += m_item->GetFieldAsString(fdIndex);
    } else {
        const QString prefixes[] = {tr("Add Disc(s)"), tr("Add Header(s)"), tr("Add Track(s)"),
                                    tr("Add Subtrack(s)")};
        prefix = prefixes[m_mode];
    }
    setWindowTitle(tr("%1: %2").arg(prefix, m_title->text()));
}

void TfmTrack::storeItem()
{
    TCustomTrack &t = *m_item;
    t.Title = m_title->text();
    t.Year = m_year->text();
    t.BPM = m_bpm->value();
    t.Live = liveValue(m_live->checkState());
    t.Rating = quint8(m_rating->Value());
    t.TrackText1 = m_trackText1->text();
    t.Comments = m_comments->text();
    t.LyricsFile = m_lyricsFile->text();
    t.AudioFile = m_audioFile->text();
    for (const TLookupBox &l : std::as_const(m_lookups))
        t.setLookupItem(l.field, m_host.Db().LookupList(l.field).GetOrAdd(l.box->currentText()));
    // The masked text keeps blanks in place, so "3 :5 " reads as 3:05.
    if (lengthEditable())
        t.SetLength(ParseLength(m_length->displayText()));
    if (t.Kind() == TItemKind::Disc) {
        auto &d = static_cast<TDisc &>(t);
        d.MsDiscId = m_msDiscId;
        d.CddbDiscId = m_cddbDiscId;
        d.CddbRevision = m_cddbRevision;
    }
    if (m_itemIsNew) {
        m_parent->Add(m_item);
        m_itemIsNew = false;
        m_host.AddItemNode(m_item);
    } else {
        m_host.RefreshSelectedNode();
    }
    m_host.Renumber();
}

void TfmTrack::next()
{
    storeItem();
    if (m_mode == Edit && m_host.HasNextNode())
        m_host.SelectNextNode();
    prepareItem();
    fillLookupBoxes();
    showItem();
}

void TfmTrack::previous()
{
    storeItem();
    if (m_mode == Edit && m_host.HasPreviousNode())
        m_host.SelectPreviousNode();
    prepareItem();
    fillLookupBoxes();
    showItem();
}

void TfmTrack::reject()
{
    if (m_dm.Prefs().ConfirmTrackCancel &&
        AskYesNo(tr("Are you sure you want to cancel changes to this item?")) != TAnswer::Yes)
        return;
    if (m_itemIsNew) {
        delete m_item;
        m_item = nullptr;
        m_itemIsNew = false;
    }
    QDialog::reject();
}

void TfmTrack::done(int result)
{
    if (!m_closed) {
        m_closed = true;
        m_host.RefillLookupBoxes();
        TSettingsStore &settings = m_dm.Settings();
        settings.WriteString(sTrackWindow, kLyricsFolderKey, m_lyricsFolder);
        settings.WriteString(sTrackWindow, kAudioFolderKey, m_audioFolder);
        settings.WriteInteger(sTrackWindow, kAudioFilterKey, m_audioFilterIndex);
    }
    QDialog::done(result);
}

bool TfmTrack::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_length && event->type() == QEvent::FocusOut && m_item && lengthEditable())
        rewriteLength();
    return QDialog::eventFilter(watched, event);
}

void TfmTrack::rewriteLength()
{
    int minutes = 0;
    int seconds = 0;
    splitLength(m_length->displayText(), minutes, seconds);
    m_length->setText(twoDigits(minutes) + u':' + twoDigits(seconds));
}

void TfmTrack::clearDiscIds()
{
    m_msDiscId = 0;
    m_cddbDiscId = 0;
    m_cddbRevision = 0;
    showDiscIds(QString(), QStringLiteral("00000000"), QStringLiteral("0"));
}

void TfmTrack::showLyrics()
{
    const QString name = m_lyricsFile->text();
    const TFolderFile file = m_dm.GetLyricsFileName(name);
    if (file.exists)
        m_lyrics->setPlainText(readLyrics(file.path));
    else if (!name.isEmpty())
        m_lyrics->setPlainText(tr("[File not found]"));
    else
        m_lyrics->clear();
    m_createLyrics->setEnabled(name.isEmpty());
    m_editLyrics->setEnabled(!name.isEmpty());
    m_clearLyrics->setEnabled(!name.isEmpty());
}

void TfmTrack::browseLyricsFile()
{
    TOpenFileChoice choice;
    choice.folder = m_lyricsFolder;
    choice.filters = qtFilters(tr("Text Files (*.txt)|*.txt|All Files (*.*)|*.*"));
    choice.filterIndex = 1;
    if (!(ChooseOpenFile ? ChooseOpenFile : qtOpenFile)(this, choice))
        return;
    TWaitCursor wait;
    const QFileInfo chosen(choice.file);
    const TFolderFile target = m_dm.GetLyricsFileName(chosen.fileName());
    // A file of that name already in the lyrics folder is kept, never overwritten.
    if (!target.exists && !QFileInfo::exists(target.path)) {
        const QString error = CopyFileAtomically(choice.file, target.path);
        if (!error.isEmpty()) {
            // The name stays as it was: nothing typed on the dialog is lost.
            ShowInfo(tr("The file \"%1\" could not be copied into the lyrics folder "
                        "\"%2\":\r\n%3")
                         .arg(choice.file, QFileInfo(target.path).absolutePath(), error));
            return;
        }
    }
    m_lyricsFile->setText(chosen.fileName());
    showLyrics();
    m_lyricsFolder = chosen.absolutePath();
}

void TfmTrack::createLyricsFile()
{
    const QString name = MakeFileNameSafe(
        QStringLiteral("%1_%2.txt").arg(m_item->GetFieldAsString(fdArtist), m_title->text()));
    const QString path = m_dm.GetLyricsFileName(name).path;
    const bool exists = QFileInfo::exists(path);
    if (exists &&
        AskYesNo(tr("A file named %1 already exists, do you want to overwrite it?").arg(name)) !=
            TAnswer::Yes)
        return;
    // A name the file system refuses does nothing; a missing folder is no fault of the
    // name and is reported when the file cannot be created.
    if (!exists && QFileInfo(path).dir().exists() && !IsValidFileName(path))
        return;
    if (!WriteFileAtomically(path, QByteArray()).isEmpty()) {
        ShowInfo(tr("Error creating file \"%1\"").arg(path));
        return;
    }
    ShellOpen(path);
    m_lyricsFile->setText(name);
    showLyrics();
}

void TfmTrack::editLyricsFile()
{
    const TFolderFile file = m_dm.GetLyricsFileName(m_lyricsFile->text());
    if (file.exists)
        ShellOpen(file.path);
}

void TfmTrack::clearLyricsFile()
{
    m_lyricsFile->clear();
    showLyrics();
}

void TfmTrack::browseAudioFile()
{
    TOpenFileChoice choice;
    choice.folder = m_audioFolder;
    choice.filters = qtFilters(
        tr("MP3 Files (*.mp3)|*.mp3|Real Audio Files (*.ra, *.rmx)|*.ra;*.rmx|Liquid Audio Files  "
           "(*.lqt)|*.lqt|a2b Music Files (*.mes)|*.mes|Wave Files (*.wav)|*.wav|All Files "
           "(*.*)|*.*"));
    choice.filterIndex = m_audioFilterIndex;
    if (!(ChooseOpenFile ? ChooseOpenFile : qtOpenFile)(this, choice))
        return;
    const QFileInfo chosen(choice.file);
    m_audioFile->setText(chosen.absoluteFilePath());
    m_audioFolder = chosen.absolutePath();
    m_audioFilterIndex = choice.filterIndex;
}

void TfmTrack::playAudioFile()
{
    const QString path = m_audioFile->text();
    if (path.isEmpty())
        return;
    if (QFileInfo::exists(path))
        ShellOpen(path);
    else
        ShowInfo(tr("File not found:\r\n%1").arg(path));
}

int EditTrackItem(TTrackEditorHost &host, int mode)
{
    if (!canOpen(host, mode))
        return QDialog::Rejected;
    TfmTrack dialog(host, mode);
    dialog.adjustSize();
    CenterOnOwner(&dialog, host.HostWindow());
    return dialog.exec();
}
