#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <vector>

// The files of CD Valet's catalogue: "CDValet.toc" holds one disc identifier per line,
// "CDValet.dat" one record per disc in the same order, each ending with a line that
// holds only a form feed.

struct TCdValetTrack
{
    qint32 StartFrame = 0;
    QString Text;
    QString Notes;
};

struct TCdValetRecord
{
    QString Artist;
    QString Title;
    QString Notes;
    std::vector<TCdValetTrack> Tracks;
    qint32 LeadOut = 0;
};

// Reads the records of "CDValet.dat" one after the other. It never reads past the end
// and never reserves what a length in the file claims: texts and tracks grow with the
// bytes actually there.
class TCdValetReader
{
public:
    enum class TResult {
        Ok,
        OutOfStep, // the record's first line is not the identifier expected
        Malformed  // passed over, up to and including its form-feed line
    };

    explicit TCdValetReader(QByteArrayView data) : m_data(data) {}
    // Reads the next record, whose first line must be id (case ignored).
    TResult ReadRecord(const QString &id, TCdValetRecord &record);
    bool AtEnd() const { return m_pos >= m_data.size(); }

private:
    bool readLine(QByteArrayView &line);
    bool readNumber(qint32 &value);
    bool readText(qint32 length, QByteArray &text);
    bool readNotes(qint32 length, QByteArray &notes);
    bool atFormFeedLine() const;
    void skipPastFormFeed();
    TResult readBody(TCdValetRecord &record);

    QByteArrayView m_data;
    qsizetype m_pos = 0;
};

// The lines of "CDValet.toc" without their line ends.
QStringList ReadCdValetToc(QByteArrayView bytes);
