#include "ui/ascii_types_window.h"

#include "services/dialogs.h"
#include "ui/control_factory.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

QString shown(const std::string& bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

}  // namespace

TAsciitypes::TAsciitypes(Dialogs& dialogs, const std::string& startDirectory, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("Asciitypes"));
    setWindowTitle(QStringLiteral("Asciitypes"));
    buildLayout();
    list_.loadAtStart(startDirectory);
    showList();

    connect(Button1, &QPushButton::clicked, this, &TAsciitypes::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TAsciitypes::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TAsciitypes::Button3Click);
}

void TAsciitypes::buildLayout()
{
    auto* top = named(new QFrame(this), "Panel1");
    top->setFrameShape(QFrame::StyledPanel);
    auto* title = new QLabel(QStringLiteral("Text files"), top);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    Edit2 = named(new QLineEdit(top), "Edit2");
    Edit2->hide();
    auto* topLayout = new QHBoxLayout(top);
    topLayout->addWidget(title);
    topLayout->addWidget(Edit2);

    auto* left = named(new QFrame(this), "Panel2");
    auto* label = new QLabel(QStringLiteral("New filetype"), left);
    Edit1 = named(new QLineEdit(left), "Edit1");
    label->setBuddy(Edit1);
    Button1 = named(new QPushButton(QStringLiteral("OK"), left), "Button1");
    Button3 = named(new QPushButton(QStringLiteral("Delete"), left), "Button3");
    Button2 = named(new QPushButton(QStringLiteral("Cancel"), left), "Button2");
    setHint(Edit1, QStringLiteral("Type a file extension ie: .htm"));
    setHint(Button1, QStringLiteral("Add the filetype, or save the list"));
    setHint(Button3, QStringLiteral("Delete the selected filetype"));
    setHint(Button2, QStringLiteral("Close without saving"));
    // Enter in the field adds the extension, like pressing "OK".
    Button1->setDefault(true);
    Button3->setAutoDefault(false);
    Button2->setAutoDefault(false);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->addWidget(label);
    leftLayout->addWidget(Edit1);
    leftLayout->addWidget(Button1);
    leftLayout->addWidget(Button3);
    leftLayout->addWidget(Button2);
    leftLayout->addStretch();

    ListBox1 = named(new QListWidget(this), "ListBox1");
    setHint(ListBox1, QStringLiteral("Filetypes sent in ASCII mode"));
    ListBox1->setAccessibleName(QStringLiteral("ASCII file types"));

    auto* body = new QHBoxLayout;
    body->addWidget(left);
    body->addWidget(ListBox1, 1);
    auto* whole = new QVBoxLayout(this);
    whole->addWidget(top);
    whole->addLayout(body, 1);
    resize(300, 260);
}

void TAsciitypes::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        list_.prepareForShowing(Edit2->text().toStdString());
        showList();
    }
    QDialog::showEvent(event);
}

void TAsciitypes::Button1Click()
{
    const std::string typed = Edit1->text().toStdString();
    const auto result = list_.confirm(typed);
    showList();
    if (!result.saved) {
        dialogs_.message(QStringLiteral("Cannot write file \"%1\". The list is used for this session only.")
                             .arg(QString::fromStdString(list_.path())));
    }
    if (result.next == AsciiTypeList::AfterConfirm::KeepOpen) {
        Edit1->clear();
        Edit1->setFocus();
    } else {
        accept();
    }
}

void TAsciitypes::Button2Click()
{
    reject();
}

void TAsciitypes::Button3Click()
{
    // The selected item counts, not the list's current row: a list that
    // takes the keyboard focus, or whose item was unselected with Ctrl+click,
    // keeps a current row that nobody chose for deletion.
    const QList<QListWidgetItem*> selected = ListBox1->selectedItems();
    if (selected.isEmpty())
        return;
    list_.removeAt(static_cast<std::size_t>(ListBox1->row(selected.first())));
    showList();
}

void TAsciitypes::showList()
{
    ListBox1->clear();
    for (const std::string& extension : list_.extensions())
        ListBox1->addItem(shown(extension));
}
