// The Help menu: the manual and the FAQ in the desktop's browser, and the about box.
#include "mainwindow/ui/mainwindow.h"

#include "model/general.h"
#include "shell/ui/aboutbox.h"
#include <QAction>

void TfmMain::createHelpActions()
{
    makeAction("acManual", tr("&Manual"), tr("Open the Qel Music Manual in your browser"), {},
               &TfmMain::cmManual);
    makeAction("acFaq", tr("&Frequently Asked Questions"),
               tr("Open the Qel Music FAQ in your browser"), {}, &TfmMain::cmFaq);
    makeAction("acAbout", tr("&About..."), tr("About Qel"), {}, &TfmMain::cmAbout);
}

void TfmMain::openHelpFile(const QString &name)
{
    openWithDesktop(ResourceFolder() + QStringLiteral("Docs/") + name);
}

void TfmMain::cmManual()
{
    openHelpFile(QStringLiteral("QelmusicManual.htm"));
}

void TfmMain::cmFaq()
{
    openHelpFile(QStringLiteral("QelmusicFAQ.htm"));
}

void TfmMain::cmAbout()
{
    ShowAbout(this);
}
