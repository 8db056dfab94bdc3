// The report command: list and album reports to PDF.
#include "cli/commands.h"

#include "model/album.h"
#include "model/fields.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "reports/albumreport.h"
#include "reports/listreport.h"
#include "shell/iconfiles.h"
#include "shell/prefs.h"
#include "shell/settingsstore.h"
#include "views/browsestate.h"
#include "views/listfields.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>

const char kReportHelp[] =
    "Usage: qel report list DB.qel OUT.pdf [list options] [--title T] [common options]\n"
    "       qel report albums DB.qel OUT.pdf [list options] [--layout columnar|tabular]\n"
    "                       [--no-new-page] [--no-cover] [--no-name] [--album-columns F,...]\n"
    "                       [--track-columns F,...] [common options]\n"
    "       qel report albums DB.qel OUT.pdf --album ID [album and common options]\n\n"
    "list prints the list that `qel list` prints with the same list options (--tracks,\n"
    "--group, --folder, --columns, --sort, --filter, --or, --case; see qel list --help);\n"
    "albums prints the albums of the list that `qel list` selects with the same list\n"
    "options (all but --tracks and --columns), in that list's order, or the album with\n"
    "--album ID. Both write OUT.pdf on A4 paper and print the page count and where they\n"
    "wrote. An empty list writes no file.\n\n"
    "  --album-columns    album fields (default: Artist/Composer, Title, Year, Genre, Label)\n"
    "  --track-columns    track fields (default: Title, Artist/Composer, Length)\n"
    "  --title T          the list report's title (default: Qel Music)\n"
    "Common options:\n"
    "  --landscape        landscape pages (default: portrait)\n"
    "  --shading          (list) every other row on a silver background\n"
    "  --margins T,L,R,B  the margins (list default 20, albums 15), in millimetres, or with\n"
    "                     --inches in tenths of an inch\n"
    "An existing OUT.pdf is replaced only once the report is complete.\n";

namespace {

struct TOptions
{
    QStringList rest;
    QStringList listArgs; // the list options, for the list report
    QString columns, albumColumns, trackColumns, title = QStringLiteral("Qel Music"), margins,
                                                 layout = QStringLiteral("columnar");
    qint32 album = 0;
    bool hasAlbum = false, tracks = false, landscape = false, shading = false, inches = false,
         noNewPage = false, noCover = false, noName = false;
};

bool parse(const QStringList &args, TOptions &o)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--tracks") || a == QLatin1String("--or") ||
            a == QLatin1String("--case"))
            o.listArgs << a;
        else if ((a == QLatin1String("--group") || a == QLatin1String("--folder") ||
                  a == QLatin1String("--sort") || a == QLatin1String("--filter")) &&
                 hasValue)
            o.listArgs << a << args[++i];
        else if (a == QLatin1String("--landscape"))
            o.landscape = true;
        else if (a == QLatin1String("--shading"))
            o.shading = true;
        else if (a == QLatin1String("--inches"))
            o.inches = true;
        else if (a == QLatin1String("--no-new-page"))
            o.noNewPage = true;
        else if (a == QLatin1String("--no-cover"))
            o.noCover = true;
        else if (a == QLatin1String("--no-name"))
            o.noName = true;
        else if (a == QLatin1String("--columns") && hasValue)
            o.listArgs << a << args[++i];
        else if (a == QLatin1String("--album-columns") && hasValue)
            o.albumColumns = args[++i];
        else if (a == QLatin1String("--track-columns") && hasValue)
            o.trackColumns = args[++i];
        else if (a == QLatin1String("--title") && hasValue)
            o.title = args[++i];
        else if (a == QLatin1String("--margins") && hasValue)
            o.margins = args[++i];
        else if (a == QLatin1String("--layout") && hasValue)
            o.layout = args[++i];
        else if (a == QLatin1String("--album") && hasValue) {
            bool ok = false;
            o.album = args[++i].toInt(&ok);
            o.hasAlbum = true;
            if (!ok) {
                Fail(QStringLiteral("--album needs an album ID"));
                return false;
            }
        } else if (a.startsWith(u'-') && a.size() > 1) {
            Fail(QStringLiteral("Unknown option or missing value: %1").arg(a));
            return false;
        } else
            o.rest << a;
    }
    if (o.rest.size() != 2) {
        Fail(QStringLiteral("Usage: qel report list|albums DB.qel OUT.pdf [options] (see --help)"));
        return false;
    }
    if (o.layout != QLatin1String("columnar") && o.layout != QLatin1String("tabular")) {
        Fail(QStringLiteral("--layout is columnar or tabular"));
        return false;
    }
    return true;
}

bool columnsOf(const QString &names, const QStringList &defaults, std::vector<TReportColumn> &out)
{
    for (const QString &name : names.isEmpty() ? defaults : names.split(u',')) {
        const TFieldId field = TQelFields::FieldByDefaultName(name.trimmed());
        if (field == fdNone) {
            Fail(QStringLiteral("Unknown field \"%1\"").arg(name));
            return false;
        }
        out.push_back({field, TQelFields::GetDefaultName(field), field == fdTitle ? 250 : 150});
    }
    return true;
}

bool pageLayout(const TOptions &o, int defaultMargin, QPageLayout &layout)
{
    QList<qreal> m;
    const QString text =
        o.margins.isEmpty() ? QStringLiteral("%1,%1,%1,%1").arg(defaultMargin) : o.margins;
    for (const QString &part : text.split(u',')) {
        bool ok = false;
        const int v = part.trimmed().toInt(&ok);
        if (!ok || v < 0 || v > 1000)
            break;
        m << v;
    }
    if (m.size() != 4) {
        Fail(QStringLiteral("--margins needs four whole numbers: T,L,R,B"));
        return false;
    }
    const qreal unit = o.inches ? 0.1 : 1.0; // tenths of an inch
    layout = QPageLayout(QPageSize(QPageSize::A4),
                         o.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                         QMarginsF(m[1] * unit, m[0] * unit, m[2] * unit, m[3] * unit),
                         o.inches ? QPageLayout::Inch : QPageLayout::Millimeter);
    if (!layout.isValid() || layout.paintRect().isEmpty()) {
        Fail(QStringLiteral("The margins leave no room on the page"));
        return false;
    }
    return true;
}

int write(TBandReport &report, const QPageLayout &layout, const QString &out, const QString &title)
{
    if (!CheckOutputFile(out))
        return 2;
    const QString error = WriteReportPdf(report, layout, out, title);
    if (!error.isEmpty())
        return Fail(error);
    if (report.PageCount() == 0)
        Out() << "0 pages: the list is empty\n";
    else
        Out() << report.PageCount() << " pages written to "
              << QDir::toNativeSeparators(QFileInfo(out).absoluteFilePath()) << '\n';
    return 0;
}

int reportList(const TOptions &o)
{
    QPageLayout layout;
    if (!pageLayout(o, 20, layout))
        return 2;
    // The list `qel list` prints with the same options, its columns included.
    return WithList(
        QStringList{o.rest[0]} + o.listArgs, [&](TBrowseState &state, const TShowFields &fields) {
            std::vector<const TDataItem *> items;
            for (const TDataItem *item : state.CurrentItems)
                items.push_back(item);
            std::vector<TReportColumn> cols;
            for (qsizetype c = 0; c < fields.Count(); ++c) {
                const TShowField *f = fields.Items(c);
                cols.push_back({f->FieldId, TQelFields::GetDefaultName(f->FieldId), f->Width});
            }
            TrpList report(std::move(items), std::move(cols));
            report.Title = o.title;
            report.Shading = o.shading;
            return write(report, layout, o.rest[1], o.title);
        });
}

int printAlbums(std::vector<const TAlbum *> albums, std::vector<TReportColumn> albumCols,
                std::vector<TReportColumn> trackCols, const QPageLayout &layout, const TOptions &o)
{
    TrpAlbums report(std::move(albums), std::move(albumCols), std::move(trackCols));
    report.Layout =
        o.layout == QLatin1String("tabular") ? TrpAlbums::alTabular : TrpAlbums::alColumnar;
    report.NewPagePerAlbum = !o.noNewPage;
    report.ShowCoverAndComments = !o.noCover;
    report.ShowNameHeader = !o.noName;
    // The rows' pictures, as the program's large icon list draws them: 32 pixels on white.
    report.Icon = [](int index) {
        QImage icon(32, 32, QImage::Format_RGB888);
        icon.fill(Qt::white);
        if (index < 0 || index >= kItemIconCount)
            return icon;
        QImageReader reader(IconResourcePath(kItemIconFiles[size_t(index)]));
        reader.setScaledSize(QSize(32, 32));
        const QImage picture = reader.read();
        if (!picture.isNull()) {
            QPainter painter(&icon);
            painter.drawImage(0, 0, picture);
        }
        return icon;
    };
    {
        TIniSettingsStore settings;
        TPrefs prefs;
        prefs.Load(settings);
        report.CoversFolder = prefs.CoversFolder;
    }
    report.Build();
    return write(report, layout, o.rest[1], QStringLiteral("Album Report"));
}

int reportAlbums(const TOptions &o)
{
    std::vector<TReportColumn> albumCols, trackCols;
    if (!columnsOf(o.albumColumns,
                   {QStringLiteral("Artist/Composer"), QStringLiteral("Title"),
                    QStringLiteral("Year"), QStringLiteral("Genre"), QStringLiteral("Label")},
                   albumCols) ||
        !columnsOf(
            o.trackColumns,
            {QStringLiteral("Title"), QStringLiteral("Artist/Composer"), QStringLiteral("Length")},
            trackCols))
        return 2;
    QPageLayout layout;
    if (!pageLayout(o, 15, layout))
        return 2;
    if (o.listArgs.contains(QStringLiteral("--columns")))
        return Fail(QStringLiteral(
            "--columns is for the list report: use --album-columns and --track-columns"));
    if (o.hasAlbum) {
        if (!o.listArgs.isEmpty())
            return Fail(QStringLiteral("--album prints one album: it takes no list options"));
        TQelDb db;
        if (!LoadDatabase(db, o.rest[0]))
            return 2;
        for (qsizetype i = 0; i < db.AlbumCount(); ++i)
            if (db.Album(i)->ID == o.album)
                return printAlbums({db.Album(i)}, std::move(albumCols), std::move(trackCols),
                                   layout, o);
        return Fail(QStringLiteral("There is no album %1 in \"%2\"").arg(o.album).arg(o.rest[0]));
    }
    // The albums of the list `qel list` selects with the same options, in its order, as
    // the window prints the albums of its current list.
    return WithList(QStringList{o.rest[0]} + o.listArgs, [&](TBrowseState &state,
                                                             const TShowFields &) {
        if (state.ListContent != TBrowseState::lcAlbums)
            return Fail(state.Level() == ilTrack
                            ? QStringLiteral("The album report prints albums: leave out --tracks")
                            : QStringLiteral("The list shows folders, not albums: choose one "
                                             "with --folder"));
        std::vector<const TAlbum *> albums;
        for (const TDataItem *item : state.CurrentItems)
            if (item->Kind() == TItemKind::Album)
                albums.push_back(static_cast<const TAlbum *>(item));
        return printAlbums(std::move(albums), std::move(albumCols), std::move(trackCols), layout,
                           o);
    });
}

} // namespace

int RunReport(const QStringList &args)
{
    const QString what = args.value(0);
    if (what != QLatin1String("list") && what != QLatin1String("albums"))
        return Fail(
            QStringLiteral("Usage: qel report list|albums DB.qel OUT.pdf [options] (see --help)"));
    TOptions o;
    if (!parse(args.mid(1), o))
        return 2;
    return what == QLatin1String("list") ? reportList(o) : reportAlbums(o);
}
