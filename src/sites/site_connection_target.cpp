#include "sites/site_connection_target.h"

#include <QAction>
#include <QLineEdit>

ConnectionFieldsTarget::ConnectionFieldsTarget(QLineEdit* Edit1, QLineEdit* Edit2, QLineEdit* Edit3,
                                               QLineEdit* Edit4, QAction* Passivemode1)
    : Edit1_(Edit1), Edit2_(Edit2), Edit3_(Edit3), Edit4_(Edit4), Passivemode1_(Passivemode1)
{
}

void ConnectionFieldsTarget::takeSiteSettings(const SiteConnectionSettings& settings)
{
    Edit1_->setText(settings.host);
    Edit2_->setText(settings.login);
    Edit3_->setText(settings.password);
    Edit4_->setText(settings.port);
    // setChecked does not trigger the item, so the stored setting is untouched.
    Passivemode1_->setChecked(settings.passive);
}
