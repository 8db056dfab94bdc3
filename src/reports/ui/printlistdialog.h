#pragma once

#include "model/fields.h"
#include "reports/listreport.h"
#include "views/listfields.h"

#include <QDialog>
#include <QFont>
#include <QPageLayout>
#include <memory>

class QCheckBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class TMarginsBox;
class QTreeWidget;
class TQelFields;
class TSettingsStore;
class TdmGlobal;
struct TMainServices;

// "Print List": the list report's title, orientation, margins, shading and columns, with
// a sample of the first 31 rows whose columns can be resized and reordered; prints,
// previews or writes a PDF. Its settings live in the section "ListReports".
class TfmPrintList : public QDialog
{
    Q_OBJECT

public:
    TfmPrintList(std::vector<const TDataItem *> items, TItemLevel level, TSettingsStore &settings,
                 const TQelFields &fields, QWidget *parent = nullptr);
    ~TfmPrintList() override;

    // The report as the dialog's choices make it, and its page layout.
    std::unique_ptr<TrpList> MakeReport();
    QPageLayout PageLayout() const;
    TShowFields &Columns() { return m_columns; }

    // The field selection dialog on the columns; without it "Fields..." is hidden.
    std::function<bool(TListFields &, const QString &)> SelectColumns;
    // Asks for a PDF file name; tests replace it.
    std::function<QString(QWidget *)> ChoosePdfFile;
    // The font dialog on a font; false when cancelled. Tests replace it.
    std::function<bool(QFont &, QWidget *)> ChooseFont;

    // The title and the list (sample and report body) fonts.
    QFont TitleFont() const { return m_titleFont; }
    QFont DataFont() const { return m_dataFont; }
    void SetTitleFont(const QFont &font);
    void SetDataFont(const QFont &font);

    void done(int result) override;

private:
    void fillSample();
    void copyColumnsBack();
    void preview();
    void print();
    void writePdf();
    void selectColumns();
    QString sectionKey() const;

    std::vector<const TDataItem *> m_items;
    TItemLevel m_level;
    TSettingsStore &m_settings;
    const TQelFields &m_fields;
    TShowFields m_columns;
    QLineEdit *m_title;
    QRadioButton *m_portrait, *m_landscape;
    TMarginsBox *m_margins;
    QCheckBox *m_shading;
    QTreeWidget *m_sample;
    QFont m_titleFont, m_dataFont;
};

// "Current List as List Report...": the dialog over owner for the items shown in the
// main window's list.
void PrintListReport(QWidget *owner, std::vector<const TDataItem *> items, TItemLevel level,
                     TdmGlobal &dm);
