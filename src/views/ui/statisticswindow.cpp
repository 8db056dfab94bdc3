#include "views/ui/statisticswindow.h"

#include "model/qeldb.h"
#include "shell/ui/windowplacement.h"
#include "views/statistics.h"
#include "views/ui/statisticscharts.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

namespace {
// A value in a sunken panel. The database name is the user's text, so plain text.
QLabel *panel(const QString &name, const QString &text)
{
    auto *p = new QLabel(text);
    p->setObjectName(name);
    p->setTextFormat(Qt::PlainText);
    p->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    p->setMinimumWidth(200);
    p->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return p;
}
} // namespace

TfmStats::TfmStats(QWidget *owner, const TQelDb &db) : QDialog(owner)
{
    setObjectName(QStringLiteral("fmStats"));
    setWindowTitle(tr("Statistics"));

    const TStatistics s = TStatistics::Gather(db);
    auto *grid = new QGridLayout;
    grid->setColumnMinimumWidth(1, 70);
    int row = 0;
    // Headings in column 0, sub-labels in column 1, panels in column 2; a panel
    // without a sub-label takes both.
    auto heading = [&](const QString &text) { grid->addWidget(new QLabel(text), row, 0); };
    auto value = [&](const QString &label, const QString &name, const QString &text) {
        if (!label.isEmpty())
            grid->addWidget(new QLabel(label), row, 1);
        grid->addWidget(panel(name, text), row, label.isEmpty() ? 1 : 2, 1,
                        label.isEmpty() ? 2 : 1);
        ++row;
    };

    heading(tr("Current database"));
    value({}, QStringLiteral("pnDatabase"), db.GetDisplayName());
    grid->setRowMinimumHeight(row++, 8);
    heading(tr("Counts:"));
    value(tr("Nr. Albums"), QStringLiteral("pnNrAlbums"), QString::number(s.albums));
    value(tr("Nr. Discs"), QStringLiteral("pnNrDiscs"), QString::number(s.discs));
    value(tr("Nr. Tracks"), QStringLiteral("pnNrTracks"), QString::number(s.tracks));
    grid->setRowMinimumHeight(row++, 8);
    heading(tr("Average Nr. Tracks"));
    value(tr("per Album"), QStringLiteral("pnAvgNrAlbumTracks"), s.AvgTracksPerAlbum());
    value(tr("per Disc"), QStringLiteral("pnAvgNrDiscTracks"), s.AvgTracksPerDisc());
    grid->setRowMinimumHeight(row++, 8);
    heading(tr("Total Length"));
    value({}, QStringLiteral("pnTotLength"), s.TotalLengthText());
    grid->setRowMinimumHeight(row++, 8);
    heading(tr("Average Length"));
    value(tr("Album"), QStringLiteral("pnAvgAlbumLength"), s.AvgAlbumLength());
    value(tr("Disc"), QStringLiteral("pnAvgDiscLength"), s.AvgDiscLength());
    value(tr("Track"), QStringLiteral("pnAvgTrackLength"), s.AvgTrackLength());
    grid->setRowMinimumHeight(row++, 8);
    heading(tr("Total Price"));
    value({}, QStringLiteral("pnTotalPrice"), s.TotalPriceText());

    auto *close = new QPushButton(tr("Close"));
    close->setObjectName(QStringLiteral("btClose"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(close);

    // The panels on the first page, as they always were; the charts beside them.
    auto *totals = new QWidget;
    totals->setObjectName(QStringLiteral("tsTotals"));
    auto *totalsLayout = new QVBoxLayout(totals);
    auto *panels = new QHBoxLayout;
    panels->addLayout(grid);
    panels->addStretch(1);
    totalsLayout->addLayout(panels);
    totalsLayout->addStretch(1);
    auto *pages = new QTabWidget;
    pages->setObjectName(QStringLiteral("pcStats"));
    pages->addTab(totals, tr("Totals"));
    pages->addTab(new TStatisticsCharts(s), tr("Charts"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(pages);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void ShowStatistics(QWidget *owner, const TQelDb &db)
{
    TfmStats dialog(owner, db);
    dialog.adjustSize();
    CenterOnOwner(&dialog, owner);
    dialog.exec();
}
