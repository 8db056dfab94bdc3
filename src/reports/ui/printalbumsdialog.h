#pragma once

#include "reports/albumreport.h"
#include "views/listfields.h"

#include <QDialog>
#include <QPageLayout>
#include <memory>

class QCheckBox;
class QRadioButton;
class QSpinBox;
class TMarginsBox;
class QTreeWidget;
class TQelFields;
class TSettingsStore;
class TdmGlobal;

// "Print Albums": the album report's album and track fields with samples of both, the
// album field layout, margins and three options; prints, previews or writes a PDF. Its
// settings live in the section "AlbumReports".
class TfmPrintAlbums : public QDialog
{
    Q_OBJECT

public:
    TfmPrintAlbums(std::vector<const TAlbum *> albums, TSettingsStore &settings,
                   const TQelFields &fields, const QString &coversFolder,
                   QWidget *parent = nullptr);
    ~TfmPrintAlbums() override;

    std::unique_ptr<TrpAlbums> MakeReport();
    QPageLayout PageLayout() const;
    TShowFields &AlbumColumns() { return m_albumColumns; }
    TShowFields &TrackColumns() { return m_trackColumns; }
    // The icons of the detail rows; none by default.
    std::function<QImage(int)> Icon;
    std::function<QString(QWidget *)> ChoosePdfFile;
    // The field selection dialog; without it the two "Fields..." buttons do nothing.
    std::function<bool(TListFields &, const QString &)> SelectColumns;

    void done(int result) override;

private:
    bool tabular() const;
    void fillAlbumSample();
    void fillTrackSample();
    void copyColumnsBack();
    void preview();
    void print();
    void writePdf();

    std::vector<const TAlbum *> m_albums;
    TSettingsStore &m_settings;
    const TQelFields &m_fields;
    QString m_coversFolder;
    TShowFields m_albumColumns{ilAlbum};
    TShowFields m_trackColumns{ilTrack};
    QRadioButton *m_columnar, *m_tabular;
    TMarginsBox *m_margins;
    QCheckBox *m_newPage, *m_cover, *m_name;
    QTreeWidget *m_albumSample, *m_trackSample;
};

// "Current List as Album Report..." and "Selected Album as Album Report...".
void PrintAlbumReport(QWidget *owner, std::vector<const TAlbum *> albums, TdmGlobal &dm,
                      std::function<QImage(int)> icon);
