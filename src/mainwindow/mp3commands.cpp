// The MP3 menu: playing the current track's audio file. The MP3 explorer comes with its
// window.
#include "mainwindow/mainwindow.h"

#include "model/tracks.h"
#include <QAction>

void TfmMain::createMp3Actions()
{
    makeAction("acMp3Explorer", tr("&MP3 Explorer..."), tr("MP3 Explorer"), {}, nullptr);
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
