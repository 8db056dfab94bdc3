#pragma once

#include "model/fields.h"

#include <QString>
#include <QtGlobal>
#include <unordered_set>

class TAlbum;
class TLookupItem;
class TQelDb;
class TSettingsStore;

// The values every new album receives.
class TFieldDefaults
{
public:
    // Section "Defaults"; absent values take the defaults below.
    void Load(const TSettingsStore &settings);
    void Save(TSettingsStore &settings) const;

    // Gives a new album the defaults. The lookup names are found in db's lists or
    // added to them; an empty name leaves the album without an entry.
    void ApplyTo(TAlbum &album, TQelDb &db) const;
    // Before the entries of merged are folded into keep (all of field's list): a default
    // whose name finds one of them names keep instead. True when a default changed.
    bool FollowMerge(TFieldId field, TQelDb &db,
                     const std::unordered_set<const TLookupItem *> &merged,
                     const TLookupItem *keep);

    QString Year;
    QString Store;
    QString Owner;
    QString Genre;
    QString FormatString = QStringLiteral("CD");
    bool UseNowAsPurchaseDate = false;
    qint64 PurchasePrice = 0; // amount times 10000
    quint8 AD = 3;            // DDD
    bool Mono = false;
    quint8 Live = 2; // undecided
    quint8 Rating = 70;
    bool InCollection = true;
};
