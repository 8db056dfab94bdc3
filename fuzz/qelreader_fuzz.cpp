// Fuzz target for the .qel reader: any input either reads or fails with EQel, and
// whatever was read (also the part read before a failure, which a failed import
// leaves in the collection) must save, read back and save again unchanged.

#include "model/bmpblock.h"
#include "model/collectiongenerator.h"
#include "model/picturelist.h"
#include "model/qeldb.h"
#include "model/qelerror.h"
#include "model/qelstream.h"

#include <QBuffer>
#include <QByteArray>
#include <QSet>

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

[[noreturn]] void fail(const char *what, const QString &detail = {})
{
    std::fprintf(stderr, "qelreader_fuzz: %s %s\n", what, qPrintable(detail));
    std::abort();
}

void readOrFail(TQelDb &db, const QByteArray &bytes, const char *what)
{
    try {
        db.ReadBytes(bytes, false);
    } catch (const EQel &e) {
        fail(what, e.message());
    }
}

// The first save may renumber lookup entries and normalise values (booleans, text
// references, extended floats); from then on the bytes must stay the same.
void checkRoundTrip(const TQelDb &db)
{
    const QByteArray first = db.SaveToBytes();
    TQelDb second;
    readOrFail(second, first, "saved bytes do not read back:");
    if (second.AlbumCount() != db.AlbumCount())
        fail("album count changed by a save");
    const QByteArray secondBytes = second.SaveToBytes();
    TQelDb third;
    readOrFail(third, secondBytes, "resaved bytes do not read back:");
    if (third.SaveToBytes() != secondBytes)
        fail("a save of the saved database differs from it");
}

// Lookup lists stay ordered, also when reading broke off inside one: every entry is
// found by its name.
void checkSearchable(TQelDb &db)
{
    for (int i = 0; i < 15; ++i) {
        const TLookupList &list = db.LookupListAt(i);
        for (qsizetype k = 0; k < list.Count(); ++k)
            if (!list.FindByName(list.Items(k)->SortName) && !list.Items(k)->SortName.isEmpty())
                fail("lookup entry not found by its name:", list.Items(k)->SortName);
    }
}

// A merge never holds two albums with the same title and artist entry.
void checkNoDuplicates(const TQelDb &db)
{
    QSet<QPair<QString, const void *>> seen;
    for (qsizetype i = 0; i < db.AlbumCount(); ++i) {
        const TAlbum *a = db.Album(i);
        const auto key = qMakePair(QString(a->Title), static_cast<const void *>(a->Artist));
        if (seen.contains(key))
            fail("merge kept a duplicate album:", key.first);
        seen.insert(key);
    }
}

const QByteArray &fixedDatabase()
{
    static const QByteArray bytes = [] {
        TQelDb db;
        GenerateCollection(db, 2, 3);
        checkNoDuplicates(db);
        return db.SaveToBytes();
    }();
    return bytes;
}

// One step of walking the input as tagged values: the value read (integers and
// floats by their bits, strings and blocks by their bytes) or nothing on failure.
struct Step
{
    std::optional<QByteArray> value;
    qint64 position = 0;
    bool operator==(const Step &) const = default;
};

Step readStep(TQelReader &r)
{
    Step s;
    try {
        const QByteArrayView next = r.Peek(1);
        const int tag = next.isEmpty() ? -1 : quint8(next[0]);
        QByteArray v;
        switch (tag) {
        case tagInt8:
        case tagInt16:
        case tagInt32:
            v = QByteArray::number(r.ReadInteger());
            break;
        case tagShortString:
        case tagLongString:
            v = r.ReadRawString().toByteArray();
            break;
        case tagExtended:
            v = QByteArray::number(std::bit_cast<quint64>(r.ReadFloat()));
            break;
        case tagDate:
            v = QByteArray::number(std::bit_cast<quint64>(r.ReadDate()));
            break;
        case tagBeginOfList:
            r.ReadListBegin();
            break;
        case tagEndOfList:
            r.ReadListEnd();
            break;
        case 'B': {
            const qint64 size = bmpblock::declaredSize(r.Peek(6));
            if (size < 0)
                throw EQelRead();
            v = r.ReadBytes(size).toByteArray();
            break;
        }
        default:
            v = r.ReadBoolean() ? "true" : "false";
        }
        s.value = v;
    } catch (const EQel &) {
    }
    s.position = r.Position();
    return s;
}

// The reader from memory and the one from a device (with a block size small enough
// to refill often) must agree value for value.
void checkReadersAgree(const QByteArray &bytes)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    TQelReader fromMemory(bytes);
    TQelReader fromDevice(&buffer, 16);
    for (int i = 0; i < 4096; ++i) {
        const Step a = readStep(fromMemory);
        const Step b = readStep(fromDevice);
        if (!(a == b))
            fail("memory and device readers disagree at step", QString::number(i));
        if (!a.value || fromMemory.BytesLeft() == 0)
            break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Icons made once, as the program does at start-up: blank ones would be painted
    // anew for every database, which is most of the time of a small input.
    static const bool iconsSet = [] {
        QImage icon(TPictureList::kSide, TPictureList::kSide, QImage::Format_RGB888);
        icon.fill(Qt::white);
        TPictureList::SetDefaultIcons(QList<QImage>(TPictureList::kIconCount, icon));
        return true;
    }();
    Q_UNUSED(iconsSet);

    const QByteArray input =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    {
        TQelDb db;
        try {
            db.ReadBytes(input, false);
        } catch (const EQel &) {
        }
        checkSearchable(db);
        checkRoundTrip(db);
    }
    {
        TQelDb db;
        readOrFail(db, fixedDatabase(), "the fixed database does not read:");
        try {
            db.ReadBytes(input, true);
        } catch (const EQel &) {
        }
        checkNoDuplicates(db);
        checkSearchable(db);
        checkRoundTrip(db);
    }
    checkReadersAgree(input);
    return 0;
}
