#pragma once

class QString;
class TfmMain;

// Writes a picture of every window of the program, filled with the open collection,
// as PNG files into folder: the main window in its views and styles, each dialog the
// main window opens, the splash, the progress window and the about box. Returns the
// number of failures (0 when every picture was written).
int WriteScreenshots(TfmMain &main, const QString &folder);

// Shows the main window, lets it paint and writes it to file. False when the picture
// could not be written.
bool WriteMainWindowPicture(TfmMain &main, const QString &file);
