#pragma once

#include "model/qeldb.h"
#include "shell/dmglobal.h"
#include "shell/settingsstore.h"
#include "testsupport.h"

#include <QString>
#include <QStringList>

// The MP3 fixtures made by scripts/make-mp3-fixtures.sh.
extern const QString kMp3Fixtures;
// The fixtures of every other format, made by scripts/make-audio-fixtures.sh: one file of
// each format in formats/ (with expectations.json), a box set in discs/, the pictures
// they carry in pictures/.
extern const QString kAudioFixtures;

// Lays out files under root: each entry "path/in/tree.mp3=fixture.mp3", the fixture named
// in kMp3Fixtures, or below kAudioFixtures when it has a folder ("formats/flac.flac"); an
// entry without a fixture gets bytes that are neither a tag nor audio.
void LayOutMp3Tree(const QString &root, const QStringList &entries);

// What the MP3 explorer needs around it: a home, answered questions, settings, a database.
struct TExplorerHost
{
    TTestHome home;
    TScriptedInterface ui;
    TMemorySettingsStore store;
    TdmGlobal dm{QStringList{}, &store};
    TQelDb db;
};
