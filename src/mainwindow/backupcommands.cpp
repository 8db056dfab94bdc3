// The backup commands: restoring the collection from a kept backup.
#include "mainwindow/mainwindow.h"

void TfmMain::wireBackupCommands() {}

void TfmMain::updateBackupCommands() {}
