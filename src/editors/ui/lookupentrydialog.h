#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

// One lookup entry's sort name and display name, each of which can be generated from
// the other. OK needs a sort name.
class TfmLookupEdit : public QDialog
{
    Q_OBJECT

public:
    explicit TfmLookupEdit(QWidget *parent = nullptr);

    void SetNames(const QString &sortName, const QString &displayName);
    QString SortName() const;
    QString DisplayName() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void updateOk();

    QLineEdit *m_sortName;
    QLineEdit *m_displayName;
    QPushButton *m_ok;
};

// Shows the dialog over owner with the two names; returns QDialog::Accepted or
// QDialog::Rejected and hands back what the boxes hold, whichever way it closed.
int EditLookupEntry(QWidget *owner, const QString &caption, QString &sortName,
                    QString &displayName);
