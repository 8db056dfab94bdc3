// Pictures of the CD and CDDB windows.
#include "screenshots.h"

#include "mainwindow/mainwindow.h"

int WriteCddbScreenshots(TfmMain &main, const QString &folder)
{
    Q_UNUSED(main)
    Q_UNUSED(folder)
    return 0;
}
