#include "shell/ui/prefsdialog.h"

#include "model/general.h"
#include "shell/dmglobal.h"
#include "shell/drivelist.h"
#include "shell/prefs.h"
#include "shell/ui/windowplacement.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QCheckBox *checkBox(const QString &name, const QString &text, bool checked, QWidget *parent)
{
    auto *box = new QCheckBox(text, parent);
    box->setObjectName(name);
    box->setChecked(checked);
    return box;
}

QPushButton *button(const QString &name, const QString &text, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

// The folder chooser: Qt's own dialog shows the prompt under the folder list; a
// desktop's native dialog has no room for it and shows the caption only.
QString selectFolder(QWidget *parent, const QString &prompt, const QString &start)
{
    QFileDialog dialog(parent, QFileDialog::tr("Select a Folder"));
    dialog.setObjectName(QStringLiteral("dlgSelectFolder"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setDirectory(QFileInfo(start).isDir() ? start : ProgramFolder());
    if (auto *grid = qobject_cast<QGridLayout *>(dialog.layout())) {
        auto *label = new QLabel(prompt, &dialog);
        label->setTextFormat(Qt::PlainText);
        grid->addWidget(label, grid->rowCount(), 0, 1, grid->columnCount());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

} // namespace

TfmPrefs::TfmPrefs(TPrefs &prefs, TDriveList &drives, QWidget *parent)
    : QDialog(parent), m_prefs(prefs)
{
    setObjectName(QStringLiteral("fmPrefs"));
    setWindowTitle(tr("Preferences"));

    auto *pages = new QTabWidget(this);
    pages->setObjectName(QStringLiteral("pcPrefs"));

    // General
    auto *general = new QWidget;
    general->setObjectName(QStringLiteral("tsGeneral"));
    auto *driveLabel = new QLabel(tr("CD-ROM drive used for scanning CDs:"), general);
    m_drive = new QComboBox(general);
    m_drive->setObjectName(QStringLiteral("cbScanDrive"));
    m_drive->addItems(drives.CdDrives());
    // A disc image of ripped CDs is catalogued the same way as a disc in a drive.
    const QString scanDrive = prefs.GetScanDrive();
    if (IsDiscImagePath(scanDrive))
        m_drive->addItem(scanDrive);
    m_drive->setCurrentIndex(m_drive->findText(scanDrive));
    driveLabel->setBuddy(m_drive);
    auto *imageButton = new QPushButton(tr("&Image File..."), general);
    imageButton->setObjectName(QStringLiteral("btDiscImage"));
    imageButton->setToolTip(tr("Scan a disc image file (.cue, .toc, .nrg) instead of a drive"));
    ChooseImage = [](QWidget *owner, const QString &folder) {
        return QFileDialog::getOpenFileName(owner, tr("Disc Image File"), folder,
                                            tr("Disc images (*.cue *.toc *.nrg)"));
    };
    connect(imageButton, &QPushButton::clicked, this, [this] {
        const QString current = m_drive->currentText();
        const QString file =
            ChooseImage(this, IsDiscImagePath(current) ? QFileInfo(current).path() : QString());
        if (file.isEmpty())
            return;
        if (m_drive->findText(file) < 0)
            m_drive->addItem(file);
        m_drive->setCurrentIndex(m_drive->findText(file));
    });
    auto *driveRow = new QHBoxLayout;
    driveRow->addWidget(m_drive, 1);
    driveRow->addWidget(imageButton);

    auto *confirm = new QGroupBox(tr("Ask for confirmation ..."), general);
    m_trackRemoval = checkBox(QStringLiteral("ckConfirmTrackRemoval"), tr("when removing tracks."),
                              prefs.ConfirmTrackRemoval, confirm);
    m_albumRemoval = checkBox(QStringLiteral("ckConfirmAlbumRemoval"), tr("when removing albums."),
                              prefs.ConfirmAlbumRemoval, confirm);
    m_albumCancel =
        checkBox(QStringLiteral("ckConfirmAlbumCancel"), tr("when cancelling in Album screen."),
                 prefs.ConfirmAlbumCancel, confirm);
    m_trackCancel =
        checkBox(QStringLiteral("ckConfirmTrackCancel"), tr("when cancelling in Track screen."),
                 prefs.ConfirmTrackCancel, confirm);
    auto *confirmLayout = new QVBoxLayout(confirm);
    for (QCheckBox *box : {m_trackRemoval, m_albumRemoval, m_albumCancel, m_trackCancel})
        confirmLayout->addWidget(box);

    m_indicator = checkBox(QStringLiteral("ckShowInCollectionIndicator"),
                           tr("Show \"In Collection\" Indicator in Tree"),
                           prefs.ShowInCollectionIndicator, general);

    auto *backups = new QGroupBox(tr("Backups"), general);
    m_backups = checkBox(QStringLiteral("ckKeepBackups"), tr("&Keep backups of the collection"),
                         prefs.KeepBackups, backups);
    auto *spaceLabel = new QLabel(tr("&Space for backups (MB):"), backups);
    m_backupSpace = new QSpinBox(backups);
    m_backupSpace->setObjectName(QStringLiteral("seBackupSpace"));
    m_backupSpace->setRange(10, 1048576);
    m_backupSpace->setValue(prefs.BackupSpaceMB);
    spaceLabel->setBuddy(m_backupSpace);
    connect(m_backups, &QCheckBox::toggled, m_backupSpace, &QWidget::setEnabled);
    m_backupSpace->setEnabled(prefs.KeepBackups);
    auto *backupsLayout = new QGridLayout(backups);
    backupsLayout->addWidget(m_backups, 0, 0, 1, 2);
    backupsLayout->addWidget(spaceLabel, 1, 0);
    backupsLayout->addWidget(m_backupSpace, 1, 1);

    // Albums made from MusicBrainz releases take their front cover from the archive.
    auto *frontCovers = checkBox(QStringLiteral("ckFetchFrontCovers"), tr("Fetch front covers"),
                                 prefs.FetchFrontCovers, general);
    frontCovers->setToolTip(tr("An album made from a MusicBrainz release gets its front cover "
                               "from the Cover Art Archive"));

    auto *generalLayout = new QVBoxLayout(general);
    generalLayout->addWidget(driveLabel);
    generalLayout->addLayout(driveRow);
    generalLayout->addSpacing(6);
    generalLayout->addWidget(confirm);
    generalLayout->addWidget(m_indicator);
    generalLayout->addWidget(frontCovers);
    generalLayout->addWidget(backups);
    generalLayout->addStretch();
    pages->addTab(general, tr("General"));

    // Folders
    auto *folders = new QWidget;
    folders->setObjectName(QStringLiteral("tsFolders"));
    auto *foldersLayout = new QGridLayout(folders);
    const auto folderRow = [&](int row, const QString &caption, const QString &editName,
                               const QString &buttonName, const QString &value,
                               const QString &prompt) {
        auto *label = new QLabel(caption, folders);
        auto *edit = new QLineEdit(value, folders);
        edit->setObjectName(editName);
        edit->setCursorPosition(0); // the start of a long path says more than its end
        label->setBuddy(edit);
        auto *browseButton = button(buttonName, tr("Browse..."), folders);
        connect(browseButton, &QPushButton::clicked, this,
                [this, edit, prompt] { browse(edit, prompt); });
        foldersLayout->addWidget(label, row * 2, 0, 1, 2);
        foldersLayout->addWidget(edit, row * 2 + 1, 0);
        foldersLayout->addWidget(browseButton, row * 2 + 1, 1);
        return edit;
    };
    m_covers = folderRow(0, tr("&Cover Pics"), QStringLiteral("edCoversFolder"),
                         QStringLiteral("btBrowseCoversFolder"), prefs.CoversFolder,
                         tr("Please choose a folder to store the cover picture files."));
    m_lyrics = folderRow(1, tr("&Lyrics"), QStringLiteral("edLyricsFolder"),
                         QStringLiteral("btBrowseLyricsFolder"), prefs.LyricsFolder,
                         tr("Please choose a folder to store the lyrics files."));
    foldersLayout->setRowMinimumHeight(2, 24);
    foldersLayout->setRowStretch(4, 1);
    foldersLayout->setColumnStretch(0, 1);
    pages->addTab(folders, tr("Folders"));
    pages->setCurrentIndex(0);

    auto *ok = button(QStringLiteral("btOk"), tr("OK"), this);
    ok->setDefault(true);
    auto *cancel = button(QStringLiteral("btCancel"), tr("Cancel"), this);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(pages, 1);
    layout->addLayout(buttons);
    // Folder paths are long; the edits get room for a typical one.
    pages->setMinimumWidth(360);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfmPrefs::browse(QLineEdit *edit, const QString &prompt)
{
    const QString folder = selectFolder(this, prompt, edit->text());
    if (!folder.isEmpty())
        edit->setText(folder);
}

void TfmPrefs::accept()
{
    m_prefs.ConfirmTrackRemoval = m_trackRemoval->isChecked();
    m_prefs.ConfirmAlbumRemoval = m_albumRemoval->isChecked();
    m_prefs.ConfirmAlbumCancel = m_albumCancel->isChecked();
    m_prefs.ConfirmTrackCancel = m_trackCancel->isChecked();
    m_prefs.ShowInCollectionIndicator = m_indicator->isChecked();
    m_prefs.KeepBackups = m_backups->isChecked();
    m_prefs.BackupSpaceMB = m_backupSpace->value();
    if (auto *frontCovers = findChild<QCheckBox *>(QStringLiteral("ckFetchFrontCovers")))
        m_prefs.FetchFrontCovers = frontCovers->isChecked();
    if (m_drive->currentIndex() >= 0)
        m_prefs.Drive = m_drive->currentText();
    // Taken as typed: a folder that does not exist only makes its files "missing".
    m_prefs.CoversFolder = m_covers->text();
    m_prefs.LyricsFolder = m_lyrics->text();
    QDialog::accept();
}

bool EditPreferences(QWidget *owner, TdmGlobal &dm, TDriveList *drives)
{
    TfmPrefs dialog(dm.Prefs(), drives ? *drives : SystemDriveList(), owner);
    dialog.adjustSize();
    CenterOnOwner(&dialog, owner);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dm.SaveChanges();
    return true;
}
