#pragma once

#include "views/filterform.h"

#include <QDateEdit>
#include <QDialog>
#include <map>

class QCheckBox;
class QFormLayout;
class QLabel;
class QRadioButton;
class QTabWidget;
class TdmGlobal;
class TFilterFields;
class TQelDb;

// A date picker with a tick box inside its left edge: unticked means no date.
// Changing the date ticks it.
class TCheckedDateEdit : public QDateEdit
{
    Q_OBJECT

public:
    explicit TCheckedDateEdit(QWidget *parent = nullptr);

    bool IsChecked() const;
    void SetChecked(bool checked);
    // Days since 1899-12-30; 0 shows today's date. Setting them does not tick the box.
    double Days() const;
    void SetDays(double days, bool checked);
    QCheckBox *CheckBox() const { return m_check; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    int checkWidth() const;

    QCheckBox *m_check;
    bool m_filling = false;
};

// The filter of one level as a form on five pages. The controls show a TFilterForm;
// OK turns the form back into the filter's entries.
class TfmFilter : public QDialog
{
    Q_OBJECT

public:
    TfmFilter(QWidget *owner, const TFilterFields &filter, TQelDb &db, TdmGlobal &dm);

    // The control values as they were when "OK" was pressed.
    const TFilterForm &Form() const { return m_form; }

private:
    struct TControls
    {
        QWidget *first = nullptr;  // the edit, combo box, check box or lower bound
        QWidget *second = nullptr; // the upper bound of a range
        QLabel *label = nullptr;
    };

    QWidget *buildPage(std::initializer_list<TFieldId> left, std::initializer_list<TFieldId> right);
    void addControl(QFormLayout *form, TFieldId field);
    QWidget *makeControl(TFieldId field, TControls &controls);
    void showForm();
    void readForm();
    void clearFilter();

    TQelDb &m_db;
    TdmGlobal &m_dm;
    TFilterForm m_form;
    std::map<TFieldId, TControls> m_controls;
    QTabWidget *m_pages = nullptr;
    QRadioButton *m_and = nullptr;
    QRadioButton *m_or = nullptr;
    QCheckBox *m_caseSensitive = nullptr;
};

// Shows the filter dialog modally. On OK the filter has been rebuilt from the
// dialog and the result is true; Cancel leaves it unchanged.
bool EditFilter(QWidget *owner, TFilterFields &filter, TQelDb &db, TdmGlobal &dm);
