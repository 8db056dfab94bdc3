#pragma once

#include "cli/commands.h"
#include "model/fields.h"

#include <QString>
#include <QStringList>

class TShowFields;

// A wrong option or value of a command that selects a list; the command prints the
// message and ends with status 2.
struct TListError
{
    QString message;
};

// The options that select the list `qel list` prints: the view, the folder, the
// columns, the sort order and the filter.
struct TListOptions
{
    QString file;
    bool tracks = false;
    bool useOr = false;
    bool caseSensitive = false;
    bool grouped = false;
    bool hasFolder = false;
    QString group;
    QString folder;
    QString columns;
    QString sort;
    QStringList conditions;

    // When args[i] is a list option, takes it and its value (advancing i past the
    // value) and returns true; usage follows the message of a missing value.
    bool Take(const QStringList &args, qsizetype &i, const char *usage);
    // True when any option other than --columns was given.
    bool SelectsList() const;
};

// The field of the view (albums or tracks) with this default name; throws TListError
// for an unknown name or a field the view's rows do not have.
TFieldId FieldOfView(const QString &name, TItemLevel level);
// Adds the columns named in a comma-separated list; throws TListError.
void AddColumns(TShowFields &fields, const QString &names, TItemLevel level);

// Loads options.file, selects the list as the options say and hands it to use; returns
// use's status. Throws TListError for wrong options; a file that cannot be read gives
// status 2 with the message printed.
int SelectList(const TListOptions &options, const TListUse &use);
