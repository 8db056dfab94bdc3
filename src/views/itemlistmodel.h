#pragma once

#include "model/fields.h"

#include <QAbstractTableModel>

class TBrowseState;

// The list of lvMain: the rows are the browse state's current groups or items, and
// every cell is answered when it is painted.
class TItemListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Role {
        ImageIndexRole = Qt::UserRole + 1, // into the icon lists
        ThumbnailIndexRole,                // albums: index in the picture list, 0 = none
        FieldRole,                         // header: the column's field number
        IconCaptionRole,                   // a row's caption in icon style
    };

    explicit TItemListModel(TBrowseState &state, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Used by the browse state.
    void BeginRebuild() { beginResetModel(); }
    void EndRebuild() { endResetModel(); }
    void Repaint();
    // The field of a column, or fdNone (the group column, the caption column).
    TFieldId ColumnField(int column) const;

private:
    TBrowseState &m_state;
};
