#include "model/album.h"

#include "model/bmpblock.h"
#include "model/general.h"
#include "model/itemloader.h"
#include "model/qeldb.h"
#include "model/qelerror.h"
#include "model/qelstream.h"
#include "model/tracks.h"
#include "model/valueformat.h"

#include <cmath>

TAlbum::TAlbum(TQelDb *db) : Db(db)
{
    if (db)
        ID = db->NextAlbumID();
}

qint32 TAlbum::GetLength() const
{
    return ClampedLength(TotalLength());
}

TDisc *TAlbum::Disc(qsizetype index) const
{
    return static_cast<TDisc *>(Children[index]);
}

qint32 TAlbum::GetTrackCount() const
{
    qint32 n = 0;
    for (const TDataItem *child : Children)
        if (child->Kind() == TItemKind::Disc)
            n += qint32(static_cast<const TDisc *>(child)->TrackCount());
    return n;
}

void TAlbum::RebuildTrackLists()
{
    for (TDataItem *child : Children)
        if (child->Kind() == TItemKind::Disc)
            static_cast<TDisc *>(child)->RebuildTrackList();
}

QString TAlbum::GetAlbumName() const
{
    return QStringLiteral("%1 - %2 (%3)").arg(Title.view(), LookupDisplayText(Artist), Year.view());
}

namespace {
char16_t lowerAscii(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
}
} // namespace

int TAlbum::FormatImage() const
{
    QString name = LookupSortText(Format);
    for (QChar &c : name)
        c = QChar(lowerAscii(c.unicode()));
    auto is = [&name](std::initializer_list<const char *> names) {
        for (const char *n : names)
            if (name == QLatin1String(n))
                return true;
        return false;
    };
    if (is({"cd", "laserdisc"}))
        return 4;
    if (is({"ep", "lp", "78", "12-inch", "12 inch", "33"}))
        return 22;
    if (is({"cd single", "cd-single"}))
        return 8;
    if (is({"minidisc", "mini disc", "mini-disc"}))
        return 18;
    if (is({"mc"}) || name.contains(QLatin1String("cassette")))
        return 16;
    if (is({"cd-rom", "cd rom"}))
        return 6;
    if (is({"video", "vhs", "vhs tape"}))
        return 20;
    if (is({"7-inch", "7 inch", "45"}))
        return 26;
    if (is({"dat"}))
        return 10;
    if (is({"dcc"}))
        return 12;
    if (is({"dvd"}))
        return 14;
    if (is({"10-inch", "10 inch"}))
        return 24;
    if (is({"mp3"}))
        return 28;
    return 4;
}

TLookupItem *const *TAlbum::albumLookupSlot(TFieldId field) const
{
    switch (field) {
    case fdFormat:
        return &Format;
    case fdLabel:
        return &Label;
    case fdOwner:
        return &Owner;
    case fdStore:
        return &Store;
    case fdAlbumLookup1:
        return &AlbumLookup1;
    case fdAlbumLookup2:
        return &AlbumLookup2;
    default:
        return nullptr;
    }
}

QString TAlbum::GetFieldAsString(TFieldId field) const
{
    if (const auto slot = albumLookupSlot(field))
        return LookupDisplayText(*slot);
    switch (field) {
    case fdSoloists:
        return Soloists;
    case fdTourName:
        return TourName;
    case fdRecordingDate:
        return FormatDate(RecordingDate);
    case fdAD:
        return AD < 5 ? QString::fromLatin1(ADNames[AD]) : QString();
    case fdMono:
        return Mono ? QStringLiteral("Mono") : QStringLiteral("Stereo");
    case fdNumber:
        return Number;
    case fdLocation:
        return Location;
    case fdPurchaseDate:
        return FormatDate(PurchaseDate);
    case fdPrice:
        return FormatCurrency(Price);
    case fdInCollection:
        return InCollection ? QStringLiteral("Yes") : QStringLiteral("No");
    case fdNrTracks:
        return QString::number(GetTrackCount());
    case fdAlbumText1:
        return AlbumText1;
    case fdAlbumText2:
        return AlbumText2;
    case fdNrDiscs:
        return QString::number(DiscCount());
    case fdCover:
        return {}; // a picture has no text
    case fdRare:
        return Rare ? QStringLiteral("Yes") : QStringLiteral("No");
    case fdCoverFile:
        return CoverFile;
    // Fields of track-level items only.
    case fdAlbumName:
    case fdMsDiscId:
    case fdSongwriter:
    case fdTrackText1:
    case fdTrackLookup1:
    case fdCddbDiscId:
    case fdAlbumIndex:
    case fdAlbumTitle:
    case fdCddbRevision:
    case fdBPM:
    case fdPosition:
    case fdHeaderTitle:
    case fdDiscIndex:
    case fdLyrics:
    case fdLyricsFile:
    case fdAlbumID:
    case fdAudioFile:
        return InvalidFieldText();
    default:
        return TDataItem::GetFieldAsString(field);
    }
}

qint32 TAlbum::GetFieldAsInteger(TFieldId field) const
{
    switch (field) {
    case fdNrTracks:
        return GetTrackCount();
    case fdNrDiscs:
        return qint32(DiscCount());
    default:
        return TDataItem::GetFieldAsInteger(field);
    }
}

double TAlbum::GetFieldAsDate(TFieldId field) const
{
    if (field == fdRecordingDate)
        return RecordingDate;
    if (field == fdPurchaseDate)
        return PurchaseDate;
    return -1.0;
}

double TAlbum::GetFieldAsFloat(TFieldId field) const
{
    return field == fdPrice ? double(Price) / 10000.0 : -1.0;
}

quint8 TAlbum::GetFieldAsBoolean(TFieldId field) const
{
    switch (field) {
    case fdMono:
        return Mono;
    case fdInCollection:
        return InCollection;
    case fdRare:
        return Rare;
    default:
        return TDataItem::GetFieldAsBoolean(field);
    }
}

QString TAlbum::GetFieldSortText(TFieldId field) const
{
    if (const auto slot = albumLookupSlot(field))
        return LookupSortText(*slot);
    return TDataItem::GetFieldSortText(field);
}

TLookupItem *TAlbum::getLookupItem(TFieldId field) const
{
    if (const auto slot = albumLookupSlot(field))
        return *slot;
    return TDataItem::getLookupItem(field);
}

void TAlbum::setLookupItem(TFieldId field, TLookupItem *entry)
{
    if (const auto slot = albumLookupSlot(field)) {
        *const_cast<TLookupItem **>(slot) = entry;
        return;
    }
    TDataItem::setLookupItem(field, entry);
}

TDataItem *TAlbum::Clone(bool keepIDs, TDataItem *) const
{
    return Copy(keepIDs);
}

TAlbum *TAlbum::Copy(bool keepIDs) const
{
    auto *copy = new TAlbum(keepIDs ? nullptr : Db);
    copy->Db = Db;
    copy->Label = Label;
    copy->Store = Store;
    copy->Owner = Owner;
    copy->Format = Format;
    copy->Number = Number;
    copy->Location = Location;
    copy->PurchaseDate = PurchaseDate;
    copy->Price = Price;
    copy->Soloists = Soloists;
    copy->TourName = TourName;
    copy->RecordingDate = RecordingDate;
    copy->CoverFile = CoverFile;
    copy->AlbumText1 = AlbumText1;
    copy->AlbumText2 = AlbumText2;
    copy->AlbumLookup1 = AlbumLookup1;
    copy->AlbumLookup2 = AlbumLookup2;
    copy->ThumbnailIndex = ThumbnailIndex; // both show the same picture
    copy->AD = AD;
    copy->Mono = Mono;
    copy->Rare = Rare;
    copy->InCollection = InCollection;
    copy->copyFrom(*this, keepIDs);
    return copy;
}

bool TAlbum::UsesLookupItem(TFieldId field, const TLookupItem *entry) const
{
    if (IsAlbumLookupField(field) && getLookupItem(field) == entry)
        return true;
    if (!IsTrackLookupField(field))
        return false;
    // Every item below the album, with the fallback to its parents.
    std::vector<const TDataItem *> stack(Children.begin(), Children.end());
    while (!stack.empty()) {
        const TDataItem *item = stack.back();
        stack.pop_back();
        if (item->getLookupItem(field) == entry)
            return true;
        for (const TDataItem *child : item->Children)
            stack.push_back(child);
    }
    return false;
}

void TAlbum::GetThumbnail(QImage *bitmap) const
{
    if (!bitmap)
        throw EQel(QStringLiteral("TAlbum.GetThumbnail: pBitmap is nil"));
    if (!Db || ThumbnailIndex < 0 || ThumbnailIndex >= Db->Pictures.Count())
        throw EQel(QStringLiteral("TAlbum.GetThumbnail: invalid ThumbnailIndex"));
    *bitmap = Db->Pictures.Image(ThumbnailIndex);
}

void TAlbum::SetThumbnail(const QImage *bitmap)
{
    if (!bitmap || bitmap->isNull() || bitmap->width() != 32 || bitmap->height() != 32) {
        ThumbnailIndex = 0;
        return;
    }
    if (!Db)
        throw EQel(QStringLiteral("TAlbum.SetThumbnail: invalid ThumbnailIndex"));
    Saved.Bytes = QByteArray();
    if (ThumbnailIndex != 0) {
        if (ThumbnailIndex < 0 || ThumbnailIndex >= Db->Pictures.Count())
            throw EQel(QStringLiteral("TAlbum.SetThumbnail: invalid ThumbnailIndex"));
        // A copy of an album shares its picture (an album being edited is such a copy):
        // the new picture must not reach the album it was copied from.
        if (!Db->PictureShared(ThumbnailIndex, this)) {
            Db->Pictures.Replace(ThumbnailIndex, *bitmap);
            return;
        }
    }
    ThumbnailIndex = Db->Pictures.Append(*bitmap);
}

void TAlbum::SaveToStream(TQelWriter &w) const
{
    saveBase(w);
    w.WriteInteger(LookupNumber(Format));
    w.WriteInteger(LookupNumber(Label));
    w.WriteString(Number.view());
    w.WriteInteger(LookupNumber(Owner));
    w.WriteString(Location.view());
    w.WriteDate(PurchaseDate);
    w.WriteFloat(double(Price) / 10000.0);
    w.WriteInteger(LookupNumber(Store));
    w.WriteString(Soloists.view());
    w.WriteString(TourName.view());
    w.WriteDate(RecordingDate);
    w.WriteInteger(AD);
    w.WriteBoolean(Mono);
    w.WriteBoolean(Rare);
    w.WriteBoolean(InCollection);
    w.WriteString(AlbumText1.view());
    w.WriteString(AlbumText2.view());
    w.WriteInteger(LookupNumber(AlbumLookup1));
    w.WriteInteger(LookupNumber(AlbumLookup2));
    const bool thumb = ThumbnailIndex != 0 && Db && ThumbnailIndex < Db->Pictures.Count();
    w.WriteBoolean(thumb);
    if (thumb)
        w.WriteBytes(Db->Pictures.Bitmap(ThumbnailIndex));
    w.WriteString(CoverFile.view());
    w.WriteListBegin();
    for (const TDataItem *disc : Children)
        disc->SaveToStream(w);
    w.WriteListEnd();
}

namespace {
// The stored amount back to the scaled currency; values no currency can hold
// mean a damaged file.
qint64 amountToCurrency(double amount)
{
    const double scaled = std::round(amount * 10000.0);
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.2e18)
        throw EQelRead();
    return qint64(scaled);
}
} // namespace

void TAlbum::LoadFromStream(TItemLoader &l)
{
    loadBase(l);
    TQelReader &r = l.Reader();
    Format = l.ReadRef(fdFormat);
    Label = l.ReadRef(fdLabel);
    Number = l.ReadText();
    Owner = l.ReadRef(fdOwner);
    Location = l.ReadText();
    PurchaseDate = r.ReadDate();
    Price = amountToCurrency(r.ReadFloat());
    Store = l.ReadRef(fdStore);
    Soloists = l.ReadText();
    TourName = l.ReadText();
    RecordingDate = r.ReadDate();
    AD = quint8(r.ReadInteger());
    Mono = r.ReadBoolean();
    Rare = r.ReadBoolean();
    InCollection = r.ReadBoolean();
    AlbumText1 = l.ReadText();
    AlbumText2 = l.ReadText();
    AlbumLookup1 = l.ReadRef(fdAlbumLookup1);
    AlbumLookup2 = l.ReadRef(fdAlbumLookup2);
    ThumbnailIndex = 0;
    if (r.ReadBoolean()) {
        const qint64 size = bmpblock::declaredSize(r.Peek(6));
        if (size < 0)
            throw EQelRead();
        const QImage picture = bmpblock::decode(r.ReadBytes(size));
        // A picture that cannot be read or stored leaves the album without one.
        try {
            SetThumbnail(&picture);
        } catch (const EQel &) {
            ThumbnailIndex = 0;
        }
    }
    CoverFile = l.ReadText();
    l.ReadDiscs(this);
}
