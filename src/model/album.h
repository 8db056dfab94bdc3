#pragma once

#include "model/dataitem.h"

#include <QByteArray>
#include <QImage>

class TQelDb;

// An album's bytes as the file holds them, kept from one save to the next so that a save
// encodes only the albums that changed. A copy of an album starts without them.
struct TSavedBytes
{
    TSavedBytes() = default;
    TSavedBytes(const TSavedBytes &) {}
    TSavedBytes &operator=(const TSavedBytes &)
    {
        Bytes = QByteArray();
        return *this;
    }
    QByteArray Bytes; // empty: encode again
};

class TAlbum : public TDataItem
{
public:
    // A blank album with a new identifier from db's album counter (none without db).
    explicit TAlbum(TQelDb *db);
    ~TAlbum() override = default;

    TItemKind Kind() const override { return TItemKind::Album; }
    int GetImageIndex() const override { return FormatImage() + 1; }
    int GetSelectedIndex() const override { return FormatImage() + 29; }
    qint32 GetLength() const override;
    TAlbum *GetAlbum() override { return this; }
    void SaveToStream(TQelWriter &writer) const override;
    void LoadFromStream(TItemLoader &loader) override;
    QString GetFieldAsString(TFieldId field) const override;
    qint32 GetFieldAsInteger(TFieldId field) const override;
    double GetFieldAsDate(TFieldId field) const override;
    double GetFieldAsFloat(TFieldId field) const override;
    quint8 GetFieldAsBoolean(TFieldId field) const override;
    QString GetFieldSortText(TFieldId field) const override;
    TLookupItem *getLookupItem(TFieldId field) const override;
    void setLookupItem(TFieldId field, TLookupItem *entry) override;
    TDataItem *Clone(bool keepIDs, TDataItem *newParent = nullptr) const override;

    // A copy of the whole album: the same identifiers with keepIDs, fresh ones otherwise.
    TAlbum *Copy(bool keepIDs) const;

    QString GetAlbumName() const; // "%s - %s (%s)" of title, artist and year
    int FormatImage() const;
    qint32 GetTrackCount() const;
    qsizetype DiscCount() const { return Children.size(); }
    TDisc *Disc(qsizetype index) const;
    void RebuildTrackLists();
    bool UsesLookupItem(TFieldId field, const TLookupItem *entry) const;

    void GetThumbnail(QImage *bitmap) const;
    void SetThumbnail(const QImage *bitmap);
    void ClearThumbnail() { ThumbnailIndex = 0; }
    bool HasThumbnail() const { return ThumbnailIndex != 0; }

    TQelDb *Db = nullptr; // the database that hands out identifiers and holds the pictures

    TLookupItem *Label = nullptr;
    TLookupItem *Store = nullptr;
    TLookupItem *Owner = nullptr;
    TLookupItem *Format = nullptr;
    TText Number;
    TText Location;
    double PurchaseDate = 0; // days since 1899-12-30; 0 = none
    qint64 Price = 0;        // amount times 10000
    TText Soloists;
    TText TourName;
    double RecordingDate = 0;
    TText CoverFile;
    TText AlbumText1;
    TText AlbumText2;
    TLookupItem *AlbumLookup1 = nullptr;
    TLookupItem *AlbumLookup2 = nullptr;
    qint32 ThumbnailIndex = 0; // index in the database's picture list; 0 = none
    quint8 AD = 3;             // index into ADNames
    bool Mono = false;
    bool Rare = false;
    bool InCollection = true;
    // Kept by TQelDb; dropped by TQelDb::MarkChanged whenever the album or an item in it changes.
    mutable TSavedBytes Saved;

private:
    TLookupItem *const *albumLookupSlot(TFieldId field) const;
};
