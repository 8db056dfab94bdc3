#include "reports/ui/printalbumsdialog.h"

#include "model/album.h"
#include "model/general.h"
#include "model/tracks.h"
#include "reports/ui/marginsbox.h"
#include "reports/ui/previewwindow.h"
#include "reports/ui/reportpdfprocess.h"
#include "shell/dmglobal.h"
#include "shell/settingsstore.h"
#include "shell/ui/windowplacement.h"
#include "views/ui/selectfields.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString kSection = QStringLiteral("AlbumReports");

std::vector<TReportColumn> reportColumns(const TShowFields &fields, const TQelFields &names)
{
    std::vector<TReportColumn> out;
    for (qsizetype c = 0; c < fields.Count(); ++c)
        out.push_back({fields.Items(c)->FieldId, names.GetFieldName(fields.Items(c)->FieldId),
                       fields.Items(c)->Width});
    return out;
}

// The sample's columns in the order shown, with their widths.
void copyBack(QTreeWidget *sample, TShowFields &fields)
{
    QHeaderView *header = sample->header();
    TShowFields reordered(fields.Level);
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (logical >= 0 && logical < fields.Count())
            reordered.Add(std::make_unique<TShowField>(fields.Items(logical)->FieldId,
                                                       header->sectionSize(logical)));
    }
    fields = reordered;
}

void setColumns(QTreeWidget *sample, const TShowFields &fields, const TQelFields &names)
{
    sample->clear();
    sample->header()->reset();
    QStringList captions;
    for (qsizetype c = 0; c < fields.Count(); ++c)
        captions << names.GetFieldName(fields.Items(c)->FieldId);
    sample->setColumnCount(int(captions.size()));
    sample->setHeaderLabels(captions);
    for (qsizetype c = 0; c < fields.Count(); ++c)
        sample->setColumnWidth(int(c), fields.Items(c)->GetWidth());
}

} // namespace

TfmPrintAlbums::TfmPrintAlbums(std::vector<const TAlbum *> albums, TSettingsStore &settings,
                               const TQelFields &fields, const QString &coversFolder,
                               QWidget *parent)
    : QDialog(parent), m_albums(std::move(albums)), m_settings(settings), m_fields(fields),
      m_coversFolder(coversFolder)
{
    setObjectName(QStringLiteral("fmPrintAlbums"));
    setWindowTitle(tr("Print Albums"));
    setMinimumSize(484, 414);

    m_albumColumns.Load(settings, kSection + QStringLiteral("\\AlbumShowFields"));
    if (m_albumColumns.Count() == 0)
        m_albumColumns.AddDefaults();
    m_trackColumns.Load(settings, kSection + QStringLiteral("\\TrackShowFields"));
    if (m_trackColumns.Count() == 0)
        m_trackColumns.AddDefaults();

    m_margins = new TMarginsBox(settings, kSection, 15, this);

    auto check = [&](const char *name, const QString &text, const char *key) {
        auto *c = new QCheckBox(text, this);
        c->setObjectName(QLatin1String(name));
        c->setChecked(settings.ReadBool(kSection, QLatin1String(key), true));
        return c;
    };
    m_newPage = check("ckNewPage", tr("Start Each Album On New Page"), "StartEachAlbumOnNewPage");
    m_cover = check("ckCoverComments", tr("Show Cover And Comments"), "ShowCoverAndComments");
    m_name = check("ckAlbumName", tr("Show Album Name Header"), "ShowAlbumNameHeader");

    auto *layoutGroup = new QGroupBox(tr("Album Field Layout"), this);
    layoutGroup->setObjectName(QStringLiteral("rgAlbumFieldLayout"));
    m_columnar = new QRadioButton(tr("Columnar"), layoutGroup);
    m_columnar->setObjectName(QStringLiteral("rbColumnar"));
    m_tabular = new QRadioButton(tr("Tabular"), layoutGroup);
    m_tabular->setObjectName(QStringLiteral("rbTabular"));
    (settings.ReadInteger(kSection, QStringLiteral("AlbumFieldLayout"), 0) == 1 ? m_tabular
                                                                                : m_columnar)
        ->setChecked(true);
    auto *layoutBox = new QVBoxLayout(layoutGroup);
    layoutBox->addWidget(m_columnar);
    layoutBox->addWidget(m_tabular);

    auto button = [this](const char *name, const QString &text) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    auto *previewButton = button("btPreview", tr("Pre&view..."));
    auto *cancel = button("btCancel", tr("Cancel"));
    auto *printButton = button("btPrint", tr("Print"));
    printButton->setDefault(true);
    auto *pdfButton = button("btPdf", tr("P&DF..."));
    auto *albumFieldsButton = button("btAlbumFields", tr("Album Fields..."));
    auto *trackFieldsButton = button("btTrackFields", tr("Track Fields..."));
    connect(albumFieldsButton, &QPushButton::clicked, this, [this] {
        copyColumnsBack();
        if (SelectColumns && SelectColumns(m_albumColumns, tr("for Album Report")))
            fillAlbumSample();
    });
    connect(trackFieldsButton, &QPushButton::clicked, this, [this] {
        copyColumnsBack();
        if (SelectColumns && SelectColumns(m_trackColumns, tr("for Album Report")))
            fillTrackSample();
    });
    connect(previewButton, &QPushButton::clicked, this, &TfmPrintAlbums::preview);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(printButton, &QPushButton::clicked, this, &TfmPrintAlbums::print);
    connect(pdfButton, &QPushButton::clicked, this, &TfmPrintAlbums::writePdf);

    m_albumSample = new QTreeWidget(this);
    m_albumSample->setObjectName(QStringLiteral("lvAlbumFields"));
    m_albumSample->setRootIsDecorated(false);
    m_albumSample->header()->setSectionsMovable(true);
    m_trackSample = new QTreeWidget(this);
    m_trackSample->setObjectName(QStringLiteral("lvTrackFields"));
    m_trackSample->setRootIsDecorated(false);
    m_trackSample->header()->setSectionsMovable(true);
    // Switching the layout keeps what was done to the tabular columns.
    connect(m_tabular, &QRadioButton::toggled, this, [this](bool on) {
        if (!on)
            copyBack(m_albumSample, m_albumColumns);
        fillAlbumSample();
    });
    fillAlbumSample();
    fillTrackSample();

    auto *options = new QVBoxLayout;
    options->addWidget(m_newPage);
    options->addWidget(m_cover);
    options->addWidget(m_name);
    options->addWidget(layoutGroup);
    auto *buttons = new QVBoxLayout;
    for (QPushButton *b :
         {previewButton, cancel, printButton, pdfButton, albumFieldsButton, trackFieldsButton})
        buttons->addWidget(b);
    buttons->addStretch();
    auto *top = new QHBoxLayout;
    top->addWidget(m_margins);
    top->addLayout(options);
    top->addLayout(buttons);
    auto *tracks = new QGroupBox(tr("Track Fields"), this);
    auto *tracksBox = new QVBoxLayout(tracks);
    tracksBox->addWidget(m_trackSample);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(new QLabel(tr("Album Fields"), this));
    layout->addWidget(m_albumSample, 1);
    layout->addWidget(tracks, 1);
    resize(720, 620);

    Icon = nullptr;
    ChoosePdfFile = [](QWidget *owner) {
        return QFileDialog::getSaveFileName(owner, tr("Save Report as PDF"), QString(),
                                            tr("PDF files (*.pdf)"));
    };
}

TfmPrintAlbums::~TfmPrintAlbums() = default;

bool TfmPrintAlbums::tabular() const
{
    return m_tabular->isChecked();
}

void TfmPrintAlbums::fillAlbumSample()
{
    m_albumSample->clear();
    if (!tabular()) {
        // Fixed columns: a row per field of the first album.
        m_albumSample->header()->reset();
        m_albumSample->setColumnCount(2);
        m_albumSample->setHeaderLabels({tr("Field Name"), tr("Field Value")});
        m_albumSample->setColumnWidth(0, 104);
        m_albumSample->setColumnWidth(1, 400);
        if (m_albums.empty())
            return;
        for (qsizetype c = 0; c < m_albumColumns.Count(); ++c) {
            const TFieldId f = m_albumColumns.Items(c)->FieldId;
            auto *row = new QTreeWidgetItem(m_albumSample);
            row->setText(0, m_fields.GetFieldName(f));
            row->setText(1, m_albums.front()->GetFieldAsString(f));
        }
        return;
    }
    setColumns(m_albumSample, m_albumColumns, m_fields);
    for (const TAlbum *album : m_albums) {
        auto *row = new QTreeWidgetItem(m_albumSample);
        for (qsizetype c = 0; c < m_albumColumns.Count(); ++c)
            row->setText(int(c), album->GetFieldAsString(m_albumColumns.Items(c)->FieldId));
    }
}

void TfmPrintAlbums::fillTrackSample()
{
    setColumns(m_trackSample, m_trackColumns, m_fields);
    const bool one = m_albums.size() == 1;
    for (const TAlbum *album : m_albums)
        for (qsizetype d = 0; d < album->DiscCount(); ++d) {
            const TDisc *disc = album->Disc(d);
            // Every track of a single album; the first track of each disc otherwise.
            const qsizetype count =
                one ? disc->TrackCount() : qMin<qsizetype>(1, disc->TrackCount());
            for (qsizetype t = 0; t < count; ++t) {
                auto *row = new QTreeWidgetItem(m_trackSample);
                for (qsizetype c = 0; c < m_trackColumns.Count(); ++c)
                    row->setText(
                        int(c), disc->Track(t)->GetFieldAsString(m_trackColumns.Items(c)->FieldId));
            }
        }
}

void TfmPrintAlbums::copyColumnsBack()
{
    if (tabular())
        copyBack(m_albumSample, m_albumColumns);
    copyBack(m_trackSample, m_trackColumns);
    fillAlbumSample();
    fillTrackSample();
}

std::unique_ptr<TrpAlbums> TfmPrintAlbums::MakeReport()
{
    copyColumnsBack();
    auto report = std::make_unique<TrpAlbums>(m_albums, reportColumns(m_albumColumns, m_fields),
                                              reportColumns(m_trackColumns, m_fields));
    report->Layout = tabular() ? TrpAlbums::alTabular : TrpAlbums::alColumnar;
    report->NewPagePerAlbum = m_newPage->isChecked();
    report->ShowCoverAndComments = m_cover->isChecked();
    report->ShowNameHeader = m_name->isChecked();
    report->CoversFolder = m_coversFolder;
    report->Icon = Icon;
    report->Build();
    return report;
}

QPageLayout TfmPrintAlbums::PageLayout() const
{
    return m_margins->PageLayout(QPageLayout::Portrait);
}

void TfmPrintAlbums::preview()
{
    std::unique_ptr<TrpAlbums> report = MakeReport();
    TfmPreview preview(*report, PageLayout(), tr("Album Report"), this);
    preview.Placement = &m_settings;
    preview.exec();
}

void TfmPrintAlbums::print()
{
    // The dialog closes after "Print" in every case.
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        ShowInfo(tr("No printer found on your system; Please install a printer first."));
        accept();
        return;
    }
    std::unique_ptr<TrpAlbums> report = MakeReport();
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(PageLayout());
    printer.setDocName(tr("Album Report"));
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted)
        report->Print(printer);
    accept();
}

void TfmPrintAlbums::writePdf()
{
    const QString file = ChoosePdfFile(this);
    if (file.isEmpty())
        return;
    std::unique_ptr<TrpAlbums> report = MakeReport();
    WriteReportPdfWithProgress(this, *report, PageLayout(), file, tr("Album Report"));
}

void TfmPrintAlbums::done(int result)
{
    copyColumnsBack();
    m_albumColumns.Save(m_settings, kSection + QStringLiteral("\\AlbumShowFields"));
    m_trackColumns.Save(m_settings, kSection + QStringLiteral("\\TrackShowFields"));
    m_margins->Save(m_settings, kSection);
    m_settings.WriteBool(kSection, QStringLiteral("StartEachAlbumOnNewPage"),
                         m_newPage->isChecked());
    m_settings.WriteBool(kSection, QStringLiteral("ShowCoverAndComments"), m_cover->isChecked());
    m_settings.WriteBool(kSection, QStringLiteral("ShowAlbumNameHeader"), m_name->isChecked());
    m_settings.WriteInteger(kSection, QStringLiteral("AlbumFieldLayout"), tabular() ? 1 : 0);
    SaveWindowPlacement(this, m_settings);
    QDialog::done(result);
}

void PrintAlbumReport(QWidget *owner, std::vector<const TAlbum *> albums, TdmGlobal &dm,
                      std::function<QImage(int)> icon)
{
    TfmPrintAlbums dialog(std::move(albums), dm.Settings(), dm.Fields(), dm.Prefs().CoversFolder,
                          owner);
    dialog.SelectColumns = [&dialog, &dm](TListFields &fields, const QString &suffix) {
        return SelectFields(&dialog, fields, suffix, dm);
    };
    dialog.Icon = std::move(icon);
    PlaceDialog(&dialog, owner, dm.Settings());
    dialog.exec();
}
