#pragma once

#include <QDate>
#include <QString>

// Dates are day counts since 30 December 1899 (the fraction is the time of day);
// 0 is no date.
QDate DateFromDays(double days); // invalid for 0 and for values no calendar holds
double DaysFromDate(QDate date);
double DaysFromDateTime(const QDateTime &moment);

// The short date format and the currency format of the user's locale (QLocale()).
QString FormatDate(double days);       // empty for no date
QString FormatCurrency(qint64 scaled); // amount times 10000, two decimals

// A price as the user types it: the amount with two decimals in the locale's number
// format, without group separators ("12.50").
QString FormatPriceText(qint64 scaled);
// The typed text as an amount times 10000; empty text is 0. False for text that is no
// number in the locale's format or an amount too large to hold.
bool ParsePriceText(const QString &text, qint64 &scaled);
