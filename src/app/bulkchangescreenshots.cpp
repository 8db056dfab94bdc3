// Pictures of "Change Selected Albums" with three fields ticked, and of every chart of the
// statistics window.
#include "screenshots.h"

#include "editors/ui/changeselecteddialog.h"
#include "mainwindow/ui/mainwindow.h"
#include "model/qeldb.h"
#include "shell/dmglobal.h"
#include "views/ui/statisticscharts.h"
#include "views/ui/statisticswindow.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QSlider>
#include <QTabWidget>

int WriteBulkChangeScreenshots(TfmMain &main, const QString &folder)
{
    auto path = [&](const QString &name) { return QDir(folder).filePath(name); };
    int failures = 0;
    auto count = [&](bool ok) { failures += ok ? 0 : 1; };

    {
        TfmChangeSelected change(&main, main.Db(), main.Dm().Fields(), ilAlbum, 12);
        if (auto *location = qobject_cast<QLineEdit *>(change.Editor(fdLocation)))
            location->setText(QStringLiteral("Shelf 3"));
        if (auto *genre = qobject_cast<QComboBox *>(change.Editor(fdGenre)))
            genre->setEditText(genre->count() > 0 ? genre->itemText(0) : QStringLiteral("Jazz"));
        if (QWidget *rating = change.Editor(fdRating))
            if (auto *slider = rating->findChild<QSlider *>())
                slider->setValue(80);
        for (const TFieldId f : {fdLocation, fdGenre, fdRating})
            change.SetTicked(f, true);
        change.show();
        count(save(&change, path(QStringLiteral("change-selected-albums.png"))));
        change.hide();
    }

    TfmStats stats(&main, main.Db());
    auto *pages = stats.findChild<QTabWidget *>(QStringLiteral("pcStats"));
    auto *charts = stats.findChild<TStatisticsCharts *>();
    if (!pages || !charts)
        return failures + 1;
    pages->setCurrentWidget(charts);
    stats.show();
    static const char *const files[] = {"chart-decades.png",   "chart-genres.png",
                                        "chart-formats.png",   "chart-labels.png",
                                        "chart-purchases.png", "chart-genre-lengths.png"};
    for (int chart = 0; chart < TStatisticsCharts::chCount; ++chart) {
        charts->ShowChart(chart);
        count(save(&stats, path(QLatin1String(files[chart]))));
    }
    // The years of the decade with the most albums, as a click on its bar shows them.
    const std::vector<std::pair<int, qint64>> decades =
        TStatistics::Gather(main.Db()).AlbumsByDecade();
    if (!decades.empty()) {
        auto fullest = decades.front();
        for (const auto &d : decades)
            if (d.second > fullest.second)
                fullest = d;
        charts->OpenDecade(fullest.first);
        count(save(&stats, path(QStringLiteral("chart-decade-years.png"))));
    }
    stats.hide();
    return failures;
}
