#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <utility>
#include <vector>

class TScanCD;

// Owned elements at stable addresses; a copy copies the elements, so the records that
// hold them copy as values.
template <class T> class TOwnedItems : public std::vector<std::unique_ptr<T>>
{
public:
    TOwnedItems() = default;
    TOwnedItems(TOwnedItems &&) noexcept = default;
    TOwnedItems &operator=(TOwnedItems &&) noexcept = default;
    ~TOwnedItems() = default;
    TOwnedItems(const TOwnedItems &other) : std::vector<std::unique_ptr<T>>()
    {
        this->reserve(other.size());
        for (const auto &e : other)
            this->push_back(std::make_unique<T>(*e));
    }
    TOwnedItems &operator=(const TOwnedItems &other)
    {
        if (this != &other) {
            TOwnedItems copy(other);
            *this = std::move(copy);
        }
        return *this;
    }
};

// One track of a CDDB entry.
struct TCddbTrack
{
    QString Title;          // "TTITLE" lines joined; escapes kept
    QString ExtData;        // "EXTT" lines joined and decoded
    qint32 FrameOffset = 0; // only for entries made for submission; never stored
};

// One CDDB entry: the text record a server keeps for a disc.
class TCddbCD
{
public:
    QString DTitle;  // "artist / title"; lines joined, escapes kept
    QString ExtData; // "EXTD" lines joined and decoded
    QString Category;
    qint32 Revision = 0;
    QString SubmittedVia;
    qint32 DiscId = 0; // 32 unsigned bits

    int TrackCount() const { return int(m_tracks.size()); }
    TCddbTrack &Track(int index) { return *m_tracks.at(size_t(index)); }
    const TCddbTrack &Track(int index) const { return *m_tracks.at(size_t(index)); }
    TCddbTrack &AddTrack();
    void ClearTracks() { m_tracks.clear(); }

    // The part of DTitle before (Artist) or after (Title) the first "/", trimmed; the
    // whole DTitle when it has no "/".
    QString Artist() const;
    QString Title() const;
    QString DiscIdText() const; // eight lower-case hexadecimal digits

private:
    TOwnedItems<TCddbTrack> m_tracks;
};

// Fills an empty entry from the lines of a read reply. The disc gives the number of
// tracks; discIdText and category are those of the match that was read.
void ParseEntry(const TScanCD &disc, const QStringList &lines, TCddbCD &entry,
                const QString &discIdText, const QString &category);

// The escapes of extended data: "\n" is a line break (CR LF here, the catalogue's own),
// "\t" a tab, "\\" a backslash.
QString UnescapeText(const QString &text);
// The reverse: CR LF becomes "\n", a tab "\t", a backslash "\\"; printable characters
// (32 to 126, and from 160 up: replies and submissions are UTF-8) are kept; every other
// character is dropped.
QString EscapeText(const QString &text);

// Appends "keyword=value" as lines of at most 79 characters.
void AddKeywordLines(const QString &keyword, const QString &value, QStringList &lines);

// The entry text of the disc's first CDDB entry, with the disc's own offsets and
// identifier, one line per element (joined with CR LF when sent).
void ComposeEntry(const TScanCD &disc, QStringList &lines);
