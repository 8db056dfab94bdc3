#include "exchange/jsondump.h"

#include "model/qeldb.h"
#include "model/tracks.h"

#include <QCryptographicHash>
#include <QIODevice>
#include <cstdio>

namespace {

void appendJsonString(QByteArray &out, QStringView s)
{
    out += '"';
    const QByteArray utf8 = s.toUtf8();
    for (const char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += char(c);
            }
        }
    }
    out += '"';
}

const char *kindName(TItemKind k)
{
    switch (k) {
    case TItemKind::Album:
        return "album";
    case TItemKind::Disc:
        return "disc";
    case TItemKind::Header:
        return "header";
    case TItemKind::Track:
        return "track";
    case TItemKind::SubTrack:
        return "subtrack";
    }
    return "?";
}

// Whether items of this level carry the field.
bool carries(bool album, TFieldId f)
{
    static const quint64 albumOnly =
        fieldBit(fdSoloists) | fieldBit(fdTourName) | fieldBit(fdRecordingDate) | fieldBit(fdAD) |
        fieldBit(fdMono) | fieldBit(fdFormat) | fieldBit(fdLabel) | fieldBit(fdNumber) |
        fieldBit(fdOwner) | fieldBit(fdLocation) | fieldBit(fdPurchaseDate) | fieldBit(fdPrice) |
        fieldBit(fdStore) | fieldBit(fdInCollection) | fieldBit(fdNrTracks) |
        fieldBit(fdAlbumText1) | fieldBit(fdAlbumText2) | fieldBit(fdAlbumLookup1) |
        fieldBit(fdAlbumLookup2) | fieldBit(fdNrDiscs) | fieldBit(fdCover) | fieldBit(fdRare) |
        fieldBit(fdCoverFile);
    static const quint64 trackOnly =
        fieldBit(fdAlbumName) | fieldBit(fdMsDiscId) | fieldBit(fdSongwriter) |
        fieldBit(fdTrackText1) | fieldBit(fdTrackLookup1) | fieldBit(fdCddbDiscId) |
        fieldBit(fdAlbumIndex) | fieldBit(fdAlbumTitle) | fieldBit(fdCddbRevision) |
        fieldBit(fdBPM) | fieldBit(fdPosition) | fieldBit(fdHeaderTitle) | fieldBit(fdDiscIndex) |
        fieldBit(fdLyrics) | fieldBit(fdLyricsFile) | fieldBit(fdAlbumID) | fieldBit(fdAudioFile);
    return (fieldBit(f) & (album ? trackOnly : albumOnly)) == 0;
}

void writeItem(const TQelDb &db, const TDataItem *item, int depth, QByteArray &out, bool &first)
{
    out += first ? "\n  " : ",\n  ";
    first = false;
    const bool isAlbum = item->Kind() == TItemKind::Album;
    out += "{\"kind\": \"";
    out += kindName(item->Kind());
    out +=
        "\", \"depth\": " + QByteArray::number(depth) + ", \"id\": " + QByteArray::number(item->ID);
    out += ", \"thumbnail\": ";
    const auto *album = isAlbum ? static_cast<const TAlbum *>(item) : nullptr;
    if (album && album->HasThumbnail() && album->ThumbnailIndex < db.Pictures.Count())
        out += '"' +
               QCryptographicHash::hash(db.Pictures.Rgb(album->ThumbnailIndex),
                                        QCryptographicHash::Sha256)
                   .toHex() +
               '"';
    else
        out += "null";
    out += ", \"fields\": {";
    bool firstField = true;
    for (TFieldId f = 1; f <= fdLast; ++f) {
        if (!carries(isAlbum, f))
            continue;
        if (!firstField)
            out += ", ";
        firstField = false;
        out += '"' + QByteArray::number(f) + "\": ";
        appendJsonString(out, item->GetFieldAsString(f));
    }
    out += "}}";
    for (const TDataItem *child : item->Children)
        writeItem(db, child, depth + 1, out, first);
}

} // namespace

void WriteCollectionJson(const TQelDb &db, QIODevice &dev)
{
    QByteArray out;
    out.reserve(1 << 20);
    auto flushIfLarge = [&] {
        if (out.size() > (1 << 20)) {
            dev.write(out);
            out.clear();
        }
    };
    out += "{\"name\": ";
    appendJsonString(out, db.GetDisplayName());
    out += ",\n \"lookups\": {";
    auto &mdb = const_cast<TQelDb &>(db);
    for (std::size_t i = 0; i < TQelDb::LookupFieldOrder.size(); ++i) {
        const TFieldId field = TQelDb::LookupFieldOrder[i];
        const TLookupList &list = mdb.LookupListAt(int(i));
        out += i ? ",\n  " : "\n  ";
        appendJsonString(out, TQelFields::GetDefaultName(field));
        out += ": [";
        for (qsizetype e = 0; e < list.Count(); ++e) {
            const TLookupItem *item = list.Items(e);
            out += e ? ", " : "";
            out += "{\"id\": " + QByteArray::number(item->ID) + ", \"sort\": ";
            appendJsonString(out, item->SortName);
            out += ", \"display\": ";
            appendJsonString(out, item->DisplayName);
            out += '}';
        }
        out += ']';
    }
    out += "},\n \"items\": [";
    bool first = true;
    for (qsizetype i = 0; i < db.AlbumCount(); ++i) {
        writeItem(db, db.Album(i), 0, out, first);
        flushIfLarge();
    }
    out += "\n]}\n";
    dev.write(out);
}
