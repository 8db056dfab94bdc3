#pragma once

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class TFieldDefaults;
class TRatingBar;
class TQelDb;
class TQelFields;
class TdmGlobal;

// "Field Defaults": the values a new album receives. The lists offer the open
// collection's lookup entries; a typed name that is no entry yet is taken as it is.
class TfmFieldDefaults : public QDialog
{
    Q_OBJECT

public:
    TfmFieldDefaults(TFieldDefaults &defaults, const TQelFields &fields, TQelDb &db,
                     QWidget *parent = nullptr);

    // Copies the controls into the defaults, in the order of the form. A price that is
    // no number is reported and ends the copy there: price, store and rating keep
    // their values, and the dialog still closes as confirmed.
    void accept() override;

private:
    TFieldDefaults &m_defaults;
    QLineEdit *m_year;
    QComboBox *m_format;
    QButtonGroup *m_inCollection;
    QCheckBox *m_mono;
    QCheckBox *m_live;
    QButtonGroup *m_ad;
    QComboBox *m_owner;
    QComboBox *m_genre;
    QCheckBox *m_useNow;
    QLineEdit *m_price;
    QComboBox *m_store;
    TRatingBar *m_rating;
};

// Shows the dialog over owner with db's lookup lists; returns the dialog's result
// (QDialog::Accepted for OK). OK writes the settings file at once (a crash later keeps
// the defaults).
int EditFieldDefaults(QWidget *owner, TdmGlobal &dm, TQelDb &db);
