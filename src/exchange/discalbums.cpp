#include "exchange/discalbums.h"

#include "model/album.h"
#include "model/lookuplist.h"
#include "model/qeldb.h"
#include "model/tracks.h"

#include <QCoreApplication>

std::unordered_set<qint32> MsDiscIdsOf(const TQelDb &db)
{
    std::unordered_set<qint32> ids;
    for (qsizetype i = 0; i < db.AlbumCount(); ++i)
        for (const TDataItem *child : db.Album(i)->Children)
            if (child->Kind() == TItemKind::Disc) {
                const qint32 id = static_cast<const TDisc *>(child)->MsDiscId;
                if (id != 0)
                    ids.insert(id);
            }
    return ids;
}

bool ParseMsDiscId(const QString &text, qint32 &id)
{
    if (text.isEmpty() || text.size() > 8)
        return false;
    quint32 v = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        int d;
        if (u >= u'0' && u <= u'9')
            d = u - u'0';
        else if (u >= u'a' && u <= u'f')
            d = u - u'a' + 10;
        else if (u >= u'A' && u <= u'F')
            d = u - u'A' + 10;
        else
            return false;
        v = v * 16 + quint32(d);
    }
    if (v == 0)
        return false;
    id = qint32(v);
    return true;
}

QString MsDiscIdText(qint32 id)
{
    return QString::number(quint32(id), 16).toUpper();
}

std::vector<TDisc *> DiscsOf(const TAlbum &album)
{
    std::vector<TDisc *> discs;
    for (TDataItem *child : album.Children)
        if (child->Kind() == TItemKind::Disc)
            discs.push_back(static_cast<TDisc *>(child));
    return discs;
}

QString ExportedDiscTitle(const TAlbum &album, const TDisc &disc)
{
    if (album.DiscCount() == 1)
        return album.Title.toString();
    return QStringLiteral("%1 (disc %2)").arg(album.Title.toString(), QString::number(disc.Index));
}

std::vector<TTrack *> DiscTracks(const TDisc &disc)
{
    TPtrList<TTrack> list;
    for (TDataItem *child : disc.Children)
        child->CollectTracks(list);
    return std::vector<TTrack *>(list.begin(), list.end());
}

QString ImportSummary(int imported, int skipped, int unreadable)
{
    QString summary = QCoreApplication::translate("TImport", "Imported %1 CDs").arg(imported);
    if (skipped > 0)
        summary += QCoreApplication::translate(
                       "TImport", "\r\nSkipped %1 CDs because they were already in your Qel "
                                  "database.")
                       .arg(skipped);
    if (unreadable > 0)
        summary +=
            QCoreApplication::translate("TImport", "\r\nSkipped %1 entries that could not be read.")
                .arg(unreadable);
    return summary;
}
