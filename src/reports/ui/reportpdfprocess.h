#pragma once

#include <QString>

class QPageLayout;
class QWidget;
class TBandReport;

// "PDF..." of the preview and the print dialogs: writes the report to file as a process,
// with a progress window over owner whose Cancel stops it, then says where the file went
// or why it was not written. A cancelled or failed run leaves an existing file as it was.
// Returns true when the file was written.
bool WriteReportPdfWithProgress(QWidget *owner, TBandReport &report, const QPageLayout &layout,
                                const QString &file, const QString &title);
