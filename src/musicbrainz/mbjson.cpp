#include "musicbrainz/mbjson.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QRegularExpression>
#include <algorithm>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("TMbJson", text);
}

// The largest frame offset taken from a reply: far beyond any CD, within 32 bits.
constexpr qint64 kMaxFrames = 10'000'000;

// Texts go into lookup entries, one-line fields and file names: control characters
// become blanks.
QString text(const QJsonValue &value)
{
    QString s = value.toString();
    for (QChar &c : s)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u' ';
    return s;
}

int integer(const QJsonValue &value, int fallback)
{
    if (!value.isDouble())
        return fallback;
    const double d = value.toDouble();
    return d >= -1e9 && d <= 1e9 ? int(d) : fallback;
}

// Release identifiers name request paths and cover files: only the exact form passes.
bool isMbid(const QString &id)
{
    static const QRegularExpression form(
        QStringLiteral("^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$"));
    return form.match(id).hasMatch();
}

TMbCredit credit(const QJsonValue &value)
{
    TMbCredit names;
    for (const QJsonValue &entry : value.toArray()) {
        const QJsonObject o = entry.toObject();
        const QJsonObject artist = o.value(QLatin1String("artist")).toObject();
        TMbCreditName name;
        name.Name = text(o.value(QLatin1String("name")));
        if (name.Name.isEmpty())
            name.Name = text(artist.value(QLatin1String("name")));
        name.SortName = text(artist.value(QLatin1String("sort-name")));
        name.JoinPhrase = text(o.value(QLatin1String("joinphrase")));
        if (!name.Name.isEmpty() || !name.JoinPhrase.isEmpty())
            names.push_back(std::move(name));
    }
    return names;
}

// A disc ID with a table of contents that makes sense: at most 99 rising offsets
// within the lead-out. Anything else keeps the ID and drops the table.
TMbDisc disc(const QJsonObject &o)
{
    TMbDisc d;
    d.Id = text(o.value(QLatin1String("id")));
    const double sectors = o.value(QLatin1String("sectors")).toDouble(-1);
    const QJsonArray offsets = o.value(QLatin1String("offsets")).toArray();
    if (sectors <= 0 || sectors > kMaxFrames || offsets.isEmpty() || offsets.size() > 99)
        return d;
    qint64 previous = 0;
    for (const QJsonValue &v : offsets) {
        const double offset = v.toDouble(-1);
        if (offset <= previous || offset >= sectors) {
            d.Offsets.clear();
            return d;
        }
        d.Offsets.push_back(qint32(offset));
        previous = qint64(offset);
    }
    d.Sectors = qint32(sectors);
    return d;
}

TMbTrack track(const QJsonObject &o)
{
    const QJsonObject recording = o.value(QLatin1String("recording")).toObject();
    TMbTrack t;
    t.Position = integer(o.value(QLatin1String("position")), 0);
    t.Number = text(o.value(QLatin1String("number")));
    t.Title = text(o.value(QLatin1String("title")));
    if (t.Title.isEmpty())
        t.Title = text(recording.value(QLatin1String("title")));
    QJsonValue length = o.value(QLatin1String("length"));
    if (!length.isDouble())
        length = recording.value(QLatin1String("length"));
    if (length.isDouble() && length.toDouble() >= 0 && length.toDouble() < 1e12)
        t.LengthMs = qint64(length.toDouble());
    QJsonValue names = o.value(QLatin1String("artist-credit"));
    if (!names.isArray())
        names = recording.value(QLatin1String("artist-credit"));
    t.Credit = credit(names);
    return t;
}

TMbMedium medium(const QJsonObject &o)
{
    TMbMedium m;
    m.Position = integer(o.value(QLatin1String("position")), 0);
    m.Title = text(o.value(QLatin1String("title")));
    m.Format = text(o.value(QLatin1String("format")));
    for (const QJsonValue &d : o.value(QLatin1String("discs")).toArray())
        if (d.isObject())
            m.Discs.push_back(disc(d.toObject()));
    for (const QJsonValue &t : o.value(QLatin1String("tracks")).toArray())
        if (t.isObject())
            m.Tracks.push_back(track(t.toObject()));
    std::stable_sort(m.Tracks.begin(), m.Tracks.end(),
                     [](const TMbTrack &a, const TMbTrack &b) { return a.Position < b.Position; });
    m.TrackCount =
        std::max(integer(o.value(QLatin1String("track-count")), 0), int(m.Tracks.size()));
    return m;
}

QString release(const QJsonObject &o, TMbRelease &r)
{
    r.Id = o.value(QLatin1String("id")).toString();
    if (!isMbid(r.Id))
        return tr("a release without a valid identifier");
    if (!o.value(QLatin1String("title")).isString())
        return tr("a release without a title");
    r.Title = text(o.value(QLatin1String("title")));
    r.Date = text(o.value(QLatin1String("date")));
    r.Country = text(o.value(QLatin1String("country")));
    r.Barcode = text(o.value(QLatin1String("barcode")));
    r.Disambiguation = text(o.value(QLatin1String("disambiguation")));
    r.Credit = credit(o.value(QLatin1String("artist-credit")));
    for (const QJsonValue &v : o.value(QLatin1String("label-info")).toArray()) {
        const QJsonObject info = v.toObject();
        const QJsonObject label = info.value(QLatin1String("label")).toObject();
        TMbLabelInfo l;
        l.Name = text(label.value(QLatin1String("name")));
        l.SortName = text(label.value(QLatin1String("sort-name")));
        l.CatalogNumber = text(info.value(QLatin1String("catalog-number")));
        r.Labels.push_back(std::move(l));
    }
    for (const QJsonValue &m : o.value(QLatin1String("media")).toArray())
        if (m.isObject())
            r.Media.push_back(medium(m.toObject()));
    std::stable_sort(r.Media.begin(), r.Media.end(), [](const TMbMedium &a, const TMbMedium &b) {
        return a.Position < b.Position;
    });
    const QJsonObject group = o.value(QLatin1String("release-group")).toObject();
    for (const QJsonValue &g : group.value(QLatin1String("genres")).toArray()) {
        const QJsonObject genre = g.toObject();
        const QString name = text(genre.value(QLatin1String("name"))).trimmed();
        if (!name.isEmpty())
            r.GroupGenres.push_back({name, integer(genre.value(QLatin1String("count")), 0)});
    }
    const QJsonValue front =
        o.value(QLatin1String("cover-art-archive")).toObject().value(QLatin1String("front"));
    r.HasFrontCover = !(front.isBool() && !front.toBool());
    return {};
}

QString object(const QByteArray &body, QJsonObject &o)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        return tr("the reply is not JSON (%1 at byte %2)")
            .arg(error.errorString())
            .arg(error.offset);
    if (!document.isObject())
        return tr("the reply is not a JSON object");
    o = document.object();
    return {};
}

} // namespace

QString ReadMbReleaseList(const QByteArray &body, bool near, TMbReleases &releases)
{
    releases.clear();
    QJsonObject o;
    QString error = object(body, o);
    if (!error.isEmpty())
        return error;
    const QJsonValue list = o.value(QLatin1String("releases"));
    if (!list.isArray())
        return tr("the reply has no list of releases");
    TMbReleases found;
    for (const QJsonValue &v : list.toArray()) {
        TMbRelease r;
        error = v.isObject() ? release(v.toObject(), r) : tr("a release that is not an object");
        if (!error.isEmpty())
            return error;
        r.Near = near;
        found.push_back(std::move(r));
    }
    releases = std::move(found);
    return {};
}

QString ReadMbRelease(const QByteArray &body, TMbRelease &result)
{
    result = {};
    QJsonObject o;
    QString error = object(body, o);
    if (!error.isEmpty())
        return error;
    TMbRelease r;
    error = release(o, r);
    if (!error.isEmpty())
        return error;
    r.Complete = true;
    result = std::move(r);
    return {};
}
