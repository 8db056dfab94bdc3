// The album editor's Cover tab: the picture file, copied into the covers folder when
// chosen, the picture shown whole or stretched, and the thumbnail made from it.
#include "editors/ui/albumeditor.h"

#include "model/atomicfile.h"
#include "model/general.h"
#include "services/coverimage.h"
#include "shell/dmglobal.h"
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

QWidget *TfmAlbum::buildCoverTab()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tsCover"));
    // The file name and its buttons across the whole page, the picture below.
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(tr("Cover Picture File"), page));
    auto *fileRow = new QHBoxLayout;
    m_coverFile = panel("pnCoverFile", page);
    m_coverFile->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // Room for a usual file name; a longer one shows its start.
    m_coverFile->setMinimumWidth(m_coverFile->fontMetrics().averageCharWidth() * 24);
    auto *browse = button(tr("Browse..."), "btBrowseCoverFile", page);
    auto *clear = button(tr("Clear"), "btClearCoverFile", page);
    auto *copy = button(tr("Copy"), "btCopy", page);
    m_copyButton = copy;
    fileRow->addWidget(m_coverFile, 1);
    fileRow->addWidget(browse);
    fileRow->addWidget(clear);
    fileRow->addWidget(copy);
    layout->addLayout(fileRow);
    auto *pictures = new QHBoxLayout;
    layout->addLayout(pictures, 1);
    auto *left = new QVBoxLayout;
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
    pictures->addLayout(left, 1);

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
    pictures->addLayout(right);

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
