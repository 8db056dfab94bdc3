#pragma once

class QWidget;
class TSettingsStore;

// Window positions under "WindowPlacement", one value per window named by its
// objectName. A missing value, or one that cannot be applied or would put the window
// off every screen, centres the window instead.
void RestoreWindowPlacement(QWidget *window, const TSettingsStore &settings);
void SaveWindowPlacement(const QWidget *window, TSettingsStore &settings);
void CenterForm(QWidget *window);
// Places a dialog over its owner (kept on the owner's screen).
void CenterOnOwner(QWidget *dialog, const QWidget *owner);
// A dialog where it was last closed, else over its owner.
void PlaceDialog(QWidget *dialog, const QWidget *owner, const TSettingsStore &settings);
