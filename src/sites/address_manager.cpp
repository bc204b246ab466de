#include "sites/address_manager.h"

#include "services/dialogs.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>
#include <limits>

namespace {

QString shown(const std::string& bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// A site field is one line of the site file. A line edit keeps the line
// breaks of pasted text, and one written as it is would split the record
// and shift every site after it, so they are dropped.
std::string siteLine(const QString& text)
{
    QString line = text;
    line.remove(QLatin1Char('\r'));
    line.remove(QLatin1Char('\n'));
    return line.toUtf8().toStdString();
}

}  // namespace

AddressManager::AddressManager(const AddressManagerView& view, Dialogs& dialogs,
                               SiteConnectionTarget& mainWindow, QObject* parent)
    : QObject(parent),
      v_(view),
      textFields_{v_.nameField, v_.hostField, v_.loginField, v_.passwordField, v_.portField,
                  v_.localDirectoryField, v_.remoteDirectoryField},
      dialogs_(dialogs),
      mainWindow_(mainWindow)
{
    // A line edit cuts its text at 32767 characters by default; a site line
    // must come back from the field exactly as long as it went in.
    for (QLineEdit* field : textFields_)
        field->setMaxLength(std::numeric_limits<int>::max());
    setAddModeButtons(false);
    v_.deleteButton->hide();
}

void AddressManager::loadAtStart(const std::string& dataDirectory)
{
    store_.load(dataDirectory);
    fillSiteList();
}

void AddressManager::windowShown()
{
    if (addMode_) {
        addMode_ = false;
        setAddModeButtons(false);
    }
    fillSiteList();
}

void AddressManager::windowClosing()
{
    if (modified_) {
        modified_ = false;
        if (dialogs_.confirmOkCancel(QStringLiteral("Save changes?")) && hasSelectedSite())
            reportIfNotSaved(store_.replaceSite(static_cast<std::size_t>(selectedIndex_), recordFromFields()));
    }

    {
        const QSignalBlocker blocker(v_.siteList);
        selectRow(hasSelectedSite() ? selectedIndex_ : -1);
    }

    if (connectRequested_) {
        mainWindow_.takeSiteSettings({v_.hostField->text(), v_.loginField->text(), v_.passwordField->text(),
                                      v_.portField->text(), v_.passiveBox->isChecked()});
    } else {
        // A connect started from the main window's own fields must not pick
        // up this site's directories.
        v_.hostField->clear();
        v_.localDirectoryField->clear();
        v_.remoteDirectoryField->clear();
    }
}

void AddressManager::fillSiteList()
{
    {
        const QSignalBlocker blocker(v_.siteList);
        v_.siteList->clear();
        for (std::size_t i = 0; i < store_.siteCount(); ++i)
            v_.siteList->addItem(shown(store_.field(i, SiteField::Name)));
        selectRow(hasSelectedSite() ? selectedIndex_ : -1);
    }
    showSite(selectedRow());
}

void AddressManager::siteChosen()
{
    showSite(selectedRow());
}

int AddressManager::selectedRow() const
{
    const QList<QListWidgetItem*> selected = v_.siteList->selectedItems();
    return selected.isEmpty() ? -1 : v_.siteList->row(selected.first());
}

void AddressManager::selectRow(int row)
{
    v_.siteList->setCurrentRow(row);
    if (row < 0)
        v_.siteList->clearSelection();
}

void AddressManager::showSite(int index)
{
    for (QLineEdit* field : textFields_)
        field->clear();
    v_.passiveBox->setChecked(false);
    selectedIndex_ = index;
    if (!hasSelectedSite()) {
        selectedIndex_ = -1;
        v_.deleteButton->hide();
        return;
    }
    const SiteRecord site = store_.site(static_cast<std::size_t>(index));
    for (std::size_t line = 0; line < kTextFields; ++line)
        textFields_[line]->setText(shown(site.lines[line]));
    v_.passiveBox->setChecked(site.passive());
    v_.deleteButton->show();
}

bool AddressManager::hasSelectedSite() const
{
    return selectedIndex_ >= 0 && store_.isSite(static_cast<std::size_t>(selectedIndex_));
}

void AddressManager::fieldEdited()
{
    // Typing in add mode fills in the new site, and with no site selected
    // there is nothing an edit could be saved into.
    if (!addMode_ && hasSelectedSite())
        modified_ = true;
}

void AddressManager::fieldLeft(QLineEdit* field)
{
    if (!modified_ || !hasSelectedSite())
        return;
    const auto found = std::find(textFields_.begin(), textFields_.end(), field);
    if (found == textFields_.end())
        return;
    const auto line = static_cast<SiteField>(found - textFields_.begin());
    reportIfNotSaved(store_.setField(static_cast<std::size_t>(selectedIndex_), line, storedText(field, line)));
    fillSiteList();
    modified_ = false;
}

void AddressManager::passiveBoxLeft()
{
    // In add mode the box belongs to the new site, not to the selected one.
    if (addMode_ || !hasSelectedSite())
        return;
    reportIfNotSaved(store_.setField(static_cast<std::size_t>(selectedIndex_), SiteField::Passive,
                          v_.passiveBox->isChecked() ? "1" : "0"));
    fillSiteList();
    modified_ = false;
}

bool AddressManager::moveBetweenFields(QLineEdit* field, int key)
{
    const auto found = std::find(textFields_.begin(), textFields_.end(), field);
    if (found == textFields_.end())
        return false;
    const auto position = found - textFields_.begin();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Down) {
        if (position + 1 < static_cast<std::ptrdiff_t>(kTextFields))
            textFields_[static_cast<std::size_t>(position + 1)]->setFocus(Qt::TabFocusReason);
        else
            v_.connectButton->setFocus(Qt::TabFocusReason);
        return true;
    }
    if (key == Qt::Key_Up) {
        if (position > 0)
            textFields_[static_cast<std::size_t>(position - 1)]->setFocus(Qt::BacktabFocusReason);
        return true;
    }
    return false;
}

void AddressManager::connectChosen()
{
    connectRequested_ = true;
}

void AddressManager::startAdding()
{
    addMode_ = true;
    setAddModeButtons(true);
    v_.deleteButton->hide();
    for (QLineEdit* field : textFields_) {
        if (field != v_.portField)  // the port is kept as a starting value
            field->clear();
    }
    v_.passiveBox->setChecked(false);
}

void AddressManager::confirmAdding()
{
    addMode_ = false;
    setAddModeButtons(false);
    SiteRecord site;
    for (std::size_t line = 0; line < kTextFields; ++line)
        site.lines[line] = siteLine(textFields_[line]->text());
    site[SiteField::Passive] = v_.passiveBox->isChecked() ? "1" : "0";
    reportIfNotSaved(store_.appendSite(site));
    fillSiteList();
}

void AddressManager::cancelAdding()
{
    addMode_ = false;
    setAddModeButtons(false);
    fillSiteList();
}

void AddressManager::deleteSite()
{
    if (!hasSelectedSite())
        return;
    reportIfNotSaved(store_.deleteSite(static_cast<std::size_t>(selectedIndex_)));
    // The site that followed moves up into the same place and is shown.
    fillSiteList();
}

void AddressManager::setAddModeButtons(bool adding)
{
    v_.confirmAddButton->setVisible(adding);
    v_.cancelAddButton->setVisible(adding);
    v_.addButton->setVisible(!adding);
    v_.connectButton->setVisible(!adding);
    v_.closeButton->setVisible(!adding);
}

SiteRecord AddressManager::recordFromFields() const
{
    SiteRecord site;
    for (std::size_t line = 0; line < kTextFields; ++line)
        site.lines[line] = storedText(textFields_[line], static_cast<SiteField>(line));
    site[SiteField::Passive] = v_.passiveBox->isChecked() ? "1" : "0";
    return site;
}

std::string AddressManager::storedText(const QLineEdit* field, SiteField line) const
{
    // A field the user left as it was keeps the file's bytes, even where
    // they are not valid UTF-8 and so could not be shown exactly.
    const std::string original = store_.field(static_cast<std::size_t>(selectedIndex_), line);
    if (field->text() == shown(original))
        return original;
    return siteLine(field->text());
}

void AddressManager::reportIfNotSaved(bool ok)
{
    if (!ok) {
        dialogs_.message(QStringLiteral("Cannot write file \"%1\". The change is lost when the program ends.")
                             .arg(QString::fromStdString(store_.path())));
    }
}

QString AddressManager::localDirectory() const
{
    return v_.localDirectoryField->text();
}

QString AddressManager::remoteDirectory() const
{
    return v_.remoteDirectoryField->text();
}

void AddressManager::setLocalDirectory(const QString& directory)
{
    v_.localDirectoryField->setText(directory);
}

void AddressManager::setRemoteDirectory(const QString& directory)
{
    v_.remoteDirectoryField->setText(directory);
}
