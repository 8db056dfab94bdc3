#pragma once

#include <QStringList>

class TScanCD;

// The CDDB commands that talk to a server (cddbnetcommand.cpp), called by the
// dispatcher of cddbcommand.cpp with the arguments after their names.
int RunCddbQuery(const QStringList &args);
int RunCddbSites(const QStringList &args);
int RunScanlistQuery(const QStringList &args);
// Looks the scanned record up (its entries filled); false with the message printed.
bool QueryRecord(TScanCD &record, const QString &server);
// Posts the first entry of the record; prints the outcome, returns the exit status.
int RunCddbSend(TScanCD &record, const QString &server);

// Shared by both files: the disc of source (a drive or a disc image; empty: the scan
// drive of the preferences) scanned into disc; false with the message printed.
bool ScanSource(const QString &source, TScanCD &disc);
