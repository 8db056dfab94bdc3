#pragma once

#include "model/fields.h"
#include "shell/fielddefaults.h"
#include "shell/prefs.h"

#include <QStringList>
#include <memory>

class TDriveList;
class TSettingsStore;

// The process-wide resources of the desktop program: the settings store, the field
// catalogue with the user's names, the preferences, the field defaults and the
// genre list. Everything is read when it is created and written back when it is
// destroyed (a normal end of the program), and also by SaveChanges as soon as the user
// has confirmed a change, so that a crash or a power cut cannot take it.
class TdmGlobal
{
public:
    // arguments: the program's command line without the program name. store and
    // drives (not owned) replace the user's settings file and the machine's drives.
    explicit TdmGlobal(const QStringList &arguments, TSettingsStore *store = nullptr,
                       TDriveList *drives = nullptr);
    ~TdmGlobal();
    TdmGlobal(const TdmGlobal &) = delete;
    TdmGlobal &operator=(const TdmGlobal &) = delete;

    TSettingsStore &Settings() { return *m_settings; }
    TQelFields &Fields() { return m_fields; }
    TPrefs &Prefs() { return m_prefs; }
    TFieldDefaults &FieldDefaults() { return m_defaults; }
    const QStringList &Genres() const;
    bool BugBuster() const { return m_bugBuster; }

    TFolderFile GetCoverFileName(const QString &name) const
    {
        return m_prefs.GetCoverFileName(name);
    }
    TFolderFile GetLyricsFileName(const QString &name) const
    {
        return m_prefs.GetLyricsFileName(name);
    }

    // Saves everything now (also done by the destructor, which reports a failure
    // through ShowInfo); false when the settings or the field names could not be
    // written, with error (when given) saying what was lost.
    bool SaveAll(QString *error = nullptr);
    // Saves everything now, after the user confirmed a change; a failure is shown
    // (ShowInfo) and the values stay in memory for the next save.
    bool SaveChanges();

private:
    std::unique_ptr<TSettingsStore> m_ownStore;
    TSettingsStore *m_settings;
    TQelFields m_fields;
    TPrefs m_prefs;
    TFieldDefaults m_defaults;
    bool m_bugBuster = false;
    QString m_fieldNamesPath;
};
