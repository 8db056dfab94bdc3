#include "reports/ui/previewwindow.h"

#include "model/general.h"
#include "reports/bandreport.h"
#include "reports/ui/reportpdfprocess.h"
#include "shell/settingsstore.h"
#include "shell/ui/windowplacement.h"

#include <QButtonGroup>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr qreal kDpi = TBandReport::kPixelsPerInch;

} // namespace

TPreviewPage::TPreviewPage(const TBandReport &report, const QPageLayout &layout, QWidget *parent)
    : QWidget(parent), m_report(report), m_layout(layout)
{
    setObjectName(QStringLiteral("QRPreview"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QSizeF TPreviewPage::PaperSize() const
{
    return m_layout.fullRectPixels(int(kDpi)).size();
}

void TPreviewPage::SetPage(int page)
{
    m_page = page;
    update();
}

void TPreviewPage::SetZoom(qreal zoom)
{
    m_zoom = qBound(0.05, zoom, 8.0);
    setFixedSize((PaperSize() * m_zoom).toSize() + QSize(20, 20));
    update();
}

void TPreviewPage::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Dark));
    p.translate(10, 10);
    p.scale(m_zoom, m_zoom);
    p.fillRect(QRectF(QPointF(0, 0), PaperSize()), Qt::white);
    if (m_page < 0 || m_page >= m_report.CompletePages())
        return;
    // Only the page in view is painted: a report of thousands of pages costs one.
    p.translate(m_layout.paintRectPixels(int(kDpi)).topLeft());
    m_report.PaintPage(p, m_page);
}

TfmPreview::TfmPreview(TBandReport &report, const QPageLayout &layout, const QString &title,
                       QWidget *parent)
    : QDialog(parent), m_report(report), m_layout(layout), m_title(title)
{
    setObjectName(QStringLiteral("fmPreview"));
    m_report.BeginPagination(QSizeF(layout.paintRectPixels(int(kDpi)).size()));
    setWindowTitle(tr("Preview"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);

    auto tool = [this](const char *name, const QString &text, const QString &hint) {
        auto *b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setText(text);
        b->setToolTip(hint);
        b->setAutoRaise(true);
        return b;
    };
    m_first = tool("btFirst", QStringLiteral("|<"), tr("First"));
    m_prior = tool("btPrior", QStringLiteral("<"), tr("Previous"));
    m_next = tool("btNext", QStringLiteral(">"), tr("Next"));
    m_last = tool("btLast", QStringLiteral(">|"), tr("Last"));
    m_zoomFit = tool("btZoomFit", tr("Whole Page"), tr("Whole Page"));
    m_zoom100 = tool("btZoom100", QStringLiteral("100 %"), tr("100 %"));
    m_zoomWidth = tool("btZoomWidth", tr("Page Width"), tr("Page Width"));
    auto *zoom = new QButtonGroup(this);
    for (QToolButton *b : {m_zoomFit, m_zoom100, m_zoomWidth}) {
        b->setCheckable(true);
        zoom->addButton(b);
    }
    m_zoomWidth->setChecked(true);
    auto *printButton = tool("btPrint", tr("Print"), tr("Print"));
    auto *pdfButton = tool("btPdf", tr("PDF..."), tr("Save as PDF"));
    auto *close = tool("btClose", tr("&Close"), tr("Close"));

    connect(m_first, &QToolButton::clicked, this, [this] { GoToPage(1); });
    connect(m_prior, &QToolButton::clicked, this, [this] { GoToPage(m_page - 1); });
    connect(m_next, &QToolButton::clicked, this, [this] { GoToPage(m_page + 1); });
    connect(m_last, &QToolButton::clicked, this, [this] { GoToPage(m_report.CompletePages()); });
    connect(m_zoomFit, &QToolButton::clicked, this, &TfmPreview::zoomFit);
    connect(m_zoom100, &QToolButton::clicked, this, [this] { m_view->SetZoom(1); });
    connect(m_zoomWidth, &QToolButton::clicked, this, &TfmPreview::zoomWidth);
    connect(printButton, &QToolButton::clicked, this, &TfmPreview::print);
    connect(pdfButton, &QToolButton::clicked, this, &TfmPreview::writePdf);
    connect(close, &QToolButton::clicked, this, &QDialog::reject);

    auto *bar = new QHBoxLayout;
    for (QWidget *w : {m_first, m_prior, m_next, m_last})
        bar->addWidget(w);
    bar->addSpacing(16);
    for (QWidget *w : {m_zoomFit, m_zoom100, m_zoomWidth})
        bar->addWidget(w);
    bar->addSpacing(16);
    bar->addWidget(printButton);
    bar->addWidget(pdfButton);
    bar->addWidget(close);
    bar->addStretch();

    m_view = new TPreviewPage(report, layout);
    m_scroll = new QScrollArea(this);
    m_scroll->setWidget(m_view);
    m_scroll->setAlignment(Qt::AlignHCenter);
    m_scroll->setBackgroundRole(QPalette::Dark);
    // The scroll area takes the focus once the page is clicked or scrolled.
    m_scroll->installEventFilter(this);

    m_pageText = new QLabel(this);
    m_pageText->setObjectName(QStringLiteral("pnPage"));
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("pbProgress"));
    m_progress->hide();
    auto *status = new QHBoxLayout;
    status->addWidget(m_pageText);
    status->addWidget(m_progress, 1);

    auto *layoutBox = new QVBoxLayout(this);
    layoutBox->addLayout(bar);
    layoutBox->addWidget(m_scroll, 1);
    layoutBox->addLayout(status);
    resize(760, 820);

    ChoosePdfFile = [](QWidget *owner) {
        return QFileDialog::getSaveFileName(owner, tr("Save Report as PDF"), QString(),
                                            tr("PDF files (*.pdf)"));
    };
    // A long report opens at once: its first pages show while the rest is measured
    // in slices between events.
    m_paginate = new QTimer(this);
    m_paginate->setInterval(0);
    connect(m_paginate, &QTimer::timeout, this, &TfmPreview::paginateSlice);
    m_view->SetPage(0);
    paginateSlice();
    if (!m_report.Paginated()) {
        m_progress->show();
        m_paginate->start();
    }
}

void TfmPreview::paginateSlice()
{
    QElapsedTimer slice;
    slice.start();
    while (!m_report.PaginateSome(2048) && slice.elapsed() < PaginationSliceMs) {
    }
    const int rows = m_report.DetailCount();
    m_progress->setValue(rows > 0 ? int(qint64(m_report.MeasuredRows()) * 100 / rows) : 100);
    if (m_report.Paginated()) {
        m_paginate->stop();
        m_progress->hide();
    }
    m_view->update(); // the page in view may just have been completed
    updateNavigation();
}

void TfmPreview::paginationDone()
{
    // Printing measured the whole report again.
    m_paginate->stop();
    m_progress->hide();
    m_view->update();
    updateNavigation();
}

void TfmPreview::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_placed && Placement &&
        !Placement->ReadBinary(QStringLiteral("WindowPlacement"), objectName(), {}).isEmpty())
        RestoreWindowPlacement(this, *Placement);
    m_placed = true;
    setWindowTitle(tr("Preview of report \"%1\"").arg(m_title));
    zoomWidth();
    updateNavigation();
}

void TfmPreview::done(int result)
{
    if (Placement)
        SaveWindowPlacement(this, *Placement);
    QDialog::done(result);
}

void TfmPreview::GoToPage(int page)
{
    if (page < 1 || page > m_report.CompletePages() || page == m_page)
        return;
    m_page = page;
    m_view->SetPage(page - 1);
    m_scroll->verticalScrollBar()->setValue(0);
    updateNavigation();
}

void TfmPreview::updateNavigation()
{
    const int count = m_report.CompletePages();
    // Measured again for another resolution, the report may end before the page shown.
    if (m_report.Paginated() && count > 0 && m_page > count) {
        m_page = count;
        m_view->SetPage(count - 1);
    }
    m_first->setEnabled(m_page > 1);
    m_prior->setEnabled(m_page > 1);
    m_next->setEnabled(m_page < count);
    m_last->setEnabled(m_page < count);
    m_pageText->setText(tr("   Page %1 of %2").arg(m_page).arg(count));
}

void TfmPreview::zoomWidth()
{
    const qreal room = m_scroll->viewport()->width() - 24;
    m_view->SetZoom(room / m_view->PaperSize().width());
}

void TfmPreview::zoomFit()
{
    const QSizeF room = QSizeF(m_scroll->viewport()->size()) - QSizeF(24, 24);
    const QSizeF paper = m_view->PaperSize();
    m_view->SetZoom(qMin(room.width() / paper.width(), room.height() / paper.height()));
}

bool TfmPreview::turnPage(const QKeyEvent *event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Home:
        GoToPage(1);
        return true;
    case Qt::Key_End:
        GoToPage(m_report.CompletePages());
        return true;
    case Qt::Key_PageUp:
        GoToPage(ctrl ? 1 : m_page - 1);
        return true;
    case Qt::Key_PageDown:
        GoToPage(ctrl ? m_report.CompletePages() : m_page + 1);
        return true;
    default:
        return false;
    }
}

void TfmPreview::keyPressEvent(QKeyEvent *event)
{
    if (!turnPage(event))
        QDialog::keyPressEvent(event);
}

bool TfmPreview::eventFilter(QObject *watched, QEvent *event)
{
    // The scroll area would take these keys to scroll within the page.
    if (event->type() == QEvent::KeyPress && turnPage(static_cast<QKeyEvent *>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

void TfmPreview::print()
{
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        ShowInfo(tr("No printer found on your system; Please install a printer first."));
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(m_layout);
    printer.setDocName(m_title);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_report.Print(printer);
    paginationDone();
    accept();
}

void TfmPreview::writePdf()
{
    const QString file = ChoosePdfFile(this);
    if (file.isEmpty())
        return;
    // The writer measures the report again, for its own resolution; the window's slices
    // must not interleave with that pass.
    m_paginate->stop();
    WriteReportPdfWithProgress(this, m_report, m_layout, file, m_title);
    if (m_report.Paginated()) {
        paginationDone();
        return;
    }
    // Cancelled while measuring: measure for the window again, the first pages at once.
    m_report.BeginPagination(QSizeF(m_layout.paintRectPixels(int(kDpi)).size()));
    paginateSlice();
    if (!m_report.Paginated()) {
        m_progress->show();
        m_paginate->start();
    }
}
