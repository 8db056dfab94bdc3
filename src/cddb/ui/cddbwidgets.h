#pragma once

#include <QStringList>

class QLabel;
class QPlainTextEdit;
class QWidget;
class TCDDB;

// Pieces the CD and CDDB windows share.
namespace CddbUi {

// A sunken panel of plain text (entry values are never markup).
QLabel *Panel(const char *name, QWidget *parent);
// The diagnostic log "mmDebug": black with lime text, shown and fed by cddb only with
// the diagnostic flag. log receives the lines (it must outlive cddb's operations).
QPlainTextEdit *DebugLog(QWidget *parent, TCDDB &cddb, QStringList &log, bool show);

} // namespace CddbUi
