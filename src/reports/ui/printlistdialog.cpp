#include "reports/ui/printlistdialog.h"

#include "model/dataitem.h"
#include "model/general.h"
#include "reports/bandreport.h"
#include "reports/ui/marginsbox.h"
#include "reports/ui/previewwindow.h"
#include "reports/ui/reportpdfprocess.h"
#include "shell/dmglobal.h"
#include "shell/settingsstore.h"
#include "shell/ui/windowplacement.h"
#include "views/ui/selectfields.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
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

const QString kSection = QStringLiteral("ListReports");
constexpr int kSampleRows = 31;

// Name, size in points, bold and italic: what is kept of a font.
QFont readFont(const TSettingsStore &settings, const QString &key)
{
    const QString section = kSection + QLatin1Char('\\') + key;
    QFont font(settings.ReadString(section, QStringLiteral("Name"), QStringLiteral("Arial")));
    font.setPointSize(std::clamp(settings.ReadInteger(section, QStringLiteral("Size"), 8), 1, 400));
    font.setBold(settings.ReadBool(section, QStringLiteral("Bold"), false));
    font.setItalic(settings.ReadBool(section, QStringLiteral("Italic"), false));
    return font;
}

void writeFont(TSettingsStore &settings, const QString &key, const QFont &font)
{
    const QString section = kSection + QLatin1Char('\\') + key;
    settings.WriteString(section, QStringLiteral("Name"), font.family());
    settings.WriteInteger(section, QStringLiteral("Size"), font.pointSize());
    settings.WriteBool(section, QStringLiteral("Bold"), font.bold());
    settings.WriteBool(section, QStringLiteral("Italic"), font.italic());
}

QFont reportFont(const QFont &font)
{
    return TBandReport::PixelFont(font.family(), font.pointSizeF(), font.bold(), font.italic());
}

} // namespace

TfmPrintList::TfmPrintList(std::vector<const TDataItem *> items, TItemLevel level,
                           TSettingsStore &settings, const TQelFields &fields, QWidget *parent)
    : QDialog(parent), m_items(std::move(items)), m_level(level), m_settings(settings),
      m_fields(fields), m_columns(level)
{
    setObjectName(QStringLiteral("fmPrintList"));
    setWindowTitle(tr("Print List"));
    setMinimumSize(379, 322);

    m_columns.Load(settings, sectionKey());
    if (m_columns.Count() == 0)
        m_columns.AddDefaults();

    m_title = new QLineEdit(
        settings.ReadString(kSection, QStringLiteral("Title"), QStringLiteral("Qel Music")), this);
    m_title->setObjectName(QStringLiteral("edTitle"));
    auto *titleLabel = new QLabel(tr("Report &Title"), this);
    titleLabel->setBuddy(m_title);

    auto *orientation = new QGroupBox(tr("Orientation"), this);
    orientation->setObjectName(QStringLiteral("rgOrientation"));
    m_portrait = new QRadioButton(tr("Portrait"), orientation);
    m_landscape = new QRadioButton(tr("Landscape"), orientation);
    (settings.ReadInteger(kSection, QStringLiteral("Orientation"), 0) == 1 ? m_landscape
                                                                           : m_portrait)
        ->setChecked(true);
    auto *orientationBox = new QVBoxLayout(orientation);
    orientationBox->addWidget(m_portrait);
    orientationBox->addWidget(m_landscape);

    m_margins = new TMarginsBox(settings, kSection, 20, this);

    m_shading = new QCheckBox(tr("&Row shading"), this);
    m_shading->setObjectName(QStringLiteral("ckShading"));
    m_shading->setChecked(settings.ReadBool(kSection, QStringLiteral("RowShading"), false));

    auto button = [this](const char *name, const QString &text) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    auto *printButton = button("btPrint", tr("Print"));
    printButton->setDefault(true);
    auto *cancel = button("btCancel", tr("Cancel"));
    auto *previewButton = button("btPreview", tr("Pre&view..."));
    auto *pdfButton = button("btPdf", tr("P&DF..."));
    auto *fieldsButton = button("btFields", tr("&Fields..."));
    connect(fieldsButton, &QPushButton::clicked, this, &TfmPrintList::selectColumns);
    connect(printButton, &QPushButton::clicked, this, &TfmPrintList::print);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(previewButton, &QPushButton::clicked, this, &TfmPrintList::preview);
    connect(pdfButton, &QPushButton::clicked, this, &TfmPrintList::writePdf);

    m_sample = new QTreeWidget(this);
    m_sample->setObjectName(QStringLiteral("lvRepDef"));
    m_sample->setRootIsDecorated(false);
    m_sample->setUniformRowHeights(true);
    m_sample->header()->setSectionsMovable(true);
    fillSample();

    // Right-click menus: the title box's font; the list's font and columns.
    auto *titleFont = new QAction(tr("&Title Font..."), this);
    titleFont->setObjectName(QStringLiteral("acTitleFont"));
    connect(titleFont, &QAction::triggered, this, [this] {
        QFont font = m_titleFont;
        if (ChooseFont && ChooseFont(font, this))
            SetTitleFont(font);
    });
    m_title->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_title->addAction(titleFont);
    auto *listFont = new QAction(tr("&List Font..."), this);
    listFont->setObjectName(QStringLiteral("acListFont"));
    connect(listFont, &QAction::triggered, this, [this] {
        QFont font = m_dataFont;
        if (ChooseFont && ChooseFont(font, this))
            SetDataFont(font);
    });
    auto *listFields = new QAction(tr("&Fields..."), this);
    connect(listFields, &QAction::triggered, this, &TfmPrintList::selectColumns);
    m_sample->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_sample->addActions({listFont, listFields});
    SetTitleFont(readFont(settings, QStringLiteral("TitleFont")));
    SetDataFont(readFont(settings, QStringLiteral("DataFont")));

    auto *top = new QGridLayout;
    top->addWidget(titleLabel, 0, 0);
    top->addWidget(m_title, 1, 0, 1, 2);
    top->addWidget(orientation, 2, 0);
    top->addWidget(m_margins, 2, 1);
    top->addWidget(m_shading, 3, 0);
    auto *buttons = new QVBoxLayout;
    for (QPushButton *b : {printButton, cancel, previewButton, pdfButton, fieldsButton})
        buttons->addWidget(b);
    buttons->addStretch();
    auto *head = new QHBoxLayout;
    head->addLayout(top, 1);
    head->addLayout(buttons);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addWidget(m_sample, 1);
    layout->addWidget(new QLabel(tr("Right click Report Title or List to change fonts"), this));
    resize(640, 520);

    ChoosePdfFile = [](QWidget *owner) {
        return QFileDialog::getSaveFileName(owner, tr("Save Report as PDF"), QString(),
                                            tr("PDF files (*.pdf)"));
    };
    ChooseFont = [](QFont &font, QWidget *owner) {
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, font, owner);
        if (ok)
            font = chosen;
        return ok;
    };
}

TfmPrintList::~TfmPrintList() = default;

void TfmPrintList::SetTitleFont(const QFont &font)
{
    m_titleFont = font;
    m_title->setFont(font); // the top panel grows with it
}

void TfmPrintList::SetDataFont(const QFont &font)
{
    m_dataFont = font;
    m_sample->setFont(font);
}

QString TfmPrintList::sectionKey() const
{
    return kSection + (m_level == ilAlbum ? QStringLiteral("\\AlbumShowFields")
                                          : QStringLiteral("\\TrackShowFields"));
}

void TfmPrintList::fillSample()
{
    m_sample->clear();
    QStringList captions;
    for (qsizetype c = 0; c < m_columns.Count(); ++c)
        captions << m_fields.GetFieldName(m_columns.Items(c)->FieldId);
    m_sample->setHeaderLabels(captions);
    for (qsizetype c = 0; c < m_columns.Count(); ++c)
        m_sample->setColumnWidth(int(c), m_columns.Items(c)->GetWidth());
    const size_t rows = std::min(m_items.size(), size_t(kSampleRows));
    for (size_t r = 0; r < rows; ++r) {
        auto *row = new QTreeWidgetItem(m_sample);
        for (qsizetype c = 0; c < m_columns.Count(); ++c)
            row->setText(int(c), m_items[r]->GetFieldAsString(m_columns.Items(c)->FieldId));
    }
}

// Column i of the sample, in the order shown, gives field i and its width.
void TfmPrintList::copyColumnsBack()
{
    QHeaderView *header = m_sample->header();
    TShowFields reordered(m_level);
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (logical < 0 || logical >= m_columns.Count())
            continue;
        reordered.Add(std::make_unique<TShowField>(m_columns.Items(logical)->FieldId,
                                                   header->sectionSize(logical)));
    }
    m_columns = reordered;
    fillSample(); // the sample in the new order, so copying again changes nothing
}

std::unique_ptr<TrpList> TfmPrintList::MakeReport()
{
    copyColumnsBack();
    std::vector<TReportColumn> columns;
    for (qsizetype c = 0; c < m_columns.Count(); ++c) {
        const TShowField *f = m_columns.Items(c);
        columns.push_back({f->FieldId, m_fields.GetFieldName(f->FieldId), f->Width});
    }
    auto report = std::make_unique<TrpList>(m_items, std::move(columns));
    report->Title = m_title->text();
    report->Shading = m_shading->isChecked();
    report->TitleFont = reportFont(m_titleFont);
    report->DataFont = reportFont(m_dataFont);
    return report;
}

QPageLayout TfmPrintList::PageLayout() const
{
    return m_margins->PageLayout(m_landscape->isChecked() ? QPageLayout::Landscape
                                                          : QPageLayout::Portrait);
}

void TfmPrintList::selectColumns()
{
    copyColumnsBack();
    if (SelectColumns && SelectColumns(m_columns, tr("for List Report")))
        fillSample();
}

void TfmPrintList::preview()
{
    std::unique_ptr<TrpList> report = MakeReport();
    TfmPreview preview(*report, PageLayout(), report->Title, this);
    preview.Placement = &m_settings;
    preview.exec();
}

void TfmPrintList::print()
{
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        ShowInfo(tr("No printer found on your system; Please install a printer first."));
        return;
    }
    std::unique_ptr<TrpList> report = MakeReport();
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(PageLayout());
    printer.setDocName(report->Title);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    report->Print(printer);
    accept();
}

void TfmPrintList::writePdf()
{
    const QString file = ChoosePdfFile(this);
    if (file.isEmpty())
        return;
    std::unique_ptr<TrpList> report = MakeReport();
    WriteReportPdfWithProgress(this, *report, PageLayout(), file, report->Title);
}

void TfmPrintList::done(int result)
{
    // Written however the dialog closes.
    copyColumnsBack();
    m_columns.Save(m_settings, sectionKey());
    m_settings.WriteString(kSection, QStringLiteral("Title"), m_title->text());
    m_settings.WriteInteger(kSection, QStringLiteral("Orientation"),
                            m_landscape->isChecked() ? 1 : 0);
    m_margins->Save(m_settings, kSection);
    m_settings.WriteBool(kSection, QStringLiteral("RowShading"), m_shading->isChecked());
    writeFont(m_settings, QStringLiteral("TitleFont"), m_titleFont);
    writeFont(m_settings, QStringLiteral("DataFont"), m_dataFont);
    SaveWindowPlacement(this, m_settings);
    QDialog::done(result);
}

void PrintListReport(QWidget *owner, std::vector<const TDataItem *> items, TItemLevel level,
                     TdmGlobal &dm)
{
    TfmPrintList dialog(std::move(items), level, dm.Settings(), dm.Fields(), owner);
    dialog.SelectColumns = [&dialog, &dm](TListFields &fields, const QString &suffix) {
        return SelectFields(&dialog, fields, suffix, dm);
    };
    PlaceDialog(&dialog, owner, dm.Settings());
    dialog.exec();
}
