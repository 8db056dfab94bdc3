// The report command: list reports to PDF.
#include "cli/commands.h"

#include "model/album.h"
#include "model/fields.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "reports/listreport.h"

#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>

#include <cstdio>

const char kReportHelp[] =
    "Usage: qel report list DB.qel OUT.pdf [--tracks] [--columns F1,F2,...] [--title T]\n"
    "                       [--landscape] [--shading] [--margins T,L,R,B] [--inches]\n\n"
    "Prints the list report of every album (or, with --tracks, every track) of DB.qel to\n"
    "OUT.pdf on A4 paper and prints the page count.\n\n"
    "  --columns F,...    the columns by field name (default: Artist/Composer, Title, Year)\n"
    "  --title T          the report title (default: Qel Music)\n"
    "  --landscape        landscape pages (default: portrait)\n"
    "  --shading          every other row on a silver background\n"
    "  --margins T,L,R,B  the margins (default 20 each), in millimetres, or with --inches\n"
    "                     in tenths of an inch\n"
    "An existing OUT.pdf is replaced only once the report is complete.\n";

namespace {

int reportList(const QStringList &args)
{
    QStringList rest;
    QString columns, title = QStringLiteral("Qel Music");
    QString margins = QStringLiteral("20,20,20,20");
    bool tracks = false, landscape = false, shading = false, inches = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--tracks"))
            tracks = true;
        else if (a == QLatin1String("--landscape"))
            landscape = true;
        else if (a == QLatin1String("--shading"))
            shading = true;
        else if (a == QLatin1String("--inches"))
            inches = true;
        else if (a == QLatin1String("--columns") && hasValue)
            columns = args[++i];
        else if (a == QLatin1String("--title") && hasValue)
            title = args[++i];
        else if (a == QLatin1String("--margins") && hasValue)
            margins = args[++i];
        else if (a.startsWith(u'-') && a.size() > 1)
            return Fail(QStringLiteral("Unknown option or missing value: %1").arg(a));
        else
            rest << a;
    }
    if (rest.size() != 2)
        return Fail(QStringLiteral("Usage: qel report list DB.qel OUT.pdf [options]"));
    const QStringList parts = margins.split(u',');
    QList<qreal> m;
    for (const QString &part : parts) {
        bool ok = false;
        const int v = part.trimmed().toInt(&ok);
        if (!ok || v < 0 || v > 1000)
            return Fail(QStringLiteral("--margins needs four whole numbers: T,L,R,B"));
        m << v;
    }
    if (m.size() != 4)
        return Fail(QStringLiteral("--margins needs four whole numbers: T,L,R,B"));

    std::vector<TReportColumn> cols;
    const QStringList names = columns.isEmpty()
                                  ? QStringList{QStringLiteral("Artist/Composer"),
                                                QStringLiteral("Title"), QStringLiteral("Year")}
                                  : columns.split(u',');
    for (const QString &name : names) {
        const TFieldId field = TQelFields::FieldByDefaultName(name.trimmed());
        if (field == fdNone)
            return Fail(QStringLiteral("Unknown field \"%1\"").arg(name));
        cols.push_back({field, TQelFields::GetDefaultName(field), field == fdTitle ? 250 : 150});
    }
    if (!CheckOutputFile(rest[1]))
        return 2;
    TQelDb db;
    if (!LoadDatabase(db, rest[0]))
        return 2;
    std::vector<const TDataItem *> items;
    for (qsizetype i = 0; i < db.AlbumCount(); ++i) {
        TAlbum *album = db.Album(i);
        if (!tracks) {
            items.push_back(album);
            continue;
        }
        for (qsizetype d = 0; d < album->DiscCount(); ++d)
            for (qsizetype t = 0; t < album->Disc(d)->TrackCount(); ++t)
                items.push_back(album->Disc(d)->Track(t));
    }
    TrpList report(std::move(items), std::move(cols));
    report.Title = title;
    report.Shading = shading;

    // Written beside the target and renamed over it once whole.
    const QString temp = rest[1] + QStringLiteral(".part");
    int pages = 0;
    bool written = false;
    QString failure;
    {
        QPdfWriter pdf(temp);
        pdf.setResolution(300);
        pdf.setTitle(title);
        pdf.setCreator(QStringLiteral("Qel Music"));
        const QMarginsF marginValues(m[1], m[0], m[2], m[3]);
        QPageLayout layout(QPageSize(QPageSize::A4),
                           landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                           inches ? marginValues / 10.0 : marginValues,
                           inches ? QPageLayout::Inch : QPageLayout::Millimeter);
        if (!pdf.setPageLayout(layout))
            failure = QStringLiteral("The margins leave no room on the page");
        else
            written = report.Print(pdf);
        pages = report.PageCount();
    }
    // The writer says nothing of a full disk: the file must be there and not empty.
    if (written && pages > 0 && QFile(temp).size() == 0)
        written = false;
    if (!written || pages == 0) {
        QFile::remove(temp);
        if (!failure.isEmpty())
            return Fail(failure);
        if (!written)
            return Fail(QStringLiteral("The report could not be written to \"%1\"").arg(rest[1]));
        Out() << "0 pages: the list is empty\n";
        return 0;
    }
    if (std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(rest[1]).constData()) !=
        0) {
        QFile::remove(temp);
        return Fail(QStringLiteral("The report could not be written to \"%1\"").arg(rest[1]));
    }
    Out() << pages << " pages\n";
    return 0;
}

} // namespace

int RunReport(const QStringList &args)
{
    if (args.value(0) == QLatin1String("list"))
        return reportList(args.mid(1));
    return Fail(QStringLiteral("Usage: qel report list DB.qel OUT.pdf [options] (see --help)"));
}
