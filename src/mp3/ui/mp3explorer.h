#pragma once

#include <QDialog>
#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QFileSystemModel;
class QLabel;
class QProgressBar;
class QSplitter;
class QTimer;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;
class TAlbum;
class TMP3Folder;
class TMP3Item;
class TMP3Scanner;
class TQelDb;
class TdmGlobal;

// The MP3 explorer: a folder tree beside the audio files of the chosen folder (MP3 and
// the other common formats) with their tags and stream values; plays a file and makes a
// new album of the folder.
class TfmScanMp3 : public QDialog
{
    Q_OBJECT

public:
    // New albums are made for db with dm's field defaults and covers folder. addAlbum gets
    // such an album (not in the collection); it returns true when it took the album,
    // false when the album is to be discarded.
    TfmScanMp3(TQelDb &db, TdmGlobal &dm, std::function<bool(TAlbum *)> addAlbum,
               QWidget *parent = nullptr);
    ~TfmScanMp3() override;

    // Scans folder as choosing it in the tree does.
    void ScanFolder(const QString &folder);
    bool Scanning() const;
    void CancelScan();
    TMP3Folder *Root() { return m_root.get(); }

protected:
    void showEvent(QShowEvent *event) override;
    void done(int result) override;

private:
    void scan(bool recursive);
    void fillList();
    void addFileRow(const TMP3Item *item, bool flat);
    void onTreeChanged();
    void updateCommands();
    void createAlbum();
    void play();
    const TMP3Item *currentItem() const;

    TQelDb &m_db;
    TdmGlobal &m_dm;
    std::function<bool(TAlbum *)> m_addAlbum;
    std::unique_ptr<TMP3Folder> m_root;
    std::unique_ptr<TMP3Scanner> m_scanner;
    QString m_folder;
    int m_total = 0;
    bool m_otherFormats = false; // the folder holds other audio files than MP3 files
    bool m_recursive = false;    // how the root was read
    bool m_shown = false;

    QLabel *m_pnFolder;
    QSplitter *m_split;
    QFileSystemModel *m_dirs;
    QTreeView *m_tree;
    QProgressBar *m_progress;
    QTreeWidget *m_list;
    QLabel *m_message;
    QCheckBox *m_flat;
    QAction *m_create, *m_play, *m_cancelScan, *m_refresh, *m_close;
    QTimer *m_treeDelay;
};

// "&MP3 Explorer...": the explorer over owner, modal.
void ShowMp3Explorer(QWidget *owner, TQelDb &db, TdmGlobal &dm,
                     std::function<bool(TAlbum *)> addAlbum);
