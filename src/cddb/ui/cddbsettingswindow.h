#pragma once

#include "cddb/cddb.h"
#include "cddb/cddbsites.h"

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;
class TdmGlobal;

// "CDDB Settings": the server (from a list the default server hands out), the proxy and
// the e-mail address that submissions need.
class TfmCddbSettings : public QDialog
{
    Q_OBJECT

public:
    explicit TfmCddbSettings(TdmGlobal &dm, QWidget *parent = nullptr);

    TCDDB &Cddb() { return m_cddb; }
    // "Refresh &List".
    void RefreshList();
    void accept() override;

private:
    void fillServers();
    void updateEnabling();
    void apply();

    TdmGlobal &m_dm;
    TCDDB m_cddb;
    TCddbSiteList m_sites;
    TCddbCategoryList m_categories;
    QStringList m_log;

    QComboBox *m_server;
    QCheckBox *m_useProxy, *m_useAuth;
    QLineEdit *m_proxyServer, *m_userName, *m_password, *m_email;
    QSpinBox *m_proxyPort;
};

// "&CDDB Settings...": the screen over owner; true when OK stored the settings.
bool ShowCddbSettings(QWidget *owner, TdmGlobal &dm);
