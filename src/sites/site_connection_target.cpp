#include "sites/site_connection_target.h"

#include <QAction>
#include <QLineEdit>

ConnectionFieldsTarget::ConnectionFieldsTarget(const ConnectionFieldsView& view) : v_(view)
{
}

void ConnectionFieldsTarget::takeSiteSettings(const SiteConnectionSettings& settings)
{
    v_.hostField->setText(settings.host);
    v_.loginField->setText(settings.login);
    v_.passwordField->setText(settings.password);
    v_.portField->setText(settings.port);
    // setChecked does not trigger the item, so the stored setting is untouched.
    // A disabled mark is held on for a proxy and keeps showing that.
    if (v_.passiveModeItem->isEnabled())
        v_.passiveModeItem->setChecked(settings.passive);
}
