#include "cddb/cddbsubmit.h"

#include "cddb/cdreader.h"
#include "cddb/scancd.h"
#include "model/album.h"
#include "model/general.h"
#include "model/tracks.h"

#include <QCoreApplication>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("TfmSubmit", text);
}

// Only the separators we insert may divide artist from title.
QString clean(const QString &text)
{
    QString s = text;
    return s.replace(u'/', u' ');
}

QString headerTitle(const TTrack &track)
{
    const TDataItem *parent = track.Parent;
    if (parent && parent->Kind() == TItemKind::Header)
        return clean(parent->Title);
    return {};
}

QString commaQuestion(bool disc)
{
    // Line breaks between sentences only: the message box wraps each at word boundaries.
    const QStringList lines = {
        disc ? tr("A comma was found in the Display Name of the Disc Artist.")
             : tr("A comma was found in the Display Name of one of the Track Artists."),
        tr("The CDDB requires that Artist names are submitted exactly as they appear on the CD "
           "cover."),
        tr("Do not submit artist names like \"Kestrel, Mara\" or \"Lighthouse Keepers, The\" !!"),
        tr("Only continue if you are sure all artist names are in the correct format."),
        tr("If not, please use the Edit Lookup List screen (Edit menu) to correct it."),
        tr("Continue?"),
    };
    return lines.join(QStringLiteral("\r\n"));
}

const QString kEmpty = QStringLiteral("[EMPTY]");

} // namespace

QString SubmittedViaText()
{
    return QStringLiteral("Qel %1 - music catalogue for Linux").arg(GetVersionText(true));
}

void BuildSubmitEntry(const TAlbum &album, TScanCD &record, int discIndex,
                      const TSubmitOptions &options)
{
    record.ClearCddbCDs();
    const TDisc *disc = album.Disc(discIndex);
    if (!disc)
        return;
    TCddbCD &e = record.AddCddbCD();
    const QString albumTitle = album.Title;
    QString title;
    switch (options.titleChoice) {
    case 1:
        title = disc->Title;
        break;
    case 2:
        title = QStringLiteral("%1 - %2").arg(albumTitle, QString(disc->Title));
        break;
    default:
        title = album.DiscCount() == 1
                    ? albumTitle
                    : QStringLiteral("%1 (Disc %2)").arg(albumTitle).arg(discIndex + 1);
    }
    title = clean(title);
    const QString discArtist = clean(disc->GetFieldAsString(fdSubmitArtist));
    e.DTitle = discArtist == title ? title : QStringLiteral("%1 / %2").arg(discArtist, title);
    if (options.submitDiscExt)
        e.ExtData = album.Comments;
    e.Category = album.GetFieldAsString(fdGenre);
    e.Revision = disc->CddbRevision + 1;
    e.SubmittedVia = SubmittedViaText();
    e.DiscId = disc->CddbDiscId;
    for (qsizetype i = 0; i < disc->TrackCount(); ++i) {
        const TTrack &track = *disc->Track(i);
        const QString artist = clean(track.GetFieldAsString(fdSubmitArtist));
        const QString name = clean(track.Title);
        const QString header = options.submitHeaders ? headerTitle(track) : QString();
        TCddbTrack &t = e.AddTrack();
        if (artist != discArtist)
            t.Title = header.isEmpty() ? QStringLiteral("%1 / %2").arg(artist, name)
                                       : QStringLiteral("%1 / %2 - %3").arg(artist, header, name);
        else
            t.Title = header.isEmpty() ? name : QStringLiteral("%1 - %2").arg(header, name);
        if (options.submitTrackExt)
            t.ExtData = track.Comments;
        t.FrameOffset = track.StartFrame;
    }
}

QString CheckSubmission(const TAlbum &album, TScanCD &record, int discIndex,
                        const TSubmitOptions &options, const QString &category,
                        const QString &source)
{
    BuildSubmitEntry(album, record, discIndex, options);
    const TDisc *disc = album.Disc(discIndex);
    if (category.isEmpty())
        return tr("No Category selected.");
    if (!disc || record.CddbCDCount() == 0 || record.CddbCD(0).DTitle.isEmpty())
        return tr("Disc Title is empty");
    const QString discArtist = disc->GetFieldAsString(fdSubmitArtist);
    if (discArtist == kEmpty)
        return tr("Display Name of Disc Artist is empty.");
    if (discArtist.contains(u',') && AskYesNo(commaQuestion(true)) != TAnswer::Yes)
        return tr("Display Name of Disc Artist not in correct format");

    // The scan keeps the record's entry; a failed one resets the record, and the entry
    // is built again by the next check.
    try {
        TCdScanner().Scan(source, record);
    } catch (const EQel &e) {
        return e.message();
    }
    if (record.CddbCDCount() == 0 || record.CddbCD(0).DiscId != record.CddbDiscId)
        return tr("Wrong disc inserted.");
    if (disc->TrackCount() != record.TrackCount())
        return tr("Track count does not match CD.");
    for (qsizetype i = 0; i < disc->TrackCount(); ++i) {
        const TTrack &track = *disc->Track(i);
        if (record.Track(int(i)).StartFrame != track.StartFrame)
            return tr("Track list doesn't match CD.");
        const QString artist = track.GetFieldAsString(fdSubmitArtist);
        if (artist == kEmpty)
            return tr("Display Name of Track Artist is empty.");
        if (artist != discArtist && artist.contains(u',') &&
            AskYesNo(commaQuestion(false)) != TAnswer::Yes)
            return tr("Display Name of Track Artist not in correct format");
    }
    const TCddbCD &e = record.CddbCD(0);
    bool anyTitle = false;
    for (int i = 0; i < e.TrackCount(); ++i)
        anyTitle = anyTitle || !e.Track(i).Title.isEmpty();
    if (!anyTitle)
        return tr("No track titles.");
    return {};
}
