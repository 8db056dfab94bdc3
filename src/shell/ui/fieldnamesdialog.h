#pragma once

#include <QDialog>
#include <QStringList>

class QTreeWidget;
class QTreeWidgetItem;
class TQelFields;
class TdmGlobal;

// True when a row other than row already carries name, compared without regard to
// case: such a rename is refused. A row may keep its own name in another case.
bool FieldNameTaken(const QStringList &names, qsizetype row, const QString &name);

// "Field Names": the user's name of every field beside its original name. Names are
// renamed in place (F2); OK gives them to the field catalogue.
class TfmFieldNames : public QDialog
{
    Q_OBJECT

public:
    enum Column { colYourName = 0, colOriginalName = 1 };

    explicit TfmFieldNames(TQelFields &fields, QWidget *parent = nullptr);

    void accept() override;

    // A click on a column header: that column ascending, or the other way round when
    // it is already the sorted one.
    void SortBy(int column);
    // The sort picture in a column's header (of the icon lists), -1 for none.
    int HeaderImage(int column) const;
    // Starts editing the selected row's name.
    void RenameSelected();

private:
    void nameEdited(QTreeWidgetItem *item, int column);
    QStringList currentNames() const;

    TQelFields &m_fields;
    QTreeWidget *m_list;
    int m_sortColumn = colYourName;
    Qt::SortOrder m_order = Qt::AscendingOrder;
};

// Shows the dialog over owner; returns the dialog's result (QDialog::Accepted for OK).
// OK writes the field names file at once (a crash later keeps the names).
int EditFieldNames(QWidget *owner, TdmGlobal &dm);
