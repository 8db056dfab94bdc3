#pragma once

#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <functional>
#include <vector>

class QAbstractItemModel;
class QAbstractItemView;
class QItemSelectionModel;
class QListView;
class QModelIndex;
class QTableView;

// Paints the pictures of the program's item models, which answer image indexes
// (ImageIndexRole) rather than icons: the index is turned into an icon here, and an
// album with a thumbnail may show it instead.
class TImageIndexDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    // index -> icon; large: 32 pixel pictures.
    using TIconSource = std::function<QIcon(const QModelIndex &index, bool large)>;

    TImageIndexDelegate(TIconSource source, bool large, QObject *parent = nullptr);
    void SetLarge(bool large) { m_large = large; }
    // The model role of the text shown (the display text by default).
    void SetTextRole(int role) { m_textRole = role; }

    // What a row is drawn with; public for tests.
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    TIconSource m_source;
    bool m_large;
    int m_textRole = Qt::DisplayRole;
};

// The list of the main window and of several dialogs: a details table with a header
// that carries a sort mark, or, in icon style, a grid of large pictures. Both show
// one model and share one selection.
class TQelListView : public QStackedWidget
{
    Q_OBJECT
    Q_PROPERTY(int ImageIndexAscending READ ImageIndexAscending WRITE SetImageIndexAscending)
    Q_PROPERTY(int ImageIndexDescending READ ImageIndexDescending WRITE SetImageIndexDescending)

public:
    enum TViewStyle { vsIcon = 0, vsSmallIcon = 1, vsList = 2, vsReport = 3 };

    explicit TQelListView(QWidget *parent = nullptr);

    void setModel(QAbstractItemModel *model);
    QAbstractItemModel *model() const;
    QItemSelectionModel *selectionModel() const;
    // The selected rows in ascending order; the current row when none is selected.
    std::vector<int> SelectedRows() const;
    QTableView *Details() const { return m_details; }
    QListView *Icons() const { return m_icons; }
    // The view that is showing.
    QAbstractItemView *Current() const;

    // 0 icons, 3 details (anything else is taken as details).
    int ViewStyle() const { return m_style; }
    void SetViewStyle(int style);

    // Where the image of an index comes from (icons of the program's lists).
    void SetIconSource(TImageIndexDelegate::TIconSource source);
    // The model role of the captions in icon style (the display text by default).
    void SetIconTextRole(int role);

    int ImageIndexAscending() const { return m_ascending; }
    void SetImageIndexAscending(int index) { m_ascending = index; }
    int ImageIndexDescending() const { return m_descending; }
    void SetImageIndexDescending(int index) { m_descending = index; }

    // Marks the column whose tag (the model's header value for TagRole) is tag with
    // the ascending or descending image; every other column loses its mark.
    void SetSortColumn(int tag, bool ascending);
    int SortTag() const { return m_sortTag; }
    bool SortAscending() const { return m_sortAscending; }
    // The image index shown in a column's header, -1 for none.
    int HeaderImage(int column) const;
    void SetTagRole(int role) { m_tagRole = role; }
    int TagRole() const { return m_tagRole; }
    // The picture of an image index for the header marks.
    void SetHeaderIconSource(std::function<QIcon(int)> source);
    QIcon HeaderIcon(int index) const { return m_headerIcons ? m_headerIcons(index) : QIcon(); }

    // The current row (-1 none) in either style.
    int CurrentRow() const;
    void SetCurrentRow(int row);

signals:
    void rowActivated(int row);
    void currentRowChanged(int row);
    void headerClicked(int column);

private:
    QTableView *m_details;
    QListView *m_icons;
    TImageIndexDelegate *m_smallDelegate;
    TImageIndexDelegate *m_largeDelegate;
    std::function<QIcon(int)> m_headerIcons;
    int m_style = vsReport;
    int m_iconTextRole = Qt::DisplayRole;
    int m_ascending = -1;
    int m_descending = -1;
    int m_sortTag = -1;
    bool m_sortAscending = true;
    int m_tagRole = Qt::UserRole;
};
