#pragma once

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;
class TDriveList;
class TPrefs;
class TdmGlobal;

// "Preferences": the scan drive, the confirmations, the tree's in-collection marks and
// the covers and lyrics folders. OK copies the controls into the preferences.
class TfmPrefs : public QDialog
{
    Q_OBJECT

public:
    TfmPrefs(TPrefs &prefs, TDriveList &drives, QWidget *parent = nullptr);

    void accept() override;

    // The file dialog of "&Image File..."; tests replace it. Empty: cancelled.
    std::function<QString(QWidget *owner, const QString &folder)> ChooseImage;

private:
    void browse(QLineEdit *edit, const QString &prompt);

    TPrefs &m_prefs;
    QComboBox *m_drive;
    QCheckBox *m_trackRemoval;
    QCheckBox *m_albumRemoval;
    QCheckBox *m_albumCancel;
    QCheckBox *m_trackCancel;
    QCheckBox *m_indicator;
    QCheckBox *m_backups;
    QSpinBox *m_backupSpace;
    QLineEdit *m_covers;
    QLineEdit *m_lyrics;
};

// Shows the dialog over owner; true when the preferences were changed by OK, which
// also writes them to the settings file at once (a crash later keeps them). drives
// lists the CD drives offered; nullptr means the machine's.
bool EditPreferences(QWidget *owner, TdmGlobal &dm, TDriveList *drives = nullptr);
