// The Search menu: the filter of the current level and its switch. Finding a CD by
// scanning comes with the CD reader.
#include "mainwindow/ui/mainwindow.h"

#include "views/ui/filterdialog.h"
#include <QAction>

void TfmMain::createSearchActions()
{
    makeAction("acSetFilter", tr("Set &Filter..."), tr("Set Filter"), {}, &TfmMain::cmSetFilter);
    makeAction("acFilterOnOff", tr("Filter &On/Off"), tr("Filter On/Off"), {},
               &TfmMain::cmFilterOnOff)
        ->setCheckable(true);
    makeAction("acFindCD", tr("Find &CD By Scanning..."),
               tr("Find a CD by scanning by placing it in your CD-ROM drive"), {}, nullptr);
}

void TfmMain::updateSearchCommands()
{
    const TFilterFields &filter = m_views.Filter(m_state->Level());
    enableAction("acFilterOnOff", filter.Count() > 0);
    Action(QStringLiteral("acFilterOnOff"))->setChecked(filter.IsActive());
}

void TfmMain::cmSetFilter()
{
    TFilterFields &filter = m_views.Filter(m_state->Level());
    if (!EditFilter(this, filter, *m_db, *m_dm))
        return;
    filter.Enabled = filter.Count() > 0;
    startAfresh();
    saveSettings();
}

void TfmMain::cmFilterOnOff()
{
    TFilterFields &filter = m_views.Filter(m_state->Level());
    filter.Enabled = Action(QStringLiteral("acFilterOnOff"))->isChecked();
    startAfresh();
}
