// Damaged and hostile database files: every failure is an EQel with the message the
// user is to see, nothing big is allocated because a file says so, and the
// collection stays usable afterwards.

#include "model/collectiongenerator.h"
#include "model/qeldb.h"
#include "model/qelerror.h"
#include "model/qelstream.h"
#include "testsupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <limits>

#if defined(__SANITIZE_ADDRESS__)
#define QEL_SEES_ALLOCATIONS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QEL_SEES_ALLOCATIONS 1
#endif
#endif

#ifdef QEL_SEES_ALLOCATIONS
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void *, size_t),
                                                         void (*)(const volatile void *));
#endif

namespace {

const QString kNotValid = QStringLiteral("This is not a valid Qel database");
const QString kDetailIsDisc = QStringLiteral("TCustomTrack.LoadFromStream: detail is disc");

// ---------------------------------------------------------------------------
// The largest single allocation made while a function runs. Only the sanitizer
// build can see allocations; elsewhere the answer is 0 and the check is void.

std::atomic<bool> g_watching{false};
std::atomic<std::size_t> g_largest{0};

#ifdef QEL_SEES_ALLOCATIONS
void onMalloc(const volatile void *, std::size_t size)
{
    if (!g_watching.load(std::memory_order_relaxed))
        return;
    std::size_t seen = g_largest.load(std::memory_order_relaxed);
    while (size > seen && !g_largest.compare_exchange_weak(seen, size))
        ;
}
void onFree(const volatile void *) {}
#endif

std::size_t largestAllocation(const std::function<void()> &run)
{
#ifdef QEL_SEES_ALLOCATIONS
    static const bool installed = __sanitizer_install_malloc_and_free_hooks(onMalloc, onFree) != 0;
    EXPECT_TRUE(installed);
#endif
    g_largest = 0;
    g_watching = true;
    run();
    g_watching = false;
    return g_largest;
}

// ---------------------------------------------------------------------------

// The message of the EQel that reading throws; empty when the bytes read.
QString readFailure(TQelDb &db, QByteArrayView bytes, bool merge = false)
{
    try {
        db.ReadBytes(bytes, merge);
    } catch (const EQel &e) {
        return e.message();
    }
    return {};
}

QString fileFailure(TQelDb &db, const QString &path)
{
    try {
        db.ReadFile(path, false);
    } catch (const EQel &e) {
        return e.message();
    }
    return {};
}

// Three albums with a thumbnail, section headers, subtracks and text outside cp1252.
const QByteArray &generatedFile()
{
    static const QByteArray bytes = [] {
        TQelDb db;
        GenerateCollection(db, 3, 152);
        return db.SaveToBytes();
    }();
    return bytes;
}

// What a database holds, as the bytes it saves.
QByteArray resaved(QByteArrayView bytes)
{
    TQelDb db;
    db.ReadBytes(bytes, false);
    return db.SaveToBytes();
}

// Whatever a database holds after a failure must still be searched and saved: its
// lookup entries are found by name, and it saves into a file that reads back.
void expectUsable(TQelDb &db, const std::string &context)
{
    for (int i = 0; i < 15; ++i) {
        const TLookupList &list = db.LookupListAt(i);
        for (qsizetype k = 0; k < list.Count(); ++k)
            EXPECT_NE(list.FindByName(list.Items(k)->SortName), nullptr)
                << context << ": list " << i << " entry " << list.Items(k)->SortName.toStdString();
    }
    const QByteArray saved = db.SaveToBytes();
    TQelDb again;
    EXPECT_EQ(readFailure(again, saved), QString()) << context;
    EXPECT_EQ(again.AlbumCount(), db.AlbumCount()) << context;
}

// ---------------------------------------------------------------------------
// Files written by hand, so that a case can replace exactly one part of a record.

void writeHeader(TQelWriter &w)
{
    w.WriteString(u"Qel");
    w.WriteString(u"Music");
    w.WriteInteger(300);
    for (int i = 0; i < 15; ++i) {
        w.WriteListBegin();
        w.WriteListEnd();
    }
}

void writeBase(TQelWriter &w, QStringView title)
{
    w.WriteInteger(1);
    w.WriteString(title);
    w.WriteString(u"1999");
    for (int i = 0; i < 7; ++i)
        w.WriteInteger(0);
    w.WriteString(u"");
    w.WriteInteger(0);
    w.WriteInteger(0);
}

// The track-level part up to, not including, the list of children.
void writeTrackFields(TQelWriter &w)
{
    w.WriteInteger(0);
    w.WriteString(u"");
    w.WriteString(u"");
    w.WriteInteger(0);
    w.WriteInteger(120);
    w.WriteString(u"");
}

void writeDiscNumbers(TQelWriter &w)
{
    for (int i = 0; i < 4; ++i)
        w.WriteInteger(0);
}

// A disc whose list of children is written by children.
void writeDisc(TQelWriter &w, const std::function<void(TQelWriter &)> &children)
{
    writeBase(w, u"");
    writeTrackFields(w);
    w.WriteListBegin();
    children(w);
    w.WriteListEnd();
    writeDiscNumbers(w);
}

using Part = std::function<void(TQelWriter &)>;

// A file of albums; the parts of each album that tests break have a hook.
struct AlbumRecord
{
    QString title = QStringLiteral("Album");
    Part price = [](TQelWriter &w) { w.WriteFloat(12.5); };
    Part thumbnail = [](TQelWriter &w) { w.WriteBoolean(false); };
    Part discs = [](TQelWriter &w) {
        w.WriteListBegin();
        w.WriteListEnd();
    };

    void write(TQelWriter &w) const
    {
        writeBase(w, title);
        w.WriteInteger(0); // format
        w.WriteInteger(0); // label
        w.WriteString(u"");
        w.WriteInteger(0); // owner
        w.WriteString(u"");
        w.WriteDate(0);
        price(w);
        w.WriteInteger(0); // store
        w.WriteString(u"");
        w.WriteString(u"");
        w.WriteDate(0);
        w.WriteInteger(3);
        w.WriteBoolean(false);
        w.WriteBoolean(false);
        w.WriteBoolean(true);
        w.WriteString(u"");
        w.WriteString(u"");
        w.WriteInteger(0);
        w.WriteInteger(0);
        thumbnail(w);
        w.WriteString(u"cover.jpg");
        discs(w);
    }
};

QByteArray fileOf(std::initializer_list<AlbumRecord> albums)
{
    TQelWriter w;
    writeHeader(w);
    w.WriteListBegin();
    for (const AlbumRecord &a : albums)
        a.write(w);
    w.WriteListEnd();
    return w.Data();
}

Part raw(const char *hex)
{
    return [bytes = FromHex(hex)](TQelWriter &w) { w.WriteBytes(bytes); };
}

Part discsWithChildren(const Part &children)
{
    return [children](TQelWriter &w) {
        w.WriteListBegin();
        writeDisc(w, children);
        w.WriteListEnd();
    };
}

// Headers inside headers, depth levels deep, each list properly closed.
Part nestedHeaders(int depth)
{
    return discsWithChildren([depth](TQelWriter &w) {
        for (int i = 0; i < depth; ++i) {
            w.WriteInteger(1); // a header
            writeBase(w, u"h");
            writeTrackFields(w);
            w.WriteListBegin();
        }
        for (int i = 0; i < depth; ++i)
            w.WriteListEnd();
    });
}

Part price(double amount)
{
    return [amount](TQelWriter &w) { w.WriteFloat(amount); };
}

// ---------------------------------------------------------------------------

TEST(QelDbRobustness, FileCutAtEveryOffsetIsRefusedAndTheDatabaseStaysUsable)
{
    const QByteArray &full = generatedFile();
    const QByteArray expected = resaved(full);
    // Inside the thumbnail's pixel rows every cut fails at the same read of the
    // block: a few bytes after its headers and before its end stand for them all.
    // The thumbnail flag, "BM" and the size of a 32 by 32 24-bit block.
    const qsizetype bitmap = full.indexOf(FromHex("09 424D 360C0000")) + 1;
    ASSERT_GT(bitmap, 0);
    const qsizetype pixelsFrom = bitmap + 54 + 8;
    const qsizetype pixelsTo = bitmap + 54 + 32 * 32 * 3 - 8;
    TQelDb db;
    for (qsizetype cut = 0; cut < full.size(); ++cut) {
        if (cut == pixelsFrom)
            cut = pixelsTo;
        const std::string context = "cut at " + std::to_string(cut);
        // Also inside the signature and the edition: a string that cannot be read
        // is a read error, there is nothing yet to compare with "Qel" or "Music".
        ASSERT_EQ(readFailure(db, full.first(cut)), kNotValid) << context;
        // Saving what was read is slower than reading; a sample of cuts covers
        // every kind of record.
        if (cut % 5 == 0)
            expectUsable(db, context);
    }
    // After all these failures the same object reads the whole file as a fresh one.
    ASSERT_EQ(readFailure(db, full), QString());
    EXPECT_EQ(db.Album(0)->ID, 1);
    EXPECT_EQ(db.SaveToBytes(), expected);
}

TEST(QelDbRobustness, CutFileOnDiskIsRefused)
{
    const QByteArray &full = generatedFile();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cut.qel"));
    TQelDb db;
    const qsizetype size = full.size();
    for (qsizetype cut :
         {qsizetype(0), qsizetype(1), qsizetype(4), qsizetype(5), qsizetype(11), qsizetype(12),
          qsizetype(14), qsizetype(15), qsizetype(46), size / 3, size / 2, size - 2, size - 1}) {
        WriteFileBytes(path, full.first(cut));
        EXPECT_EQ(fileFailure(db, path), kNotValid) << "cut at " << cut;
    }
    WriteFileBytes(path, full);
    ASSERT_EQ(fileFailure(db, path), QString());
    EXPECT_EQ(db.SaveToBytes(), resaved(full));
}

TEST(QelDbRobustness, FailedMergeKeepsWhatWasReadBeforeTheCut)
{
    TQelDb target;
    GenerateCollection(target, 2, 5);
    const QByteArray targetBytes = target.SaveToBytes();
    const QByteArray &other = generatedFile();

    qsizetype previousCount = 0;
    for (qsizetype cut = 0; cut < other.size(); cut += 17) {
        const std::string context = "cut at " + std::to_string(cut);
        TQelDb db;
        ASSERT_EQ(readFailure(db, targetBytes), QString());
        ASSERT_EQ(readFailure(db, other.first(cut), true), kNotValid) << context;
        // Albums read before the cut stay; more of the file never means fewer albums.
        ASSERT_GE(db.AlbumCount(), previousCount) << context;
        ASSERT_LE(db.AlbumCount(), 2 + 3) << context;
        previousCount = db.AlbumCount();
        expectUsable(db, context);
    }
    EXPECT_GE(previousCount, 2 + 2) << "the last cuts lie inside the last album";
}

TEST(QelDbRobustness, EmptyDatabaseReadsAndWritesItsFortySevenBytes)
{
    const QByteArray empty = FromHex("06 03 51 65 6C 06 05 4D 75 73 69 63 03 2C 01"
                                     "01 00 01 00 01 00 01 00 01 00 01 00 01 00 01 00"
                                     "01 00 01 00 01 00 01 00 01 00 01 00 01 00"
                                     "01 00");
    ASSERT_EQ(empty.size(), 47);
    // Read into a database that holds something: reading replaces it.
    TQelDb db;
    GenerateCollection(db, 2, 1);
    ASSERT_EQ(readFailure(db, empty), QString());
    EXPECT_EQ(db.AlbumCount(), 0);
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(db.LookupListAt(i).Count(), 0) << "list " << i;
    EXPECT_EQ(db.SaveToBytes().toHex(' '), empty.toHex(' '));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("empty.qel"));
    WriteFileBytes(path, empty);
    TQelDb fromFile;
    ASSERT_EQ(fileFailure(fromFile, path), QString());
    EXPECT_EQ(fromFile.SaveToBytes(), empty);
}

TEST(QelDbRobustness, SignatureAndEditionAreCheckedExactly)
{
    const char *lists = "0100010001000100010001000100010001000100010001000100010001000100";
    struct Case
    {
        const char *name;
        QByteArray head; // signature, edition and version
        QString message; // empty: reads
    };
    const Case cases[] = {
        {"wrong signature", FromHex("0603 51656D 0605 4D75736963 032C01"),
         QStringLiteral("This is not a Qel database")},
        {"signature in lower case", FromHex("0603 71656C 0605 4D75736963 032C01"),
         QStringLiteral("This is not a Qel database")},
        {"other edition named", FromHex("0603 51656C 0605 566964656F 032C01"),
         QStringLiteral("This is not a Qel Music database, please use Qel Video to open this "
                        "database")},
        {"edition in lower case", FromHex("0603 51656C 0605 6D75736963 032C01"),
         QStringLiteral("This is not a Qel Music database, please use Qel music to open this "
                        "database")},
        {"signature as a long string", FromHex("0C03000000 51656C 0605 4D75736963 032C01"), {}},
        {"signature as an integer", FromHex("0203 0605 4D75736963 032C01"), kNotValid},
        {"version of another size", FromHex("0603 51656C 0605 4D75736963 04FFFFFF7F"), {}},
        {"version as a string", FromHex("0603 51656C 0605 4D75736963 0600"), kNotValid},
    };
    for (const Case &c : cases) {
        TQelDb db;
        EXPECT_EQ(readFailure(db, c.head + FromHex(lists)), c.message) << c.name;
    }
}

TEST(QelDbRobustness, HostileFilesFailFastWithTheirMessage)
{
    constexpr double inf = std::numeric_limits<double>::infinity();
    struct Case
    {
        const char *name;
        QByteArray bytes;
        QString message;
    };
    const Case cases[] = {
        {"signature declaring 2 GiB", FromHex("0C FFFFFF7F 51656C"), kNotValid},
        {"title declaring 4 GiB",
         [] {
             // The title's short-string header becomes a long one declaring 4 GiB.
             QByteArray b = fileOf({AlbumRecord{}});
             const qsizetype at = b.indexOf(FromHex("0605") + "Album");
             return b.left(at) + FromHex("0C FFFFFFFF") + b.mid(at + 2);
         }(),
         kNotValid},
        {"headers nested 100000 deep", fileOf({{.discs = nestedHeaders(100000)}}), kNotValid},
        {"disc inside a disc", fileOf({{.discs = discsWithChildren([](TQelWriter &w) {
                                            w.WriteInteger(2);
                                            writeDisc(w, [](TQelWriter &) {});
                                        })}}),
         kDetailIsDisc},
        {"disc inside a header", fileOf({{.discs = discsWithChildren([](TQelWriter &w) {
                                              w.WriteInteger(1);
                                              writeBase(w, u"h");
                                              writeTrackFields(w);
                                              w.WriteListBegin();
                                              w.WriteInteger(2);
                                          })}}),
         kDetailIsDisc},
        {"unknown kind",
         fileOf({{.discs = discsWithChildren([](TQelWriter &w) { w.WriteInteger(4); })}}),
         kNotValid},
        {"thumbnail declaring 4 GiB",
         fileOf({{.thumbnail = raw("09 424D F0FFFFFF 00000000 36000000")}}), kNotValid},
        {"thumbnail declaring less than its header",
         fileOf({{.thumbnail = raw("09 424D 0D000000 00000000 36000000")}}), kNotValid},
        {"thumbnail flag without a bitmap", fileOf({{.thumbnail = raw("09 0600")}}), kNotValid},
        {"price NaN", fileOf({{.price = price(std::nan(""))}}), kNotValid},
        {"price infinite", fileOf({{.price = price(inf)}}), kNotValid},
        {"price too large for a currency", fileOf({{.price = price(-1e300)}}), kNotValid},
        {"price beyond a double", fileOf({{.price = raw("05 0000000000000080 FE7F")}}), kNotValid},
    };
    QTemporaryDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TQelDb db;
        QString message;
        const std::size_t largest = largestAllocation([&] { message = readFailure(db, c.bytes); });
        EXPECT_EQ(message, c.message);
        EXPECT_LT(largest, std::size_t(64) << 20);
        expectUsable(db, c.name);

        const QString path = dir.filePath(QStringLiteral("hostile.qel"));
        WriteFileBytes(path, c.bytes);
        const std::size_t largestFromFile =
            largestAllocation([&] { message = fileFailure(db, path); });
        EXPECT_EQ(message, c.message) << "from a file";
        EXPECT_LT(largestFromFile, std::size_t(64) << 20) << "from a file";

        // The same object still reads a good file completely.
        ASSERT_EQ(readFailure(db, generatedFile()), QString());
        EXPECT_EQ(db.SaveToBytes(), resaved(generatedFile()));
    }
}

TEST(QelDbRobustness, FailedReadLeavesLookupsSearchable)
{
    // Lists in files are normally in name order; this one is not, and ends early.
    const QByteArray bytes =
        FromHex("0603 51656C 0605 4D75736963 032C01 01 0201 0601 62 0600 0202 0601 61 0600");
    TQelDb db;
    ASSERT_EQ(readFailure(db, bytes), kNotValid);
    expectUsable(db, "list b, a cut short");
}

TEST(QelDbRobustness, UndecodableThumbnailIsDroppedAndReadingGoesOn)
{
    // A block that declares its size correctly but holds no picture we can decode:
    // the album loses its thumbnail; the cover file after the block and the next
    // album are read as written.
    const QByteArray bytes = fileOf({
        {.title = QStringLiteral("First"),
         .thumbnail = raw("09 424D 14000000 00000000 36000000 FFFFFFFFFFFF")},
        {.title = QStringLiteral("Second")},
    });
    TQelDb db;
    ASSERT_EQ(readFailure(db, bytes), QString());
    ASSERT_EQ(db.AlbumCount(), 2);
    EXPECT_FALSE(db.Album(0)->HasThumbnail());
    EXPECT_EQ(QString(db.Album(0)->CoverFile), QStringLiteral("cover.jpg"));
    EXPECT_EQ(QString(db.Album(1)->Title), QStringLiteral("Second"));
    EXPECT_EQ(db.Album(0)->Price, 125000);
}

} // namespace
