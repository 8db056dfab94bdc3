#include "editors/ui/lookupentrydialog.h"

#include "model/lookuplist.h"
#include "shell/ui/windowplacement.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kMaxNameLength = 255;

QLabel *plainLabel(const QString &text, QWidget *parent, bool wrap)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(wrap);
    return label;
}
} // namespace

TfmLookupEdit::TfmLookupEdit(QWidget *parent)
    : QDialog(parent), m_sortName(new QLineEdit(this)), m_displayName(new QLineEdit(this)),
      m_ok(new QPushButton(tr("OK"), this))
{
    setObjectName(QStringLiteral("fmLookupEdit"));

    m_sortName->setObjectName(QStringLiteral("edSortName"));
    m_sortName->setMaxLength(kMaxNameLength);
    m_displayName->setObjectName(QStringLiteral("edDisplayName"));
    m_displayName->setMaxLength(kMaxNameLength);
    // Wide enough for a long artist name without scrolling.
    m_sortName->setMinimumWidth(300);

    auto *generateSort = new QPushButton(tr("Generate"), this);
    generateSort->setObjectName(QStringLiteral("btGenerateSortName"));
    generateSort->setAutoDefault(false);
    auto *generateDisplay = new QPushButton(tr("Generate"), this);
    generateDisplay->setObjectName(QStringLiteral("btGenerateDisplayName"));
    generateDisplay->setAutoDefault(false);
    connect(generateSort, &QPushButton::clicked, this,
            [this] { m_sortName->setText(GenerateSortName(m_displayName->text())); });
    connect(generateDisplay, &QPushButton::clicked, this,
            [this] { m_displayName->setText(GenerateDisplayName(m_sortName->text())); });

    auto *sortLabel = plainLabel(tr("Sort Name"), this, false);
    sortLabel->setBuddy(m_sortName);
    auto *displayLabel = plainLabel(tr("Display Name"), this, false);
    displayLabel->setBuddy(m_displayName);
    auto *sortHelp = plainLabel(tr("The sort name puts the items in order and must be filled "
                                   "in. Write names last name first, for example: "
                                   "\"Kestrel, Mara\" or \"Lanterns, The\""),
                                this, true);
    auto *displayHelp =
        plainLabel(tr("The display name is shown on screen and in reports; when it is empty, the "
                      "sort name is shown instead. Write names as on the cover, for example: "
                      "\"Mara Kestrel\" or \"The Lanterns\""),
                   this, true);
    auto *cddbNote = plainLabel(tr("Note: to submit an album to CDDB, the artist's display name "
                                   "must not be empty and must be written exactly as it appears "
                                   "on the album cover."),
                                this, true);

    auto *grid = new QGridLayout;
    grid->addWidget(sortLabel, 0, 0);
    grid->addWidget(m_sortName, 0, 1);
    grid->addWidget(generateSort, 0, 2);
    grid->addWidget(sortHelp, 1, 1, 1, 2);
    grid->setRowMinimumHeight(2, 8);
    grid->addWidget(displayLabel, 3, 0);
    grid->addWidget(m_displayName, 3, 1);
    grid->addWidget(generateDisplay, 3, 2);
    grid->addWidget(displayHelp, 4, 1, 1, 2);
    grid->setRowMinimumHeight(5, 8);
    grid->addWidget(cddbNote, 6, 0, 1, 3);

    m_ok->setObjectName(QStringLiteral("btOK"));
    m_ok->setDefault(true);
    auto *cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("btCancel"));
    cancel->setAutoDefault(false);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    // The texts wrap at a fixed width; the dialog does not resize.
    sortHelp->setFixedWidth(460);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_sortName, &QLineEdit::textChanged, this, &TfmLookupEdit::updateOk);
    connect(m_displayName, &QLineEdit::textChanged, this, &TfmLookupEdit::updateOk);
    updateOk();
    m_sortName->setFocus();
}

void TfmLookupEdit::SetNames(const QString &sortName, const QString &displayName)
{
    m_sortName->setText(sortName);
    m_displayName->setText(displayName);
    updateOk();
}

QString TfmLookupEdit::SortName() const
{
    return m_sortName->text();
}

QString TfmLookupEdit::DisplayName() const
{
    return m_displayName->text();
}

void TfmLookupEdit::showEvent(QShowEvent *event)
{
    updateOk();
    m_sortName->setFocus();
    QDialog::showEvent(event);
}

void TfmLookupEdit::updateOk()
{
    m_ok->setEnabled(!m_sortName->text().isEmpty());
}

int EditLookupEntry(QWidget *owner, const QString &caption, QString &sortName, QString &displayName)
{
    TfmLookupEdit dialog(owner);
    dialog.setWindowTitle(caption);
    dialog.SetNames(sortName, displayName);
    dialog.adjustSize();
    CenterOnOwner(&dialog, owner);
    const int result = dialog.exec();
    sortName = dialog.SortName();
    displayName = dialog.DisplayName();
    return result;
}
