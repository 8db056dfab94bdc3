#include "model/tracks.h"

#include "model/album.h"
#include "model/general.h"
#include "model/itemloader.h"
#include "model/qeldb.h"
#include "model/qelerror.h"
#include "model/qelstream.h"

namespace {
QString twoDigits(qint64 v)
{
    if (v < 0 || v > 99)
        return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
    const QChar digits[2] = {QChar(char16_t(u'0' + v / 10)), QChar(char16_t(u'0' + v % 10))};
    return QString(digits, 2);
}
} // namespace

TCustomTrack::TCustomTrack(TDataItem *parent)
{
    Parent = parent;
    const TAlbum *album = parent ? parent->GetAlbum() : nullptr;
    if (album && album->Db)
        ID = album->Db->NextTrackID();
}

TDisc *TCustomTrack::GetDisc()
{
    return (Parent && Parent->IsTrackLevel()) ? static_cast<TCustomTrack *>(Parent)->GetDisc()
                                              : nullptr;
}

qint32 TCustomTrack::GetLength() const
{
    return ClampedLength(TotalLength());
}

void TCustomTrack::copyTrackPart(const TCustomTrack &src, bool keepIDs)
{
    Songwriter = src.Songwriter;
    TrackLookup1 = src.TrackLookup1;
    TrackText1 = src.TrackText1;
    LyricsFile = src.LyricsFile;
    AudioFile = src.AudioFile;
    BPM = src.BPM;
    copyFrom(src, keepIDs);
}

QString TCustomTrack::GetFieldAsString(TFieldId field) const
{
    const TDisc *disc = GetDisc();
    const TAlbum *album = GetAlbum();
    switch (field) {
    case fdIndex:
        return twoDigits(Index);
    case fdAlbumName:
        return album ? album->GetAlbumName() : QString();
    case fdMsDiscId:
        return (disc && disc->MsDiscId) ? QString::number(quint32(disc->MsDiscId), 16).toUpper()
                                        : QString();
    case fdSongwriter:
    case fdTrackLookup1: {
        const TLookupItem *own = field == fdSongwriter ? Songwriter : TrackLookup1;
        if (own)
            return LookupDisplayText(own);
        return parentIsTrackLevel() ? Parent->GetFieldAsString(field) : QString();
    }
    case fdTrackText1:
        return TrackText1;
    case fdCddbDiscId:
        return disc ? QStringLiteral("%1").arg(quint32(disc->CddbDiscId), 8, 16, QLatin1Char('0'))
                    : QString();
    case fdAlbumIndex:
        return album ? QString::number(album->Index) : QString();
    case fdAlbumTitle:
        return album ? album->Title.toString() : QString();
    case fdCddbRevision:
        return disc ? QString::number(disc->CddbRevision) : QString();
    case fdBPM: {
        const QString own = QString::number(BPM);
        if (BPM == 0 && parentIsTrackLevel())
            return Parent->GetFieldAsString(field);
        return own;
    }
    case fdPosition:
        return {};
    case fdHeaderTitle:
        return (Parent && Parent->Kind() == TItemKind::Header) ? Parent->Title.toString()
                                                               : QString();
    case fdDiscIndex:
        return disc ? QString::number(disc->Index) : QString();
    case fdLyrics:
        return {}; // the lyrics file's content is shown by the track editor
    case fdLyricsFile:
        return LyricsFile;
    case fdAudioFile:
        return AudioFile;
    case fdAlbumID:
        return album ? QString::number(album->ID) : QString();
    default:
        return TDataItem::GetFieldAsString(field);
    }
}

qint32 TCustomTrack::GetFieldAsInteger(TFieldId field) const
{
    const TDisc *disc = GetDisc();
    switch (field) {
    case fdMsDiscId:
        return disc ? disc->MsDiscId : -1;
    case fdCddbDiscId:
        return disc ? disc->CddbDiscId : -1;
    case fdCddbRevision:
        return disc ? disc->CddbRevision : -1;
    case fdBPM:
        if (BPM == 0)
            return Parent ? Parent->GetFieldAsInteger(field) : -1;
        return BPM;
    default:
        return TDataItem::GetFieldAsInteger(field);
    }
}

QString TCustomTrack::GetFieldSortText(TFieldId field) const
{
    if (field == fdSongwriter || field == fdTrackLookup1) {
        const TLookupItem *own = field == fdSongwriter ? Songwriter : TrackLookup1;
        if (own)
            return LookupSortText(own);
        return parentIsTrackLevel() ? Parent->GetFieldSortText(field) : QString();
    }
    return TDataItem::GetFieldSortText(field);
}

TLookupItem *TCustomTrack::getLookupItem(TFieldId field) const
{
    if (field == fdSongwriter || field == fdTrackLookup1) {
        TLookupItem *own = field == fdSongwriter ? Songwriter : TrackLookup1;
        if (own)
            return own;
        return parentIsTrackLevel() ? Parent->getLookupItem(field) : nullptr;
    }
    return TDataItem::getLookupItem(field);
}

void TCustomTrack::setLookupItem(TFieldId field, TLookupItem *entry)
{
    if (field == fdSongwriter)
        Songwriter = entry;
    else if (field == fdTrackLookup1)
        TrackLookup1 = entry;
    else
        TDataItem::setLookupItem(field, entry);
}

QString TCustomTrack::GetCaption() const
{
    return QStringLiteral("%1 - %2 (%3)")
        .arg(Title.view(), LookupDisplayText(Artist), FormatLength(TotalLength()));
}

void TCustomTrack::SaveToStream(TQelWriter &w) const
{
    saveBase(w);
    w.WriteInteger(LookupNumber(Songwriter));
    w.WriteString(LyricsFile.view());
    w.WriteString(TrackText1.view());
    w.WriteInteger(LookupNumber(TrackLookup1));
    w.WriteInteger(BPM);
    w.WriteString(AudioFile.view());
    w.WriteListBegin();
    for (const TDataItem *child : Children) {
        switch (child->Kind()) {
        case TItemKind::Track:
            w.WriteInteger(0);
            break;
        case TItemKind::Header:
            w.WriteInteger(1);
            break;
        case TItemKind::SubTrack:
            w.WriteInteger(3);
            break;
        default:
            throw EQel(QStringLiteral("TCustomTrack.SaveToStream: detail is disc"));
        }
        child->SaveToStream(w);
    }
    w.WriteListEnd();
    saveOwnNumbers(w);
}

void TCustomTrack::LoadFromStream(TItemLoader &l)
{
    loadBase(l);
    TQelReader &r = l.Reader();
    Songwriter = l.ReadRef(fdSongwriter);
    LyricsFile = l.ReadText();
    TrackText1 = l.ReadText();
    TrackLookup1 = l.ReadRef(fdTrackLookup1);
    BPM = r.ReadInteger();
    AudioFile = l.ReadText();
    l.ReadChildren(this);
    loadOwnNumbers(l);
}

// --- subtracks

TDataItem *TSubTrack::Clone(bool keepIDs, TDataItem *newParent) const
{
    auto *copy = new TSubTrack(newParent);
    copy->copyTrackPart(*this, keepIDs);
    copy->Length = Length;
    return copy;
}

void TSubTrack::saveOwnNumbers(TQelWriter &w) const
{
    w.WriteInteger(Length);
}

void TSubTrack::loadOwnNumbers(TItemLoader &l)
{
    Length = l.Reader().ReadInteger();
}

// --- tracks

void TTrack::CollectTracks(TPtrList<TTrack> &list)
{
    list.append(this);
}

QString TTrack::GetFieldAsString(TFieldId field) const
{
    if (field == fdPosition)
        return twoDigits(Position);
    return TCustomTrack::GetFieldAsString(field);
}

qint32 TTrack::GetFieldAsInteger(TFieldId field) const
{
    if (field == fdPosition)
        return Position;
    return TCustomTrack::GetFieldAsInteger(field);
}

QString TTrack::GetCaption() const
{
    return QStringLiteral("%1 %2 - %3 (%4)")
        .arg(twoDigits(Position), Title.view(), LookupDisplayText(Artist),
             FormatLength(TotalLength()));
}

TDataItem *TTrack::Clone(bool keepIDs, TDataItem *newParent) const
{
    auto *copy = new TTrack(newParent);
    copy->copyTrackPart(*this, keepIDs);
    copy->Length = Length;
    copy->StartFrame = StartFrame;
    copy->Position = Position;
    return copy;
}

void TTrack::saveOwnNumbers(TQelWriter &w) const
{
    w.WriteInteger(Length);
    w.WriteInteger(StartFrame);
    w.WriteInteger(Position);
}

void TTrack::loadOwnNumbers(TItemLoader &l)
{
    TQelReader &r = l.Reader();
    Length = r.ReadInteger();
    StartFrame = r.ReadInteger();
    Position = r.ReadInteger();
}

// --- headers

TDataItem *THeader::Clone(bool keepIDs, TDataItem *newParent) const
{
    auto *copy = new THeader(newParent);
    copy->copyTrackPart(*this, keepIDs);
    return copy;
}

// --- discs

int TDisc::GetImageIndex() const
{
    const TAlbum *album = GetAlbum();
    return album ? album->FormatImage() : 4;
}

TLookupItem *TDisc::getLookupItem(TFieldId field) const
{
    // A disc answers the songwriter and the user lookup with its own entry only.
    if (field == fdSongwriter)
        return Songwriter;
    if (field == fdTrackLookup1)
        return TrackLookup1;
    return TCustomTrack::getLookupItem(field);
}

QString TDisc::GetCaption() const
{
    return QStringLiteral("%1 %2 - %3 (%4)")
        .arg(twoDigits(Index), Title.view(), LookupDisplayText(Artist),
             FormatLength(TotalLength()));
}

TDataItem *TDisc::Clone(bool keepIDs, TDataItem *newParent) const
{
    auto *copy = new TDisc(newParent);
    copy->copyTrackPart(*this, keepIDs);
    copy->MsDiscId = MsDiscId;
    copy->CddbDiscId = CddbDiscId;
    copy->CddbRevision = CddbRevision;
    copy->LeadOut = LeadOut;
    copy->RebuildTrackList();
    return copy;
}

void TDisc::RebuildTrackList()
{
    Tracks.clear();
    for (TDataItem *child : Children)
        child->CollectTracks(Tracks);
}

void TDisc::saveOwnNumbers(TQelWriter &w) const
{
    w.WriteInteger(MsDiscId);
    w.WriteInteger(CddbDiscId);
    w.WriteInteger(CddbRevision);
    w.WriteInteger(LeadOut);
}

void TDisc::loadOwnNumbers(TItemLoader &l)
{
    TQelReader &r = l.Reader();
    MsDiscId = r.ReadInteger();
    CddbDiscId = r.ReadInteger();
    CddbRevision = r.ReadInteger();
    LeadOut = r.ReadInteger();
}
