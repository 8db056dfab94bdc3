#include "model/album.h"
#include "model/itemtree.h"
#include "model/tracks.h"
#include <gtest/gtest.h>
#include <memory>

namespace {

// Disc 1: track, header (track, track with a subtrack); disc 2: track.
struct TSample
{
    TSample()
    {
        disc1 = add<TDisc>(album.get(), "Disc 1");
        t1 = add<TTrack>(disc1, "T1");
        header = add<THeader>(disc1, "Header");
        t2 = add<TTrack>(header, "T2");
        t3 = add<TTrack>(header, "T3");
        sub = add<TSubTrack>(t3, "Sub");
        disc2 = add<TDisc>(album.get(), "Disc 2");
        t4 = add<TTrack>(disc2, "T4");
        ItemTree::Renumber(album.get());
    }
    template <class T> T *add(TDataItem *parent, const char *title)
    {
        auto *item = new T(parent);
        item->Title = QString::fromLatin1(title);
        parent->Add(item);
        return item;
    }
    std::unique_ptr<TAlbum> album = std::make_unique<TAlbum>(nullptr);
    TDisc *disc1, *disc2;
    THeader *header;
    TTrack *t1, *t2, *t3, *t4;
    TSubTrack *sub;
};

TEST(ItemTree, MovesFollowTheClassOfTheTarget)
{
    TSample s;
    struct Case
    {
        const char *what;
        TDataItem *dragged;
        TDataItem *target;
        bool allowed;
    } cases[] = {
        {"disc before disc", s.disc2, s.disc1, true},
        {"disc onto a track", s.disc2, s.t1, false},
        {"header onto a disc", s.header, s.disc2, true},
        {"header onto a track", s.header, s.t4, false},
        {"track onto a header", s.t1, s.header, true},
        {"track before a track", s.t4, s.t1, true},
        {"track onto a disc", s.t2, s.disc2, true},
        {"track onto a subtrack", s.t1, s.sub, false},
        {"subtrack onto a track", s.sub, s.t1, true},
        {"subtrack onto a header", s.sub, s.header, false},
        {"onto itself", s.t1, s.t1, false},
        {"header into its own track", s.header, s.t2, false},
        {"nothing", s.t1, nullptr, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ItemTree::CanMove(c.dragged, c.target), c.allowed) << c.what;
}

TEST(ItemTree, DroppedOnAnotherClassAppendsOnTheSameClassInsertsBefore)
{
    TSample s;
    ItemTree::Move(s.t1, s.header); // the header's last track
    ASSERT_EQ(s.header->Count(), 3);
    EXPECT_EQ(s.header->Items(2), s.t1);
    EXPECT_EQ(s.t1->Parent, s.header);
    ItemTree::Move(s.t4, s.t2); // before T2, in the header
    EXPECT_EQ(s.header->Items(0), s.t4);
    EXPECT_EQ(s.t4->Parent, s.header);
    EXPECT_EQ(s.disc2->Count(), 0);
    ItemTree::Move(s.sub, s.header); // refused: nothing changes
    EXPECT_EQ(s.sub->Parent, s.t3);
}

TEST(ItemTree, RenumberCountsTracksAcrossHeadersPerDisc)
{
    TSample s;
    // A track from the header to the disc level, before the header's first track.
    ItemTree::Move(s.t3, s.t1);
    ItemTree::Renumber(s.album.get());
    EXPECT_EQ(s.disc1->Items(0), s.t3);
    const std::pair<TTrack *, int> positions[] = {{s.t3, 1}, {s.t1, 2}, {s.t2, 3}, {s.t4, 1}};
    for (const auto &[track, position] : positions)
        EXPECT_EQ(track->Position, position) << track->Title.toString().toStdString();
    EXPECT_EQ(s.t3->Index, 1);
    EXPECT_EQ(s.t1->Index, 2);
    EXPECT_EQ(s.header->Index, 3);
    EXPECT_EQ(s.t2->Index, 1);
    EXPECT_EQ(s.disc2->Index, 2);
    EXPECT_EQ(s.sub->Index, 1);
    EXPECT_EQ(s.disc1->TrackCount(), 3);
}

} // namespace
