#pragma once

#include "model/fields.h"
#include "views/listfields.h"

#include <QDialog>
#include <QList>
#include <functional>
#include <memory>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QVBoxLayout;
class TDataItem;
class TExport;
class TExportAscii;
class TExportHTML;
class TQelFields;
class TSettingsStore;
class TdmGlobal;

// What the two export dialogs share: the destination file, the columns, the Export and
// Cancel buttons, and the settings of one section. Each owns its export object, which
// shows its progress over the dialog.
class TfmExport : public QDialog
{
    Q_OBJECT

public:
    ~TfmExport() override;

    TShowFields &Columns() { return m_columns; }
    TExport &Exporter() { return *m_export; }

    // The field selection dialog on the columns; without it "Fields..." does nothing.
    std::function<bool(TListFields &, const QString &)> SelectColumns;
    // Asks for the destination file, starting in folder; tests replace it.
    std::function<QString(QWidget *, const QString &folder)> ChooseFile;

    void done(int result) override;

protected:
    struct TKind
    {
        const char *objectName;
        QString caption;
        QString section;       // of the settings
        QString fieldsSuffix;  // of the field selection's caption
        QString browseCaption; // of the file dialog
        QString browseFilter;  // Qt's filter syntax
        QString defaultSuffix; // without the dot
    };

    // makeExport gets the dialog, which its progress window is placed over.
    TfmExport(const TKind &kind,
              const std::function<std::unique_ptr<TExport>(QObject *)> &makeExport,
              QList<TDataItem *> items, TItemLevel listLevel, TItemLevel exportLevel,
              TSettingsStore &settings, const TQelFields &fields, QWidget *parent);
    // Lays the dialog out with the format's options beside the columns.
    void finishLayout(QLayout *options);
    // The format's options into the export object, and back into the settings.
    virtual void copyOptions() = 0;
    virtual void saveOptions(TSettingsStore &settings, const QString &section) const = 0;

    TSettingsStore &m_settings;

private:
    void fillFields();
    void selectColumns();
    void browse();
    void completeFileName();
    void runExport();
    QString columnsKey() const;

    TKind m_kind;
    std::unique_ptr<TExport> m_export;
    QList<TDataItem *> m_items;
    const TQelFields &m_fields;
    TShowFields m_columns;
    QLineEdit *m_fileName;
    QListWidget *m_fieldList;
};

// "Export to ASCII": delimiter, text qualifier and the line of field names.
class TfmExportAscii : public TfmExport
{
    Q_OBJECT

public:
    TfmExportAscii(QList<TDataItem *> items, TItemLevel listLevel, TItemLevel exportLevel,
                   TSettingsStore &settings, const TQelFields &fields, QWidget *parent = nullptr);

protected:
    void copyOptions() override;
    void saveOptions(TSettingsStore &settings, const QString &section) const override;

private:
    QList<QRadioButton *> m_delimiters;
    QList<QRadioButton *> m_qualifiers;
    QCheckBox *m_names;
};

// "Export to HTML": the table with or without a border.
class TfmExportHtml : public TfmExport
{
    Q_OBJECT

public:
    TfmExportHtml(QList<TDataItem *> items, TItemLevel listLevel, TItemLevel exportLevel,
                  TSettingsStore &settings, const TQelFields &fields, QWidget *parent = nullptr);

protected:
    void copyOptions() override;
    void saveOptions(TSettingsStore &settings, const QString &section) const override;

private:
    QCheckBox *m_border;
};

// The export commands of the main window: the dialog of the format over owner, modal,
// for items (albums when listLevel is album, tracks otherwise), exporting exportLevel.
void ExportToAscii(QWidget *owner, QList<TDataItem *> items, TItemLevel listLevel,
                   TItemLevel exportLevel, TdmGlobal &dm);
void ExportToHtml(QWidget *owner, QList<TDataItem *> items, TItemLevel listLevel,
                  TItemLevel exportLevel, TdmGlobal &dm);
