#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

// An INI file held wholly in memory: read once, answered from memory, and written
// back whole (atomically) when something changed. Its bytes are cp1252; a line, and
// so a value, holds at most 255 characters. Files other programs wrote are read
// tolerantly: lines before the first section are dropped, and of sections with equal
// names (case ignored) only the first is kept.
//
// Section searches start where the previous one succeeded (CurrentSection for entry
// reads and writes, LastFound for the section operations), so reading a file section
// after section costs one comparison per read; a miss there is answered from an
// index of the names.
class TBigIniFile
{
public:
    static constexpr int MaxLineLength = 255;

    explicit TBigIniFile(const QString &fileName = {});
    // Writes the file when something changed; a failure here cannot be reported, so
    // callers that care call UpdateFile first.
    virtual ~TBigIniFile();
    TBigIniFile(const TBigIniFile &) = delete;
    TBigIniFile &operator=(const TBigIniFile &) = delete;

    // Writes pending changes to the old file, then loads fileName (nothing when empty
    // or missing). False when the pending changes could not be written or the new file
    // could not be read (ErrorString() says why; the sections are then empty).
    bool SetFileName(const QString &fileName);
    QString FileName() const { return m_fileName; }

    // Replaces the content with the sections read from bytes (the file's content).
    void LoadFromBytes(QByteArrayView bytes);
    // The content as UpdateFile writes it.
    QByteArray ToBytes() const;

    QString ReadString(const QString &section, const QString &name, const QString &def);
    void WriteString(const QString &section, const QString &name, const QString &value);
    // Decimal, "$" or "0x" followed by hexadecimal digits; anything else gives def.
    qint32 ReadInteger(const QString &section, const QString &name, qint32 def);
    void WriteInteger(const QString &section, const QString &name, qint32 value);
    bool ReadBool(const QString &section, const QString &name, bool def);
    void WriteBool(const QString &section, const QString &name, bool value);

    void ReadSection(const QString &section, QStringList &names);       // appends entry names
    void ReadSections(QStringList &sections) const;                     // replaces
    void ReadSectionValues(const QString &section, QStringList &lines); // appends lines
    void EraseSection(const QString &section);
    void DeleteKey(const QString &section, const QString &name);

    // Writes the file when it changed and has a name. False, with ErrorString() set,
    // when the write failed: the old file is then as it was and the changes stay
    // pending.
    bool UpdateFile();
    QString ErrorString() const { return m_error; }
    // Forgets the pending changes, so that the destructor does not try again what
    // failed and was reported.
    void DiscardChanges() { m_modified = false; }

    bool Modified() const { return m_modified; }
    int CurrentSection() const { return m_current; }
    int LastFound() const { return m_lastFound; }
    int SectionCount() const { return int(m_sections.size()); }

    // Reads an entry's value as ReadInteger does; false when it is no number.
    static bool ParseInteger(const QString &text, qint32 &value);

private:
    struct TSection
    {
        QString name;
        QStringList lines;
    };

    static QString key(const QString &name) { return name.toCaseFolded(); }
    void clear();
    void rebuildIndex();
    int indexOf(const QString &name) const;
    // The section for an entry search from CurrentSection; with create, a missing one
    // is appended. -1 when there is none.
    int entrySection(const QString &section, bool create);
    // The section for the section operations, from LastFound.
    int findSection(const QString &section);
    int appendSection(const QString &name);
    static int findEntry(const QStringList &lines, const QString &name);

    QString m_fileName;
    QString m_error;
    bool m_modified = false;
    std::vector<TSection> m_sections;
    QHash<QString, int> m_index; // case-folded name to position in m_sections
    int m_current = 0;
    int m_lastFound = 0;
};
