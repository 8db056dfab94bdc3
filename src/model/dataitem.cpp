#include "model/dataitem.h"

#include "model/album.h"
#include "model/general.h"
#include "model/itemloader.h"
#include "model/qelerror.h"
#include "model/qelstream.h"

TDataItem::~TDataItem()
{
    for (TDataItem *child : Children)
        delete child;
}

void TDataItem::operator delete(TDataItem *p, std::destroying_delete_t)
{
    const bool inArena = p->m_inArena;
    p->~TDataItem();
    if (!inArena)
        ::operator delete(p);
}

qint64 TDataItem::TotalLength() const
{
    qint64 total = 0;
    for (const TDataItem *child : Children)
        total += child->TotalLength();
    return total;
}

TAlbum *TDataItem::GetAlbum()
{
    return Parent ? Parent->GetAlbum() : nullptr;
}

void TDataItem::CollectTracks(TPtrList<TTrack> &list)
{
    for (TDataItem *child : Children)
        child->CollectTracks(list);
}

qsizetype TDataItem::Add(TDataItem *child)
{
    Children.append(child);
    return Children.size() - 1;
}

void TDataItem::InsertBefore(TDataItem *existing, TDataItem *child)
{
    const qsizetype i = Children.indexOf(existing);
    if (i >= 0)
        Children.insert(i, child);
}

void TDataItem::Remove(TDataItem *child)
{
    const qsizetype i = Children.indexOf(child);
    if (i >= 0)
        Children.removeAt(i);
}

void TDataItem::copyFrom(const TDataItem &src, bool keepIDs)
{
    if (keepIDs)
        ID = src.ID;
    Index = src.Index;
    Title = src.Title;
    Year = src.Year;
    Artist = src.Artist;
    Genre = src.Genre;
    Studio = src.Studio;
    Producer = src.Producer;
    Engineer = src.Engineer;
    Conductor = src.Conductor;
    Orchestra = src.Orchestra;
    Comments = src.Comments;
    Rating = src.Rating;
    Live = src.Live;
    Children.reserve(src.Children.size());
    for (const TDataItem *child : src.Children)
        Children.append(child->Clone(keepIDs, this));
}

TLookupItem *const *TDataItem::baseLookupSlot(TFieldId field) const
{
    switch (field) {
    case fdArtist:
        return &Artist;
    case fdGenre:
        return &Genre;
    case fdStudio:
        return &Studio;
    case fdProducer:
        return &Producer;
    case fdEngineer:
        return &Engineer;
    case fdConductor:
        return &Conductor;
    case fdOrchestra:
        return &Orchestra;
    default:
        return nullptr;
    }
}

QString TDataItem::GetFieldAsString(TFieldId field) const
{
    switch (field) {
    case fdTitle:
        return Title;
    case fdIndex:
        return QString::number(Index);
    case fdLength:
        return FormatLength(TotalLength());
    case fdArtist:
    case fdGenre:
    case fdStudio:
    case fdProducer:
    case fdEngineer:
    case fdConductor:
    case fdOrchestra: {
        const TLookupItem *own = *baseLookupSlot(field);
        if (own)
            return LookupDisplayText(own);
        return Parent ? Parent->GetFieldAsString(field) : QString();
    }
    case fdLive:
        if (Live == 0)
            return QStringLiteral("No");
        if (Live == 1)
            return QStringLiteral("Yes");
        return Parent ? Parent->GetFieldAsString(field) : QString();
    case fdRating:
        if (Rating != 0)
            return QStringLiteral("%1%").arg(int(Rating), 2, 10, QLatin1Char('0'));
        return Parent ? Parent->GetFieldAsString(field) : QString();
    case fdYear:
        if (!Year.isEmpty())
            return Year;
        return Parent ? Parent->GetFieldAsString(field) : QString();
    case fdComments:
        return Comments;
    case fdSubmitArtist:
        if (Artist)
            return DisplayNameOrMark(Artist);
        return Parent ? Parent->GetFieldAsString(field) : QString();
    case fdID:
        return QString::number(ID);
    default:
        return InvalidFieldText();
    }
}

qint32 TDataItem::GetFieldAsInteger(TFieldId field) const
{
    switch (field) {
    case fdIndex:
        return Index;
    case fdLength:
        return GetLength();
    case fdRating:
        if (Rating == 0 && Parent)
            return Parent->GetFieldAsInteger(field);
        return Rating;
    case fdID:
        return ID;
    default:
        return -1;
    }
}

double TDataItem::GetFieldAsDate(TFieldId) const
{
    return -1.0;
}

double TDataItem::GetFieldAsFloat(TFieldId) const
{
    return -1.0;
}

quint8 TDataItem::GetFieldAsBoolean(TFieldId field) const
{
    return field == fdLive ? Live : 2;
}

QString TDataItem::GetFieldSortText(TFieldId field) const
{
    if (const auto slot = baseLookupSlot(field)) {
        if (*slot)
            return LookupSortText(*slot);
        return Parent ? Parent->GetFieldSortText(field) : QString();
    }
    return GetFieldAsString(field);
}

TLookupItem *TDataItem::getLookupItem(TFieldId field) const
{
    if (const auto slot = baseLookupSlot(field)) {
        if (*slot)
            return *slot;
        return Parent ? Parent->getLookupItem(field) : nullptr;
    }
    throw EQel(QStringLiteral("TDataItem.getLookupItem: Invalid field"));
}

void TDataItem::setLookupItem(TFieldId field, TLookupItem *entry)
{
    if (const auto slot = baseLookupSlot(field)) {
        *const_cast<TLookupItem **>(slot) = entry;
        return;
    }
    throw EQel(QStringLiteral("TDataItem.setLookupItem: Invalid field"));
}

void TDataItem::saveBase(TQelWriter &w) const
{
    w.WriteInteger(Index);
    w.WriteString(Title.view());
    w.WriteString(Year.view());
    w.WriteInteger(LookupNumber(Artist));
    w.WriteInteger(LookupNumber(Genre));
    w.WriteInteger(LookupNumber(Studio));
    w.WriteInteger(LookupNumber(Producer));
    w.WriteInteger(LookupNumber(Engineer));
    w.WriteInteger(LookupNumber(Conductor));
    w.WriteInteger(LookupNumber(Orchestra));
    w.WriteString(Comments.view());
    w.WriteInteger(Rating);
    w.WriteInteger(Live);
}

void TDataItem::loadBase(TItemLoader &l)
{
    TQelReader &r = l.Reader();
    Index = r.ReadInteger();
    Title = l.ReadText();
    Year = l.ReadText();
    Artist = l.ReadRef(fdArtist);
    Genre = l.ReadRef(fdGenre);
    Studio = l.ReadRef(fdStudio);
    Producer = l.ReadRef(fdProducer);
    Engineer = l.ReadRef(fdEngineer);
    Conductor = l.ReadRef(fdConductor);
    Orchestra = l.ReadRef(fdOrchestra);
    Comments = l.ReadText();
    // Held in 8 bits, as the record defines them.
    Rating = quint8(r.ReadInteger());
    Live = quint8(r.ReadInteger());
}

void TDataItem::SaveToStream(TQelWriter &writer) const
{
    saveBase(writer);
}

void TDataItem::LoadFromStream(TItemLoader &loader)
{
    loadBase(loader);
}
