// The duplicates command: albums of a collection that are likely the same.
#include "cli/commands.h"

#include "model/album.h"
#include "model/duplicates.h"
#include "model/qeldb.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

const char kDuplicatesHelp[] =
    "Usage: qel duplicates DB.qel [--json]\n\n"
    "Prints the groups of albums of DB.qel that are likely the same: a disc of each carries\n"
    "the same CDDB disc ID or the same \"Microsoft Disc ID\", or they have the same title and\n"
    "artist once letter case, accents, a leading \"The \" or a trailing \", The\", \"&\" against\n"
    "\"and\", punctuation and runs of blanks are set aside. Each group starts with a line\n"
    "naming what joined it (\"cddb\", \"msdiscid\", \"title-artist\"), followed by one line per\n"
    "album: its identifier, title, artist, format, year, location and number, separated by\n"
    "tabs; an empty line ends the group. The last line counts the groups and their albums.\n\n"
    "  --json   the same as one JSON object\n";

namespace {

QStringList ruleNames(quint8 rules)
{
    QStringList names;
    if (rules & drCddbDiscId)
        names << QStringLiteral("cddb");
    if (rules & drMsDiscId)
        names << QStringLiteral("msdiscid");
    if (rules & drTitleArtist)
        names << QStringLiteral("title-artist");
    return names;
}

} // namespace

int RunDuplicates(const QStringList &args)
{
    bool json = false;
    QString path;
    for (const QString &a : args) {
        if (a == QLatin1String("--json"))
            json = true;
        else if (a.startsWith(u'-') && a.size() > 1)
            return Fail(QStringLiteral("Unknown option %1").arg(a));
        else if (path.isEmpty())
            path = a;
        else
            return Fail(QStringLiteral("Too many arguments"));
    }
    if (path.isEmpty())
        return Fail(QStringLiteral("Usage: qel duplicates DB.qel [--json]"));
    TQelDb db;
    if (!LoadDatabase(db, path))
        return 2;
    const std::vector<TDuplicateGroup> groups = FindDuplicateAlbums(db);
    const TFieldId columns[] = {fdTitle, fdArtist, fdFormat, fdYear, fdLocation, fdNumber};
    const char *keys[] = {"title", "artist", "format", "year", "location", "number"};
    QTextStream &o = Out();
    std::size_t albums = 0;
    if (json) {
        QJsonArray all;
        for (const TDuplicateGroup &g : groups) {
            QJsonArray members;
            for (const TAlbum *album : g.albums) {
                QJsonObject a{{QStringLiteral("id"), album->ID}};
                for (std::size_t c = 0; c < std::size(columns); ++c)
                    a.insert(QLatin1String(keys[c]), album->GetFieldAsString(columns[c]));
                members.append(a);
            }
            all.append(QJsonObject{
                {QStringLiteral("rules"), QJsonArray::fromStringList(ruleNames(g.rules))},
                {QStringLiteral("albums"), members}});
        }
        o << QString::fromUtf8(QJsonDocument(QJsonObject{{QStringLiteral("groups"), all}})
                                   .toJson(QJsonDocument::Indented));
    } else {
        for (const TDuplicateGroup &g : groups) {
            o << ruleNames(g.rules).join(u' ') << '\n';
            for (const TAlbum *album : g.albums) {
                o << album->ID;
                for (TFieldId f : columns)
                    o << '\t' << album->GetFieldAsString(f);
                o << '\n';
            }
            o << '\n';
            albums += g.albums.size();
        }
        o << groups.size() << (groups.size() == 1 ? " group, " : " groups, ") << albums
          << (albums == 1 ? " album\n" : " albums\n");
    }
    o.flush();
    return 0;
}
