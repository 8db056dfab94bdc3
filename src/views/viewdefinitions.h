#pragma once

#include "views/filter.h"
#include "views/listfields.h"

// The six view definitions of the main window: columns, sort orders and filters for
// albums and for tracks.
struct TViewDefinitions
{
    TShowFields AlbumShowFields{ilAlbum};
    TShowFields TrackShowFields{ilTrack};
    TSortFields AlbumSortFields{ilAlbum};
    TSortFields TrackSortFields{ilTrack};
    TFilterFields AlbumFilter{ilAlbum};
    TFilterFields TrackFilter{ilTrack};

    TShowFields &ShowFields(TItemLevel level)
    {
        return level == ilAlbum ? AlbumShowFields : TrackShowFields;
    }
    TSortFields &SortFields(TItemLevel level)
    {
        return level == ilAlbum ? AlbumSortFields : TrackSortFields;
    }
    TFilterFields &Filter(TItemLevel level) { return level == ilAlbum ? AlbumFilter : TrackFilter; }

    // Under "MainWindow\AlbumShowFields" and its five siblings.
    void Load(const TSettingsStore &settings);
    void Save(TSettingsStore &settings) const;
};
