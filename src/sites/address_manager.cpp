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

AddressManager::AddressManager(const AddressManagerControls& controls, Dialogs& dialogs,
                               SiteConnectionTarget& mainWindow, QObject* parent)
    : QObject(parent),
      c_(controls),
      textFields_{c_.Edit7, c_.Edit1, c_.Edit2, c_.Edit3, c_.Edit4, c_.Edit5, c_.Edit6},
      dialogs_(dialogs),
      mainWindow_(mainWindow)
{
    // A line edit cuts its text at 32767 characters by default; a site line
    // must come back from the field exactly as long as it went in.
    for (QLineEdit* field : textFields_)
        field->setMaxLength(std::numeric_limits<int>::max());
    setAddModeButtons(false);
    c_.Delete->hide();
}

void AddressManager::FormCreate(const std::string& dataDirectory)
{
    store_.load(dataDirectory);
    fillSiteList();
}

void AddressManager::FormShow()
{
    if (addMode_) {
        addMode_ = false;
        setAddModeButtons(false);
    }
    fillSiteList();
}

void AddressManager::FormClose()
{
    if (modified_) {
        modified_ = false;
        if (dialogs_.confirmOkCancel(QStringLiteral("Save changes?")) && hasSelectedSite())
            reportIfNotSaved(store_.replaceSite(static_cast<std::size_t>(selectedIndex_), recordFromFields()));
    }

    {
        const QSignalBlocker blocker(c_.ListBox1);
        selectRow(hasSelectedSite() ? selectedIndex_ : -1);
    }

    if (connectRequested_) {
        mainWindow_.takeSiteSettings({c_.Edit1->text(), c_.Edit2->text(), c_.Edit3->text(),
                                      c_.Edit4->text(), c_.CheckBox1->isChecked()});
    } else {
        // A connect started from the main window's own fields must not pick
        // up this site's directories.
        c_.Edit1->clear();
        c_.Edit5->clear();
        c_.Edit6->clear();
    }
}

void AddressManager::fillSiteList()
{
    {
        const QSignalBlocker blocker(c_.ListBox1);
        c_.ListBox1->clear();
        for (std::size_t i = 0; i < store_.siteCount(); ++i)
            c_.ListBox1->addItem(shown(store_.field(i, SiteField::Name)));
        selectRow(hasSelectedSite() ? selectedIndex_ : -1);
    }
    showSite(selectedRow());
}

void AddressManager::ListBox1Click()
{
    showSite(selectedRow());
}

int AddressManager::selectedRow() const
{
    const QList<QListWidgetItem*> selected = c_.ListBox1->selectedItems();
    return selected.isEmpty() ? -1 : c_.ListBox1->row(selected.first());
}

void AddressManager::selectRow(int row)
{
    c_.ListBox1->setCurrentRow(row);
    if (row < 0)
        c_.ListBox1->clearSelection();
}

void AddressManager::showSite(int index)
{
    for (QLineEdit* field : textFields_)
        field->clear();
    c_.CheckBox1->setChecked(false);
    selectedIndex_ = index;
    if (!hasSelectedSite()) {
        selectedIndex_ = -1;
        c_.Delete->hide();
        return;
    }
    const SiteRecord site = store_.site(static_cast<std::size_t>(index));
    for (std::size_t line = 0; line < kTextFields; ++line)
        textFields_[line]->setText(shown(site.lines[line]));
    c_.CheckBox1->setChecked(site.passive());
    c_.Delete->show();
}

bool AddressManager::hasSelectedSite() const
{
    return selectedIndex_ >= 0 && store_.isSite(static_cast<std::size_t>(selectedIndex_));
}

void AddressManager::EditChange()
{
    // Typing in add mode fills in the new site, and with no site selected
    // there is nothing an edit could be saved into.
    if (!addMode_ && hasSelectedSite())
        modified_ = true;
}

void AddressManager::EditExit(QLineEdit* field)
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

void AddressManager::CheckBox1Exit()
{
    // In add mode the box belongs to the new site, not to the selected one.
    if (addMode_ || !hasSelectedSite())
        return;
    reportIfNotSaved(store_.setField(static_cast<std::size_t>(selectedIndex_), SiteField::Passive,
                          c_.CheckBox1->isChecked() ? "1" : "0"));
    fillSiteList();
    modified_ = false;
}

bool AddressManager::EditKeyDown(QLineEdit* field, int key)
{
    const auto found = std::find(textFields_.begin(), textFields_.end(), field);
    if (found == textFields_.end())
        return false;
    const auto position = found - textFields_.begin();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Down) {
        if (position + 1 < static_cast<std::ptrdiff_t>(kTextFields))
            textFields_[static_cast<std::size_t>(position + 1)]->setFocus(Qt::TabFocusReason);
        else
            c_.Button1->setFocus(Qt::TabFocusReason);
        return true;
    }
    if (key == Qt::Key_Up) {
        if (position > 0)
            textFields_[static_cast<std::size_t>(position - 1)]->setFocus(Qt::BacktabFocusReason);
        return true;
    }
    return false;
}

void AddressManager::Button1Click()
{
    connectRequested_ = true;
}

void AddressManager::serverClick()
{
    addMode_ = true;
    setAddModeButtons(true);
    c_.Delete->hide();
    for (QLineEdit* field : textFields_) {
        if (field != c_.Edit4)  // the port is kept as a starting value
            field->clear();
    }
    c_.CheckBox1->setChecked(false);
}

void AddressManager::OKClick()
{
    addMode_ = false;
    setAddModeButtons(false);
    SiteRecord site;
    for (std::size_t line = 0; line < kTextFields; ++line)
        site.lines[line] = siteLine(textFields_[line]->text());
    site[SiteField::Passive] = c_.CheckBox1->isChecked() ? "1" : "0";
    reportIfNotSaved(store_.appendSite(site));
    fillSiteList();
}

void AddressManager::CancelClick()
{
    addMode_ = false;
    setAddModeButtons(false);
    fillSiteList();
}

void AddressManager::DeleteClick()
{
    if (!hasSelectedSite())
        return;
    reportIfNotSaved(store_.deleteSite(static_cast<std::size_t>(selectedIndex_)));
    // The site that followed moves up into the same place and is shown.
    fillSiteList();
}

void AddressManager::setAddModeButtons(bool adding)
{
    c_.OK->setVisible(adding);
    c_.Cancel->setVisible(adding);
    c_.server->setVisible(!adding);
    c_.Button1->setVisible(!adding);
    c_.Button2->setVisible(!adding);
}

SiteRecord AddressManager::recordFromFields() const
{
    SiteRecord site;
    for (std::size_t line = 0; line < kTextFields; ++line)
        site.lines[line] = storedText(textFields_[line], static_cast<SiteField>(line));
    site[SiteField::Passive] = c_.CheckBox1->isChecked() ? "1" : "0";
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
    return c_.Edit5->text();
}

QString AddressManager::remoteDirectory() const
{
    return c_.Edit6->text();
}

void AddressManager::setLocalDirectory(const QString& directory)
{
    c_.Edit5->setText(directory);
}

void AddressManager::setRemoteDirectory(const QString& directory)
{
    c_.Edit6->setText(directory);
}
