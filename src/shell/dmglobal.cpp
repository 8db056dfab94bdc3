#include "shell/dmglobal.h"

#include "shell/genrelist.h"
#include "shell/settingsstore.h"

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
    SaveAll();
}

const QStringList &TdmGlobal::Genres() const
{
    return GenreList();
}

bool TdmGlobal::SaveAll()
{
    m_defaults.Save(*m_settings);
    m_prefs.Save(*m_settings);
    m_fields.Save(m_fieldNamesPath);
    return m_settings->Sync();
}
