// `qel stats`: the statistics window's totals and the series of its charts, as text
// or JSON.
#include "cli/commands.h"

#include "model/qeldb.h"
#include "views/statistics.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

const char kStatsHelp[] =
    "Usage: qel stats DB.qel [--json]\n\n"
    "Prints the totals of the collection in DB.qel (as qel info does) and the series the\n"
    "statistics window charts: albums by year and by decade, by genre, by format and by\n"
    "label, purchases per year with the money spent, and the length by genre in seconds.\n"
    "Genres and labels show the 15 largest entries; the rest of the genres count as Other;\n"
    "None counts the albums without an entry. Years are the albums' \"Year\" fields read as\n"
    "numbers; purchases come from \"Purchase Date\" and \"Price\".\n\n"
    "  --json    one JSON object instead of the lines\n";

namespace {

QString priceText(qint64 scaled)
{
    // Two decimals, a point, whatever the locale: for scripts.
    const qint64 cents = scaled >= 0 ? (scaled + 50) / 100 : (scaled - 50) / 100;
    const qint64 whole = cents / 100, part = cents % 100;
    return QStringLiteral("%1%2.%3")
        .arg(cents < 0 ? QStringLiteral("-") : QString())
        .arg(qAbs(whole))
        .arg(qAbs(part), 2, 10, QLatin1Char('0'));
}

QString barName(const TStatBar &bar)
{
    switch (bar.kind) {
    case TStatBar::Other:
        return QStringLiteral("Other");
    case TStatBar::None:
        return QStringLiteral("None");
    default:
        return bar.name;
    }
}

QJsonValue average(qint64 total, qint64 divisor)
{
    return divisor > 0 ? QJsonValue(double(total / divisor)) : QJsonValue();
}

QJsonArray barsJson(const std::vector<TStatBar> &bars, const char *valueName)
{
    static const char *const kinds[] = {"entry", "other", "none"};
    QJsonArray array;
    for (const TStatBar &bar : bars)
        array.append(QJsonObject{{QStringLiteral("kind"), QLatin1String(kinds[bar.kind])},
                                 {QStringLiteral("name"), bar.name},
                                 {QLatin1String(valueName), double(bar.value)}});
    return array;
}

QJsonArray yearsJson(const std::vector<std::pair<int, qint64>> &years, const char *key)
{
    QJsonArray array;
    for (const auto &[year, albums] : years)
        array.append(
            QJsonObject{{QLatin1String(key), year}, {QStringLiteral("albums"), double(albums)}});
    return array;
}

void printJson(const TQelDb &db, const TStatistics &s)
{
    std::vector<std::pair<int, qint64>> years(s.albumsByYear.begin(), s.albumsByYear.end());
    QJsonArray purchases;
    for (const TPurchaseYear &p : s.purchases)
        purchases.append(QJsonObject{{QStringLiteral("year"), p.year},
                                     {QStringLiteral("albums"), double(p.albums)},
                                     {QStringLiteral("price"), priceText(p.price).toDouble()}});
    const QJsonObject o{
        {QStringLiteral("database"), db.GetDisplayName()},
        {QStringLiteral("albums"), double(s.albums)},
        {QStringLiteral("discs"), double(s.discs)},
        {QStringLiteral("tracks"), double(s.tracks)},
        {QStringLiteral("averageTracksPerAlbum"), average(s.tracks, s.albums)},
        {QStringLiteral("averageTracksPerDisc"), average(s.tracks, s.discs)},
        {QStringLiteral("totalLength"), double(s.totalLength)},
        {QStringLiteral("averageAlbumLength"), average(s.totalLength, s.albums)},
        {QStringLiteral("averageDiscLength"), average(s.totalLength, s.discs)},
        {QStringLiteral("averageTrackLength"), average(s.totalLength, s.tracks)},
        {QStringLiteral("totalPrice"), priceText(s.totalPrice).toDouble()},
        {QStringLiteral("albumsByDecade"), yearsJson(s.AlbumsByDecade(), "decade")},
        {QStringLiteral("albumsByYear"), yearsJson(years, "year")},
        {QStringLiteral("albumsWithoutYear"), double(s.albumsWithoutYear)},
        {QStringLiteral("albumsByGenre"), barsJson(s.albumsByGenre, "albums")},
        {QStringLiteral("albumsByFormat"), barsJson(s.albumsByFormat, "albums")},
        {QStringLiteral("albumsByLabel"), barsJson(s.albumsByLabel, "albums")},
        {QStringLiteral("purchasesByYear"), purchases},
        {QStringLiteral("lengthByGenre"), barsJson(s.lengthByGenre, "seconds")},
    };
    Out() << QJsonDocument(o).toJson(QJsonDocument::Indented);
}

void printText(const TQelDb &db, const TStatistics &s)
{
    QTextStream &o = Out();
    o << "Current database: " << db.GetDisplayName() << '\n'
      << "Nr. Albums: " << s.albums << '\n'
      << "Nr. Discs: " << s.discs << '\n'
      << "Nr. Tracks: " << s.tracks << '\n'
      << "Average Nr. Tracks per Album: " << s.AvgTracksPerAlbum() << '\n'
      << "Average Nr. Tracks per Disc: " << s.AvgTracksPerDisc() << '\n'
      << "Total Length: " << s.TotalLengthText() << '\n'
      << "Average Length per Album: " << s.AvgAlbumLength() << '\n'
      << "Average Length per Disc: " << s.AvgDiscLength() << '\n'
      << "Average Length per Track: " << s.AvgTrackLength() << '\n'
      << "Total Price: " << s.TotalPriceText() << '\n';
    o << "\nAlbums by decade:\n";
    for (const auto &[decade, albums] : s.AlbumsByDecade())
        o << "  " << decade << "s: " << albums << '\n';
    o << "\nAlbums by year:\n";
    for (const auto &[year, albums] : s.albumsByYear)
        o << "  " << year << ": " << albums << '\n';
    o << "  No year: " << s.albumsWithoutYear << '\n';
    const std::pair<const char *, const std::vector<TStatBar> *> bars[] = {
        {"Albums by genre", &s.albumsByGenre},
        {"Albums by format", &s.albumsByFormat},
        {"Albums by label", &s.albumsByLabel},
        {"Length by genre, seconds", &s.lengthByGenre},
    };
    for (const auto &[title, list] : bars) {
        o << '\n' << title << ":\n";
        for (const TStatBar &bar : *list)
            o << "  " << barName(bar) << ": " << bar.value << '\n';
    }
    o << "\nPurchases per year (albums, money spent):\n";
    for (const TPurchaseYear &p : s.purchases)
        o << "  " << p.year << ": " << p.albums << ", " << priceText(p.price) << '\n';
}

} // namespace

int RunStats(const QStringList &args)
{
    QString file;
    bool json = false;
    for (const QString &a : args) {
        if (a == QLatin1String("--json"))
            json = true;
        else if (!a.startsWith(QLatin1String("--")) && file.isEmpty())
            file = a;
        else
            return Fail(QStringLiteral("qel stats: unexpected argument '%1'\nUsage: qel stats "
                                       "DB.qel [--json]")
                            .arg(a));
    }
    if (file.isEmpty())
        return Fail(QStringLiteral("Usage: qel stats DB.qel [--json]"));
    TQelDb db;
    if (!LoadDatabase(db, file))
        return 2;
    const TStatistics s = TStatistics::Gather(db);
    if (json)
        printJson(db, s);
    else
        printText(db, s);
    Out().flush();
    return 0;
}
