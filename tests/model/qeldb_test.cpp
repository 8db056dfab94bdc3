#include "model/qeldb.h"
#include "model/qelerror.h"
#include "model/qelstream.h"
#include "model/tracks.h"

#include "testsupport.h"

#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <vector>

namespace {

TAlbum *addAlbum(TQelDb &db, const QString &title, const QString &artist, qint32 msDiscId = 0)
{
    auto *album = new TAlbum(&db);
    album->Title = title;
    album->Artist = db.LookupList(fdArtist).GetOrAdd(artist);
    db.AddAlbum(album);
    auto *disc = new TDisc(album);
    album->Add(disc);
    disc->MsDiscId = msDiscId;
    auto *track = new TTrack(disc);
    disc->Add(track);
    track->Title = title + QStringLiteral(" track");
    disc->RebuildTrackList();
    return album;
}

QString saveTo(TQelDb &db, const TTestHome &home, const QString &name)
{
    const QString path = home.file(name);
    db.Save(path);
    return path;
}

} // namespace

TEST(QelDb, OpenMissingAndDamagedFiles)
{
    TTestHome home;
    TScriptedInterface ui;
    TQelDb db;
    EXPECT_FALSE(db.Open(home.file(QStringLiteral("none.qel"))));
    EXPECT_TRUE(ui.messages.isEmpty());
    EXPECT_EQ(db.GetDisplayName(), QStringLiteral("[New Database]"));

    addAlbum(db, QStringLiteral("One"), QStringLiteral("Solenne"));
    const QString good = saveTo(db, home, QStringLiteral("good.qel"));
    QByteArray bytes = ReadFileBytes(good);
    const QString damaged = home.file(QStringLiteral("damaged.qel"));
    WriteFileBytes(damaged, bytes.left(bytes.size() - 3));

    ASSERT_TRUE(db.Open(good));
    EXPECT_EQ(db.GetDisplayName(), QStringLiteral("good.qel"));
    EXPECT_EQ(db.AlbumCount(), 1);
    EXPECT_FALSE(db.Open(damaged));
    EXPECT_EQ(ui.messages, QStringList{QStringLiteral("This is not a valid Qel database")});
    EXPECT_EQ(db.AlbumCount(), 0);
    EXPECT_TRUE(db.FileName.isEmpty());
    EXPECT_EQ(ui.waitDepth, 0);

    ui.messages.clear();
    EXPECT_FALSE(db.Open(home.path())); // a folder
    EXPECT_EQ(ui.messages,
              QStringList{QStringLiteral("The file \"%1\" was not found").arg(home.path())});
}

TEST(QelDb, ForeignSignatures)
{
    struct
    {
        const char *hex;
        const char *message;
    } cases[] = {
        {"06 03 51 65 6C", "This is not a valid Qel database"},
        {"06 03 51 45 4C 06 05 4D 75 73 69 63", "This is not a Qel database"},
        {"06 03 51 65 6C 06 05 56 69 64 65 6F 02 01",
         "This is not a Qel Music database, please use Qel Video to open this database"},
        {"04 03 51 65 6C", "This is not a valid Qel database"},
    };
    for (const auto &c : cases) {
        TQelDb db;
        try {
            db.ReadBytes(FromHex(c.hex), false);
            ADD_FAILURE() << c.hex;
        } catch (const EQel &e) {
            EXPECT_EQ(e.message(), QLatin1String(c.message));
        }
    }
}

TEST(QelDb, EmptyDatabaseIsFortySevenBytes)
{
    const QByteArray empty = FromHex("06 03 51 65 6C 06 05 4D 75 73 69 63 03 2C 01"
                                     "01 00 01 00 01 00 01 00 01 00 01 00 01 00 01 00"
                                     "01 00 01 00 01 00 01 00 01 00 01 00 01 00"
                                     "01 00");
    ASSERT_EQ(empty.size(), 47);
    TQelDb db;
    db.ReadBytes(empty, false);
    EXPECT_EQ(db.AlbumCount(), 0);
    EXPECT_EQ(db.SaveToBytes(), empty);
}

TEST(QelDb, RoundTripKeepsEveryFieldAndPlacesTheBitmapRightAfterItsFlag)
{
    TQelDb db;
    TAlbum *album =
        addAlbum(db, QStringLiteral("Ωmega & Café"), QStringLiteral("Kestrel, Mara"), 0x394BC);
    album->Price = 125000;
    album->PurchaseDate = 36526.0;
    album->CoverFile = QStringLiteral("x.jpg");
    QImage picture(32, 32, QImage::Format_RGB888);
    picture.fill(QColor(200, 100, 50));
    album->SetThumbnail(&picture);
    album->Disc(0)->CddbDiscId = qint32(0xFFFFFFFEu);
    auto *sub = new TSubTrack(album->Disc(0)->Track(0));
    album->Disc(0)->Track(0)->Add(sub);
    sub->Title = QString(300, u'é'); // a long string
    sub->Length = 61;

    const QByteArray bytes = db.SaveToBytes();
    const qsizetype flag = bytes.indexOf(QByteArray("\x09"
                                                    "BM",
                                                    3));
    ASSERT_GT(flag, 0);
    EXPECT_EQ(bytes.mid(flag + 1 + 3126, 7), QByteArray("\x06\x05x.jpg", 7));

    TQelDb back;
    back.ReadBytes(bytes, false);
    ASSERT_EQ(back.AlbumCount(), 1);
    const TAlbum *a = back.Album(0);
    for (TFieldId f = 1; f <= fdLast; ++f)
        EXPECT_EQ(a->GetFieldAsString(f), album->GetFieldAsString(f)) << int(f);
    const TDataItem *s = a->Disc(0)->Track(0)->Items(0);
    EXPECT_EQ(s->Kind(), TItemKind::SubTrack);
    EXPECT_EQ(s->GetFieldAsString(fdTitle), QString(300, u'é'));
    EXPECT_EQ(s->GetFieldAsString(fdCddbDiscId), QStringLiteral("fffffffe"));
    QImage thumb;
    a->GetThumbnail(&thumb);
    EXPECT_EQ(thumb.pixelColor(3, 3), QColor(200, 100, 50));
    EXPECT_EQ(back.SaveToBytes(), bytes);
}

TEST(QelDb, IdentifiersRestartWithClearAndFollowReadingOrder)
{
    TQelDb db;
    addAlbum(db, QStringLiteral("A"), QStringLiteral("x"));
    addAlbum(db, QStringLiteral("B"), QStringLiteral("y"));
    const QByteArray bytes = db.SaveToBytes();
    db.Clear();
    EXPECT_EQ(db.Pictures.Count(), 30);
    EXPECT_EQ(TAlbum(&db).ID, 1);
    db.ReadBytes(bytes, false);
    EXPECT_EQ(db.Album(0)->ID, 1);
    EXPECT_EQ(db.Album(1)->ID, 2);
    EXPECT_EQ(db.Album(0)->Disc(0)->ID, 1);
    EXPECT_EQ(db.Album(0)->Disc(0)->Track(0)->ID, 2);
    EXPECT_EQ(db.Album(1)->Disc(0)->ID, 3);
}

TEST(QelDb, MergeLeavesOutAlbumsAlreadyPresent)
{
    TTestHome home;
    TQelDb other;
    addAlbum(other, QStringLiteral("Harbour"), QStringLiteral("LANTERNS, THE"));
    addAlbum(other, QStringLiteral("Harbour"), QStringLiteral("Solenne"));
    addAlbum(other, QStringLiteral("New"), QStringLiteral("Solenne"));
    addAlbum(other, QStringLiteral("New"), QStringLiteral("Solenne")); // twice in the file
    const QString otherPath = saveTo(other, home, QStringLiteral("other.qel"));

    TQelDb db;
    addAlbum(db, QStringLiteral("Harbour"), QStringLiteral("Lanterns, The"));
    ASSERT_TRUE(db.Merge(otherPath));
    QStringList got;
    for (qsizetype i = 0; i < db.AlbumCount(); ++i)
        got << db.Album(i)->GetAlbumName();
    EXPECT_EQ(got, QStringList({QStringLiteral("Harbour - Lanterns, The ()"),
                                QStringLiteral("Harbour - Solenne ()"),
                                QStringLiteral("New - Solenne ()")}));
    EXPECT_EQ(db.LookupList(fdArtist).Count(), 2);
    EXPECT_TRUE(db.FileName.isEmpty());
    // Identifiers go on from the open collection.
    EXPECT_EQ(db.Album(2)->ID, 4);
}

TEST(QelDb, FailedMergeKeepsWhatWasRead)
{
    TTestHome home;
    TScriptedInterface ui;
    TQelDb other;
    addAlbum(other, QStringLiteral("First"), QStringLiteral("a"));
    addAlbum(other, QStringLiteral("Second"), QStringLiteral("b"));
    QByteArray bytes = other.SaveToBytes();
    const QString path = home.file(QStringLiteral("cut.qel"));
    WriteFileBytes(path, bytes.left(bytes.size() - 4));

    TQelDb db;
    addAlbum(db, QStringLiteral("Mine"), QStringLiteral("c"));
    EXPECT_FALSE(db.Merge(path));
    EXPECT_EQ(ui.messages, QStringList{QStringLiteral("This is not a valid Qel database")});
    ASSERT_EQ(db.AlbumCount(), 2);
    EXPECT_EQ(db.Album(1)->Title.toString(), QStringLiteral("First"));
    EXPECT_FALSE(db.Merge(home.file(QStringLiteral("missing.qel"))));
    EXPECT_EQ(ui.messages.size(), 1);
}

TEST(QelDb, SearchesAndLookupLists)
{
    TQelDb db;
    TAlbum *a = addAlbum(db, QStringLiteral("A"), QStringLiteral("x"), 77);
    addAlbum(db, QStringLiteral("B"), QStringLiteral("y"), 77);
    EXPECT_EQ(db.FindAlbumByMsDiscId(77), a);
    EXPECT_EQ(db.FindAlbumByMsDiscId(78), nullptr);
    EXPECT_TRUE(db.AlbumExists(QStringLiteral("A"), a->Artist));
    EXPECT_FALSE(db.AlbumExists(QStringLiteral("a"), a->Artist));
    EXPECT_FALSE(db.AlbumExists(QStringLiteral("A"), nullptr));
    for (TFieldId f : TQelDb::LookupFieldOrder)
        EXPECT_EQ(db.LookupListFromGroupField(f).Field, f);
    try {
        db.LookupListFromGroupField(fdTitle);
        FAIL();
    } catch (const EQel &e) {
        EXPECT_EQ(e.message(),
                  QStringLiteral("TQelDb.LookupListFromGroupField : Field is not a lookup field"));
    }
}

TEST(QelDb, FailedSaveReportsAndKeepsTheName)
{
    TTestHome home;
    TQelDb db;
    addAlbum(db, QStringLiteral("A"), QStringLiteral("x"));
    const QString good = saveTo(db, home, QStringLiteral("a.qel"));
    EXPECT_EQ(db.FileName, good);
    EXPECT_THROW(db.Save(home.file(QStringLiteral("no/such/folder/b.qel"))), EQel);
    EXPECT_EQ(db.FileName, good);
}

TEST(DataItemList, SortByFieldTiesByIdentifier)
{
    TQelDb db;
    TAlbum *album = addAlbum(db, QStringLiteral("A"), QStringLiteral("x"));
    TDisc *disc = album->Disc(0);
    const int bpms[] = {120, 90, 0, 90};
    TDataItemList tracks(ilTrack);
    for (int bpm : bpms) {
        auto *t = new TTrack(disc);
        disc->Add(t);
        t->BPM = bpm;
    }
    for (qsizetype i = disc->Count() - 1; i >= 0; --i)
        tracks.append(disc->Items(i));
    tracks.SortByField(fdBPM);
    QList<qint32> order;
    for (const TDataItem *t : tracks)
        order << t->GetFieldAsInteger(fdBPM);
    // BPM 0 falls back through the disc to the album, which answers -1.
    EXPECT_EQ(order, (QList<qint32>{-1, -1, 90, 90, 120}));
    EXPECT_LT(tracks[2]->ID, tracks[3]->ID);

    TDataItemList albums(ilAlbum);
    addAlbum(db, QStringLiteral("b"), QStringLiteral("x"));
    addAlbum(db, QStringLiteral("B"), QStringLiteral("x"));
    albums << db.Album(2) << db.Album(1) << db.Album(0);
    albums.SortByField(fdTitle);
    EXPECT_EQ(albums, (TDataItemList() << db.Album(0) << db.Album(1) << db.Album(2)));
}

// The one-pass set of entries in use agrees with asking entry by entry, for every
// lookup field of the demo collection (album fields, track fields and fallbacks).
TEST(QelDb, LookupItemsInUseAgreesWithTheSearchPerEntry)
{
    TQelDb db;
    db.ReadFile(QStringLiteral(QEL_BINARY_DIR "/resources/demo.qel"), false);
    // An entry nobody uses, in every list.
    for (TFieldId field : TQelDb::LookupFieldOrder)
        db.LookupList(field).FindOrCreate(QStringLiteral("zz unused"), QString());
    int used = 0;
    for (TFieldId field : TQelDb::LookupFieldOrder) {
        const auto inUse = db.LookupItemsInUse(field);
        const TLookupList &list = db.LookupList(field);
        for (qsizetype i = 0; i < list.Count(); ++i) {
            const TLookupItem *entry = list.Items(i);
            EXPECT_EQ(inUse.count(entry) == 1, db.FindAlbumUsingLookup(field, entry) != nullptr)
                << int(field) << ' ' << entry->SortName.toStdString();
        }
        used += int(inUse.size());
    }
    EXPECT_GT(used, 20);
}

namespace {

// What field's holders (the albums and the items below them) answer, in walk order,
// as entry identifiers (0 for none).
std::vector<qint32> answers(const TQelDb &db, TFieldId field)
{
    std::vector<qint32> ids;
    std::function<void(const TDataItem *)> walk = [&](const TDataItem *item) {
        if (item->IsTrackLevel() ? IsTrackLookupField(field) : IsAlbumLookupField(field))
            ids.push_back(LookupNumber(item->getLookupItem(field)));
        for (const TDataItem *child : item->Children)
            walk(child);
    };
    for (qsizetype i = 0; i < db.AlbumCount(); ++i)
        walk(db.Album(i));
    return ids;
}

struct TRemovalLog : TLookupRemovalListener
{
    explicit TRemovalLog(TQelDb &db) : db(db) { db.AddLookupRemovalListener(this); }
    ~TRemovalLog() { db.RemoveLookupRemovalListener(this); }
    void LookupItemsAboutToBeRemoved(TFieldId field, const TLookupItemSet &entries) override
    {
        // Nothing has changed yet: the entries are whole and still answered.
        QStringList names;
        for (const TLookupItem *e : entries)
            names << e->SortName;
        names.sort();
        log << QStringLiteral("before %1: %2").arg(int(field)).arg(names.join(u','));
        stillAnswered = answers(db, field);
    }
    void LookupItemsRemoved(TFieldId field) override
    {
        log << QStringLiteral("after %1: %2 left")
                   .arg(int(field))
                   .arg(db.LookupList(field).Count());
    }
    TQelDb &db;
    QStringList log;
    std::vector<qint32> stillAnswered;
};

} // namespace

// One pass finds the first album that uses each entry; it agrees with asking entry by
// entry, for every lookup field of the demo collection.
TEST(QelDb, AlbumsUsingLookupsAgreesWithTheSearchPerEntry)
{
    TQelDb db;
    db.ReadFile(QStringLiteral(QEL_BINARY_DIR "/resources/demo.qel"), false);
    for (TFieldId field : TQelDb::LookupFieldOrder) {
        db.LookupList(field).FindOrCreate(QStringLiteral("zz unused"), QString());
        const TLookupList &list = db.LookupList(field);
        TLookupItemSet all;
        for (qsizetype i = 0; i < list.Count(); ++i)
            all.insert(list.Items(i));
        const auto users = db.AlbumsUsingLookups(field, all);
        for (const TLookupItem *entry : all) {
            const auto found = users.find(entry);
            EXPECT_EQ(found == users.end() ? nullptr : found->second,
                      db.FindAlbumUsingLookup(field, entry))
                << int(field) << ' ' << entry->SortName.toStdString();
        }
    }
}

// Removing entries clears every reference to them, own values and those fallen back
// to, and frees them; whatever answered another entry still does.
TEST(QelDb, RemovingLookupItemsClearsTheirReferencesInEveryField)
{
    TQelDb db;
    db.ReadFile(QStringLiteral(QEL_BINARY_DIR "/resources/demo.qel"), false);
    for (TFieldId field : TQelDb::LookupFieldOrder) {
        SCOPED_TRACE(int(field));
        TLookupList &list = db.LookupList(field);
        list.FindOrCreate(QStringLiteral("zz unused"), QString()); // no list is empty
        // Every other entry goes.
        TLookupItemSet doomed;
        std::set<qint32> doomedIds;
        for (qsizetype i = 0; i < list.Count(); i += 2) {
            doomed.insert(list.Items(i));
            doomedIds.insert(list.Items(i)->ID);
        }
        const qsizetype count = list.Count();
        const std::vector<qint32> before = answers(db, field);
        TRemovalLog log(db);
        db.RemoveLookupItems(field, doomed);
        EXPECT_EQ(log.stillAnswered, before);
        EXPECT_EQ(list.Count(), count - qsizetype(doomed.size()));
        const std::vector<qint32> after = answers(db, field);
        ASSERT_EQ(after.size(), before.size());
        for (std::size_t i = 0; i < after.size(); ++i) {
            EXPECT_FALSE(doomedIds.count(after[i])) << i;
            if (!doomedIds.count(before[i])) {
                EXPECT_EQ(after[i], before[i]) << i;
            }
        }
    }
}

TEST(QelDb, ListenersHearOfARemovalBeforeAndAfterAndOnlyOfTheListsEntries)
{
    TQelDb db;
    TAlbum *album = addAlbum(db, QStringLiteral("One"), QStringLiteral("Solenne"));
    TLookupItem *solenne = album->Artist;
    TLookupItem *spare = db.LookupList(fdArtist).GetOrAdd(QStringLiteral("Spare"));
    db.LookupList(fdArtist).GetOrAdd(QStringLiteral("Kept"));
    TLookupItem *genre = db.LookupList(fdGenre).GetOrAdd(QStringLiteral("Spare"));
    auto *track = static_cast<TTrack *>(album->Disc(0)->Items(0));
    track->Artist = spare;
    TRemovalLog log(db);

    db.RemoveLookupItems(fdArtist, {genre}); // not an artist: nothing happens
    EXPECT_TRUE(log.log.isEmpty());
    db.RemoveLookupItems(fdArtist, {solenne, spare, genre});
    EXPECT_EQ(log.log, (QStringList{QStringLiteral("before %1: Solenne,Spare").arg(int(fdArtist)),
                                    QStringLiteral("after %1: 1 left").arg(int(fdArtist))}));
    EXPECT_EQ(album->Artist, nullptr);
    EXPECT_EQ(track->Artist, nullptr);
    EXPECT_EQ(db.LookupList(fdGenre).IndexOfItem(genre), 0);
}
