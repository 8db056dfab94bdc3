#include "model/album.h"
#include "model/lookuplist.h"
#include "model/tracks.h"
#include "views/albumdrop.h"
#include <gtest/gtest.h>
#include <memory>

namespace {

struct TTwoAlbums
{
    TTwoAlbums()
    {
        for (int i = 1; i <= 2; ++i)
            addDisc(*source, i);
        addDisc(*target, 1);
        source->Artist = &artistA;
        target->Artist = &artistB;
    }
    static TDisc *addDisc(TAlbum &album, int index)
    {
        auto *disc = new TDisc(&album);
        disc->Index = index;
        album.Add(disc);
        auto *track = new TTrack(disc);
        track->Index = 1;
        disc->Add(track);
        album.RebuildTrackLists();
        return disc;
    }
    TLookupItem artistA{1, QStringLiteral("A"), QStringLiteral("A")};
    TLookupItem artistB{2, QStringLiteral("B"), QStringLiteral("B")};
    std::unique_ptr<TAlbum> source = std::make_unique<TAlbum>(nullptr);
    std::unique_ptr<TAlbum> target = std::make_unique<TAlbum>(nullptr);
};

TEST(AlbumDrop, OnlyAlbumsOntoOtherFoldersAndDiscsOntoOtherAlbums)
{
    TTwoAlbums t;
    TDisc *disc = t.source->Disc(0);
    TTrack *track = disc->Track(0);
    struct Case
    {
        const char *what;
        const TQel *dragged;
        const TQel *target;
        TFieldId group;
        bool allowed;
    } cases[] = {
        {"album onto another folder", t.source.get(), &t.artistB, fdArtist, true},
        {"album onto its own folder", t.source.get(), &t.artistA, fdArtist, false},
        {"album onto a folder without grouping", t.source.get(), &t.artistB, fdNone, false},
        {"album onto an album", t.source.get(), t.target.get(), fdArtist, false},
        {"disc onto another album", disc, t.target.get(), fdArtist, true},
        {"disc onto its own album", disc, t.source.get(), fdArtist, false},
        {"disc onto a folder", disc, &t.artistB, fdArtist, false},
        {"track onto an album", track, t.target.get(), fdArtist, false},
        {"nothing", nullptr, t.target.get(), fdArtist, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(AlbumDrop::CanDrop(c.dragged, c.target, c.group), c.allowed) << c.what;
    EXPECT_TRUE(AlbumDrop::CanDrag(t.source.get()));
    EXPECT_TRUE(AlbumDrop::CanDrag(disc));
    EXPECT_FALSE(AlbumDrop::CanDrag(track));
}

TEST(AlbumDrop, AMovedDiscIsTheTargetsLastAndTheSourceKeepsItsNumbers)
{
    TTwoAlbums t;
    TDisc *first = t.source->Disc(0);
    TDisc *second = t.source->Disc(1);
    AlbumDrop::MoveDiscToAlbum(first, t.target.get());
    ASSERT_EQ(t.target->DiscCount(), 2);
    EXPECT_EQ(t.target->Disc(1), first);
    EXPECT_EQ(first->Index, 2);
    EXPECT_EQ(first->Parent, t.target.get());
    EXPECT_EQ(first->GetAlbum(), t.target.get());
    ASSERT_EQ(t.source->DiscCount(), 1);
    EXPECT_EQ(t.source->Disc(0), second);
    EXPECT_EQ(second->Index, 2);
    EXPECT_EQ(first->TrackCount(), 1);
}

} // namespace
