#pragma once

#include "editors/ui/trackeditorhost.h"
#include "model/fields.h"
#include <QDialog>
#include <QImage>
#include <QTreeWidget>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QTabWidget;
class TCheckedDateEdit;
class TRatingBar;
struct TMainServices;

// The tree of the album's items; it moves items by drag and drop through the editor,
// which checks the rules and renumbers.
class TItemTreeWidget : public QTreeWidget
{
    Q_OBJECT
public:
    using QTreeWidget::QTreeWidget;
    static TDataItem *ItemOf(const QTreeWidgetItem *node);
    // An allowed drop of dragged onto target, after the drag has ended.
    std::function<void(TDataItem *dragged, TDataItem *target)> Dropped;

protected:
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
};

// "Add/Edit Album": one album's fields on seven tabs, its cover picture and its tree of
// discs, headers, tracks and subtracks. The fields go into the album on OK; the tree is
// changed in place while editing, so the caller discards the album on Cancel.
class TfmAlbum : public QDialog, public TTrackEditorHost
{
    Q_OBJECT

public:
    enum TMode { amAdd = 0, amEdit = 1 };

    TfmAlbum(QWidget *owner, TAlbum &album, TMode mode, TQelDb &db, TdmGlobal &dm);
    ~TfmAlbum() override;

    void done(int result) override;
    void accept() override;
    void reject() override;

    // The item commands, also for tests.
    void AddItems(int trackEditorMode);
    void EditSelected();
    void RemoveSelected();
    void DropItem(TDataItem *dragged, TDataItem *target);
    void SelectItem(const TDataItem *item);
    // The cover picture: a chosen file is copied into the covers folder unless one of
    // that name is there already.
    void SetCoverFromFile(const QString &path);
    const QImage &Thumbnail() const { return m_thumbnail; }

    // The file dialog of "Browse..."; tests replace it. Gets the start folder and the
    // filter index, returns the chosen file (empty: cancelled) and the filter index.
    std::function<QString(QWidget *owner, const QString &folder, int &filterIndex)> ChoosePicture;
    // The track editor; tests may replace it.
    std::function<int(TTrackEditorHost &host, int mode)> OpenTrackEditor;
    // Reads and looks up the CD for the disc with the given "Microsoft Disc ID": an album
    // whose first disc holds what the user accepted, or nullptr. "Scan and &Query CDDB"
    // is offered only when it is set.
    std::function<std::unique_ptr<TAlbum>(QWidget *owner, qint32 msDiscId)> ScanAndQuery;
    // The same through MusicBrainz, for "Scan and Query &MusicBrainz".
    std::function<std::unique_ptr<TAlbum>(QWidget *owner, qint32 msDiscId)> ScanAndQueryMusicBrainz;
    // "Scan and &Query CDDB": the selected disc takes the values of the CD.
    void ScanSelectedDisc();
    // "Scan and Query &MusicBrainz": the same from the release the user takes.
    void ScanSelectedDiscFromMusicBrainz();

    // TTrackEditorHost
    QWidget *HostWindow() override { return this; }
    TAlbum *Album() override { return &m_album; }
    TQelDb &Db() override { return m_db; }
    TdmGlobal &Dm() override { return m_dm; }
    TDataItem *SelectedItem() const override;
    bool HasPreviousNode() const override;
    bool HasNextNode() const override;
    void SelectPreviousNode() override;
    void SelectNextNode() override;
    void AddItemNode(TDataItem *item) override;
    void RefreshSelectedNode() override;
    void Renumber() override;
    void StoreLookupTexts() override;
    void RefillLookupBoxes() override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct TLookupBox
    {
        TFieldId field;
        QComboBox *box;
    };

    // Parts every tab uses: a button that does not press itself on Enter, a sunken
    // panel of plain text.
    static QPushButton *button(const QString &caption, const char *name, QWidget *parent);
    static QLabel *panel(const char *name, QWidget *parent);

    QWidget *buildMainTab();
    QWidget *buildTracksTab();
    QWidget *buildRecordingTab();
    QWidget *buildPersonalTab();
    QWidget *buildCoverTab();
    QWidget *buildUserTab();
    QLabel *fieldLabel(TFieldId field, QWidget *buddy);
    QLineEdit *lineEdit(const char *name, int maxLength = 0);
    QComboBox *lookupBox(const char *name, TFieldId field);
    QCheckBox *checkBox(const char *name, TFieldId field);

    void loadAlbum();
    bool storeAlbum();
    void fillTree();
    QTreeWidgetItem *addNodes(QTreeWidgetItem *parent, TDataItem *item);
    void showNode(QTreeWidgetItem *node); // text and picture of its item
    std::vector<QTreeWidgetItem *> nodesInOrder() const;
    // The selected disc takes the values of the first disc of what query makes.
    void scanSelectedDisc(
        const std::function<std::unique_ptr<TAlbum>(QWidget *owner, qint32 msDiscId)> &query);
    QTreeWidgetItem *nodeOf(const TDataItem *item) const;
    void updateCaption();
    void updateItemCommands();
    void showCover();
    void fitCover();
    void browseCover();
    void titleLeft();
    bool checkPrice();

    TAlbum &m_album;
    TMode m_mode;
    TQelDb &m_db;
    TdmGlobal &m_dm;

    QTabWidget *m_pages = nullptr;
    std::vector<TLookupBox> m_lookups;
    QLineEdit *m_title = nullptr;
    QLineEdit *m_soloists = nullptr;
    QLineEdit *m_year = nullptr;
    QLineEdit *m_number = nullptr;
    QLineEdit *m_index = nullptr;
    QCheckBox *m_inCollection = nullptr;
    QCheckBox *m_rare = nullptr;
    TItemTreeWidget *m_tree = nullptr;
    QLabel *m_nrTracks = nullptr;
    QLabel *m_length = nullptr;
    QAction *m_acAddDisc = nullptr;
    QAction *m_acAddHeader = nullptr;
    QAction *m_acAddTrack = nullptr;
    QAction *m_acAddSubTrack = nullptr;
    QAction *m_acEdit = nullptr;
    QAction *m_acRemove = nullptr;
    QAction *m_acScanQuery = nullptr;
    QAction *m_acScanQueryMusicBrainz = nullptr;
    TCheckedDateEdit *m_recordingDate = nullptr;
    QLineEdit *m_tourName = nullptr;
    QCheckBox *m_mono = nullptr;
    QCheckBox *m_live = nullptr;
    QGroupBox *m_ad = nullptr;
    std::vector<QRadioButton *> m_adButtons;
    QLineEdit *m_location = nullptr;
    TCheckedDateEdit *m_purchaseDate = nullptr;
    QLineEdit *m_price = nullptr;
    TRatingBar *m_rating = nullptr;
    QLabel *m_coverFile = nullptr;
    QScrollArea *m_coverArea = nullptr;
    QLabel *m_cover = nullptr;
    QCheckBox *m_stretch = nullptr;
    QLabel *m_thumbnailView = nullptr;
    QLabel *m_size = nullptr;
    QAction *m_copy = nullptr;
    QWidget *m_copyButton = nullptr;
    QPlainTextEdit *m_comments = nullptr;
    QLineEdit *m_albumText1 = nullptr;
    QLineEdit *m_albumText2 = nullptr;

    QImage m_coverImage;
    QSize m_coverSize;
    QImage m_thumbnail;
    QString m_originalCoverFile;
    QString m_picFolder;
    int m_picFilterIndex = 1;
    bool m_shown = false;
    bool m_closing = false;
};

// The main window's album commands: shows the editor modally over the main window;
// QDialog::Accepted when OK stored the fields.
int EditAlbum(const TMainServices &main, TAlbum &album, TfmAlbum::TMode mode);
