#pragma once

class QWidget;

// The modal "About" box: program name, version and what the program is for.
void ShowAbout(QWidget *owner);
