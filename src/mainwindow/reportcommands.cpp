// The report commands: list and album reports with their preview.
#include "mainwindow/mainwindow.h"

void TfmMain::wireReportCommands() {}

void TfmMain::updateReportCommands() {}
