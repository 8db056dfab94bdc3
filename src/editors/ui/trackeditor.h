#pragma once

#include "model/fields.h"

#include <QDialog>
#include <QStringList>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class TCustomTrack;
class TDataItem;
class TRatingBar;
class TTrackEditorHost;
class TdmGlobal;

// What an open-file dialog starts with and what it answers.
struct TOpenFileChoice
{
    QString folder;      // where the dialog starts
    QStringList filters; // "Text Files (*.txt)", in order
    int filterIndex = 1; // 1-based, as kept in the settings (0 also means the first)
    QString file;        // the chosen file with its folder
};

// "Add/Edit Track": adds a series of discs, headers, tracks or subtracks to the album
// of the album editor, or walks through its items editing them.
class TfmTrack : public QDialog
{
    Q_OBJECT

public:
    enum TMode : int { AddDiscs = 0, AddHeaders = 1, AddTracks = 2, AddSubtracks = 3, Edit = 4 };

    // The host's selection must hold an item of the right class for modes 1 to 4.
    TfmTrack(TTrackEditorHost &host, int mode);
    ~TfmTrack() override;

    // The item on screen (in the add modes not yet part of the album).
    TCustomTrack *Item() const { return m_item; }

    // Shows an open-file dialog over owner; false when the user cancelled. Tests
    // replace it; an empty function shows Qt's dialog.
    static std::function<bool(QWidget *owner, TOpenFileChoice &choice)> ChooseOpenFile;

public slots:
    void reject() override;
    void done(int result) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct TLookupBox
    {
        TFieldId field;
        QComboBox *box;
    };

    QWidget *buildMainPage();
    QWidget *buildRecordingPage();
    QWidget *buildPersonalPage();
    QWidget *buildLyricsPage();
    QWidget *buildAudioPage();
    QLabel *fieldLabel(const char *name, TFieldId field, QWidget *buddy);
    QComboBox *lookupBox(const char *name, TFieldId field);

    void fillLookupBoxes();
    void prepareItem();
    void showItem();
    void storeItem();
    void updateCaption();
    void showDiscIds(const QString &ms, const QString &cddb, const QString &revision);
    void showLyrics();
    void rewriteLength();
    bool lengthEditable() const;

    void next();
    void previous();
    void clearDiscIds();
    void browseLyricsFile();
    void createLyricsFile();
    void editLyricsFile();
    void clearLyricsFile();
    void browseAudioFile();
    void playAudioFile();

    TTrackEditorHost &m_host;
    TdmGlobal &m_dm;
    const int m_mode;
    TDataItem *m_parent = nullptr;  // of new items
    TCustomTrack *m_item = nullptr; // on screen
    bool m_itemIsNew = false;       // created here and not yet in the album
    bool m_closed = false;

    // A disc's identifiers as shown, written back when it is stored.
    qint32 m_msDiscId = 0;
    qint32 m_cddbDiscId = 0;
    qint32 m_cddbRevision = 0;

    QString m_lyricsFolder;
    QString m_audioFolder;
    int m_audioFilterIndex = 0;

    QTabWidget *m_pages = nullptr;
    QLineEdit *m_title = nullptr;
    QLineEdit *m_year = nullptr;
    QLineEdit *m_length = nullptr;
    QSpinBox *m_bpm = nullptr;
    QCheckBox *m_live = nullptr;
    TRatingBar *m_rating = nullptr;
    QLineEdit *m_trackText1 = nullptr;
    QLineEdit *m_comments = nullptr;
    QLabel *m_lyricsFile = nullptr;
    QPlainTextEdit *m_lyrics = nullptr;
    QPushButton *m_createLyrics = nullptr;
    QPushButton *m_editLyrics = nullptr;
    QPushButton *m_clearLyrics = nullptr;
    QLabel *m_audioFile = nullptr;
    QPushButton *m_next = nullptr;
    QPushButton *m_previous = nullptr;
    QPushButton *m_clearIds = nullptr;
    QLabel *m_idPanes[3] = {};
    QList<TLookupBox> m_lookups;
};

// Opens the track editor modally over the album editor; mode 0 adds discs, 1 headers,
// 2 tracks, 3 subtracks, 4 edits the selected item. Returns QDialog::Accepted or
// QDialog::Rejected; items stored with "Next" stay in the album either way.
int EditTrackItem(TTrackEditorHost &host, int mode);
