// The series the statistics window charts, worked out by hand on small collections, and
// the charts drawn from them: what each shows, a click into a decade, the desktop's
// colours and "Save Picture...".
#include "model/album.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "model/valueformat.h"
#include "testsupport.h"
#include "views/statistics.h"
#include "views/ui/statisticscharts.h"
#include "views/ui/statisticswindow.h"

#include <QAbstractBarSeries>
#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDate>
#include <QDialog>
#include <QDir>
#include <QImage>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct TAlbumSpec
{
    const char *year;
    const char *genre; // nullptr: none
    const char *format;
    const char *label;
    QDate bought;
    qint64 price; // times 10000
    qint32 seconds;
};

void addAlbum(TQelDb &db, const TAlbumSpec &spec)
{
    auto *a = new TAlbum(&db);
    a->Year = QString::fromUtf8(spec.year);
    auto entry = [&db](TFieldId field, const char *name) {
        return name ? db.LookupList(field).GetOrAdd(QString::fromUtf8(name)) : nullptr;
    };
    a->Genre = entry(fdGenre, spec.genre);
    a->Format = entry(fdFormat, spec.format);
    a->Label = entry(fdLabel, spec.label);
    a->PurchaseDate = spec.bought.isValid() ? DaysFromDate(spec.bought) : 0;
    a->Price = spec.price;
    auto *disc = new TDisc(a);
    a->Add(disc);
    auto *track = new TTrack(disc);
    track->Length = spec.seconds;
    disc->Add(track);
    a->RebuildTrackLists();
    db.AddAlbum(a);
}

// Six albums: four years in three decades, two without a year; two genres and one album
// without; purchases in two years, one album bought without a date.
void smallCollection(TQelDb &db)
{
    const TAlbumSpec specs[] = {
        {"1965", "Jazz", "CD", "Blue Owl", QDate(2001, 3, 1), 100000, 3000},
        {"1968", "Jazz", "LP", "Blue Owl", QDate(2001, 9, 1), 55000, 2400},
        {"1972", "Rock", "CD", "Harbour", QDate(2003, 1, 1), 80000, 3600},
        {"1999", "Rock", "CD", nullptr, QDate(), 20000, 1800},
        {"", "Jazz", "MC", "Harbour", QDate(), 0, 1200},
        {" abc", nullptr, nullptr, "Blue Owl", QDate(), 0, 600},
    };
    for (const TAlbumSpec &s : specs)
        addAlbum(db, s);
}

TStatBar entry(const char *name, qint64 value)
{
    return {TStatBar::Entry, QString::fromUtf8(name), value};
}
TStatBar other(qint64 value)
{
    return {TStatBar::Other, QString(), value};
}
TStatBar none(qint64 value)
{
    return {TStatBar::None, QString(), value};
}

} // namespace

TEST(StatisticsSeries, SmallCollectionByHand)
{
    TQelDb db;
    smallCollection(db);
    const TStatistics s = TStatistics::Gather(db);
    EXPECT_EQ(s.albums, 6);
    EXPECT_EQ(s.albumsByYear, (std::map<int, qint64>{{1965, 1}, {1968, 1}, {1972, 1}, {1999, 1}}));
    EXPECT_EQ(s.albumsWithoutYear, 2);
    EXPECT_EQ(s.AlbumsByDecade(),
              (std::vector<std::pair<int, qint64>>{{1960, 2}, {1970, 1}, {1990, 1}}));
    const auto sixties = s.AlbumsInDecade(1960);
    ASSERT_EQ(sixties.size(), 10u);
    EXPECT_EQ(sixties.front(), std::make_pair(1960, qint64(0)));
    EXPECT_EQ(sixties[5], std::make_pair(1965, qint64(1)));
    EXPECT_EQ(sixties[8], std::make_pair(1968, qint64(1)));
    EXPECT_EQ(sixties.back(), std::make_pair(1969, qint64(0)));

    EXPECT_EQ(s.albumsByGenre,
              (std::vector<TStatBar>{entry("Jazz", 3), entry("Rock", 2), none(1)}));
    EXPECT_EQ(s.albumsByFormat,
              (std::vector<TStatBar>{entry("CD", 3), entry("LP", 1), entry("MC", 1), none(1)}));
    EXPECT_EQ(s.albumsByLabel,
              (std::vector<TStatBar>{entry("Blue Owl", 3), entry("Harbour", 2), none(1)}));
    EXPECT_EQ(s.lengthByGenre,
              (std::vector<TStatBar>{entry("Jazz", 6600), entry("Rock", 5400), none(600)}));
    // The album with a price and no purchase date is in no year.
    EXPECT_EQ(s.purchases, (std::vector<TPurchaseYear>{{2001, 2, 155000}, {2003, 1, 80000}}));
}

// Past the 15 largest entries the genres count as Other, labels are left out; equal
// counts go by name whatever the letter case.
TEST(StatisticsSeries, TheLargestEntriesThenOther)
{
    TQelDb db;
    // Genre and label "Gk" on k albums, k = 1 to 17; "alpha" and "Beta" on 20 each.
    auto add = [&db](const QString &name, int albums) {
        for (int i = 0; i < albums; ++i) {
            const QByteArray utf8 = name.toUtf8();
            addAlbum(db, {"2000", utf8.constData(), "CD", utf8.constData(), QDate(), 0, 60});
        }
    };
    add(QStringLiteral("Beta"), 20);
    add(QStringLiteral("alpha"), 20);
    for (int k = 1; k <= 17; ++k)
        add(QStringLiteral("G%1").arg(k, 2, 10, QLatin1Char('0')), k);
    const TStatistics s = TStatistics::Gather(db);

    std::vector<TStatBar> largest = {entry("alpha", 20), entry("Beta", 20)};
    for (int k = 17; k >= 5; --k)
        largest.push_back(
            {TStatBar::Entry, QStringLiteral("G%1").arg(k, 2, 10, QLatin1Char('0')), k});
    ASSERT_EQ(largest.size(), std::size_t(TStatistics::kLargest));
    std::vector<TStatBar> genres = largest;
    genres.push_back(other(1 + 2 + 3 + 4));
    EXPECT_EQ(s.albumsByGenre, genres);
    EXPECT_EQ(s.albumsByLabel, largest);
    std::vector<TStatBar> lengths;
    for (const TStatBar &bar : genres)
        lengths.push_back({bar.kind, bar.name, bar.value * 60});
    EXPECT_EQ(s.lengthByGenre, lengths);
    // Formats are few: every one shows.
    EXPECT_EQ(s.albumsByFormat, (std::vector<TStatBar>{entry("CD", 40 + 17 * 18 / 2)}));
}

TEST(StatisticsSeries, AnEmptyCollectionHasEmptySeries)
{
    TQelDb db;
    const TStatistics s = TStatistics::Gather(db);
    EXPECT_TRUE(s.albumsByYear.empty());
    EXPECT_TRUE(s.AlbumsByDecade().empty());
    EXPECT_TRUE(s.albumsByGenre.empty());
    EXPECT_TRUE(s.purchases.empty());
}

namespace {

QAbstractBarSeries *barsOf(QChart *chart)
{
    for (QAbstractSeries *series : chart->series())
        if (auto *bars = qobject_cast<QAbstractBarSeries *>(series))
            return bars;
    return nullptr;
}

// The categories and bar values a chart shows, in axis order.
std::vector<std::pair<QString, double>> shown(QChart *chart)
{
    std::vector<std::pair<QString, double>> out;
    QAbstractBarSeries *bars = barsOf(chart);
    if (!bars || bars->barSets().isEmpty())
        return out;
    QBarCategoryAxis *axis = nullptr;
    for (QAbstractAxis *a : bars->attachedAxes())
        if (auto *c = qobject_cast<QBarCategoryAxis *>(a))
            axis = c;
    if (!axis)
        return out;
    const QStringList names = axis->categories();
    QBarSet *set = bars->barSets().front();
    for (int i = 0; i < set->count(); ++i)
        out.emplace_back(names.value(i), set->at(i));
    return out;
}

using TShown = std::vector<std::pair<QString, double>>;

} // namespace

// Each chart shows its series: horizontal bars list the largest at the top (the axis
// runs from the bottom), lengths in hours, purchases with the money spent below them.
TEST(StatisticsCharts, EachChartShowsItsSeries)
{
    TQelDb db;
    smallCollection(db);
    TStatisticsCharts charts(TStatistics::Gather(db));
    charts.show();
    const struct
    {
        int chart;
        std::vector<std::pair<const char *, double>> bars;
    } cases[] = {
        {TStatisticsCharts::chDecades, {{"1960s", 2}, {"1970s", 1}, {"1990s", 1}}},
        {TStatisticsCharts::chGenres, {{"(None)", 1}, {"Rock", 2}, {"Jazz", 3}}},
        {TStatisticsCharts::chFormats, {{"(None)", 1}, {"MC", 1}, {"LP", 1}, {"CD", 3}}},
        {TStatisticsCharts::chLabels, {{"(None)", 1}, {"Harbour", 2}, {"Blue Owl", 3}}},
        {TStatisticsCharts::chPurchases, {{"2001", 2}, {"2003", 1}}},
        {TStatisticsCharts::chGenreLengths, {{"(None)", 0.2}, {"Rock", 1.5}, {"Jazz", 1.8}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.chart);
        charts.ShowChart(c.chart);
        ASSERT_TRUE(charts.Chart());
        TShown expected;
        for (const auto &[name, value] : c.bars)
            expected.emplace_back(QString::fromUtf8(name), value);
        EXPECT_EQ(shown(charts.Chart()), expected);
        EXPECT_FALSE(charts.Chart()->title().isEmpty());
        EXPECT_TRUE(barsOf(charts.Chart())->isLabelsVisible()); // bars with their values
    }
    // Under the purchases, the money spent in the same years.
    charts.ShowChart(TStatisticsCharts::chPurchases);
    ASSERT_TRUE(charts.LowerChart());
    EXPECT_EQ(shown(charts.LowerChart()),
              (TShown{{QStringLiteral("2001"), 15.5}, {QStringLiteral("2003"), 8}}));
    charts.ShowChart(TStatisticsCharts::chGenres);
    EXPECT_FALSE(charts.LowerChart());
}

// A click on a decade's bar shows the ten years of that decade; "All Decades" goes back.
TEST(StatisticsCharts, AClickOnADecadeShowsItsYears)
{
    TQelDb db;
    smallCollection(db);
    TStatisticsCharts charts(TStatistics::Gather(db));
    charts.show();
    auto *back = Child<QPushButton>(&charts, "btAllDecades");
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->isHidden());
    QAbstractBarSeries *bars = barsOf(charts.Chart());
    emit bars->clicked(0, bars->barSets().front());
    QCoreApplication::processEvents();
    EXPECT_EQ(charts.OpenedDecade(), 1960);
    const TShown years = shown(charts.Chart());
    ASSERT_EQ(years.size(), 10u);
    EXPECT_EQ(years[5], (std::pair<QString, double>{QStringLiteral("1965"), 1}));
    EXPECT_EQ(years[0], (std::pair<QString, double>{QStringLiteral("1960"), 0}));
    EXPECT_FALSE(back->isHidden());
    back->click();
    EXPECT_EQ(charts.OpenedDecade(), -1);
    EXPECT_EQ(shown(charts.Chart()).size(), 3u);
    EXPECT_TRUE(back->isHidden());
}

// The colours come from the palette, and follow it when it changes.
TEST(StatisticsCharts, ColoursComeFromThePalette)
{
    TQelDb db;
    smallCollection(db);
    TStatisticsCharts charts(TStatistics::Gather(db));
    for (const QColor &highlight : {QColor(200, 40, 40), QColor(20, 120, 60)}) {
        QPalette pal = charts.palette();
        pal.setColor(QPalette::Highlight, highlight);
        pal.setColor(QPalette::Base, QColor(30, 30, 30));
        pal.setColor(QPalette::Text, QColor(240, 240, 240));
        charts.setPalette(pal);
        QChart *chart = charts.Chart();
        EXPECT_EQ(barsOf(chart)->barSets().front()->color(), highlight);
        EXPECT_EQ(barsOf(chart)->barSets().front()->labelColor(), QColor(240, 240, 240));
        EXPECT_EQ(chart->backgroundBrush().color(), QColor(30, 30, 30));
        EXPECT_EQ(chart->titleBrush().color(), QColor(240, 240, 240));
    }
}

// "Save Picture..." writes the chart shown as PNG; a file that cannot be written is
// reported and nothing is left behind.
TEST(StatisticsCharts, SavePictureWritesThePngOrSaysWhyNot)
{
    TTestHome home;
    TScriptedInterface ui;
    TQelDb db;
    smallCollection(db);
    TStatisticsCharts charts(TStatistics::Gather(db));
    charts.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&charts));
    QString suggested;
    QString answer = home.file(QStringLiteral("genres"));
    charts.ChooseFile = [&](QWidget *, const QString &s) {
        suggested = s;
        return answer;
    };
    charts.ShowChart(TStatisticsCharts::chGenres);
    Click(&charts, "btSavePicture");
    EXPECT_EQ(suggested, QStringLiteral("albums-by-genre.png"));
    const QImage picture(home.file(QStringLiteral("genres.png")), "PNG");
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), charts.Canvas()->size() * charts.Canvas()->devicePixelRatioF());
    EXPECT_TRUE(ui.messages.isEmpty());

    answer = home.file(QStringLiteral("no-such-folder/chart.png"));
    Click(&charts, "btSavePicture");
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.messages.front().startsWith(QStringLiteral("Could not save \"")))
        << ui.messages.front().toStdString();
    EXPECT_FALSE(QDir(home.file(QStringLiteral("no-such-folder"))).exists());
}

// The window keeps its panels on the first page and gains the charts beside them.
TEST(StatisticsWindow, ChartsSitOnASecondPage)
{
    TTestHome home;
    TQelDb db;
    smallCollection(db);
    WhenModal([](QDialog *d) {
        auto *pages = Child<QTabWidget>(d, "pcStats");
        ASSERT_TRUE(pages);
        ASSERT_EQ(pages->count(), 2);
        EXPECT_EQ(pages->widget(0)->objectName(), QStringLiteral("tsTotals"));
        EXPECT_TRUE(pages->widget(0)->findChild<QWidget *>(QStringLiteral("pnNrAlbums")));
        EXPECT_EQ(pages->tabText(1), QStringLiteral("Charts"));
        EXPECT_TRUE(qobject_cast<TStatisticsCharts *>(pages->widget(1)));
        Click(d, "btClose");
    });
    ShowStatistics(nullptr, db);
}
