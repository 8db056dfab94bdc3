#include "exchange/discogsimport.h"

#include "exchange/delimitedtext.h"
#include "model/album.h"
#include "model/general.h"
#include "model/qeldb.h"
#include "model/tracks.h"
#include "model/valueformat.h"

#include <QDate>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

enum TColumn {
    cCatalog,
    cArtist,
    cTitle,
    cLabel,
    cFormat,
    cRating,
    cReleased,
    cRelease,
    cFolder,
    cAdded,
    cMedia,
    cSleeve,
    cNotes,
    cColumns
};

const char *const kColumnNames[cColumns] = {
    "Catalog#",
    "Artist",
    "Title",
    "Label",
    "Format",
    "Rating",
    "Released",
    "release_id",
    "CollectionFolder",
    "Date Added",
    "Collection Media Condition",
    "Collection Sleeve Condition",
    "Collection Notes",
};

// Discs a format's quantity may ask for: box sets of a few hundred exist.
constexpr qint32 kMaxDiscs = 999;

// A release number as digits without leading zeros; empty when it is no number.
QString releaseKey(QStringView text)
{
    text = text.trimmed();
    if (text.isEmpty())
        return {};
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return {};
    while (text.size() > 1 && text.front() == u'0')
        text = text.sliced(1);
    return text.toString();
}

// "2020-11-12 12:24:52" and "23/04/2023 04:38" as exports write them; otherwise as any
// import reads dates.
bool addedDate(QStringView text, double &days)
{
    text = text.trimmed();
    const QStringView day = text.left(text.indexOf(u' ') < 0 ? text.size() : text.indexOf(u' '));
    for (const char *format : {"dd/MM/yyyy", "d/M/yyyy"}) {
        const QDate date = QDate::fromString(day.toString(), QLatin1String(format));
        if (date.isValid()) {
            days = DaysFromDate(date);
            return true;
        }
    }
    return importvalue::Date(text, days);
}

QString crLf(QStringView text)
{
    QString out = text.toString();
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(u'\r', u'\n');
    out.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return out;
}

} // namespace

TDiscogsImport::TDiscogsImport(QObject *owner, TQelDb &db, const QString &fileName)
    : TProcess(owner), m_db(db), m_fileName(fileName)
{
}

QString TDiscogsImport::WithoutNumberSuffix(const QString &name)
{
    // The suffix ends a name: at the end, or before the next name of a list.
    static const QRegularExpression suffix(
        QStringLiteral(R"(\s\(\d+\)(?=$|,|\s+(?:&|/|\+|and|feat\.?|featuring|vs\.?|with|x)\s))"),
        QRegularExpression::CaseInsensitiveOption);
    QString out = name;
    out.remove(suffix);
    return out.trimmed();
}

QString TDiscogsImport::FirstFormat(const QString &formats, qint32 *quantity)
{
    QStringView first = formats;
    const qsizetype plus = first.indexOf(QLatin1String(" + "));
    if (plus >= 0)
        first = first.left(plus);
    const qsizetype comma = first.indexOf(u',');
    if (comma >= 0)
        first = first.left(comma);
    first = first.trimmed();
    static const QRegularExpression counted(QStringLiteral(R"(^(\d+)\s*x\s*(\S.*)$)"));
    QString name = first.toString();
    const QRegularExpressionMatch m = counted.match(name);
    qint32 n = 1;
    if (m.hasMatch()) {
        bool ok = false;
        n = m.captured(1).toInt(&ok);
        if (!ok)
            n = kMaxDiscs + 1;
        name = m.captured(2);
    }
    if (quantity)
        *quantity = n;
    return name.trimmed();
}

QSet<QString> TDiscogsImport::ReleasesIn(const TQelDb &db)
{
    QSet<QString> releases;
    static const QLatin1String prefix("Discogs:");
    for (qsizetype i = 0; i < db.AlbumCount(); ++i) {
        const QStringView comments = db.Album(i)->Comments.view();
        if (!comments.contains(prefix, Qt::CaseInsensitive))
            continue;
        for (QStringView line : comments.split(u'\n')) {
            line = line.trimmed();
            if (line.startsWith(prefix, Qt::CaseInsensitive)) {
                const QString key = releaseKey(line.sliced(prefix.size()));
                if (!key.isEmpty())
                    releases.insert(key);
            }
        }
    }
    return releases;
}

bool TDiscogsImport::fail(const QString &message)
{
    Error = message;
    ShowInfo(message);
    return false;
}

bool TDiscogsImport::Run()
{
    Summary = {};
    Error.clear();
    AddedLookups = false;
    SetCaption(tr("Import Discogs Collection"));
    TDelimitedFormat format;
    QString error;
    if (!GuessDelimitedFormat(m_fileName, format, fgAll, &error))
        return fail(error);
    TDelimitedReader reader;
    if (!reader.Open(m_fileName, format))
        return fail(reader.ErrorString());
    if (!reader.Next())
        return fail(reader.ErrorString().isEmpty()
                        ? tr("\"%1\" holds nothing: no column names, no rows.").arg(m_fileName)
                        : reader.ErrorString());
    QStringList columns;
    for (const QStringView name : reader.Fields())
        columns << name.trimmed().toString();
    qsizetype at[cColumns];
    for (int k = 0; k < cColumns; ++k)
        at[k] = -1;
    for (qsizetype c = 0; c < columns.size(); ++c)
        for (int k = 0; k < cColumns; ++k)
            if (at[k] < 0 &&
                columns[c].compare(QLatin1String(kColumnNames[k]), Qt::CaseInsensitive) == 0)
                at[k] = c;
    for (const int k : {cArtist, cTitle})
        if (at[k] < 0)
            return fail(tr("\"%1\" is not a Discogs collection export: it has no column "
                           "\"%2\".")
                            .arg(m_fileName, QLatin1String(kColumnNames[k])));

    const QSet<QString> known = ReleasesIn(m_db);
    if (BeforeChange)
        BeforeChange();
    SetMessage(tr("Importing %1...").arg(QFileInfo(m_fileName).fileName()));
    TImportProgress progress(*this);
    Start();
    TImportBatch batch(m_db);
    batch.ExpectBytes(reader.Size());
    while (!Cancelled() && reader.Next()) {
        const qint64 row = ++Summary.Rows;
        const std::vector<QStringView> &fields = reader.Fields();
        if (qsizetype(fields.size()) != columns.size())
            ++Summary.RaggedRows;
        const auto value = [&](int k) {
            return at[k] >= 0 && at[k] < qsizetype(fields.size())
                       ? fields[std::size_t(at[k])].trimmed()
                       : QStringView();
        };
        const auto unconverted = [&](int k) {
            Summary.AddUnconverted(row, columns[at[k]], value(k));
        };
        progress.Report(reader.BytesDone(), reader.Size(), row);

        const QStringView release = value(cRelease);
        if (known.contains(releaseKey(release))) {
            ++Summary.SkippedRows;
            continue;
        }
        TAlbum *album = batch.NewAlbum();
        album->Title = value(cTitle);
        album->Artist = batch.Lookup(fdArtist, WithoutNumberSuffix(value(cArtist).toString()));
        const QStringView labels = value(cLabel);
        const qsizetype comma = labels.indexOf(QLatin1String(", "));
        album->Label = batch.Lookup(
            fdLabel, WithoutNumberSuffix((comma < 0 ? labels : labels.left(comma)).toString()));
        const QStringView number = value(cCatalog);
        if (number.compare(QLatin1String("none"), Qt::CaseInsensitive) != 0)
            album->Number = number;

        qint32 discs = 1;
        const QString formatName = FirstFormat(value(cFormat).toString(), &discs);
        album->Format = batch.Lookup(fdFormat, formatName);
        if (discs < 1 || discs > kMaxDiscs) {
            unconverted(cFormat);
            discs = 1;
        }
        for (qint32 d = 1; d <= discs; ++d) {
            auto *disc = new TDisc(album);
            album->Add(disc);
            disc->Index = d;
            disc->Live = 2;
        }

        const QStringView released = value(cReleased);
        if (released != u"0")
            album->Year = released;
        if (!value(cRating).isEmpty()) {
            qint32 stars = 0;
            if (importvalue::Integer(value(cRating), 0, 5, stars))
                album->Rating = quint8(stars * 20);
            else
                unconverted(cRating);
        }
        if (!value(cAdded).isEmpty() && !addedDate(value(cAdded), album->PurchaseDate))
            unconverted(cAdded);
        const QStringView folder = value(cFolder);
        if (folder.compare(QLatin1String("Uncategorized"), Qt::CaseInsensitive) != 0)
            album->Location = folder;
        album->InCollection = true;

        QStringList lines;
        if (!value(cNotes).isEmpty())
            lines << crLf(value(cNotes));
        if (!value(cMedia).isEmpty())
            lines << QStringLiteral("Media: ") + value(cMedia).toString();
        if (!value(cSleeve).isEmpty())
            lines << QStringLiteral("Sleeve: ") + value(cSleeve).toString();
        if (!release.isEmpty())
            lines << QStringLiteral("Discogs: ") + release.toString();
        album->Comments = lines.join(QStringLiteral("\r\n"));
    }
    if (!reader.ErrorString().isEmpty()) {
        batch.Discard();
        Finish();
        return fail(reader.ErrorString());
    }
    if (Cancelled()) {
        batch.Discard();
        Finish();
        Summary.Cancelled = true;
        ShowInfo(tr("The import was cancelled: nothing was added."));
        return false;
    }
    Summary.Albums = batch.Count();
    AddedLookups = batch.AddedLookups();
    batch.Commit();
    SetPosition(Max);
    Finish();
    ShowInfo(Summary.Text());
    return Summary.Albums > 0;
}
