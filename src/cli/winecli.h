#pragma once

#include <QStringList>

// `qel export cdplayer|cdvalet ...`: reached through `qel export`; kWineExportHelp is
// what `qel export cdplayer --help` prints.
extern const char kWineExportHelp[];
int RunWineExport(const QStringList &args);
// `qel import cdplayer|cdvalet ...`: reached through `qel import`.
int RunWineImport(const QStringList &args);
