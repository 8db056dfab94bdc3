// The list report to PDF: our band engine against an HTML table printed through
// QTextDocument (what a Qt program does without a band engine), on the same albums.
// Also the first page alone, as the preview paints it after the measuring pass.

#include "benchdata.h"

#include "model/album.h"
#include "model/qeldb.h"
#include "reports/albumreport.h"
#include "reports/listreport.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <cstdio>
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
            html += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td></tr>")
                        .arg(item->GetFieldAsString(fdArtist).toHtmlEscaped(),
                             item->GetFieldAsString(fdTitle).toHtmlEscaped(),
                             item->GetFieldAsString(fdYear));
        html += QStringLiteral("</table>");
        QTextDocument doc;
        doc.setHtml(html);
        QPdfWriter pdf(out);
        pdf.setResolution(300);
        doc.print(&pdf);
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
BENCHMARK(BM_FirstPreviewPage)
    ->Arg(100000)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory: %.0f MB\n", usage.ru_maxrss / 1024.0);
    return 0;
}
