#include "views/ui/browsewindow.h"

#include "model/album.h"
#include "model/general.h"
#include "model/tracks.h"
#include "services/coverimage.h"
#include "shell/dmglobal.h"
#include "shell/settingsstore.h"
#include "shell/ui/iconlists.h"
#include "shell/ui/windowplacement.h"
#include "views/ui/selectfields.h"

#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
const QString kSection = QStringLiteral("Browse");
const QString kTreeWidth = QStringLiteral("TreeWidth");
const QString kCoverCommentsHeight = QStringLiteral("CoverCommentsHeight");

QString itemCaption(const TDataItem *item)
{
    if (const auto *track = dynamic_cast<const TCustomTrack *>(item))
        return ShortenText(track->GetCaption());
    if (const auto *album = dynamic_cast<const TAlbum *>(item))
        return ShortenText(album->GetAlbumName());
    return {};
}
} // namespace

TfmBrowse::TfmBrowse(QWidget *owner, const TDataItemList &items, TItemLevel level,
                     int startPosition, TdmGlobal &dm)
    : QDialog(owner), m_items(items), m_dm(dm), m_showFields(level),
      m_showFieldsKey(level == ilAlbum ? QStringLiteral("Browse\\AlbumShowFields")
                                       : QStringLiteral("Browse\\TrackShowFields")),
      m_position(startPosition)
{
    setObjectName(QStringLiteral("fmBrowse"));
    setWindowTitle(tr("Browse Current List"));
    setSizeGripEnabled(true);
    const TSettingsStore &settings = dm.Settings();
    m_showFields.Load(settings, m_showFieldsKey);
    m_treeWidth = settings.ReadInteger(kSection, kTreeWidth, 200);
    m_coverCommentsHeight = settings.ReadInteger(kSection, kCoverCommentsHeight, 50);

    auto *toolBar = new QToolBar;
    toolBar->setObjectName(QStringLiteral("tbBrowse"));
    toolBar->setIconSize(QSize(16, 16));
    auto button = [&](const char *name, const QString &hint, QStyle::StandardPixmap icon) {
        auto *b = new QToolButton;
        b->setObjectName(QLatin1String(name));
        b->setToolTip(hint);
        b->setIcon(style()->standardIcon(icon));
        b->setAutoRaise(true);
        toolBar->addWidget(b);
        return b;
    };
    m_first = button("btFirst", tr("First"), QStyle::SP_MediaSkipBackward);
    m_prior = button("btPrior", tr("Previous"), QStyle::SP_MediaSeekBackward);
    m_next = button("btNext", tr("Next"), QStyle::SP_MediaSeekForward);
    m_last = button("btLast", tr("Last"), QStyle::SP_MediaSkipForward);
    toolBar->addSeparator();
    QToolButton *fields =
        button("btEditShowFields", tr("Fields"), QStyle::SP_FileDialogDetailedView);
    // The same picture as the main window's column chooser.
    if (const QIcon columns = TIconLists::Instance().Command(QStringLiteral("acColumns"));
        !columns.isNull())
        fields->setIcon(columns);
    fields->setText(tr("Fields"));
    fields->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolBar->addSeparator();
    auto *close = new QToolButton;
    close->setObjectName(QStringLiteral("btClose"));
    close->setText(tr("&Close"));
    close->setAutoRaise(true);
    toolBar->addWidget(close);

    connect(m_first, &QToolButton::clicked, this, [this] { setPosition(0); });
    connect(m_prior, &QToolButton::clicked, this, [this] { setPosition(m_position - 1); });
    connect(m_next, &QToolButton::clicked, this, [this] { setPosition(m_position + 1); });
    connect(m_last, &QToolButton::clicked, this, [this] { setPosition(int(m_items.size()) - 1); });
    connect(fields, &QToolButton::clicked, this, [this] { editShowFields(); });
    connect(close, &QToolButton::clicked, this, &QDialog::accept);

    m_form = new QScrollArea;
    m_form->setObjectName(QStringLiteral("scBrowse"));
    m_form->setWidgetResizable(true);
    m_form->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    m_details = new QWidget;
    m_details->setObjectName(QStringLiteral("pnDetails"));
    m_tree = new QTreeWidget;
    m_tree->setObjectName(QStringLiteral("tvDetails"));
    m_tree->setHeaderHidden(true);
    m_tree->setIconSize(QSize(16, 16));
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Long captions scroll sideways instead of being cut short.
    m_tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_tree->header()->setStretchLastSection(false);
    auto *detailsBox = new QVBoxLayout(m_details);
    detailsBox->setContentsMargins(0, 0, 0, 0);
    detailsBox->addWidget(m_tree);

    m_topSplitter = new QSplitter(Qt::Horizontal);
    m_topSplitter->setChildrenCollapsible(false);
    m_topSplitter->addWidget(m_form);
    m_topSplitter->addWidget(m_details);
    m_topSplitter->setStretchFactor(0, 1);

    m_coverComments = new QWidget;
    m_coverComments->setObjectName(QStringLiteral("pnCoverComments"));
    m_cover = new QLabel;
    m_cover->setObjectName(QStringLiteral("imCover"));
    // The picture takes the panel's height, so the panel alone decides it.
    m_cover->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
    m_cover->setScaledContents(true);
    m_comments = new QPlainTextEdit;
    m_comments->setObjectName(QStringLiteral("mmComments"));
    m_comments->setReadOnly(true);
    auto *coverBox = new QHBoxLayout(m_coverComments);
    coverBox->setContentsMargins(0, 0, 0, 0);
    coverBox->addWidget(m_cover);
    coverBox->addWidget(m_comments, 1);
    m_coverComments->installEventFilter(this);

    m_bottomSplitter = new QSplitter(Qt::Vertical);
    m_bottomSplitter->setChildrenCollapsible(false);
    m_bottomSplitter->addWidget(m_topSplitter);
    m_bottomSplitter->addWidget(m_coverComments);
    m_bottomSplitter->setStretchFactor(0, 1);

    auto *status = new QStatusBar;
    status->setObjectName(QStringLiteral("sbStatus"));
    status->setSizeGripEnabled(false);
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("laStatus"));
    status->addWidget(m_status, 1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar);
    layout->addWidget(m_bottomSplitter, 1);
    layout->addWidget(status);

    resize(640, 480);
    RestoreWindowPlacement(this, settings);

    updateButtons();
    buildFieldForm();
    showItem();
}

TfmBrowse::~TfmBrowse() = default;

void TfmBrowse::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The splitters know their extent only once the window is laid out.
    if (!m_shown) {
        m_shown = true;
        const int width = m_topSplitter->width() - m_topSplitter->handleWidth();
        m_topSplitter->setSizes({std::max(1, width - m_treeWidth), m_treeWidth});
        const int height = m_bottomSplitter->height() - m_bottomSplitter->handleWidth();
        m_bottomSplitter->setSizes(
            {std::max(1, height - m_coverCommentsHeight), m_coverCommentsHeight});
        showCover();
    }
}

bool TfmBrowse::eventFilter(QObject *watched, QEvent *event)
{
    // The picture follows the height of its panel, keeping its proportions.
    if (watched == m_coverComments && event->type() == QEvent::Resize)
        showCover();
    return QDialog::eventFilter(watched, event);
}

void TfmBrowse::setPosition(int position)
{
    m_position = position;
    updateButtons();
    showItem();
}

void TfmBrowse::updateButtons()
{
    const int count = int(m_items.size());
    m_first->setEnabled(m_position > 0);
    m_prior->setEnabled(m_position > 0);
    m_next->setEnabled(m_position < count - 1);
    m_last->setEnabled(m_position < count - 1);
}

void TfmBrowse::buildFieldForm()
{
    m_edits.clear();
    auto *content = new QWidget;
    auto *box = new QVBoxLayout(content);
    box->setContentsMargins(4, 4, 8, 4);
    box->setSpacing(0);
    QPalette greyed = palette();
    greyed.setColor(QPalette::Base, greyed.color(QPalette::Window));
    for (qsizetype i = 0; i < m_showFields.Count(); ++i) {
        const TFieldId field = m_showFields.Items(i)->FieldId;
        auto *label = new QLabel(m_showFields.Items(i)->GetName(m_dm.Fields()));
        label->setTextFormat(Qt::PlainText);
        auto *edit = new QLineEdit;
        edit->setReadOnly(true);
        edit->setPalette(greyed);
        box->addWidget(label);
        box->addSpacing(2);
        box->addWidget(edit);
        box->addSpacing(4);
        m_edits.emplace_back(field, edit);
    }
    box->addStretch(1);
    m_form->setWidget(content); // frees the previous form
}

void TfmBrowse::addChildren(QTreeWidgetItem *parent, const TDataItem *item)
{
    for (const TDataItem *child : item->Children) {
        auto *node = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_tree);
        node->setText(0, itemCaption(child));
        node->setIcon(0, TIconLists::Instance().Small(child->GetImageIndex()));
        addChildren(node, child);
    }
}

void TfmBrowse::showItem()
{
    if (m_position < 0 || m_position >= m_items.size())
        return;
    const TDataItem *item = m_items.at(m_position);

    m_tree->clear();
    addChildren(nullptr, item);
    m_tree->expandAll();
    if (m_tree->topLevelItemCount() > 0)
        m_tree->setCurrentItem(m_tree->topLevelItem(0));

    for (const auto &[field, edit] : m_edits) {
        edit->setText(item->GetFieldAsString(field));
        edit->setCursorPosition(0);
    }

    const TAlbum *album = item->GetAlbum();
    m_coverImage = QImage();
    const TFolderFile cover =
        m_dm.GetCoverFileName(album ? album->CoverFile.toString() : QString());
    // A damaged, cut short or foreign file shows no picture.
    if (cover.exists)
        m_coverImage = LoadCoverPicture(cover.path).image;
    showCover();
    QString comments = album ? album->Comments.toString() : QString();
    comments.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_comments->setPlainText(comments);

    m_status->setText(tr("Item %1 of %2").arg(m_position + 1).arg(m_items.size()));
}

void TfmBrowse::showCover()
{
    if (m_coverImage.isNull()) {
        m_cover->hide();
        return;
    }
    const int height = std::max(1, m_coverComments->height());
    const int width = std::max(
        1, int(qint64(m_coverImage.width()) * height / std::max(1, m_coverImage.height())));
    m_cover->setFixedWidth(width);
    m_cover->setPixmap(QPixmap::fromImage(
        m_coverImage.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    m_cover->show();
}

void TfmBrowse::editShowFields()
{
    if (!SelectFields(this, m_showFields, tr("for Browse Screen"), m_dm))
        return;
    buildFieldForm();
    showItem();
}

void TfmBrowse::done(int result)
{
    TSettingsStore &settings = m_dm.Settings();
    m_showFields.Save(settings, m_showFieldsKey);
    SaveWindowPlacement(this, settings);
    if (m_shown) {
        m_treeWidth = m_topSplitter->sizes().value(1);
        m_coverCommentsHeight = m_bottomSplitter->sizes().value(1);
    }
    settings.WriteInteger(kSection, kTreeWidth, m_treeWidth);
    settings.WriteInteger(kSection, kCoverCommentsHeight, m_coverCommentsHeight);
    QDialog::done(result);
}

int BrowseList(QWidget *owner, const TDataItemList &items, TItemLevel level, int startPosition,
               TdmGlobal &dm)
{
    TfmBrowse window(owner, items, level, startPosition, dm);
    window.exec();
    return window.Position();
}
