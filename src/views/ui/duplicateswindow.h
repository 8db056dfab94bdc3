#pragma once

#include "model/duplicates.h"

#include <QDialog>
#include <functional>
#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TAlbum;
class TQelDb;
class TQelFields;

// What the duplicates window asks of the main window.
struct TDuplicatesHost
{
    // Shows the album in the main window's tree and list.
    std::function<void(TAlbum *album)> showAlbum;
    // Removes the albums the main window's way (the usual question, one save); true when
    // they are gone.
    std::function<bool(const std::vector<TAlbum *> &albums)> removeAlbums;
};

// "Duplicate Albums": the groups of albums that are likely the same, each album with
// its format, year, location and number. A double click shows the album in the main
// window; "Remove" removes the selected albums there. The window stays open beside the
// main window, so it never trusts a row: an album is used only while the collection
// still holds it (by address and identifier), and rows of albums gone are skipped.
class TfmDuplicates : public QDialog
{
    Q_OBJECT

public:
    TfmDuplicates(TQelDb &db, const TQelFields &fields, TDuplicatesHost host,
                  QWidget *parent = nullptr);

    // Looks for the groups again and shows them.
    void Find();
    int GroupCount() const;
    // The album of a row while the collection holds it; nullptr for group rows and
    // albums gone.
    TAlbum *AlbumOf(const QTreeWidgetItem *row) const;
    void ShowRow(const QTreeWidgetItem *row);
    void RemoveSelected();

private:
    void updateState();
    // Takes out the rows of albums, and the groups left with fewer than two.
    void dropRows(const std::vector<const QTreeWidgetItem *> &rows);

    TQelDb &m_db;
    const TQelFields &m_fields;
    TDuplicatesHost m_host;
    QTreeWidget *m_tree;
    QLabel *m_count;
    QPushButton *m_remove;
};
