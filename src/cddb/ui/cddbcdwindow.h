#pragma once

#include "cddb/cddb.h"

#include <QDialog>
#include <QStringList>
#include <memory>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabBar;
class QTreeWidget;
class TAlbum;
class TQelDb;
class TScanCD;
class TdmGlobal;

// "CDDB info": reads the CD of the scan drive, looks it up in CDDB and shows every entry
// found on a tab of its own beside the disc's tracks, with the options that turn an
// entry into an album. The record belongs to the caller; the screen keeps the chosen
// entry and options in it.
class TfmCddbCD : public QDialog
{
    Q_OBJECT

public:
    // update: the confirm button updates a disc rather than adding an album;
    // currentDiscId: the "Microsoft Disc ID" of that disc (0 when adding).
    TfmCddbCD(TScanCD &record, bool update, qint32 currentDiscId, TQelDb &db, TdmGlobal &dm,
              QWidget *parent = nullptr);
    ~TfmCddbCD() override;

    TCDDB &Cddb() { return m_cddb; }
    // "Scan/Query".
    void ScanQuery();

    void accept() override;
    void done(int result) override;

private:
    QWidget *buildEntryArea();
    QWidget *buildOptions();
    void loadSettings();
    void saveSettings();
    void buildTabs();
    void optionsChanged();
    void applyOptions();
    void showTab(int tab);
    void updateConfirm();

    TScanCD &m_record;
    bool m_update;
    qint32 m_currentDiscId;
    TQelDb &m_db;
    TdmGlobal &m_dm;
    TCDDB m_cddb;
    QStringList m_log;
    bool m_filling = false;

    QTabBar *m_tabs;
    QLabel *m_title, *m_artist, *m_category, *m_revision, *m_cddbId, *m_msId;
    QLabel *m_submittedVia, *m_tracksLabel, *m_example, *m_message;
    QCheckBox *m_useGenre, *m_useDiscExt;
    QPlainTextEdit *m_extData;
    QTreeWidget *m_tracks;
    QGroupBox *m_separatorBox;
    QButtonGroup *m_content, *m_separator, *m_trackExt;
    QPushButton *m_scan, *m_ok;
    QPlainTextEdit *m_debug;
};

// Shows the screen modally for record; true when the user confirmed.
bool ShowCddbScreen(QWidget *owner, TScanCD &record, bool update, qint32 currentDiscId, TQelDb &db,
                    TdmGlobal &dm);

// "&Add Album by Scanning / Querying...": the album made of the entry the user chose (not
// in db yet), or nullptr when the screen was cancelled.
std::unique_ptr<TAlbum> QueryNewAlbum(QWidget *owner, TQelDb &db, TdmGlobal &dm);

// The album editor's "Scan and &Query CDDB" for a disc with the given "Microsoft Disc
// ID": an album made of the chosen entry, whose first disc holds the values to copy
// into that disc, or nullptr when the screen was cancelled.
std::unique_ptr<TAlbum> QueryDiscForUpdate(QWidget *owner, TQelDb &db, TdmGlobal &dm,
                                           qint32 currentDiscId);
