#pragma once

#include "model/fields.h"
#include "services/process.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>
#include <memory>
#include <vector>

class TAtomicFile;
class TDataItem;
class TQelFields;
class TShowFields;

// Writes a list of albums or tracks to a file, one record per item, with the columns of
// a show-field list. The file is written beside its destination and renamed over it at
// the end, so an existing file is replaced whole or not at all. Text is UTF-8 with CR LF
// line ends.
class TExport : public TProcess
{
    Q_OBJECT

public:
    explicit TExport(QObject *owner = nullptr);
    ~TExport() override;

    // Checks the inputs, asks before replacing an existing file, resets the counters and
    // opens the file. False when the export must not run (after a message when the file
    // cannot be created).
    virtual bool Prepare();
    // Runs the whole export: true when it ran, also when cancelled part-way (the file
    // then holds the records written so far and its tail); false when Prepare refused
    // or the file could not be written, which leaves an existing file as it was.
    bool Execute();
    virtual void WriteItem(const TDataItem *item) = 0;

    qint32 ExportedCount = 0;
    const QList<TDataItem *> *ItemList = nullptr; // not owned
    TItemLevel ExportLevel = ilAlbum;
    TItemLevel ListLevel = ilAlbum;
    const TShowFields *ShowFields = nullptr; // not owned
    // The column names as the user set them; the default names without it.
    const TQelFields *FieldNames = nullptr;
    QString FileName;

protected:
    virtual void writeHead() = 0;
    virtual void writeTail() = 0;

    QString columnName(qsizetype column) const;
    qsizetype columnCount() const { return qsizetype(m_columns.size()); }
    TFieldId columnField(qsizetype column) const { return m_columns[std::size_t(column)]; }

    // The output goes through one large buffer that is written out in big blocks.
    void put(const char *latin1);
    void putLine(const char *latin1)
    {
        put(latin1);
        endLine();
    }
    void putNumber(qint64 n) { put(QByteArray::number(n).constData()); }
    // text in UTF-8; with quote set, the text is enclosed in it and each quote character
    // inside is written twice.
    void putText(QStringView text, char16_t quote = 0);
    // text in UTF-8 with &, <, > and " written as entities.
    void putHtml(QStringView text);
    void endLine();

private:
    // Room for n more bytes at the end of the buffer.
    char *room(qsizetype n);
    void flushBuffer();
    void reportProgress(qint32 done);

    std::unique_ptr<TAtomicFile> m_file;
    std::vector<TFieldId> m_columns;
    QByteArray m_buffer; // its size is the capacity; m_used bytes of it are taken
    qsizetype m_used = 0;
    QString m_writeError; // the first write error of a run
    qint64 m_lastProgress = 0;
    int m_lastPercent = -1;
};

// Delimited text: one line per record, every value enclosed in the qualifier.
class TExportAscii : public TExport
{
    Q_OBJECT

public:
    using TExport::TExport;
    bool Prepare() override;
    void WriteFieldNames();
    void WriteItem(const TDataItem *item) override;

    QString TextQualifier = QStringLiteral("\""); // empty or one character
    QString Delimiter = QStringLiteral(",");      // one character
    bool IncludeFieldNames = false;

protected:
    void writeHead() override;
    void writeTail() override {}

private:
    char16_t qualifier() const; // 0 for none
};

// An HTML page holding one table, one row per record.
class TExportHTML : public TExport
{
    Q_OBJECT

public:
    using TExport::TExport;
    bool Prepare() override;
    void WriteItem(const TDataItem *item) override;

    bool Border = true;

    // The address the footer of every page links to.
    static const char *WebSite();

protected:
    void writeHead() override;
    void writeTail() override;
};
