#include "cddb/ui/cddbsettingswindow.h"

#include "cddb/ui/cddbwidgets.h"
#include "model/general.h"
#include "shell/dmglobal.h"
#include "shell/settingsstore.h"
#include "shell/ui/windowplacement.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

TfmCddbSettings::TfmCddbSettings(TdmGlobal &dm, QWidget *parent)
    : QDialog(parent), m_dm(dm), m_cddb(this)
{
    setObjectName(QStringLiteral("fmCddbSettings"));
    setWindowTitle(tr("CDDB Settings"));
    m_cddb.LoadSettings(dm.Settings());
    m_sites.LoadFromStore(dm.Settings());
    m_categories.LoadFromStore(dm.Settings());

    m_server = new QComboBox(this);
    m_server->setObjectName(QStringLiteral("cbServer"));
    m_server->setMinimumContentsLength(36);
    m_server->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    auto *refresh = new QPushButton(tr("Refresh &List"), this);
    refresh->setObjectName(QStringLiteral("btRefreshSiteList"));
    refresh->setAutoDefault(false);
    m_useProxy = new QCheckBox(tr("Use &Proxy"), this);
    m_useProxy->setObjectName(QStringLiteral("ckUseProxy"));
    m_proxyServer = new QLineEdit(this);
    m_proxyServer->setObjectName(QStringLiteral("edProxyServer"));
    m_proxyPort = new QSpinBox(this);
    m_proxyPort->setObjectName(QStringLiteral("edProxyPort"));
    m_proxyPort->setRange(0, 65535);
    m_useAuth = new QCheckBox(tr("Use Proxy Authentication"), this);
    m_useAuth->setObjectName(QStringLiteral("ckUseProxyAuthentication"));
    m_userName = new QLineEdit(this);
    m_userName->setObjectName(QStringLiteral("edProxyUserName"));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("edProxyPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    m_email = new QLineEdit(this);
    m_email->setObjectName(QStringLiteral("edEmailAddress"));
    auto *ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("btOK"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("btCancel"));
    cancel->setAutoDefault(false);
    QPlainTextEdit *debug = CddbUi::DebugLog(this, m_cddb, m_log, dm.BugBuster());

    auto labelFor = [this](const QString &text, QWidget *buddy) {
        auto *label = new QLabel(text, this);
        label->setBuddy(buddy);
        return label;
    };
    auto *grid = new QGridLayout;
    grid->addWidget(labelFor(tr("&Server"), m_server), 0, 0);
    auto *serverRow = new QHBoxLayout;
    serverRow->addWidget(m_server, 1);
    serverRow->addWidget(refresh);
    grid->addLayout(serverRow, 0, 1, 1, 3);
    grid->addWidget(m_useProxy, 1, 0, 1, 4);
    grid->addWidget(labelFor(tr("Proxy Server"), m_proxyServer), 2, 0);
    grid->addWidget(m_proxyServer, 2, 1);
    grid->addWidget(labelFor(tr("Proxy Port"), m_proxyPort), 2, 2);
    grid->addWidget(m_proxyPort, 2, 3);
    grid->addWidget(m_useAuth, 3, 0, 1, 4);
    grid->addWidget(labelFor(tr("User name"), m_userName), 4, 0);
    grid->addWidget(m_userName, 4, 1);
    grid->addWidget(labelFor(tr("Password"), m_password), 4, 2);
    grid->addWidget(m_password, 4, 3);
    grid->addWidget(labelFor(tr("Your &E-mail address"), m_email), 5, 0);
    grid->addWidget(m_email, 5, 1, 1, 3);
    grid->setColumnStretch(1, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(debug, 1);
    layout->addLayout(buttons);
    if (!dm.BugBuster())
        layout->setSizeConstraint(QLayout::SetFixedSize);
    else
        resize(600, 520); // tall enough for the log

    connect(refresh, &QPushButton::clicked, this, &TfmCddbSettings::RefreshList);
    connect(ok, &QPushButton::clicked, this, &TfmCddbSettings::accept);
    connect(cancel, &QPushButton::clicked, this, &TfmCddbSettings::reject);
    connect(m_useProxy, &QCheckBox::toggled, this, &TfmCddbSettings::updateEnabling);
    connect(m_useAuth, &QCheckBox::toggled, this, &TfmCddbSettings::updateEnabling);

    m_useProxy->setChecked(m_cddb.UseProxy);
    m_proxyServer->setText(m_cddb.ProxyServer);
    m_proxyPort->setValue(m_cddb.ProxyPort);
    m_useAuth->setChecked(m_cddb.UseProxyAuthentication);
    m_userName->setText(m_cddb.ProxyUserName);
    m_password->setText(m_cddb.ProxyPassword);
    m_email->setText(m_cddb.EmailAddress);
    fillServers();
    updateEnabling();
}

void TfmCddbSettings::fillServers()
{
    m_server->clear();
    int selected = m_sites.Count() > 0 ? 0 : -1;
    for (int i = 0; i < m_sites.Count(); ++i) {
        const TCddbSite &site = m_sites.Item(i);
        m_server->addItem(tr("%1 - %2").arg(site.Site, site.Description));
        if (site.Site == m_cddb.Site)
            selected = i; // the last one of that host
    }
    m_server->setCurrentIndex(selected);
}

void TfmCddbSettings::updateEnabling()
{
    const bool proxy = m_useProxy->isChecked();
    m_proxyServer->setEnabled(proxy);
    m_proxyPort->setEnabled(proxy);
    m_useAuth->setEnabled(proxy);
    const bool auth = proxy && m_useAuth->isChecked();
    m_userName->setEnabled(auth);
    m_password->setEnabled(auth);
}

void TfmCddbSettings::apply()
{
    const int index = m_server->currentIndex();
    if (index >= 0 && index < m_sites.Count()) {
        const TCddbSite &site = m_sites.Item(index);
        m_cddb.Site = site.Site;
        m_cddb.Port = site.Port;
        m_cddb.Address = site.Address;
    }
    m_cddb.UseProxy = m_useProxy->isChecked();
    m_cddb.UseProxyAuthentication = m_useAuth->isChecked();
    m_cddb.ProxyServer = m_proxyServer->text().trimmed();
    m_cddb.ProxyPort = m_proxyPort->value();
    m_cddb.ProxyUserName = m_userName->text();
    m_cddb.ProxyPassword = m_password->text();
    m_cddb.EmailAddress = m_email->text();
    TSettingsStore &store = m_dm.Settings();
    m_cddb.SaveSettings(store);
    m_sites.SaveToStore(store);
    m_categories.SaveToStore(store);
}

void TfmCddbSettings::RefreshList()
{
    apply();
    m_cddb.RefreshLists(m_sites, m_categories, m_dm.Settings());
    if (m_cddb.ErrorKind != 0)
        ShowInfo(m_cddb.ErrorMessage());
    // Also after a failure: the list holds what the refresh reached, or the stored one.
    fillServers();
}

void TfmCddbSettings::accept()
{
    apply();
    QDialog::accept();
}

bool ShowCddbSettings(QWidget *owner, TdmGlobal &dm)
{
    TfmCddbSettings screen(dm, owner);
    if (owner) {
        // Laid out first: before, the screen has no size of its own to centre.
        screen.adjustSize();
        CenterOnOwner(&screen, owner);
    }
    const bool ok = screen.exec() == QDialog::Accepted;
    // A refresh stores its lists even when the screen is cancelled afterwards.
    dm.SaveChanges();
    return ok;
}
