#include "views/viewdefinitions.h"

#include "shell/settingsstore.h"

void TViewDefinitions::Load(const TSettingsStore &s)
{
    // Loading appends: start from empty lists.
    for (TListFields *list :
         std::initializer_list<TListFields *>{&AlbumShowFields, &TrackShowFields, &AlbumSortFields,
                                              &TrackSortFields, &AlbumFilter, &TrackFilter})
        list->Clear();
    AlbumShowFields.Load(s, QStringLiteral("MainWindow\\AlbumShowFields"));
    TrackShowFields.Load(s, QStringLiteral("MainWindow\\TrackShowFields"));
    AlbumSortFields.Load(s, QStringLiteral("MainWindow\\AlbumSortFields"));
    TrackSortFields.Load(s, QStringLiteral("MainWindow\\TrackSortFields"));
    AlbumFilter.Load(s, QStringLiteral("MainWindow\\AlbumFilterFields"));
    TrackFilter.Load(s, QStringLiteral("MainWindow\\TrackFilterFields"));
}

void TViewDefinitions::Save(TSettingsStore &s) const
{
    AlbumShowFields.Save(s, QStringLiteral("MainWindow\\AlbumShowFields"));
    TrackShowFields.Save(s, QStringLiteral("MainWindow\\TrackShowFields"));
    AlbumSortFields.Save(s, QStringLiteral("MainWindow\\AlbumSortFields"));
    TrackSortFields.Save(s, QStringLiteral("MainWindow\\TrackSortFields"));
    AlbumFilter.Save(s, QStringLiteral("MainWindow\\AlbumFilterFields"));
    TrackFilter.Save(s, QStringLiteral("MainWindow\\TrackFilterFields"));
}
