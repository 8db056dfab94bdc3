#pragma once

#include "musicbrainz/mbrelease.h"

#include <QByteArray>
#include <QString>

// Readers of the MusicBrainz web service's JSON. Each takes a reply body, which may be
// anything a server or an attacker sends, and either fills its result and returns an
// empty text, or returns why the body is not what was asked for (the result is then
// left empty).

// The answer of a disc ID or table-of-contents lookup: its list of releases. near
// marks each release as a near match.
QString ReadMbReleaseList(const QByteArray &body, bool near, TMbReleases &releases);
// A release read whole.
QString ReadMbRelease(const QByteArray &body, TMbRelease &release);
