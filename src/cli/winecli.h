#pragma once

#include <QStringList>

// `qel export cdplayer|cdvalet ...`: reached through `qel export`, whose help includes
// kWineExportHelp.
extern const char kWineExportHelp[];
int RunWineExport(const QStringList &args);
