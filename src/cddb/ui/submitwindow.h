#pragma once

#include "cddb/cddb.h"
#include "cddb/cddbsites.h"
#include "cddb/cddbsubmit.h"
#include "cddb/scancd.h"

#include <QDialog>
#include <QStringList>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabBar;
class QTreeWidget;
class TAlbum;
class TdmGlobal;

// "Submit Album to CDDB": the CDDB entry one disc of an album makes, checked against
// the CD in the drive and then sent to the server.
class TfmSubmit : public QDialog
{
    Q_OBJECT

public:
    // album is not owned and never changed.
    TfmSubmit(const TAlbum &album, TdmGlobal &dm, QWidget *parent = nullptr);

    TCDDB &Cddb() { return m_cddb; }
    TScanCD &Record() { return m_record; }
    // "Scan/Check" and "Submit".
    void ScanCheck();
    void Submit();

private:
    TSubmitOptions options() const;
    void showTab();

    const TAlbum &m_album;
    TdmGlobal &m_dm;
    TCDDB m_cddb;
    TCddbCategoryList m_categories;
    TScanCD m_record;
    QStringList m_log;

    QTabBar *m_tabs;
    QComboBox *m_category;
    QLabel *m_dtitle, *m_cddbId, *m_revision, *m_status;
    QPlainTextEdit *m_extData;
    QButtonGroup *m_titleChoice;
    QCheckBox *m_headers, *m_discExt, *m_trackExt;
    QTreeWidget *m_tracks;
    QPushButton *m_scanCheck, *m_submit;
};

// "&Submit Current Album...": the screen for album over owner, modal.
void ShowSubmitScreen(QWidget *owner, const TAlbum &album, TdmGlobal &dm);
