#pragma once

class QString;
class QWidget;
class TfmMain;

// Writes a picture of every window of the program, filled with the open collection,
// as PNG files into folder: the main window in its views and styles, each dialog the
// main window opens, the splash, the progress window and the about box. Returns the
// number of failures (0 when every picture was written).
int WriteScreenshots(TfmMain &main, const QString &folder);

// Shows the main window, lets it paint and writes it to file. False when the picture
// could not be written.
bool WriteMainWindowPicture(TfmMain &main, const QString &file);

// The pictures of each subsystem's windows, in files of their own; each returns its
// number of failures.
int WriteMp3Screenshots(TfmMain &main, const QString &folder);
int WriteCddbScreenshots(TfmMain &main, const QString &folder);
int WriteExchangeScreenshots(TfmMain &main, const QString &folder);
int WriteMusicBrainzScreenshots(TfmMain &main, const QString &folder);
int WriteBulkChangeScreenshots(TfmMain &main, const QString &folder);
int WriteLookupScreenshots(TfmMain &main, const QString &folder);

// Lets pending events run, so a window shown just now is laid out and painted.
void settle();
// Writes a picture of window to file; false (and a message) when it cannot.
bool save(QWidget *window, const QString &file);
