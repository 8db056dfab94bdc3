#pragma once

class QWidget;
class TBrowseState;
class TQelDb;
class TdmGlobal;

// What the main window lends the entry function of a command that another window
// carries out: its window as the owner of the dialogs, the collection, the data module
// and the browse state. The entry function tells by its result what changed; the main
// window then saves and redraws.
struct TMainServices
{
    QWidget *owner;
    TQelDb &db;
    TdmGlobal &dm;
    TBrowseState &state;
};
