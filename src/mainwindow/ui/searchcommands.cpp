// The Search menu: the filter of the current level and its switch, and the albums that
// are likely the same. Finding a CD by scanning comes with the CD reader.
#include "mainwindow/ui/mainwindow.h"

#include "model/album.h"
#include "shell/dmglobal.h"
#include "views/ui/duplicateswindow.h"
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
    makeAction("acFindDuplicates", tr("Find &Duplicate Albums..."),
               tr("Find albums that are likely the same"), {}, &TfmMain::cmFindDuplicates);
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

void TfmMain::cmFindDuplicates()
{
    // One window beside this one; asked again, it looks again.
    auto *window = findChild<TfmDuplicates *>(QStringLiteral("fmDuplicates"));
    if (window) {
        window->Find();
    } else {
        TDuplicatesHost host;
        host.showAlbum = [this](TAlbum *album) { showAlbum(album); };
        host.removeAlbums = [this](const std::vector<TAlbum *> &albums) {
            return removeAlbums(albums);
        };
        window = new TfmDuplicates(*m_db, m_dm->Fields(), std::move(host), this);
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void TfmMain::showAlbum(TAlbum *album)
{
    if (!album)
        return;
    if (m_state->TreeType != 0)
        Action(QStringLiteral("acAlbumView"))->trigger();
    TState place;
    place.Restore(*m_state, album);
    UpdateCommandStates();
}
