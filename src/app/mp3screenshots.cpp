// Pictures of the MP3 explorer.
#include "screenshots.h"

#include "mainwindow/mainwindow.h"

int WriteMp3Screenshots(TfmMain &main, const QString &folder)
{
    Q_UNUSED(main)
    Q_UNUSED(folder)
    return 0;
}
