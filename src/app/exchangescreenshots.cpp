// Pictures of the export dialogs.
#include "screenshots.h"

#include "mainwindow/mainwindow.h"

int WriteExchangeScreenshots(TfmMain &main, const QString &folder)
{
    Q_UNUSED(main)
    Q_UNUSED(folder)
    return 0;
}
