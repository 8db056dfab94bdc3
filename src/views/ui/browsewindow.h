#pragma once

#include "model/dataitemlist.h"
#include "views/listfields.h"

#include <QDialog>
#include <QImage>
#include <vector>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QScrollArea;
class QSplitter;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class TdmGlobal;

// Shows the items of a list one at a time: a form of the show fields, the item's
// contents as a tree, its album's cover and comments, and buttons to step through.
class TfmBrowse : public QDialog
{
    Q_OBJECT

public:
    TfmBrowse(QWidget *owner, const TDataItemList &items, TItemLevel level, int startPosition,
              TdmGlobal &dm);
    ~TfmBrowse() override;

    int Position() const { return m_position; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setPosition(int position);
    void updateButtons();
    void buildFieldForm();
    void showItem();
    void showCover();
    void editShowFields();
    void addChildren(QTreeWidgetItem *parent, const TDataItem *item);

    const TDataItemList &m_items;
    TdmGlobal &m_dm;
    TShowFields m_showFields;
    QString m_showFieldsKey;
    int m_position;

    QToolButton *m_first = nullptr;
    QToolButton *m_prior = nullptr;
    QToolButton *m_next = nullptr;
    QToolButton *m_last = nullptr;
    QScrollArea *m_form = nullptr;
    std::vector<std::pair<TFieldId, QLineEdit *>> m_edits;
    QSplitter *m_topSplitter = nullptr;    // form | details
    QSplitter *m_bottomSplitter = nullptr; // top | cover and comments
    QWidget *m_details = nullptr;
    QTreeWidget *m_tree = nullptr;
    QWidget *m_coverComments = nullptr;
    QLabel *m_cover = nullptr;
    QPlainTextEdit *m_comments = nullptr;
    QLabel *m_status = nullptr;
    QImage m_coverImage;
    int m_treeWidth = 200;
    int m_coverCommentsHeight = 50;
    bool m_shown = false;
};

// Shows the list modally at startPosition; returns the position it was closed on.
int BrowseList(QWidget *owner, const TDataItemList &items, TItemLevel level, int startPosition,
               TdmGlobal &dm);
