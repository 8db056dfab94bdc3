#pragma once

#include "views/statistics.h"

#include <QWidget>
#include <functional>

class QChart;
class QChartView;
class QComboBox;
class QPushButton;

// The "Charts" page of the statistics window: one chart at a time, chosen in cbChart,
// drawn from the statistics' series in the colours of the desktop's palette. A click
// on a decade's bar shows the years of that decade; btAllDecades goes back. Purchases
// show as two charts, one above the other: the albums bought and the money spent, each
// year in both. btSavePicture writes what is shown as a PNG file.
class TStatisticsCharts : public QWidget
{
    Q_OBJECT

public:
    enum TChart {
        chDecades = 0,
        chGenres,
        chFormats,
        chLabels,
        chPurchases,
        chGenreLengths,
        chCount
    };

    explicit TStatisticsCharts(const TStatistics &statistics, QWidget *parent = nullptr);

    void ShowChart(int chart);
    int ShownChart() const;
    // The years of the decade (1990 for the 1990s), as a click on its bar shows them.
    void OpenDecade(int decade);
    int OpenedDecade() const { return m_decade; } // -1: the decades are shown
    QChart *Chart() const;
    // The money spent under the purchases; nullptr for the other charts.
    QChart *LowerChart() const;
    // What "Save Picture..." writes.
    QWidget *Canvas() const { return m_canvas; }

    // Writes the chart shown to file as PNG; the error text, or empty.
    QString SavePicture(const QString &file) const;
    // "Save Picture...": asks for the file (tests replace the question), writes it and
    // tells the user when that fails.
    void SavePictureAs();
    std::function<QString(QWidget *owner, const QString &suggested)> ChooseFile;

protected:
    void changeEvent(QEvent *event) override;

private:
    void rebuild();
    QChart *decadesChart();
    QChart *yearsChart(int decade);
    QChart *barsChart(const QString &title, const std::vector<TStatBar> &bars, bool hours);
    QChart *purchasesChart(bool money);
    void paint(QChart *chart) const;
    QString fileSuggestion() const;

    const TStatistics m_stats;
    QComboBox *m_choice;
    QPushButton *m_allDecades;
    QPushButton *m_save;
    QWidget *m_canvas;
    QChartView *m_view;
    QChartView *m_lower;
    int m_decade = -1;
};
