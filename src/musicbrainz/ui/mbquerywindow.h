#pragma once

#include "cddb/scancd.h"
#include "musicbrainz/mbclient.h"
#include "musicbrainz/mbdiscid.h"
#include "musicbrainz/mbrelease.h"

#include <QDialog>
#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QTabBar;
class QTreeWidget;
class QUrl;
class TAlbum;
class TQelDb;
class TdmGlobal;

// "MusicBrainz": the releases MusicBrainz has for the CD of the scan drive, one tab
// each with its title, artist credit, date, country, label, catalogue number, barcode,
// format and the tracks of the scanned disc; near matches are marked. The release of
// the current tab is read whole when the tab is first shown, and taking it makes the
// album (with its front cover, as the preferences say). When nothing is found, the
// window says so and offers the disc ID's submission page.
class TfmMbQuery : public QDialog
{
    Q_OBJECT

public:
    enum class TMode {
        Add,    // "Add as Album"
        Update, // "Update Disc": no cover is fetched
        Batch,  // "Add as Album" and "Skip", for one disc of several
    };

    // record: the disc (scanned already in batch mode; Scan/Query reads the drive);
    // currentDiscId: the "Microsoft Disc ID" of the disc being updated (0 otherwise).
    TfmMbQuery(const TScanCD &record, TMode mode, qint32 currentDiscId, TQelDb &db, TdmGlobal &dm,
               QWidget *parent = nullptr);
    ~TfmMbQuery() override;

    TMbClient &Client() { return m_client; }
    const TScanCD &Record() const { return m_record; }
    const TMbReleases &Releases() const { return m_releases; }

    // "Scan/Query": reads the scan drive and looks the disc up.
    void ScanQuery();
    // Shows what a look-up of the window's disc found (its first release read whole).
    void ShowReleases(const TMbReleases &releases);
    // "Submit Disc ID...": the disc ID's submission page in the desktop's browser.
    void SubmitDiscId();

    // The album of the release taken (not in the collection), once the window closed
    // with OK, and why its cover was left out.
    std::unique_ptr<TAlbum> TakeAlbum();
    QString CoverNote() const { return m_coverNote; }

    // Opens a web page; tests replace it.
    std::function<bool(const QUrl &url)> OpenUrl;

    void accept() override;
    void done(int result) override;

private:
    QWidget *buildReleaseArea();
    void buildTabs();
    void showTab(int tab);
    void showStatus();
    void clearPanels();

    TScanCD m_record;
    TMbDiscId m_id;
    TMode m_mode;
    qint32 m_currentDiscId;
    TQelDb &m_db;
    TdmGlobal &m_dm;
    TMbClient m_client;
    TMbReleases m_releases;
    std::unique_ptr<TAlbum> m_album;
    QString m_coverNote;
    bool m_filling = false;
    bool m_lookedUp = false;

    QTabBar *m_tabs;
    QLabel *m_title, *m_artist, *m_date, *m_country, *m_label, *m_catalogNumber, *m_barcode;
    QLabel *m_format, *m_match, *m_mbDiscId, *m_cddbId, *m_msId, *m_tracksLabel, *m_message;
    QTreeWidget *m_tracks;
    QPushButton *m_scan, *m_ok, *m_skip, *m_submit;
};
