#pragma once

class QString;

// Puts the demo collection in place on a first start: when dataFolder holds no
// "demo.qel", copies the built demo.qel there and the demo's cover pictures and
// lyrics files into coversFolder and lyricsFolder (created when missing). A file
// that already exists is never overwritten. Every file is written under a temporary
// name and renamed when whole, and demo.qel comes last, so a failure leaves neither
// a partial file nor a demo.qel without its pictures; what this call copied is then
// removed again. Returns true when dataFolder holds demo.qel afterwards.
bool InstallDemoDatabase(const QString &dataFolder, const QString &coversFolder,
                         const QString &lyricsFolder);
