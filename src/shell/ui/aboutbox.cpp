#include "shell/ui/aboutbox.h"

#include "model/general.h"
#include "shell/ui/iconlists.h"
#include "shell/ui/windowplacement.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel *line(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    return label;
}

} // namespace

void ShowAbout(QWidget *owner)
{
    QDialog dialog(owner);
    dialog.setObjectName(QStringLiteral("fmAbout"));
    dialog.setWindowTitle(QDialog::tr("About Qel Music"));

    auto *icon = new QLabel(&dialog);
    icon->setAlignment(Qt::AlignCenter);
    icon->setPixmap(TIconLists::Instance().Logo().pixmap(QSize(64, 64)));

    auto *name = line(QStringLiteral("Qel Music"), &dialog);
    name->setObjectName(QStringLiteral("laAppName"));
    QFont font = name->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.4);
    name->setFont(font);

    auto *version = line(QDialog::tr("Version %1").arg(GetVersionText(true)), &dialog);
    version->setObjectName(QStringLiteral("laVersion"));
    auto *purpose = line(QDialog::tr("A catalogue of your music collection: albums and their "
                                     "tracks, covers and lyrics, filled in from CD lookups "
                                     "and MP3 folders."),
                         &dialog);
    purpose->setObjectName(QStringLiteral("laPurpose"));
    auto *toolkit =
        line(QDialog::tr("Built with Qt %1").arg(QStringLiteral(QT_VERSION_STR)), &dialog);
    toolkit->setEnabled(false);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    buttons->button(QDialogButtonBox::Close)->setObjectName(QStringLiteral("btClose"));
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

    auto *layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(20, 16, 20, 12);
    layout->addWidget(icon);
    layout->addWidget(name);
    layout->addWidget(version);
    layout->addSpacing(8);
    layout->addWidget(purpose);
    layout->addWidget(toolkit);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    // Wide enough that the wrapped line reads as a sentence, not a column.
    purpose->setMinimumWidth(300);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    dialog.adjustSize();
    CenterOnOwner(&dialog, owner);
    dialog.exec();
}
