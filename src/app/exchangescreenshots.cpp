// Pictures of the export dialogs.
#include "screenshots.h"

#include "exchange/ui/exportdialogs.h"
#include "mainwindow/ui/mainwindow.h"
#include "model/qeldb.h"
#include "shell/dmglobal.h"

#include <QDir>
#include <QLineEdit>

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
    return failures;
}
