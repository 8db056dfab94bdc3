// The MP3 menu: the MP3 explorer, and playing the current track's audio file.
#include "mainwindow/ui/mainwindow.h"

#include "model/album.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "mp3/ui/mp3explorer.h"
#include "shell/dmglobal.h"
#include <QAction>

void TfmMain::createMp3Actions()
{
    QAction *explorer =
        makeAction("acMp3Explorer", tr("&MP3 Explorer..."), tr("MP3 Explorer"), {}, nullptr);
    explorer->setEnabled(true);
    connect(explorer, &QAction::triggered, this, [this] {
        // An album made of a folder goes through the album editor, and in on OK.
        ShowMp3Explorer(this, *m_db, *m_dm,
                        [this](TAlbum *album) { return addThroughEditor(album); });
        refreshKeepingPlace();
    });
    makeAction("acPlayAudioFile", tr("&Play Audio File"),
               tr("Play Audio File Associated with Current Track"), {}, &TfmMain::cmPlayAudioFile);
}

void TfmMain::updateMp3Commands()
{
    const TCustomTrack *track = m_state->CurrentTrack();
    enableAction("acPlayAudioFile", track && !track->GetFieldAsString(fdAudioFile).isEmpty());
}

void TfmMain::cmPlayAudioFile()
{
    const TCustomTrack *track = m_state->CurrentTrack();
    if (!track)
        return;
    const QString file = track->GetFieldAsString(fdAudioFile);
    if (file.isEmpty())
        return;
    openWithDesktop(file);
}
