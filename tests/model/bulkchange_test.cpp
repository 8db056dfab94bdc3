// Changing many items at once: every kind of field on several albums and tracks, the
// values the command line writes, what is counted and what the next save writes.
#include "model/album.h"
#include "model/bulkchange.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "model/valueformat.h"

#include <QDate>
#include <gtest/gtest.h>
#include <vector>

namespace {

// Three albums that differ in every field changed below, each with a disc of two tracks.
struct ThreeAlbums : ::testing::Test
{
    TQelDb db;
    std::vector<TAlbum *> albums;
    std::vector<TTrack *> tracks; // two per album, in album order

    void SetUp() override
    {
        TLookupList &artists = db.LookupList(fdArtist);
        artists.FindOrCreate(QStringLiteral("Kestrel, Mara"), QStringLiteral("Mara Kestrel"));
        for (int i = 0; i < 3; ++i) {
            auto *a = new TAlbum(&db);
            const QString n = QString::number(i);
            a->Title = QStringLiteral("Album ") + n;
            a->Artist = artists.GetOrAdd(QStringLiteral("Artist ") + n);
            a->Label = db.LookupList(fdLabel).GetOrAdd(QStringLiteral("Label ") + n);
            a->Year = QStringLiteral("197") + n;
            a->Location = QStringLiteral("Box ") + n;
            a->Index = i;
            a->Rating = quint8(10 * i);
            a->Price = 10000 * i;
            a->PurchaseDate = DaysFromDate(QDate(2000 + i, 1, 1));
            a->Live = i ? 2 : 0;
            a->AD = quint8(i + 1);
            auto *disc = new TDisc(a);
            a->Add(disc);
            for (int t = 0; t < 2; ++t) {
                auto *track = new TTrack(disc);
                disc->Add(track);
                track->Title = QStringLiteral("Track %1.%2").arg(i).arg(t);
                track->BPM = 100 + i;
                tracks.push_back(track);
            }
            a->RebuildTrackLists();
            db.AddAlbum(a);
            albums.push_back(a);
        }
    }

    std::vector<TDataItem *> albumItems() const { return {albums.begin(), albums.end()}; }
    std::vector<TDataItem *> trackItems() const { return {tracks.begin(), tracks.end()}; }

    TBulkChange parsed(TItemLevel level,
                       std::initializer_list<std::pair<TFieldId, const char *>> values)
    {
        TBulkChange change;
        for (const auto &[field, text] : values) {
            TFieldValue value;
            QString why;
            EXPECT_TRUE(TBulkChange::ParseValue(level, field, QString::fromUtf8(text), value, why))
                << text << ": " << why.toStdString();
            change.Set(value);
        }
        return change;
    }

    // The bytes the next save writes from its kept pieces, against a save of everything.
    void expectSaveHoldsTheChange() const
    {
        QByteArray joined;
        for (const QByteArray &piece : db.SavePieces())
            joined += piece;
        EXPECT_EQ(joined, db.SaveToBytes());
    }
};

} // namespace

// Each kind of album field, set on three albums that all held something else; the
// display text shows the new value on every album, and a save from the pieces kept
// before the change writes it.
TEST_F(ThreeAlbums, EachKindOfFieldTakesItsNewValueOnEveryAlbum)
{
    const struct
    {
        TFieldId field;
        const char *text;
        QString shown;
    } cases[] = {
        {fdTitle, "Same Title", QStringLiteral("Same Title")},
        {fdArtist, "Kestrel, Mara", QStringLiteral("Mara Kestrel")}, // an entry already listed
        {fdLabel, "Fresh Label", QStringLiteral("Fresh Label")},     // a new entry
        {fdArtist, "", QString()},                                   // cleared
        {fdYear, "1999", QStringLiteral("1999")},
        {fdLocation, "Shelf 3", QStringLiteral("Shelf 3")},
        {fdLocation, "", QString()},
        {fdIndex, "42", QStringLiteral("42")},
        {fdRating, "70", QStringLiteral("70%")},
        {fdInCollection, "no", QStringLiteral("No")},
        {fdMono, "mono", QStringLiteral("Mono")},
        {fdLive, "yes", QStringLiteral("Yes")},
        {fdAD, "aad", QStringLiteral("AAD")},
        {fdRecordingDate, "1999-05-01", FormatDate(DaysFromDate(QDate(1999, 5, 1)))},
        {fdPurchaseDate, "2024-02-29", FormatDate(DaysFromDate(QDate(2024, 2, 29)))},
        {fdPurchaseDate, "", QString()},
        {fdPrice, "12.50", FormatCurrency(125000)},
        {fdComments, "One\nTwo", QStringLiteral("One\r\nTwo\r\n")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(TQelFields::GetDefaultName(c.field).toStdString() + "=" + c.text);
        // The three albums afresh, each value different from the new one.
        albums.clear();
        tracks.clear();
        db.Clear();
        SetUp();
        (void)db.SavePieces(); // every album keeps its bytes, as after a save
        const qsizetype entries = IsLookupField(c.field) ? db.LookupList(c.field).Count() : 0;
        const TBulkResult done = parsed(ilAlbum, {{c.field, c.text}}).Apply(db, albumItems());
        EXPECT_EQ(done.Items, 3);
        EXPECT_EQ(done.Albums, 3);
        for (const TAlbum *a : albums)
            EXPECT_EQ(a->GetFieldAsString(c.field), c.shown);
        if (IsLookupField(c.field)) { // one entry for all albums, only for a new name
            EXPECT_EQ(db.LookupList(c.field).Count(),
                      entries + (QString::fromUtf8(c.text) == QStringLiteral("Fresh Label")));
        }
        expectSaveHoldsTheChange();
    }
}

// Track-level items take the fields of the track editor as their own values: an artist
// they showed from the album becomes theirs, the album keeps its own, and an album-only
// field in the same change leaves them alone.
TEST_F(ThreeAlbums, TracksTakeTrackFieldsAsTheirOwnAndLeaveTheAlbumAlone)
{
    (void)db.SavePieces();
    TBulkChange change = parsed(ilTrack, {{fdArtist, "Kestrel, Mara"},
                                          {fdSongwriter, "Pen, Ada"},
                                          {fdBPM, "128"},
                                          {fdTrackText1, "remastered"},
                                          {fdLive, "undecided"}});
    TFieldValue location;
    QString why;
    ASSERT_TRUE(
        TBulkChange::ParseValue(ilAlbum, fdLocation, QStringLiteral("Shelf"), location, why));
    change.Set(location);
    // Both tracks of the first album and the first of the second.
    const std::vector<TDataItem *> chosen = {tracks[0], tracks[1], tracks[2]};
    const TBulkResult done = change.Apply(db, chosen);
    EXPECT_EQ(done.Items, 3);
    EXPECT_EQ(done.Albums, 2);
    for (const TDataItem *t : chosen) {
        const auto *track = static_cast<const TTrack *>(t);
        EXPECT_EQ(track->Artist,
                  db.LookupList(fdArtist).FindByName(QStringLiteral("Kestrel, Mara")));
        EXPECT_EQ(track->GetFieldAsString(fdSongwriter), QStringLiteral("Pen, Ada"));
        EXPECT_EQ(track->BPM, 128);
        EXPECT_EQ(track->GetFieldAsString(fdTrackText1), QStringLiteral("remastered"));
        EXPECT_EQ(track->Live, 2);
    }
    EXPECT_EQ(tracks[3]->BPM, 101); // not chosen
    for (const TAlbum *a : albums) {
        EXPECT_NE(a->GetFieldAsString(fdArtist), QStringLiteral("Mara Kestrel"));
        EXPECT_NE(a->GetFieldAsString(fdLocation), QStringLiteral("Shelf"));
    }
    expectSaveHoldsTheChange();
}

// Items that hold the values already are neither counted nor marked: a second run of
// the same change changes nothing, and an album only some of whose values differ
// counts once.
TEST_F(ThreeAlbums, ItemsThatHoldTheValuesAlreadyAreNotCounted)
{
    const TBulkChange change = parsed(ilAlbum, {{fdYear, "1971"}, {fdLocation, "Box 1"}});
    const TBulkResult first = change.Apply(db, albumItems());
    EXPECT_EQ(first.Items, 2); // the second album had both values
    EXPECT_EQ(first.Albums, 2);
    const TBulkResult again = change.Apply(db, albumItems());
    EXPECT_EQ(again.Items, 0);
    EXPECT_EQ(again.Albums, 0);
    // The same album twice in the list counts once.
    const TBulkResult twice = parsed(ilAlbum, {{fdRating, "90"}}).Apply(db, {albums[0], albums[0]});
    EXPECT_EQ(twice.Items, 1);
}

// The values the command line writes that are no value of their field, and fields that
// no editor lets the user type, are refused with a reason.
TEST(BulkChangeValues, TextThatIsNoValueOfTheFieldIsRefused)
{
    const struct
    {
        TItemLevel level;
        TFieldId field;
        const char *text;
    } cases[] = {
        {ilAlbum, fdYear, "19999"},
        {ilAlbum, fdYear, "19a9"},
        {ilAlbum, fdRating, "101"},
        {ilAlbum, fdRating, "-1"},
        {ilAlbum, fdIndex, "seven"},
        {ilAlbum, fdIndex, "100000"},
        {ilTrack, fdBPM, "1001"},
        {ilAlbum, fdRecordingDate, "1999-13-01"},
        {ilAlbum, fdPurchaseDate, "01/05/1999"},
        {ilAlbum, fdPrice, "12,50"},
        {ilAlbum, fdPrice, "1e300"},
        {ilAlbum, fdMono, "maybe"},
        {ilAlbum, fdInCollection, ""},
        {ilAlbum, fdRare, "undecided"},
        {ilAlbum, fdAD, "XYZ"},
        {ilAlbum, fdAD, ""},
        {ilAlbum, fdLength, "10"},
        {ilAlbum, fdID, "3"},
        {ilAlbum, fdCover, ""},
        {ilAlbum, fdBPM, "120"},
        {ilTrack, fdLabel, "Label"},
        {ilTrack, fdIndex, "2"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(TQelFields::GetDefaultName(c.field).toStdString() + "=" + c.text);
        TFieldValue value;
        QString why;
        EXPECT_FALSE(
            TBulkChange::ParseValue(c.level, c.field, QString::fromUtf8(c.text), value, why));
        EXPECT_FALSE(why.isEmpty());
    }
}

TEST(BulkChangeValues, AlbumCommentsEndEveryLineWithCrLf)
{
    EXPECT_EQ(TBulkChange::AlbumComments(QString()), QString());
    EXPECT_EQ(TBulkChange::AlbumComments(QStringLiteral("one")), QStringLiteral("one\r\n"));
    EXPECT_EQ(TBulkChange::AlbumComments(QStringLiteral("a\r\nb\n\nc")),
              QStringLiteral("a\r\nb\r\n\r\nc\r\n"));
}
