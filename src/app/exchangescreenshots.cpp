// Pictures of the export dialogs and of the import's mapping dialog.
#include "screenshots.h"

#include "exchange/export.h"
#include "exchange/ui/exportdialogs.h"
#include "exchange/ui/importdialogs.h"
#include "mainwindow/ui/mainwindow.h"
#include "model/general.h"
#include "model/qeldb.h"
#include "shell/dmglobal.h"
#include "views/listfields.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// Keeps the export's summary off the screen while the pictures are made.
class TQuietInterface : public TUserInterface
{
public:
    TQuietInterface() { m_previous = SetUserInterface(this); }
    ~TQuietInterface() override { SetUserInterface(m_previous); }
    void ShowInfo(const QString &) override {}
    TAnswer AskYesNo(const QString &) override { return TAnswer::Yes; }
    TAnswer AskOkCancel(const QString &) override { return TAnswer::Ok; }

private:
    TUserInterface *m_previous = nullptr;
};

// The collection's tracks as "Export to ASCII" writes them with the field names.
bool writeOwnExport(TfmMain &main, const QString &file)
{
    TShowFields columns(ilTrack);
    for (const TFieldId f : {fdAlbumTitle, fdAlbumName, fdDiscIndex, fdPosition, fdTitle, fdLength,
                             fdArtist, fdGenre, fdYear, fdRating})
        columns.Add(std::make_unique<TShowField>(f));
    TQuietInterface quiet;
    TExportAscii e;
    e.ItemList = &main.Db().Albums;
    e.ListLevel = ilAlbum;
    e.ExportLevel = ilTrack;
    e.ShowFields = &columns;
    e.FieldNames = &main.Dm().Fields();
    e.FileName = file;
    e.Delimiter = QStringLiteral(";");
    e.IncludeFieldNames = true;
    return e.Execute();
}

// A few rows as a Discogs collection export writes them, with a custom field at the end.
const char kDiscogsSample[] =
    "Catalog#,Artist,Title,Label,Format,Rating,Released,release_id,CollectionFolder,"
    "Date Added,Collection Media Condition,Collection Sleeve Condition,Collection Notes,"
    "Collection Shelf\r\n"
    "LR 104,Mara Kestrel (2),Harbour Lights,\"Lantern Records, Lantern Records (3)\","
    "\"2xLP, Album, RE\",5,1978,2210431,Vinyl,2021-03-14 18:02:11,Near Mint (NM or M-),"
    "Very Good Plus (VG+),\"Gatefold, signed\",A3\r\n"
    "none,Various,Northern Signals,Orchard Sound,\"CD, Comp\",4,0,1180022,Uncategorized,"
    "2022-07-01 09:45:30,Mint (M),,,B1\r\n"
    "OS-7,The Copper Tides,Static Summer,Orchard Sound,\"7\"\", Single\",,1969,998871,Singles,"
    "2023-01-20 20:10:05,Good Plus (G+),Good (G),Small tear on the sleeve,C2\r\n"
    "QS 55,Jonas Varga,Quiet Meridian,Quiet Seasons,\"CD, Album\",3,2004,3301987,"
    "Uncategorized,23/04/2023 04:38,,,,D4\r\n"
    "ECH 9,Echo Paper (4),Electric Garden,Echo Records,\"Cass, Album\",,1991,4455120,Tapes,"
    "2023-05-02 12:00:00,Very Good (VG),Very Good (VG),,\r\n";

} // namespace

int WriteExchangeScreenshots(TfmMain &main, const QString &folder)
{
    int failures = 0;
    // The dialogs are pictured and destroyed without closing, so the settings stay as
    // they were.
    const auto picture = [&](TfmExport &dialog, const QString &example, const QString &file) {
        if (auto *name = dialog.findChild<QLineEdit *>(QStringLiteral("edFileName")))
            name->setText(QDir::home().filePath(example));
        dialog.show();
        if (!save(&dialog, QDir(folder).filePath(file)))
            ++failures;
    };
    {
        TfmExportAscii ascii(main.Db().Albums, ilAlbum, ilAlbum, main.Dm().Settings(),
                             main.Dm().Fields(), &main);
        picture(ascii, QStringLiteral("collection.txt"), QStringLiteral("export-ascii.png"));
    }
    {
        TfmExportHtml html(main.Db().Albums, ilAlbum, ilTrack, main.Dm().Settings(),
                           main.Dm().Fields(), &main);
        picture(html, QStringLiteral("tracks.htm"), QStringLiteral("export-html.png"));
    }

    // The mapping dialog on our own export of all tracks and on a Discogs export.
    QTemporaryDir scratch;
    const QString ownExport = scratch.filePath(QStringLiteral("tracks.csv"));
    const QString discogs = scratch.filePath(QStringLiteral("discogs-collection.csv"));
    QFile sample(discogs);
    if (!writeOwnExport(main, ownExport) || !sample.open(QIODevice::WriteOnly) ||
        sample.write(kDiscogsSample) != qint64(sizeof kDiscogsSample - 1)) {
        std::fprintf(stderr, "qelmusic: could not write the files for the import pictures\n");
        return failures + 2;
    }
    sample.close();
    for (const auto &[file, picture] :
         {std::pair{ownExport, QStringLiteral("import-text-own-export.png")},
          std::pair{discogs, QStringLiteral("import-text-discogs.png")}}) {
        TfmImportText dialog(file, main.Dm().Fields(), &main);
        dialog.show();
        if (!save(&dialog, QDir(folder).filePath(picture)))
            ++failures;
    }
    return failures;
}
