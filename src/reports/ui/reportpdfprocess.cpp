#include "reports/ui/reportpdfprocess.h"

#include "model/general.h"
#include "reports/bandreport.h"
#include "services/process.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QWidget>

bool WriteReportPdfWithProgress(QWidget *owner, TBandReport &report, const QPageLayout &layout,
                                const QString &file, const QString &title)
{
    const QString shown = QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath());
    TProcess process(owner);
    process.SetCaption(QCoreApplication::translate("TReportPdf", "Save Report as PDF"));
    process.Max = 100;
    process.SetMessage(QCoreApplication::translate("TReportPdf", "Writing %1...").arg(shown));
    process.Start();
    bool cancelled = false;
    const QString error = WriteReportPdf(report, layout, file, title, [&](int percent) {
        process.SetPosition(percent); // lets the window repaint and a Cancel in
        cancelled = process.Cancelled();
        return !cancelled;
    });
    process.Finish();
    if (!error.isEmpty()) {
        ShowInfo(error);
        return false;
    }
    if (cancelled)
        return false;
    if (report.PageCount() == 0) {
        ShowInfo(QCoreApplication::translate("TReportPdf",
                                             "The report has no page: no file was written."));
        return false;
    }
    ShowInfo(QCoreApplication::translate("TReportPdf", "The report was written to %1.").arg(shown));
    return true;
}
