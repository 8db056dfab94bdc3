#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>
#include <functional>

// One sub-command of `qel`: its name, a line for the overview, its help text, and
// the function that runs it with the arguments after the name. Functions return the
// process's exit status: 0 on success, 2 on any failure (after saying why on stderr).
struct TCommand
{
    const char *name;
    const char *summary;
    const char *help;
    int (*run)(const QStringList &args);
};

const QList<TCommand> &Commands();

QTextStream &Out();
QTextStream &Err();
// Prints the message on stderr and returns 2.
int Fail(const QString &message);
// True when args asks for the command's help.
bool WantsHelp(const QStringList &args);

int RunInfo(const QStringList &args);
int RunDump(const QStringList &args);
int RunResave(const QStringList &args);
int RunMerge(const QStringList &args);
int RunGenerate(const QStringList &args);
int RunBuild(const QStringList &args);
int RunList(const QStringList &args);

class TBrowseState;
class TShowFields;
// Selects the list `qel list` prints from the same arguments (FILE and the list options)
// and hands it, with its columns, to use; returns use's exit status, or 2 with the
// message printed when the arguments or the file are wrong.
using TListUse = std::function<int(TBrowseState &state, const TShowFields &columns)>;
int WithList(const QStringList &args, const TListUse &use);

// The sub-commands of the subsystems, each with its help text in its own file:
// cddbcommand.cpp (discid, cddb, scanlist), mp3command.cpp, exchangecommand.cpp
// (export, import), reportcommand.cpp, backupscommand.cpp.
extern const char kDiscidHelp[];
extern const char kCddbHelp[];
extern const char kScanlistHelp[];
extern const char kMp3Help[];
extern const char kExportHelp[];
extern const char kImportHelp[];
extern const char kReportHelp[];
extern const char kBackupsHelp[];
extern const char kMbHelp[]; // mbcommand.cpp
int RunDiscid(const QStringList &args);
int RunCddb(const QStringList &args);
int RunScanlist(const QStringList &args);
int RunMp3(const QStringList &args);
int RunExport(const QStringList &args);
int RunImport(const QStringList &args);
int RunReport(const QStringList &args);
int RunBackups(const QStringList &args);
int RunMb(const QStringList &args);
extern const char kSetHelp[];   // setcommand.cpp
extern const char kStatsHelp[]; // statscommand.cpp
int RunSet(const QStringList &args);
int RunStats(const QStringList &args);
extern const char kLookupHelp[];     // lookupcommand.cpp
extern const char kDuplicatesHelp[]; // duplicatescommand.cpp
int RunLookup(const QStringList &args);
int RunDuplicates(const QStringList &args);

// False, with the message printed, when path is something other than a file with
// content: a folder, a pipe, a device, or an empty file.
bool CheckInputFile(const QString &path);
// False, with the message printed, when something other than a regular file (or a
// link to one) is at path: saving would replace it.
bool CheckOutputFile(const QString &path);

class TQelDb;
// Reads path into db; on failure prints the message and returns false.
bool LoadDatabase(TQelDb &db, const QString &path);
// Saves db to path; on failure prints the message and returns false.
bool SaveDatabase(TQelDb &db, const QString &path);
