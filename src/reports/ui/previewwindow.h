#pragma once

#include "reports/bandreport.h"

#include <QDialog>
#include <QPageLayout>
#include <QWidget>

class QLabel;
class QProgressBar;
class QScrollArea;
class QTimer;
class QToolButton;
class TBandReport;
class TSettingsStore;

// One page of a report, painted when shown at the zoom asked for.
class TPreviewPage : public QWidget
{
    Q_OBJECT

public:
    TPreviewPage(const TBandReport &report, const QPageLayout &layout, QWidget *parent = nullptr);
    void SetPage(int page);
    void SetZoom(qreal zoom);
    qreal Zoom() const { return m_zoom; }
    // The paper in report pixels (96 per inch).
    QSizeF PaperSize() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const TBandReport &m_report;
    QPageLayout m_layout;
    int m_page = 0;
    qreal m_zoom = 1;
};

// The preview of a report: its pages one at a time, with navigation, zoom, printing and
// a PDF of it. The page keys turn pages wherever the focus is in the window. The report
// must be paginated for the layout's paint area.
class TfmPreview : public QDialog
{
    Q_OBJECT

public:
    TfmPreview(TBandReport &report, const QPageLayout &layout, const QString &title,
               QWidget *parent = nullptr);

    int CurrentPage() const { return m_page; } // from 1
    void GoToPage(int page);                   // pages outside 1 to the count are ignored

    // Asks for a file name; tests replace it.
    std::function<QString(QWidget *)> ChoosePdfFile;
    // How long one slice of the measuring pass may run before events are handled.
    inline static int PaginationSliceMs = 40;
    // Where the window's position and size are kept, when given.
    TSettingsStore *Placement = nullptr;

    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // Home, End, Page Up and Page Down, with Ctrl for the first and last page.
    bool turnPage(const QKeyEvent *event);
    void paginateSlice();
    void paginationDone();
    void updateNavigation();
    void zoomWidth();
    void zoomFit();
    void print();
    void writePdf();

    TBandReport &m_report;
    QPageLayout m_layout;
    QString m_title;
    TPreviewPage *m_view;
    QScrollArea *m_scroll;
    QToolButton *m_first, *m_prior, *m_next, *m_last;
    QToolButton *m_zoomFit, *m_zoom100, *m_zoomWidth;
    QLabel *m_pageText;
    QProgressBar *m_progress;
    QTimer *m_paginate;
    int m_page = 1;
    bool m_placed = false;
};
