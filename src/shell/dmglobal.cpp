#include "shell/dmglobal.h"

#include "model/general.h"
#include "shell/genrelist.h"
#include "shell/settingsstore.h"

#include <QCoreApplication>

TdmGlobal::TdmGlobal(const QStringList &arguments, TSettingsStore *store, TDriveList *drives)
    : m_prefs(drives)
{
    // Only the exact switch counts; "/BUGBUSTER" is neither the switch nor a file.
    m_bugBuster = !arguments.isEmpty() && arguments.first() == QStringLiteral("/bugbuster");
    if (!store) {
        m_ownStore = std::make_unique<TIniSettingsStore>();
        store = m_ownStore.get();
    }
    m_settings = store;
    m_fieldNamesPath = TQelFields::DefaultIniPath();
    m_fields.Load(m_fieldNamesPath);
    m_prefs.Load(*m_settings);
    m_defaults.Load(*m_settings);
}

TdmGlobal::~TdmGlobal()
{
    // The program's last save: nobody else would learn that it failed.
    QString error;
    if (!SaveAll(&error))
        ShowInfo(error);
}

const QStringList &TdmGlobal::Genres() const
{
    return GenreList();
}

bool TdmGlobal::SaveChanges()
{
    QString error;
    if (SaveAll(&error))
        return true;
    ShowInfo(error);
    return false;
}

bool TdmGlobal::SaveAll(QString *error)
{
    m_defaults.Save(*m_settings);
    m_prefs.Save(*m_settings);
    QStringList lost;
    if (!m_fields.Save(m_fieldNamesPath))
        lost << QCoreApplication::translate("TdmGlobal",
                                            "The field names could not be saved to \"%1\".")
                    .arg(m_fieldNamesPath);
    if (!m_settings->Sync()) {
        const QString why = m_settings->ErrorString();
        lost << QCoreApplication::translate("TdmGlobal", "The settings could not be saved.") +
                    (why.isEmpty() ? QString() : u'\n' + why);
    }
    if (error)
        *error = lost.join(u"\n\n");
    return lost.isEmpty();
}
