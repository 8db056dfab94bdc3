#include "views/ui/statisticscharts.h"

#include "model/atomicfile.h"
#include "model/general.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace {

// A category axis holds each name once: entries that show the same text, or an entry
// named like the Other bar, get a number after the name.
QStringList uniqueNames(const QStringList &names)
{
    QStringList unique;
    for (const QString &name : names) {
        QString candidate = name;
        for (int n = 2; unique.contains(candidate); ++n)
            candidate = QStringLiteral("%1 (%2)").arg(name).arg(n);
        unique << candidate;
    }
    return unique;
}

// A value axis from 0 with room above the largest value for the bar's label.
QValueAxis *valueAxis(double largest, bool whole)
{
    auto *axis = new QValueAxis;
    axis->setRange(0, largest > 0 ? largest * 1.12 : 1);
    axis->applyNiceNumbers();
    if (whole) {
        axis->setLabelFormat(QStringLiteral("%i"));
        // Ticks fall on whole numbers: at most one per unit.
        const int span = int(std::lround(axis->max()));
        if (span > 0 && span < axis->tickCount() - 1)
            axis->setTickCount(span + 1);
    }
    return axis;
}

QAbstractBarSeries *withLabels(QAbstractBarSeries *series)
{
    series->setLabelsVisible(true);
    series->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
    series->setLabelsFormat(QStringLiteral("@value"));
    return series;
}

} // namespace

TStatisticsCharts::TStatisticsCharts(const TStatistics &statistics, QWidget *parent)
    : QWidget(parent), m_stats(statistics), m_choice(new QComboBox),
      m_allDecades(new QPushButton(tr("All Decades"))),
      m_save(new QPushButton(tr("Save Picture..."))), m_canvas(new QWidget), m_view(new QChartView),
      m_lower(new QChartView)
{
    setObjectName(QStringLiteral("tsCharts"));
    m_choice->setObjectName(QStringLiteral("cbChart"));
    m_choice->addItems({tr("Albums by Decade"), tr("Albums by Genre"), tr("Albums by Format"),
                        tr("Albums by Label"), tr("Purchases per Year"), tr("Length by Genre")});
    m_allDecades->setObjectName(QStringLiteral("btAllDecades"));
    m_allDecades->setAutoDefault(false);
    m_save->setObjectName(QStringLiteral("btSavePicture"));
    m_save->setAutoDefault(false);
    m_canvas->setObjectName(QStringLiteral("pnCharts"));
    m_canvas->setMinimumSize(720, 470);
    auto *canvasLayout = new QVBoxLayout(m_canvas);
    canvasLayout->setContentsMargins(0, 0, 0, 0);
    canvasLayout->setSpacing(0);
    m_view->setObjectName(QStringLiteral("cvChart"));
    m_lower->setObjectName(QStringLiteral("cvLowerChart"));
    for (QChartView *view : {m_view, m_lower}) {
        view->setRenderHint(QPainter::Antialiasing);
        view->setFrameShape(QFrame::NoFrame);
        // The canvas decides the size: the window keeps it whichever chart shows.
        view->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
        canvasLayout->addWidget(view, 1);
    }
    m_lower->hide();

    auto *label = new QLabel(tr("&Chart:"));
    label->setBuddy(m_choice);
    auto *top = new QHBoxLayout;
    top->addWidget(label);
    top->addWidget(m_choice);
    top->addWidget(m_allDecades);
    top->addStretch(1);
    top->addWidget(m_save);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_canvas, 1);

    ChooseFile = [](QWidget *owner, const QString &suggested) {
        return QFileDialog::getSaveFileName(owner, tr("Save Picture"), suggested,
                                            tr("PNG pictures (*.png)"));
    };
    connect(m_choice, &QComboBox::currentIndexChanged, this, [this] {
        m_decade = -1;
        rebuild();
    });
    connect(m_allDecades, &QPushButton::clicked, this, [this] {
        m_decade = -1;
        rebuild();
    });
    connect(m_save, &QPushButton::clicked, this, &TStatisticsCharts::SavePictureAs);
    rebuild();
}

void TStatisticsCharts::ShowChart(int chart)
{
    if (chart >= 0 && chart < chCount)
        m_choice->setCurrentIndex(chart);
}

int TStatisticsCharts::ShownChart() const
{
    return m_choice->currentIndex();
}

void TStatisticsCharts::OpenDecade(int decade)
{
    m_choice->setCurrentIndex(chDecades);
    m_decade = decade;
    rebuild();
}

QChart *TStatisticsCharts::Chart() const
{
    return m_view->chart();
}

QChart *TStatisticsCharts::LowerChart() const
{
    return m_lower->isHidden() ? nullptr : m_lower->chart();
}

void TStatisticsCharts::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // A new desktop theme: the colours come from the palette.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange)
        rebuild();
}

void TStatisticsCharts::rebuild()
{
    QChart *chart = nullptr;
    QChart *lower = nullptr;
    switch (m_choice->currentIndex()) {
    case chGenres:
        chart = barsChart(tr("Albums by Genre"), m_stats.albumsByGenre, false);
        break;
    case chFormats:
        chart = barsChart(tr("Albums by Format"), m_stats.albumsByFormat, false);
        break;
    case chLabels:
        chart = barsChart(tr("Albums by Label"), m_stats.albumsByLabel, false);
        break;
    case chPurchases:
        chart = purchasesChart(false);
        lower = purchasesChart(true);
        break;
    case chGenreLengths:
        chart = barsChart(tr("Length by Genre"), m_stats.lengthByGenre, true);
        break;
    default:
        chart = m_decade < 0 ? decadesChart() : yearsChart(m_decade);
        break;
    }
    m_allDecades->setVisible(m_choice->currentIndex() == chDecades && m_decade >= 0);
    // The views let go of the charts they showed without freeing them.
    const std::pair<QChartView *, QChart *> shown[] = {{m_view, chart}, {m_lower, lower}};
    for (const auto &[view, next] : shown) {
        view->setVisible(next != nullptr);
        if (!next)
            continue;
        paint(next);
        QChart *old = view->chart();
        view->setChart(next);
        delete old;
    }
}

QChart *TStatisticsCharts::decadesChart()
{
    const std::vector<std::pair<int, qint64>> decades = m_stats.AlbumsByDecade();
    auto *set = new QBarSet(tr("Albums"));
    QStringList categories;
    double largest = 0;
    for (const auto &[decade, albums] : decades) {
        *set << double(albums);
        categories << tr("%1s").arg(decade);
        largest = std::max(largest, double(albums));
    }
    auto *series = new QBarSeries;
    series->append(set);
    withLabels(series);
    std::vector<int> starts;
    for (const auto &d : decades)
        starts.push_back(d.first);
    connect(series, &QBarSeries::clicked, this, [this, starts](int index, QBarSet *) {
        if (index >= 0 && std::size_t(index) < starts.size())
            // Not from inside the series' own signal: the chart is replaced.
            QMetaObject::invokeMethod(
                this, [this, decade = starts[std::size_t(index)]] { OpenDecade(decade); },
                Qt::QueuedConnection);
    });

    auto *chart = new QChart;
    chart->setTitle(m_stats.albumsWithoutYear > 0
                        ? tr("Albums by Decade (%1 without a year)").arg(m_stats.albumsWithoutYear)
                        : tr("Albums by Decade"));
    chart->addSeries(series);
    auto *x = new QBarCategoryAxis;
    x->append(categories);
    x->setTitleText(tr("Click a decade for its years"));
    chart->addAxis(x, Qt::AlignBottom);
    series->attachAxis(x);
    QValueAxis *y = valueAxis(largest, true);
    y->setTitleText(tr("Albums"));
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(y);
    chart->legend()->setVisible(false);
    return chart;
}

QChart *TStatisticsCharts::yearsChart(int decade)
{
    auto *set = new QBarSet(tr("Albums"));
    QStringList categories;
    double largest = 0;
    for (const auto &[year, albums] : m_stats.AlbumsInDecade(decade)) {
        *set << double(albums);
        categories << QString::number(year);
        largest = std::max(largest, double(albums));
    }
    auto *series = new QBarSeries;
    series->append(set);
    withLabels(series);
    auto *chart = new QChart;
    chart->setTitle(tr("Albums of the %1s").arg(decade));
    chart->addSeries(series);
    auto *x = new QBarCategoryAxis;
    x->append(categories);
    chart->addAxis(x, Qt::AlignBottom);
    series->attachAxis(x);
    QValueAxis *y = valueAxis(largest, true);
    y->setTitleText(tr("Albums"));
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(y);
    chart->legend()->setVisible(false);
    return chart;
}

QChart *TStatisticsCharts::barsChart(const QString &title, const std::vector<TStatBar> &bars,
                                     bool hours)
{
    // Horizontal bars, the largest at the top: names read along their bars.
    auto *set = new QBarSet(hours ? tr("Hours") : tr("Albums"));
    QStringList names;
    double largest = 0;
    for (auto bar = bars.rbegin(); bar != bars.rend(); ++bar) {
        const double value =
            hours ? std::round(double(bar->value) / 360.0) / 10.0 : double(bar->value);
        *set << value;
        names << (bar->kind == TStatBar::Other  ? tr("Other")
                  : bar->kind == TStatBar::None ? tr("(None)")
                                                : bar->name);
        largest = std::max(largest, value);
    }
    auto *series = new QHorizontalBarSeries;
    series->append(set);
    withLabels(series);
    series->setLabelsPrecision(12);
    auto *chart = new QChart;
    chart->setTitle(title);
    chart->addSeries(series);
    auto *y = new QBarCategoryAxis;
    y->append(uniqueNames(names));
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(y);
    QValueAxis *x = valueAxis(largest, !hours);
    x->setTitleText(hours ? tr("Hours") : tr("Albums"));
    chart->addAxis(x, Qt::AlignBottom);
    series->attachAxis(x);
    chart->legend()->setVisible(false);
    return chart;
}

QChart *TStatisticsCharts::purchasesChart(bool money)
{
    // Albums above, money below, on the same years; each with the values on its bars.
    const QString symbol = QLocale().currencySymbol();
    const QString moneyTitle =
        symbol.isEmpty() ? tr("Money Spent per Year") : tr("Money Spent per Year (%1)").arg(symbol);
    auto *set = new QBarSet(money ? tr("Money spent") : tr("Albums bought"));
    QStringList years;
    double largest = 0;
    for (const TPurchaseYear &p : m_stats.purchases) {
        const double value = money ? double(p.price) / 10000.0 : double(p.albums);
        *set << value;
        years << QString::number(p.year);
        largest = std::max(largest, value);
    }
    auto *bars = new QBarSeries;
    bars->append(set);
    withLabels(bars);
    bars->setLabelsPrecision(12);
    auto *chart = new QChart;
    chart->setTitle(money ? moneyTitle : tr("Albums Bought per Year"));
    chart->addSeries(bars);
    auto *x = new QBarCategoryAxis;
    x->append(years);
    // Many years side by side: their numbers stand upright.
    if (years.size() > 12)
        x->setLabelsAngle(-90);
    chart->addAxis(x, Qt::AlignBottom);
    bars->attachAxis(x);
    QValueAxis *y = valueAxis(largest, !money);
    if (money && largest >= 10)
        y->setLabelFormat(QStringLiteral("%.0f"));
    y->setTitleText(money ? tr("Money") : tr("Albums"));
    chart->addAxis(y, Qt::AlignLeft);
    bars->attachAxis(y);
    chart->legend()->setVisible(false);
    return chart;
}

void TStatisticsCharts::paint(QChart *chart) const
{
    const QPalette &pal = palette();
    const QColor text = pal.color(QPalette::Text);
    const QColor bar = pal.color(QPalette::Highlight);
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setBackgroundBrush(pal.color(QPalette::Base));
    chart->setBackgroundPen(Qt::NoPen);
    chart->setBackgroundRoundness(0);
    chart->setDropShadowEnabled(false);
    chart->setMargins(QMargins(6, 6, 12, 6));
    QFont titleFont = font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.15);
    chart->setTitleFont(titleFont);
    chart->setTitleBrush(text);
    chart->legend()->setFont(font());
    chart->legend()->setLabelColor(text);
    for (QAbstractAxis *axis : chart->axes()) {
        axis->setLabelsFont(font());
        axis->setLabelsColor(text);
        axis->setTitleFont(font());
        axis->setTitleBrush(text);
        axis->setLinePenColor(pal.color(QPalette::Mid));
        axis->setGridLineColor(pal.color(QPalette::Midlight));
        axis->setShadesVisible(false);
        // Lines between the categories only divide what the bars already set apart.
        if (qobject_cast<QBarCategoryAxis *>(axis))
            axis->setGridLineVisible(false);
    }
    for (QAbstractSeries *series : chart->series()) {
        if (auto *bars = qobject_cast<QAbstractBarSeries *>(series)) {
            for (QBarSet *set : bars->barSets()) {
                set->setColor(bar);
                set->setBorderColor(bar.darker(125));
                set->setLabelColor(text);
                set->setLabelFont(font());
            }
        }
    }
}

QString TStatisticsCharts::fileSuggestion() const
{
    static const char *const names[] = {"albums-by-decade",   "albums-by-genre",
                                        "albums-by-format",   "albums-by-label",
                                        "purchases-per-year", "length-by-genre"};
    const int shown = std::clamp(ShownChart(), 0, int(chCount) - 1);
    QString name = QLatin1String(names[shown]);
    if (shown == chDecades && m_decade >= 0)
        name = QStringLiteral("albums-of-the-%1s").arg(m_decade);
    return name + QStringLiteral(".png");
}

QString TStatisticsCharts::SavePicture(const QString &file) const
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!m_canvas->grab().save(&buffer, "PNG"))
        return tr("The picture could not be made");
    return WriteFileAtomically(file, bytes);
}

void TStatisticsCharts::SavePictureAs()
{
    QString file = ChooseFile ? ChooseFile(this, fileSuggestion()) : QString();
    if (file.isEmpty())
        return;
    if (QFileInfo(file).suffix().isEmpty())
        file += QStringLiteral(".png");
    const QString error = SavePicture(file);
    if (!error.isEmpty())
        ShowInfo(tr("Could not save \"%1\": %2").arg(file, error));
}
