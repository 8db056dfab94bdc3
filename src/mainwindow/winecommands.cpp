// The exchange with cdplayer.ini and CD Valet, both ways.
#include "mainwindow/mainwindow.h"

void TfmMain::wireWineCommands() {}

void TfmMain::updateWineCommands() {}
