#pragma once

#include "views/fieldselection.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QListWidget;
class QRadioButton;
class QSplitter;
class QTreeWidget;
class QTreeWidgetItem;
class TdmGlobal;
class TFieldListWidget;
class TFieldTreeWidget;

// Edits a show-field or sort-field list: the fields of the level in groups on the
// left, the list's rows in the middle, dragged between the two. The rows and their
// editing rules live in TFieldSelection; this window only draws them.
class TfmSelectFields : public QDialog
{
    Q_OBJECT

public:
    TfmSelectFields(QWidget *owner, const TListFields &fields, const QString &captionSuffix,
                    TdmGlobal &dm);
    ~TfmSelectFields() override;

    const TFieldSelection &Selection() const { return m_selection; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildTree();
    void showRows();
    void showOrder();
    void dropField(TFieldId field, int before);
    void moveRow(int from, int before);
    void removeRow(int row);
    void treeDoubleClicked(QTreeWidgetItem *item);
    void listDoubleClicked(int row);
    void setSelectedOrder(qint32 order);

    TdmGlobal &m_dm;
    TFieldSelection m_selection;
    QSplitter *m_splitter = nullptr;
    TFieldTreeWidget *m_tree = nullptr;
    TFieldListWidget *m_list = nullptr;
    QGroupBox *m_order = nullptr;
    QRadioButton *m_ascending = nullptr;
    QRadioButton *m_descending = nullptr;
    int m_treeWidth = 0;
    bool m_shown = false;
};

// Shows the dialog modally for a show-field or sort-field list. On OK the list is
// replaced by the edited rows and the result is true; Cancel leaves it unchanged.
bool SelectFields(QWidget *owner, TListFields &fields, const QString &captionSuffix, TdmGlobal &dm);
