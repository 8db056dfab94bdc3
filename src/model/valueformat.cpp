#include "model/valueformat.h"

#include <QDateTime>
#include <QLocale>
#include <cmath>

namespace {
const QDate kEpoch(1899, 12, 30);
}

QDate DateFromDays(double days)
{
    if (days == 0 || !std::isfinite(days) || std::fabs(days) > 3.0e6)
        return {};
    return kEpoch.addDays(qint64(std::floor(days)));
}

double DaysFromDate(QDate date)
{
    return date.isValid() ? double(kEpoch.daysTo(date)) : 0.0;
}

double DaysFromDateTime(const QDateTime &moment)
{
    const QTime t = moment.time();
    return DaysFromDate(moment.date()) + t.msecsSinceStartOfDay() / 86400000.0;
}

QString FormatDate(double days)
{
    const QDate d = DateFromDays(days);
    return d.isValid() ? QLocale().toString(d, QLocale::ShortFormat) : QString();
}

QString FormatCurrency(qint64 scaled)
{
    const QLocale locale;
    const double amount = double(scaled) / 10000.0;
    QString symbol = locale.currencySymbol();
    // The C locale has no currency: show the plain amount.
    if (symbol.isEmpty() || symbol == QStringLiteral("\u00A4"))
        return locale.toString(amount, 'f', 2);
    return locale.toCurrencyString(amount, symbol, 2);
}

namespace {
constexpr double kPriceScale = 10000;
// The largest amount that scaled still fits 64 bits.
constexpr double kPriceLimit = 922337203685477.0;
} // namespace

QString FormatPriceText(qint64 scaled)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(double(scaled) / kPriceScale, 'f', 2);
}

bool ParsePriceText(const QString &text, qint64 &scaled)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        scaled = 0;
        return true;
    }
    QLocale locale;
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double amount = locale.toDouble(trimmed, &ok);
    if (!ok || !std::isfinite(amount) || std::fabs(amount) > kPriceLimit)
        return false;
    scaled = qint64(std::llround(amount * kPriceScale));
    return true;
}
