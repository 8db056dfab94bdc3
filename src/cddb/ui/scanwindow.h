#pragma once

#include "cddb/cddb.h"
#include "cddb/scanlist.h"

#include <QDialog>
#include <QStringList>
#include <functional>

class QAction;
class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QTreeWidget;
class TAlbum;
class TQelDb;
class TScanCD;
class TdmGlobal;

// "Batch Scanning & Querying": CDs read one after another into the scan list
// ("scanlist.dat"), looked up in CDDB later in one run, and made into albums.
class TfmScan : public QDialog
{
    Q_OBJECT

public:
    // addAlbum gets each new album (not in db); it returns true when it took the album,
    // false when the album is to be discarded.
    TfmScan(TQelDb &db, TdmGlobal &dm, std::function<bool(TAlbum *)> addAlbum,
            QWidget *parent = nullptr);
    // Writes the list if closing has not (the file always holds what was shown).
    ~TfmScan() override;

    TCDDB &Cddb() { return m_cddb; }
    TScanCdList &List() { return m_list; }
    TScanCD *CurrentDisc() const { return m_current; }

    // The commands, also for tests.
    void ScanAndAdd();
    void RemoveSelected();
    void Query();
    void Use();
    // "Query MusicBrainz for Selected CD(s)".
    void QueryMusicBrainz();

    void done(int result) override;

private:
    void fillList(TScanCD *select = nullptr);
    void onSelectionChanged();
    void updateActions();
    void saveList();
    QList<TScanCD *> selectedDiscs() const;

    TQelDb &m_db;
    TdmGlobal &m_dm;
    std::function<bool(TAlbum *)> m_addAlbum;
    TCDDB m_cddb;
    TScanCdList m_list;
    TScanCD *m_current = nullptr;
    QStringList m_log;
    bool m_saved = false;

    QTreeWidget *m_cds;
    QCheckBox *m_autoRemove;
    QLabel *m_count, *m_result;
    QPlainTextEdit *m_debug;
    QAction *m_acScan, *m_acRemove, *m_acQuery, *m_acUse, *m_acSelectAll, *m_acClose;
    QAction *m_acQueryMusicBrainz;
};

// "&Batch Scanning && Querying...": the screen over owner, modal.
void ShowBatchScan(QWidget *owner, TQelDb &db, TdmGlobal &dm,
                   std::function<bool(TAlbum *)> addAlbum);
