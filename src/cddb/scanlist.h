#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class TScanCD;

// The discs scanned for a later CDDB lookup, kept in "scanlist.dat" in the program
// folder between runs. An owning list frees its discs when cleared or destroyed; a
// list made with owning false only points at discs of another list.
class TScanCdList
{
public:
    explicit TScanCdList(bool owning = true) : m_owning(owning) {}
    ~TScanCdList();
    TScanCdList(const TScanCdList &) = delete;
    TScanCdList &operator=(const TScanCdList &) = delete;

    int Count() const { return int(m_discs.size()); }
    TScanCD *Item(int index) const { return m_discs.at(index); }
    void Add(TScanCD *disc) { m_discs.append(disc); }
    // Takes the disc out without freeing it.
    void Remove(TScanCD *disc) { m_discs.removeOne(disc); }
    void Clear();
    TScanCD *FindByCddbDiscId(qint32 id) const;

    // "scanlist.dat" in the program folder.
    static QString FileName();
    // Reads the file; a missing or unreadable file gives an empty list. A damaged file
    // keeps the discs read before the damage and returns why it stopped (empty when
    // all went well).
    QString LoadFromFile(const QString &path = FileName());
    // Writes the file atomically; returns an empty text or the error.
    QString SaveToFile(const QString &path = FileName()) const;

    // The file's bytes. Reading clears the list first and throws EQel for damage,
    // after keeping the discs read completely.
    void ReadFromBytes(const QByteArray &bytes);
    QByteArray WriteToBytes() const;

private:
    QList<TScanCD *> m_discs;
    bool m_owning;
};
