#pragma once

#include <QDialog>

class TQelDb;

// Counts, totals and averages of the open collection; changes nothing.
class TfmStats : public QDialog
{
    Q_OBJECT

public:
    TfmStats(QWidget *owner, const TQelDb &db);
};

// Shows the statistics of db modally, centred over owner.
void ShowStatistics(QWidget *owner, const TQelDb &db);
