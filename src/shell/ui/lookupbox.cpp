#include "shell/ui/lookupbox.h"

#include "model/lookuplist.h"
#include <QComboBox>
#include <QSignalBlocker>

QComboBox *NewLookupBox(const QString &objectName, int minimumLength)
{
    auto *box = new QComboBox;
    box->setObjectName(objectName);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMaxVisibleItems(15);
    box->setMinimumContentsLength(minimumLength);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    return box;
}

void FillLookupBox(QComboBox *box, const TLookupList &list)
{
    const QString text = box->currentText();
    const QSignalBlocker block(box);
    box->clear();
    box->addItems(list.SortNames());
    box->setCurrentText(text);
}
