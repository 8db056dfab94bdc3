// Collections written and read back must answer every field as they did in memory:
// collections built by random histories of edits, and the generator's collections.

#include "model/collectiongenerator.h"
#include "model/qeldb.h"
#include "model/tracks.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <random>
#include <vector>

namespace {

class TRandom
{
public:
    explicit TRandom(quint32 seed) : m_engine(seed) {}
    // Uniform in [lo, hi]; the modulo keeps the sequence the same on every library.
    qint64 Range(qint64 lo, qint64 hi)
    {
        const quint64 span = quint64(hi - lo) + 1;
        const quint64 v = (quint64(m_engine()) << 32) | m_engine();
        return span == 0 ? qint64(v) : lo + qint64(v % span);
    }
    int Int(int lo, int hi) { return int(Range(lo, hi)); }
    bool Chance(int percent) { return Range(1, 100) <= percent; }
    template <class T> const T &Pick(const std::vector<T> &items)
    {
        return items[std::size_t(Range(0, qint64(items.size()) - 1))];
    }

private:
    std::mt19937 m_engine;
};

// Pieces of text that the file's single-byte encoding has to carry: plain words, cp1252
// letters, characters outside it (written as references), text that looks like a
// reference, line breaks.
const std::vector<QString> kPieces = {
    QStringLiteral("Harbour"), QStringLiteral("lights"),  QStringLiteral("Café"),
    QStringLiteral("Weiß"),    QStringLiteral("€ 5"),     QStringLiteral("„quoted“"),
    QStringLiteral("Ωmega"),   QStringLiteral("☃"),       QStringLiteral("\U0001F3B5"),
    QStringLiteral("&#38;"),   QStringLiteral("&#9731;"), QStringLiteral("R&B"),
    QStringLiteral("a\r\nb"),  QStringLiteral("  "),      QStringLiteral("Łódź"),
    QStringLiteral("z"),       QStringLiteral("A"),       QStringLiteral("Ölfarbe"),
};

QString text(TRandom &r, int maxPieces = 4)
{
    if (r.Chance(10))
        return {};
    QString s;
    const int n = r.Int(1, maxPieces);
    for (int i = 0; i < n; ++i)
        s += r.Pick(kPieces);
    if (r.Chance(3))
        s += QString(r.Int(250, 300), u'x'); // a long string
    return s;
}

qint32 anyInt(TRandom &r)
{
    switch (r.Int(0, 3)) {
    case 0:
        return r.Int(-128, 127);
    case 1:
        return r.Int(-40000, 40000);
    case 2:
        return qint32(
            r.Range(std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
    default:
        return 0;
    }
}

double anyDate(TRandom &r)
{
    if (r.Chance(30))
        return 0;
    return double(r.Int(1, 80000)) + (r.Chance(30) ? double(r.Int(1, 1023)) / 1024 : 0.0);
}

// A random history of edits: lookup entries added in random name order, renamed and
// removed; albums added, duplicated and removed. With edits, also what the windows do to
// albums already in the collection, each change marked as the windows mark it: fields of
// albums and of items deep inside them, thumbnails, discs moved between albums, entries
// in use removed and merged into others.
class THistory
{
public:
    THistory(TQelDb &db, quint32 seed, bool edits = false) : m_db(db), m_r(seed), m_edits(edits) {}

    // Called after every step.
    std::function<void(int step)> AfterStep;

    void Run(int steps)
    {
        // The artist list grows to a few hundred entries, the others stay smaller.
        for (int i = 0; i < 300; ++i)
            addEntry(fdArtist);
        for (int step = 0; step < steps; ++step) {
            const int op = m_r.Int(1, 100);
            if (m_edits && m_r.Chance(40))
                edit();
            else if (op <= 35)
                addEntry(m_r.Pick(kLookupFields));
            else if (op <= 45)
                renameEntry(m_r.Pick(kLookupFields));
            else if (op <= 52)
                removeEntry(m_r.Pick(kLookupFields));
            else if (op <= 85)
                addAlbum();
            else if (op <= 93)
                duplicateAlbum();
            else
                removeAlbum();
            if (AfterStep)
                AfterStep(step);
        }
    }

private:
    static inline const std::vector<TFieldId> kLookupFields{TQelDb::LookupFieldOrder.begin(),
                                                            TQelDb::LookupFieldOrder.end()};

    void addEntry(TFieldId field)
    {
        // A serial number keeps most names new, so lists grow in random name order.
        const QString sort = text(m_r, 2) + QString::number(m_r.Int(0, 99999));
        m_db.LookupList(field).FindOrCreate(sort, m_r.Chance(50) ? text(m_r, 2) : QString());
    }

    TLookupItem *anyEntry(TFieldId field)
    {
        TLookupList &list = m_db.LookupList(field);
        if (list.Count() == 0 || m_r.Chance(15))
            return nullptr;
        return list.Items(m_r.Range(0, list.Count() - 1));
    }

    void renameEntry(TFieldId field)
    {
        if (TLookupItem *e = anyEntry(field))
            m_db.LookupList(field).Edit(e, text(m_r, 2) + QString::number(m_r.Int(0, 99999)),
                                        m_r.Chance(50) ? text(m_r, 2) : QString());
    }

    void removeEntry(TFieldId field)
    {
        TLookupItem *e = anyEntry(field);
        if (e && !m_db.LookupItemsInUse(field).contains(e))
            m_db.LookupList(field).Remove(e);
    }

    void fillBase(TDataItem *item, quint64 lookupFields)
    {
        item->Index = anyInt(m_r);
        item->Title = text(m_r);
        item->Year = m_r.Chance(70) ? QString::number(m_r.Int(1900, 2030)) : text(m_r, 1);
        item->Comments = text(m_r, 6);
        item->Rating = quint8(m_r.Chance(50) ? 0 : m_r.Int(1, 100));
        item->Live = quint8(m_r.Int(0, 2));
        for (TFieldId f : kLookupFields)
            if (lookupFields & fieldBit(f))
                item->setLookupItem(f, m_r.Chance(60) ? anyEntry(f) : nullptr);
    }

    void fillTrackPart(TCustomTrack *item)
    {
        fillBase(item, TrackLookupFields);
        item->TrackText1 = text(m_r);
        item->LyricsFile = text(m_r, 2);
        item->AudioFile = text(m_r, 2);
        item->BPM = m_r.Chance(50) ? 0 : anyInt(m_r);
    }

    template <class T> T *add(TDataItem *parent)
    {
        auto *item = new T(parent);
        parent->Add(item);
        fillTrackPart(item);
        return item;
    }

    void addTrack(TDataItem *parent)
    {
        auto *track = add<TTrack>(parent);
        track->Length = anyInt(m_r);
        track->StartFrame = anyInt(m_r);
        track->Position = anyInt(m_r);
        for (int s = m_r.Chance(20) ? m_r.Int(1, 3) : 0; s > 0; --s)
            add<TSubTrack>(track)->Length = anyInt(m_r);
    }

    void addAlbum()
    {
        auto *album = new TAlbum(&m_db);
        fillBase(album, AlbumLookupFields);
        album->Number = text(m_r, 2);
        album->Location = text(m_r, 2);
        album->PurchaseDate = anyDate(m_r);
        album->RecordingDate = anyDate(m_r);
        album->Price = m_r.Chance(20) ? 0 : m_r.Range(-1'000'000'000'000, 1'000'000'000'000);
        album->Soloists = text(m_r);
        album->TourName = text(m_r);
        album->CoverFile = text(m_r, 2);
        album->AlbumText1 = text(m_r);
        album->AlbumText2 = text(m_r);
        album->AD = quint8(m_r.Int(0, 4));
        album->Mono = m_r.Chance(50);
        album->Rare = m_r.Chance(50);
        album->InCollection = m_r.Chance(50);
        if (m_r.Chance(30)) {
            QImage picture(32, 32, QImage::Format_RGB888);
            for (int y = 0; y < 32; ++y)
                for (int x = 0; x < 32; ++x)
                    picture.setPixel(x, y, qRgb(m_r.Int(0, 255), m_r.Int(0, 255), (x * y) & 255));
            album->SetThumbnail(&picture);
        }
        for (int d = m_r.Int(0, 3); d > 0; --d) {
            auto *disc = add<TDisc>(album);
            disc->MsDiscId = anyInt(m_r);
            disc->CddbDiscId = anyInt(m_r);
            disc->CddbRevision = anyInt(m_r);
            disc->LeadOut = anyInt(m_r);
            for (int t = m_r.Int(0, 12); t > 0; --t) {
                if (m_r.Chance(10)) {
                    auto *header = add<THeader>(disc);
                    for (int h = m_r.Int(0, 4); h > 0; --h)
                        addTrack(header);
                } else {
                    addTrack(disc);
                }
            }
            disc->RebuildTrackList();
        }
        m_db.AddAlbum(album);
    }

    TAlbum *anyAlbum()
    {
        return m_db.AlbumCount() == 0 ? nullptr : m_db.Album(m_r.Range(0, m_db.AlbumCount() - 1));
    }

    void duplicateAlbum()
    {
        if (const TAlbum *album = anyAlbum())
            m_db.AddAlbum(album->Copy(false));
    }

    void removeAlbum()
    {
        if (TAlbum *album = anyAlbum()) {
            m_db.RemoveAlbum(album);
            FreeItem(album);
        }
    }

    // Any item of an album, the album itself among them.
    TDataItem *anyItemOf(TAlbum *album)
    {
        std::vector<TDataItem *> items{album};
        for (std::size_t i = 0; i < items.size(); ++i)
            for (TDataItem *child : items[i]->Children)
                items.push_back(child);
        return m_r.Pick(items);
    }

    void edit()
    {
        TAlbum *album = anyAlbum();
        if (!album)
            return;
        switch (m_r.Int(0, 5)) {
        case 0: { // a field of the album or of an item in it
            TDataItem *item = anyItemOf(album);
            item->Title = text(m_r);
            item->setLookupItem(fdGenre, m_r.Chance(70) ? anyEntry(fdGenre) : nullptr);
            m_db.MarkChanged(item);
            break;
        }
        case 1: { // a new thumbnail, also on an album that shares its picture with a copy
            QImage picture(32, 32, QImage::Format_RGB888);
            picture.fill(qRgb(m_r.Int(0, 255), m_r.Int(0, 255), m_r.Int(0, 255)));
            album->SetThumbnail(&picture);
            break;
        }
        case 2: { // a disc moved to another album
            TAlbum *to = anyAlbum();
            if (to == album || album->Children.isEmpty())
                break;
            TDataItem *disc = album->Children[album->Children.size() - 1];
            m_db.MarkChanged(disc);
            m_db.MarkChanged(to);
            album->Remove(disc);
            disc->Parent = to;
            to->Add(disc);
            album->RebuildTrackLists();
            to->RebuildTrackLists();
            break;
        }
        case 3: { // entries in use removed: every album that showed one changes
            const TFieldId field = m_r.Pick(kLookupFields);
            TLookupItemSet doomed;
            for (int i = m_r.Int(1, 5); i > 0; --i)
                if (TLookupItem *e = anyEntry(field))
                    doomed.insert(e);
            m_db.RemoveLookupItems(field, doomed);
            break;
        }
        case 4: { // entries merged into one: the references move, then the others go
            // Fields every item holds; parents come before their children, so an entry
            // found in others is the item's own.
            const TFieldId field = m_r.Chance(50) ? fdArtist : fdGenre;
            TLookupItem *keep = anyEntry(field);
            TLookupItemSet others;
            for (int i = m_r.Int(1, 5); i > 0; --i)
                if (TLookupItem *e = anyEntry(field); e && e != keep)
                    others.insert(e);
            if (!keep || others.empty())
                break;
            for (qsizetype i = 0; i < m_db.AlbumCount(); ++i) {
                TAlbum *a = m_db.Album(i);
                std::vector<TDataItem *> items{a};
                for (std::size_t k = 0; k < items.size(); ++k)
                    for (TDataItem *child : items[k]->Children)
                        items.push_back(child);
                for (TDataItem *item : items)
                    if (others.count(item->getLookupItem(field))) {
                        item->setLookupItem(field, keep);
                        m_db.MarkChanged(a);
                    }
            }
            m_db.RemoveLookupItems(field, others);
            break;
        }
        default: // a track added to a disc
            if (!album->Children.isEmpty()) {
                addTrack(album->Children[0]);
                album->RebuildTrackLists();
                m_db.MarkChanged(album);
            }
            break;
        }
    }

    TQelDb &m_db;
    TRandom m_r;
    bool m_edits = false;
};

// Every field of an item as the model answers it, in every form it has. Identifiers are
// handed out afresh when a file is read, so they are left out.
struct TItemFields
{
    std::vector<QString> texts;
    std::vector<TFieldId> textFields;
    std::vector<double> numbers;
    std::vector<TFieldId> numberFields; // fdNone for the members no field shows
};

TItemFields fieldsOf(const TDataItem *item)
{
    const TItemLevel level = item->IsTrackLevel() ? ilTrack : ilAlbum;
    TItemFields out;
    out.texts.reserve(fdLast + 16);
    out.textFields.reserve(fdLast + 16);
    out.numbers.reserve(fdLast + 2);
    out.numberFields.reserve(fdLast + 2);
    auto number = [&out](TFieldId f, double value) {
        out.numbers.push_back(value);
        out.numberFields.push_back(f);
    };
    for (TFieldId f = 1; f <= fdLast; ++f) {
        if (f == fdID || f == fdAlbumID || !FieldOfLevel(level, f))
            continue;
        out.texts.push_back(item->GetFieldAsString(f));
        out.textFields.push_back(f);
        switch (FieldKind(f)) {
        case fkLookup:
            out.texts.push_back(item->GetFieldSortText(f));
            out.textFields.push_back(f);
            break;
        case fkInteger:
            number(f, item->GetFieldAsInteger(f));
            break;
        case fkDate:
            number(f, item->GetFieldAsDate(f));
            break;
        case fkFloat:
            number(f, item->GetFieldAsFloat(f));
            break;
        case fkBoolean:
            number(f, item->GetFieldAsBoolean(f));
            break;
        default:
            break;
        }
    }
    // Members that no field shows.
    if (item->Kind() == TItemKind::Track)
        number(fdNone, static_cast<const TTrack *>(item)->StartFrame);
    if (item->Kind() == TItemKind::Disc)
        number(fdNone, static_cast<const TDisc *>(item)->LeadOut);
    return out;
}

// Compares the items and their trees; returns false at the first difference.
bool sameItems(const TDataItem *read, const TDataItem *kept, const QString &where)
{
    if (read->Kind() != kept->Kind() || read->Count() != kept->Count()) {
        ADD_FAILURE() << where.toStdString() << ": kind or number of children differs";
        return false;
    }
    const TItemFields a = fieldsOf(read), b = fieldsOf(kept);
    for (std::size_t i = 0; i < a.texts.size(); ++i) {
        if (a.texts[i] != b.texts[i]) {
            ADD_FAILURE() << where.toStdString() << ", "
                          << TQelFields::GetDefaultName(b.textFields[i]).toStdString()
                          << ":\n  read: \"" << a.texts[i].toStdString() << "\"\n  kept: \""
                          << b.texts[i].toStdString() << '"';
            return false;
        }
    }
    for (std::size_t i = 0; i < a.numbers.size(); ++i) {
        if (a.numbers[i] != b.numbers[i]) {
            ADD_FAILURE() << where.toStdString() << ", "
                          << (b.numberFields[i] == fdNone
                                  ? std::string("start frame or lead-out")
                                  : TQelFields::GetDefaultName(b.numberFields[i]).toStdString())
                          << ": read " << a.numbers[i] << ", kept " << b.numbers[i];
            return false;
        }
    }
    for (qsizetype i = 0; i < read->Count(); ++i)
        if (!sameItems(read->Items(i), kept->Items(i), where + QStringLiteral("/%1").arg(i)))
            return false;
    return true;
}

void expectSameCollection(TQelDb &read, TQelDb &kept)
{
    for (TFieldId field : TQelDb::LookupFieldOrder) {
        const TLookupList &r = read.LookupList(field);
        const TLookupList &k = kept.LookupList(field);
        ASSERT_EQ(r.SortNames(), k.SortNames()) << "list of field " << int(field);
        for (qsizetype i = 0; i < r.Count(); ++i)
            ASSERT_EQ(r.Items(i)->DisplayName, k.Items(i)->DisplayName)
                << "list of field " << int(field) << ", entry " << i;
    }
    ASSERT_EQ(read.AlbumCount(), kept.AlbumCount());
    for (qsizetype i = 0; i < kept.AlbumCount(); ++i) {
        const TAlbum *a = read.Album(i);
        const TAlbum *b = kept.Album(i);
        ASSERT_TRUE(sameItems(a, b, QStringLiteral("album %1").arg(i)));
        ASSERT_EQ(a->HasThumbnail(), b->HasThumbnail()) << "album " << i;
        if (b->HasThumbnail()) {
            ASSERT_TRUE(read.Pictures.Rgb(a->ThumbnailIndex) ==
                        kept.Pictures.Rgb(b->ThumbnailIndex))
                << "thumbnail of album " << i;
        }
    }
}

// Saves db to a file and reads it back through the file reader.
void readBack(TQelDb &db, TQelDb &back)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("c.qel"));
    db.Save(path);
    back.ReadFile(path, false);
}

} // namespace

TEST(QelRoundTrip, RandomHistoriesReadBackFieldByField)
{
    for (const quint32 seed : {1u, 2u, 3u, 4u, 5u}) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        TQelDb db;
        THistory(db, seed).Run(400);
        ASSERT_GT(db.AlbumCount(), 20);
        ASSERT_GT(db.LookupList(fdArtist).Count(), 250);
        TQelDb back;
        readBack(db, back);
        expectSameCollection(back, db);
    }
}

// A save encodes only the albums marked as changed; what it writes must still be the
// whole collection as a fresh encoding gives it, after any history of changes.
TEST(QelRoundTrip, IncrementalSavesEqualWholeSavesAfterEveryChange)
{
    for (const quint32 seed : {11u, 12u, 13u}) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        TQelDb db;
        THistory history(db, seed, true);
        history.AfterStep = [&db](int step) {
            if (step % 3 != 0) // some changes pile up between saves
                return;
            QByteArray joined;
            for (const QByteArray &piece : db.SavePieces())
                joined += piece;
            ASSERT_EQ(joined, db.SaveToBytes()) << "after step " << step;
        };
        history.Run(300);
        ASSERT_GT(db.AlbumCount(), 20);
        // A file read back keeps no bytes yet: they are encoded on the first save.
        TQelDb back;
        readBack(db, back);
        expectSameCollection(back, db);
        back.MarkChanged(back.Album(0));
        QByteArray joined;
        for (const QByteArray &piece : back.SavePieces())
            joined += piece;
        EXPECT_EQ(joined, back.SaveToBytes());
    }
}

TEST(QelRoundTrip, GeneratedCollectionsReadBackAsGenerated)
{
    for (const quint32 seed : {1u, 42u}) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        TQelDb db;
        GenerateCollection(db, 5000, seed);
        TQelDb back;
        readBack(db, back);
        // The generator gives every album an artist and a label.
        for (qsizetype i = 0; i < back.AlbumCount(); ++i) {
            ASSERT_NE(back.Album(i)->Artist, nullptr) << "album " << i;
            ASSERT_NE(back.Album(i)->Label, nullptr) << "album " << i;
        }
        expectSameCollection(back, db);
    }
}
