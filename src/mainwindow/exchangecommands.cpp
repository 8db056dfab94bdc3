// The exchange commands: exports to delimited text and HTML, cdplayer.ini and CD Valet.
#include "mainwindow/mainwindow.h"

void TfmMain::wireExchangeCommands() {}

void TfmMain::updateExchangeCommands() {}
