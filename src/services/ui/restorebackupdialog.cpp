#include "services/ui/restorebackupdialog.h"

#include "model/general.h"
#include "shell/ui/windowplacement.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QString sizeText(qint64 bytes)
{
    return QLocale::system().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

} // namespace

TfmRestoreBackup::TfmRestoreBackup(const std::vector<TBackupInfo> &backups, int currentAlbums,
                                   qint64 currentSize, QWidget *parent)
    : QDialog(parent), m_backups(backups)
{
    setObjectName(QStringLiteral("fmRestoreBackup"));
    setWindowTitle(tr("Restore from Backup"));

    const QString counts =
        currentAlbums == 1
            ? tr("Current collection: 1 album, %1").arg(sizeText(currentSize))
            : tr("Current collection: %1 albums, %2")
                  .arg(QLocale::system().toString(currentAlbums), sizeText(currentSize));
    auto *current = new QLabel(counts, this);
    current->setObjectName(QStringLiteral("lbCurrent"));
    current->setTextFormat(Qt::PlainText);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("lvBackups"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setHeaderLabels({tr("Date"), tr("Time"), tr("Albums"), tr("Size")});
    const QLocale locale = QLocale::system();
    for (const TBackupInfo &b : m_backups) {
        auto *row = new QTreeWidgetItem(m_list);
        row->setText(0, locale.toString(b.time.date(), QLocale::ShortFormat));
        row->setText(1, b.time.time().toString(QStringLiteral("HH:mm:ss")));
        row->setText(2, b.albums >= 0 ? locale.toString(b.albums) : QString());
        row->setText(3, sizeText(b.size));
        row->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        row->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
    }
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));

    auto *hint = new QLabel(tr("Restoring keeps the current collection as a backup first."), this);

    auto *restore = new QPushButton(tr("&Restore"), this);
    restore->setObjectName(QStringLiteral("btRestore"));
    restore->setDefault(true);
    restore->setEnabled(m_list->currentItem() != nullptr);
    auto *cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("btCancel"));
    connect(restore, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(restore);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(current);
    layout->addWidget(m_list, 1);
    layout->addWidget(hint);
    layout->addLayout(buttons);
    resize(460, 360);
}

const TBackupInfo &TfmRestoreBackup::Chosen() const
{
    const int row = m_list->indexOfTopLevelItem(m_list->currentItem());
    return m_backups.at(row >= 0 ? row : 0);
}

bool ChooseBackup(QWidget *owner, const std::vector<TBackupInfo> &backups, int currentAlbums,
                  qint64 currentSize, TBackupInfo *chosen)
{
    if (backups.empty()) {
        ShowInfo(TfmRestoreBackup::tr("There is no backup of this collection yet."));
        return false;
    }
    TfmRestoreBackup dialog(backups, currentAlbums, currentSize, owner);
    CenterOnOwner(&dialog, owner);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    *chosen = dialog.Chosen();
    return true;
}
