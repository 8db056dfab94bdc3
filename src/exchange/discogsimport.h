#pragma once

#include "exchange/importbatch.h"
#include "services/process.h"

#include <QSet>
#include <QString>
#include <functional>

class TQelDb;

// Imports the CSV file a Discogs collection export writes (the columns "Catalog#",
// "Artist", "Title", "Label", "Format", "Rating", "Released", "release_id",
// "CollectionFolder", "Date Added", "Collection Media Condition", "Collection Sleeve
// Condition", "Collection Notes" and any custom fields, found by name in any order):
// one album per row. The release number goes into the album's comments as the line
// "Discogs: <number>"; a row whose release an album of the collection named so before
// the import is skipped, so importing a newer export adds only what is new.
class TDiscogsImport : public TProcess
{
    Q_OBJECT

public:
    TDiscogsImport(QObject *owner, TQelDb &db, const QString &fileName);

    std::function<void()> BeforeChange;

    // True when albums were added; the summary or the failure is shown through ShowInfo,
    // and a cancelled run adds nothing.
    bool Run();

    TImportSummary Summary;
    bool AddedLookups = false;
    QString Error;

    // The parts of a row, as the album shows them.
    // The name without Discogs' " (2)" that tells apart artists or labels of one name.
    static QString WithoutNumberSuffix(const QString &name);
    // The first format's name without its quantity ("2xLP, Album" gives "LP") and the
    // quantity (1 without one).
    static QString FirstFormat(const QString &formats, qint32 *quantity);
    // The release numbers named by "Discogs: <number>" lines in the albums' comments.
    static QSet<QString> ReleasesIn(const TQelDb &db);

private:
    bool fail(const QString &message);

    TQelDb &m_db;
    QString m_fileName;
};
