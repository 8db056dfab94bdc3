#include "model/duplicates.h"

#include "model/album.h"
#include "model/qeldb.h"
#include "model/similarnames.h"
#include "model/tracks.h"

#include <QHash>
#include <numeric>
#include <unordered_map>

std::vector<TDuplicateGroup> FindDuplicateAlbums(const TQelDb &db)
{
    const qsizetype n = db.AlbumCount();
    std::vector<qsizetype> parent(static_cast<std::size_t>(n));
    std::iota(parent.begin(), parent.end(), qsizetype(0));
    std::vector<quint8> rules(std::size_t(n), 0); // kept at each root
    auto root = [&parent](qsizetype i) {
        while (parent[std::size_t(i)] != i) {
            parent[std::size_t(i)] = parent[std::size_t(parent[std::size_t(i)])];
            i = parent[std::size_t(i)];
        }
        return i;
    };
    auto join = [&](qsizetype i, qsizetype j, quint8 rule) {
        const qsizetype a = root(i), b = root(j);
        const qsizetype first = std::min(a, b);
        if (a != b) {
            parent[std::size_t(std::max(a, b))] = first;
            rules[std::size_t(first)] |= rules[std::size_t(std::max(a, b))];
        }
        rules[std::size_t(first)] |= rule;
    };

    std::unordered_map<qint32, qsizetype> byCddb, byMs;
    QHash<QString, qsizetype> byTitleArtist;
    byTitleArtist.reserve(n);
    std::unordered_map<const TLookupItem *, QString> artistKeys; // each artist folded once
    auto byId = [&](std::unordered_map<qint32, qsizetype> &seen, qint32 id, qsizetype i,
                    quint8 rule) {
        if (id == 0)
            return;
        const auto [at, added] = seen.try_emplace(id, i);
        if (!added && at->second != i)
            join(at->second, i, rule);
    };
    for (qsizetype i = 0; i < n; ++i) {
        const TAlbum *album = db.Album(i);
        for (const TDataItem *child : album->Children) {
            if (child->Kind() != TItemKind::Disc)
                continue;
            const auto *disc = static_cast<const TDisc *>(child);
            byId(byCddb, disc->CddbDiscId, i, drCddbDiscId);
            byId(byMs, disc->MsDiscId, i, drMsDiscId);
        }
        if (album->Title.isEmpty())
            continue;
        const QString title = SimilarNameKey(album->Title.view());
        if (title.isEmpty())
            continue;
        auto artist = artistKeys.find(album->Artist);
        if (artist == artistKeys.end())
            artist =
                artistKeys.emplace(album->Artist, SimilarNameKey(LookupDisplayText(album->Artist)))
                    .first;
        const QString key = title + QChar(0x1f) + artist->second;
        const auto found = byTitleArtist.constFind(key);
        if (found == byTitleArtist.cend())
            byTitleArtist.insert(key, i);
        else
            join(*found, i, drTitleArtist);
    }

    std::vector<qsizetype> sizes(std::size_t(n), 0);
    for (qsizetype i = 0; i < n; ++i)
        ++sizes[std::size_t(root(i))];
    std::vector<qsizetype> groupOf(std::size_t(n), -1);
    std::vector<TDuplicateGroup> groups;
    for (qsizetype i = 0; i < n; ++i) {
        const qsizetype r = root(i);
        if (sizes[std::size_t(r)] < 2)
            continue;
        if (groupOf[std::size_t(r)] < 0) {
            groupOf[std::size_t(r)] = qsizetype(groups.size());
            groups.push_back({{}, rules[std::size_t(r)]});
        }
        groups[std::size_t(groupOf[std::size_t(r)])].albums.push_back(db.Album(i));
    }
    return groups;
}
