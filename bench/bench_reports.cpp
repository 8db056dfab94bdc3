// The list report to PDF: our band engine against an HTML table printed through
// QTextDocument (what a Qt program does without a band engine), on the same albums.
// Also the first page alone, as the preview paints it after the measuring pass.

#include "benchdata.h"

#include "model/album.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "reports/albumreport.h"
#include "reports/listreport.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

using namespace bench;

namespace {

struct TLoaded
{
    TQelDb db;
    std::vector<const TDataItem *> items;
};

TLoaded &loaded(int albums)
{
    static std::map<int, std::unique_ptr<TLoaded>> cache;
    auto &slot = cache[albums];
    if (!slot) {
        slot = std::make_unique<TLoaded>();
        slot->db.ReadFile(Collection(albums).qelPath, false);
        for (qsizetype i = 0; i < slot->db.AlbumCount(); ++i)
            slot->items.push_back(slot->db.Album(i));
    }
    return *slot;
}

std::vector<TReportColumn> columns()
{
    return {{fdArtist, QStringLiteral("Artist/Composer"), 150},
            {fdTitle, QStringLiteral("Title"), 250},
            {fdYear, QStringLiteral("Year"), 60}};
}

void BM_ListReportPdf(benchmark::State &state)
{
    TLoaded &data = loaded(int(state.range(0)));
    const QString out = WorkFile(QStringLiteral("list.pdf"));
    int pages = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        TrpList report(data.items, columns());
        QPdfWriter pdf(out);
        pdf.setResolution(300);
        report.Print(pdf);
        pages = report.PageCount();
        state.SetIterationTime(SecondsSince(start));
    }
    state.counters["pages"] = pages;
}

// The peers' table row of an item: one cell per column, escaped.
QString rowHtml(const TDataItem *item)
{
    QString row = QStringLiteral("<tr>");
    for (const TReportColumn &c : columns())
        row += QStringLiteral("<td>") + item->GetFieldAsString(c.field).toHtmlEscaped() +
               QStringLiteral("</td>");
    return row + QStringLiteral("</tr>");
}

// What the peers time after building their page: Qt's layout and printing of it.
void printHtml(const QString &html, const QString &out)
{
    QTextDocument doc;
    doc.setHtml(html);
    QPdfWriter pdf(out);
    pdf.setResolution(300);
    doc.print(&pdf);
}

void BM_QTextDocumentPdfPeer(benchmark::State &state)
{
    TLoaded &data = loaded(int(state.range(0)));
    const QString out = WorkFile(QStringLiteral("peer.pdf"));
    for (auto _ : state) {
        const auto start = Clock::now();
        QString html = QStringLiteral("<h2 align=center>Qel Music</h2><table width=100%><tr>"
                                      "<th align=left>Artist/Composer</th><th align=left>Title</th>"
                                      "<th align=left>Year</th></tr>");
        for (const TDataItem *item : data.items)
            html += rowHtml(item);
        html += QStringLiteral("</table>");
        printHtml(html, out);
        state.SetIterationTime(SecondsSince(start));
    }
}

void BM_AlbumReportPdf(benchmark::State &state)
{
    TLoaded &data = loaded(int(state.range(0)));
    std::vector<const TAlbum *> albums;
    for (const TDataItem *item : data.items)
        albums.push_back(static_cast<const TAlbum *>(item));
    const QString out = WorkFile(QStringLiteral("albums.pdf"));
    for (auto _ : state) {
        const auto start = Clock::now();
        TrpAlbums report(albums, columns(), columns());
        report.Build();
        QPdfWriter pdf(out);
        pdf.setResolution(300);
        report.Print(pdf);
        state.SetIterationTime(SecondsSince(start));
        state.counters["pages"] = report.PageCount();
    }
}

// The album report as a Qt program without a band engine would print it: per album a
// heading, a table of its fields and a table of its tracks, in one HTML document.
void BM_AlbumQTextDocumentPeer(benchmark::State &state)
{
    TLoaded &data = loaded(int(state.range(0)));
    const QString out = WorkFile(QStringLiteral("albums-peer.pdf"));
    for (auto _ : state) {
        const auto start = Clock::now();
        QString html;
        for (const TDataItem *item : data.items) {
            const auto *album = static_cast<const TAlbum *>(item);
            html += QStringLiteral("<h3 align=center>%1</h3><table width=100%>")
                        .arg(album->GetFieldAsString(fdTitle).toHtmlEscaped());
            for (const TReportColumn &c : columns())
                html += QStringLiteral("<tr><td width=30%><b>%1</b></td><td>%2</td></tr>")
                            .arg(c.caption, album->GetFieldAsString(c.field).toHtmlEscaped());
            html += QStringLiteral("</table><table width=100%>");
            for (qsizetype d = 0; d < album->DiscCount(); ++d)
                for (qsizetype t = 0; t < album->Disc(d)->TrackCount(); ++t)
                    html += rowHtml(album->Disc(d)->Track(t));
            html += QStringLiteral("</table><hr>");
        }
        printHtml(html, out);
        state.SetIterationTime(SecondsSince(start));
    }
}

// What opening the preview costs: the measuring pass over every row, then one page.
void BM_FirstPreviewPage(benchmark::State &state)
{
    TLoaded &data = loaded(int(state.range(0)));
    QImage page(794, 1123, QImage::Format_RGB32); // A4 at 96 per inch
    for (auto _ : state) {
        const auto start = Clock::now();
        TrpList report(data.items, columns());
        report.Paginate(QSizeF(718, 1047));
        QPainter painter(&page);
        report.PaintPage(painter, 0);
        state.SetIterationTime(SecondsSince(start));
        state.counters["pages"] = report.PageCount();
    }
}

} // namespace

BENCHMARK(BM_ListReportPdf)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QTextDocumentPdfPeer)
    ->Arg(10000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AlbumReportPdf)
    ->Arg(1000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AlbumQTextDocumentPeer)
    ->Arg(1000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstPreviewPage)
    ->Arg(100000)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

namespace {

// One list report of albums albums to PDF in this process: the memory it takes beyond
// the loaded collection (the peak resident size reset after loading).
int memoryRun(int albums)
{
    TLoaded &data = loaded(albums);
    ResetPeakResident();
    const qint64 base = ProcStatusKb("VmHWM:");
    TrpList report(data.items, columns());
    QPdfWriter pdf(WorkFile(QStringLiteral("memory.pdf")));
    pdf.setResolution(300);
    report.Print(pdf);
    std::printf("list report of %6d albums: %5d pages, %6.1f MB beyond the loaded collection\n",
                albums, report.PageCount(), (ProcStatusKb("VmHWM:") - base) / 1024.0);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--memory") == 0)
        return memoryRun(atoi(argv[2]));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory: %.0f MB\n", usage.ru_maxrss / 1024.0);
    // Memory against the page count, each report in a process of its own.
    for (const char *albums : {"1000", "10000", "100000"}) {
        QProcess run;
        run.setProcessChannelMode(QProcess::ForwardedChannels);
        run.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--memory"), QLatin1String(albums)});
        run.waitForFinished(-1);
    }
    return 0;
}
