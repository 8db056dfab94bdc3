#pragma once

#include "model/dataitem.h"

class THeader;

// Base of the four track-level items: discs, headers, tracks and subtracks.
class TCustomTrack : public TDataItem
{
public:
    qint32 GetLength() const override;
    QString GetFieldAsString(TFieldId field) const override;
    qint32 GetFieldAsInteger(TFieldId field) const override;
    QString GetFieldSortText(TFieldId field) const override;
    TLookupItem *getLookupItem(TFieldId field) const override;
    void setLookupItem(TFieldId field, TLookupItem *entry) override;
    void SaveToStream(TQelWriter &writer) const override;
    void LoadFromStream(TItemLoader &loader) override;

    virtual QString GetCaption() const;
    virtual TDisc *GetDisc();
    const TDisc *GetDisc() const { return const_cast<TCustomTrack *>(this)->GetDisc(); }

    TLookupItem *Songwriter = nullptr;
    TLookupItem *TrackLookup1 = nullptr;
    TText TrackText1;
    TText LyricsFile;
    TText AudioFile;
    qint32 BPM = 0; // 0 = none

protected:
    explicit TCustomTrack(TDataItem *parent);
    void copyTrackPart(const TCustomTrack &src, bool keepIDs);
    // The class's own numbers, written after the list of children.
    virtual void saveOwnNumbers(TQelWriter &) const {}
    virtual void loadOwnNumbers(TItemLoader &) {}
    bool parentIsTrackLevel() const { return Parent && Parent->IsTrackLevel(); }
};

class TSubTrack : public TCustomTrack
{
public:
    explicit TSubTrack(TDataItem *parent) : TCustomTrack(parent) {}
    TItemKind Kind() const override { return TItemKind::SubTrack; }
    int GetImageIndex() const override { return 2; }
    int GetSelectedIndex() const override { return 2; }
    qint32 GetLength() const override { return Length; }
    qint64 TotalLength() const override { return Length; }
    void SetLength(qint32 seconds) override { Length = seconds; }
    TDataItem *Clone(bool keepIDs, TDataItem *newParent) const override;

    qint32 Length = 0;

protected:
    void saveOwnNumbers(TQelWriter &writer) const override;
    void loadOwnNumbers(TItemLoader &loader) override;
};

class TTrack : public TCustomTrack
{
public:
    explicit TTrack(TDataItem *parent) : TCustomTrack(parent) {}
    TItemKind Kind() const override { return TItemKind::Track; }
    int GetImageIndex() const override { return 2; }
    int GetSelectedIndex() const override { return 2; }
    qint32 GetLength() const override { return Length; }
    qint64 TotalLength() const override { return Length; }
    void SetLength(qint32 seconds) override { Length = seconds; }
    void CollectTracks(TPtrList<TTrack> &list) override;
    QString GetFieldAsString(TFieldId field) const override;
    qint32 GetFieldAsInteger(TFieldId field) const override;
    QString GetCaption() const override;
    TDataItem *Clone(bool keepIDs, TDataItem *newParent) const override;
    qint32 StartSeconds() const { return StartFrame / 75; }

    qint32 Length = 0;     // seconds
    qint32 StartFrame = 0; // start address on the CD in 1/75 s; 0 = unknown
    qint32 Position = 0;   // number within the disc

protected:
    void saveOwnNumbers(TQelWriter &writer) const override;
    void loadOwnNumbers(TItemLoader &loader) override;
};

// A titled group of tracks inside a disc.
class THeader : public TCustomTrack
{
public:
    explicit THeader(TDataItem *parent) : TCustomTrack(parent) {}
    TItemKind Kind() const override { return TItemKind::Header; }
    int GetImageIndex() const override { return 1; }
    int GetSelectedIndex() const override { return 31; }
    TDataItem *Clone(bool keepIDs, TDataItem *newParent) const override;
};

class TDisc : public TCustomTrack
{
public:
    explicit TDisc(TDataItem *parent) : TCustomTrack(parent) {}
    ~TDisc() override = default;
    TItemKind Kind() const override { return TItemKind::Disc; }
    int GetImageIndex() const override;
    int GetSelectedIndex() const override { return GetImageIndex() + 28; }
    TLookupItem *getLookupItem(TFieldId field) const override;
    QString GetCaption() const override;
    TDisc *GetDisc() override { return this; }
    TDataItem *Clone(bool keepIDs, TDataItem *newParent) const override;

    void RebuildTrackList();
    qsizetype TrackCount() const { return Tracks.size(); }
    TTrack *Track(qsizetype index) const { return Tracks[index]; }
    qint32 LeadOutSeconds() const { return LeadOut / 75; }

    qint32 MsDiscId = 0;
    qint32 CddbDiscId = 0; // the 32-bit identifier's bits
    qint32 CddbRevision = 0;
    qint32 LeadOut = 0;      // frames
    TPtrList<TTrack> Tracks; // every track below the disc in tree order, not owned

protected:
    void saveOwnNumbers(TQelWriter &writer) const override;
    void loadOwnNumbers(TItemLoader &loader) override;
};
