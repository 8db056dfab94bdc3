#pragma once

#include "exchange/delimitedimport.h"

#include <QDialog>
#include <functional>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;
class QWidget;
class TQelDb;
class TQelFields;
class TdmGlobal;

// "Import Delimited Text": the columns of a file with the field each goes to, guessed
// from their names and changeable (or "(skip)"), above the first rows of the file; the
// delimiter, the text qualifier and the encoding, guessed from the file and
// changeable, read it again when changed.
class TfmImportText : public QDialog
{
    Q_OBJECT

public:
    // Rows of the file shown.
    static constexpr int PreviewRows = 20;

    TfmImportText(const QString &fileName, const TQelFields &fields, QWidget *parent = nullptr);

    // Why the file cannot be imported as it is read now (empty when it can).
    QString Error() const { return m_preview.Error; }
    const TDelimitedFormat &Format() const { return m_format; }
    QStringList Columns() const { return m_preview.Columns; }
    TColumnMapping Mapping() const;
    // Sets a column's field as its box does (fdNone: skip).
    void SetField(qsizetype column, TFieldId field);

private:
    void readOptions();
    void reread();
    void fillTable();
    void fieldChosen(qsizetype column);
    void updateShape();

    QString m_fileName;
    const TQelFields &m_fields;
    TDelimitedFormat m_format;
    TDelimitedPreview m_preview;
    std::vector<TFieldId> m_choices; // what the boxes offer after "(skip)"
    QComboBox *m_delimiter;
    QComboBox *m_qualifier;
    QComboBox *m_encoding;
    QTableWidget *m_table;
    QLabel *m_shape;
    QPushButton *m_ok;
    std::vector<QComboBox *> m_boxes; // one per column
    bool m_filling = false;
};

// The two commands of "Import From": each asks for the file (the delimited text then
// goes through the dialog above), runs the import with its progress window over owner,
// shows the summary and returns whether albums were added, after which the caller saves
// the collection and shows it afresh. beforeChange (when given) runs once the file has
// proved readable and the user confirmed, before the first album is added.
bool ImportDelimitedText(QWidget *owner, TQelDb &db, TdmGlobal &dm,
                         const std::function<void()> &beforeChange = {});
bool ImportDiscogsCollection(QWidget *owner, TQelDb &db, TdmGlobal &dm,
                             const std::function<void()> &beforeChange = {});

// Asks for the file to import, starting in folder; an empty answer is a Cancel. Tests
// replace it.
using TChooseImportFile =
    std::function<QString(QWidget *parent, const QString &caption, const QString &folder)>;
extern TChooseImportFile ChooseImportFile;
