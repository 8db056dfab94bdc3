// The album editor's window: its tabs and buttons, the caption, the lookup boxes,
// closing and the keys of the item tree. The tabs' field forms, the item tree and the
// cover are in albumeditorfields.cpp, albumeditortree.cpp and albumeditorcover.cpp.
#include "editors/ui/albumeditor.h"

#include "cddb/ui/cddbcdwindow.h"
#include "editors/ui/trackeditor.h"
#include "model/album.h"
#include "model/general.h"
#include "model/lookuplist.h"
#include "model/qeldb.h"
#include "model/valueformat.h"
#include "musicbrainz/ui/mbwindows.h"
#include "shell/dmglobal.h"
#include "shell/settingsstore.h"
#include "shell/ui/lookupbox.h"
#include "shell/ui/windowplacement.h"
#include "views/ui/mainservices.h"
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const QString kSection = QStringLiteral("AlbumWindow");

const char *const kPictureFilters =
    QT_TRANSLATE_NOOP("TfmAlbum", "All (*.bmp *.gif *.jpg *.jpeg *.png *.pcx);;Bitmaps (*.bmp);;"
                                  "GIF files (*.gif);;JPEG files (*.jpg *.jpeg);;"
                                  "PCX files (*.pcx);;PNG files (*.png)");
} // namespace

TfmAlbum::TfmAlbum(QWidget *owner, TAlbum &album, TMode mode, TQelDb &db, TdmGlobal &dm)
    : QDialog(owner), m_album(album), m_mode(mode), m_db(db), m_dm(dm)
{
    setObjectName(QStringLiteral("fmAlbum"));
    setSizeGripEnabled(true);

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
    ScanAndQuery = [this](QWidget *parent, qint32 msDiscId) {
        return QueryDiscForUpdate(parent, m_db, m_dm, msDiscId);
    };
    ScanAndQueryMusicBrainz = [this](QWidget *parent, qint32 msDiscId) {
        return QueryMusicBrainzForUpdate(parent, m_db, m_dm, msDiscId);
    };

    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("pcAlbum"));
    // Every tab stays in sight: the window is at least as wide as the tab bar.
    m_pages->setUsesScrollButtons(false);
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

    RefillLookupBoxes();
    loadAlbum();
    // The designed sizes, or more where the desktop's font needs it.
    setMinimumSize(QSize(486, 342).expandedTo(minimumSizeHint()));
    resize(QSize(620, 420).expandedTo(sizeHint()));
}

TfmAlbum::~TfmAlbum() = default;

QPushButton *TfmAlbum::button(const QString &caption, const char *name, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

QLabel *TfmAlbum::panel(const char *name, QWidget *parent)
{
    auto *p = new QLabel(parent);
    p->setObjectName(QLatin1String(name));
    p->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    p->setTextFormat(Qt::PlainText);
    p->setMinimumHeight(p->fontMetrics().height() + 6);
    return p;
}

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

// --- caption, title and price

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
    if (m_closing)
        return QDialog::eventFilter(watched, event);
    // The price is checked by OK only: a check on leaving the box would also stop
    // Cancel, which discards whatever the boxes hold.
    if (event->type() == QEvent::FocusOut) {
        if (watched == m_title)
            titleLeft();
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

int EditAlbum(const TMainServices &main, TAlbum &album, TfmAlbum::TMode mode)
{
    TfmAlbum window(main.owner, album, mode, main.db, main.dm);
    if (main.owner)
        CenterOnOwner(&window, main.owner);
    return window.exec();
}
