#include "ui/webwatch_window.h"

#include "app/webwatch_file_row.h"

#include "ui/change_login_dialog.h"
#include "ui/control_factory.h"
#include "ui/help_window.h"

#include <QAction>
#include <QCheckBox>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* boldLabel(const QString& text, QWidget* parent, const char* objectName)
{
    auto* label = named(new QLabel(text, parent), objectName);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QCheckBox* makeCheckBox(QWidget* parent, const char* objectName, const QString& caption, const QString& hint,
                        const QString& accessibleName)
{
    auto* box = named(new QCheckBox(caption, parent), objectName);
    setHint(box, hint);
    box->setAccessibleName(accessibleName);
    return box;
}

QLineEdit* makeField(QWidget* parent, const char* objectName, const QString& hint, const QString& accessibleName)
{
    auto* field = named(new QLineEdit(parent), objectName);
    setHint(field, hint);
    field->setAccessibleName(accessibleName);
    return field;
}

QAction* makeItem(QMenu* menu, const char* objectName, const QString& caption, const QString& hint)
{
    auto* item = named(menu->addAction(caption), objectName);
    setHint(item, hint);
    return item;
}

}  // namespace

TWebwatch::TWebwatch(UploadRun& run, Dialogs& dialogs, const std::vector<std::string>& asciiExtensions,
                     QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("WebwatchWindow"));
    setWindowTitle(QStringLiteral("Webwatch"));
    setAccessibleName(QStringLiteral("Webwatch"));
    buildLayout();

    WebwatchView view;
    view.projectList = ListBox1;
    view.fileList = ListView1;
    view.cleanDirectoryBox = Clean;
    view.deleteMissingBox = Delete;
    view.asciiBox = Ascii;
    view.uploadedBox = Uploaded;
    view.notCleanBox = notclean;
    view.fields = {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6};
    view.queuedLabel = Label12;
    view.localPathPanel = Panel5;
    view.removeProjectItem = RemoveWebproject1;
    view.removeFileItem = Removefile1;
    view.addFileButton = Button1;
    view.uploadAllButton = Uploadall;
    view.uploadProjectButton = Button2;
    view.changeLoginItem = Changelogin1;
    view.closeWindow = [this] { closeWindow(); };
    handler_ = std::make_unique<WebwatchWindowHandler>(std::move(view), run, dialogs, asciiExtensions);
    wire();
}

TWebwatch::~TWebwatch()
{
    for (QLineEdit* field : {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6})
        field->removeEventFilter(this);
    ListBox1->disconnect(this);
    ListView1->disconnect(this);
}

void TWebwatch::buildLayout()
{
    auto* menus = new QMenuBar(this);
    Options = named(menus->addMenu(QStringLiteral("&Options")), "OptionsMenu");
    RemoveWebproject1 = makeItem(Options, "RemoveWebproject1", QStringLiteral("Remove Web project"),
                                 QStringLiteral("Remove a project from WebWatch"));
    Removefile1 = makeItem(Options, "Removefile1", QStringLiteral("Remove file"),
                           QStringLiteral("Remove a file from a project"));
    Setuploadstatusall1 = makeItem(Options, "Setuploadstatusall1", QStringLiteral("Set upload status all"),
                                   QStringLiteral("Set all files to uploaded"));
    Changelogin1 = makeItem(Options, "Changelogin1", QStringLiteral("Change log-in\u2026"),
                            QStringLiteral("Change the server, logon, password and port of the project's files"));
    HelpMenu = named(menus->addMenu(QStringLiteral("&Help")), "HelpMenu");
    Help2 = makeItem(HelpMenu, "Help2", QStringLiteral("Help"), QStringLiteral("Get help"));

    Label1 = boldLabel(QStringLiteral("Web Projects"), this, "Label1");
    Label2 = boldLabel(QStringLiteral("Files"), this, "Label2");
    Label12 = boldLabel(QString(), this, "Label12");
    Label12->setAccessibleDescription(QStringLiteral("Files queued"));
    Label12->hide();

    Clean = makeCheckBox(this, "Clean", QStringLiteral("Clean"), QStringLiteral("Change the directory status."),
                         QStringLiteral("Clean directory"));
    Delete = makeCheckBox(this, "Delete", QStringLiteral("Delete"), QStringLiteral("Delete files that are missing"),
                          QStringLiteral("Delete missing files"));
    Uploadall = makeButton(this, "Uploadall", QStringLiteral("Upload all"), QStringLiteral("Upload all changed files,"));
    Uploadall->setAccessibleName(QStringLiteral("Upload all"));

    ListBox1 = named(new QListWidget(this), "ListBox1");
    setHint(ListBox1, QStringLiteral("Projects"));
    ListBox1->setAccessibleName(QStringLiteral("Web projects"));
    Label1->setBuddy(ListBox1);
    ListView1 = named(new QListWidget(this), "ListView1");
    setHint(ListView1, QStringLiteral("Files"));
    ListView1->setAccessibleName(QStringLiteral("Files"));
    ListView1->setIconSize(QSize(16, 16));
    ListView1->setItemDelegate(new webwatch_file_row::Delegate(ListView1));
    Label2->setBuddy(ListView1);

    Edit1 = makeField(this, "Edit1", QStringLiteral("Remote filename"), QStringLiteral("Filename on server"));
    Edit2 = makeField(this, "Edit2", QStringLiteral("Files upload info"), QStringLiteral("Server"));
    Edit3 = makeField(this, "Edit3", QStringLiteral("Files upload info"), QStringLiteral("Logon"));
    Edit4 = makeField(this, "Edit4", QStringLiteral("Files upload info"), QStringLiteral("Password"));
    // Hidden from whoever looks over the shoulder, shown while it is edited
    // so a typing mistake can be seen, as in the address manager.
    Edit4->setEchoMode(QLineEdit::PasswordEchoOnEdit);
    Edit5 = makeField(this, "Edit5", QStringLiteral("Files upload info"), QStringLiteral("Port"));
    Edit6 = makeField(this, "Edit6", QStringLiteral("Files upload info"), QStringLiteral("Directory on server"));

    auto* status = named(new QGroupBox(QStringLiteral("Status of file"), this), "GroupBox1");
    Ascii = makeCheckBox(status, "Ascii", QStringLiteral("Ascii"), QStringLiteral("Transfer mode"),
                         QStringLiteral("Ascii"));
    Uploaded = makeCheckBox(status, "Uploaded", QStringLiteral("Uploaded"), QStringLiteral("Status uploaded"),
                            QStringLiteral("Uploaded"));
    notclean = makeCheckBox(status, "notclean", QStringLiteral("Not clean"), QStringLiteral("Status clean"),
                            QStringLiteral("Not clean"));
    auto* statusLayout = new QVBoxLayout(status);
    statusLayout->addWidget(Ascii);
    statusLayout->addWidget(Uploaded);
    statusLayout->addWidget(notclean);

    Button1 = makeButton(this, "Button1", QStringLiteral("Add file"), QStringLiteral("Add a file to a project"));
    Button1->setAccessibleName(QStringLiteral("Add file"));
    Button2 = makeButton(this, "Button2", QStringLiteral("Upload"), QStringLiteral("Upload selected project"));
    Button2->setAccessibleName(QStringLiteral("Upload"));
    // Enter belongs to the edits (it stores a field), never to a button.
    for (QPushButton* button : {Uploadall, Button1, Button2})
        button->setAutoDefault(false);

    Panel5 = named(new QLabel(this), "Panel5");
    Panel5->setFrameShape(QFrame::StyledPanel);
    Panel5->setAccessibleDescription(QStringLiteral("Local path"));

    // Projects column.
    auto* flags = new QHBoxLayout;
    flags->addWidget(Clean);
    flags->addWidget(new QLabel(QStringLiteral("Dir"), this));
    flags->addSpacing(8);
    flags->addWidget(Delete);
    flags->addWidget(new QLabel(QStringLiteral("missing files"), this));
    flags->addStretch();
    auto* projectsColumn = new QVBoxLayout;
    auto* headings = new QHBoxLayout;
    headings->addWidget(Label1);
    headings->addStretch();
    headings->addWidget(Label12);
    projectsColumn->addLayout(headings);
    projectsColumn->addLayout(flags);
    projectsColumn->addWidget(Uploadall);
    projectsColumn->addWidget(ListBox1, 1);

    auto* filesColumn = new QVBoxLayout;
    filesColumn->addWidget(Label2);
    filesColumn->addWidget(ListView1, 1);

    auto* form = new QFormLayout;
    const std::pair<const char*, QLineEdit*> rows[] = {
        {"Filename on server", Edit1}, {"Server", Edit2}, {"Logon", Edit3},
        {"Password", Edit4},           {"Port", Edit5},   {"Directory on server", Edit6}};
    for (const auto& [caption, field] : rows) {
        auto* label = new QLabel(QString::fromLatin1(caption), this);
        label->setBuddy(field);
        form->addRow(label, field);
    }
    auto* detailColumn = new QVBoxLayout;
    detailColumn->addLayout(form);
    detailColumn->addWidget(status);
    detailColumn->addWidget(Button1);
    detailColumn->addWidget(Button2);
    detailColumn->addStretch();

    auto* body = new QHBoxLayout;
    body->addLayout(projectsColumn, 2);
    body->addLayout(filesColumn, 2);
    body->addLayout(detailColumn, 3);
    auto* whole = new QVBoxLayout(this);
    whole->setMenuBar(menus);
    whole->addLayout(body, 1);
    whole->addWidget(Panel5);

    // Tab goes through the window in reading order.
    QWidget* order[] = {Clean, Delete, Uploadall, ListBox1, ListView1, Edit1, Edit2, Edit3, Edit4,
                        Edit5, Edit6, Ascii, Uploaded, notclean, Button1, Button2};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
    resize(760, 420);
}

void TWebwatch::wire()
{
    connect(ListBox1, &QListWidget::currentRowChanged, this, &TWebwatch::ListBox1Click);
    connect(ListView1, &QListWidget::currentRowChanged, this, &TWebwatch::ListView1SelectItem);
    connect(ListView1, &QListWidget::itemActivated, this, &TWebwatch::ListView1DblClick);
    connect(Ascii, &QCheckBox::clicked, this, &TWebwatch::AsciiMouseUp);
    connect(notclean, &QCheckBox::clicked, this, &TWebwatch::notcleanMouseUp);
    connect(Uploaded, &QCheckBox::clicked, this, &TWebwatch::UploadedMouseUp);
    connect(Clean, &QCheckBox::clicked, this, &TWebwatch::CleanMouseUp);
    connect(Delete, &QCheckBox::clicked, this, &TWebwatch::DeleteMouseUp);
    connect(Uploadall, &QPushButton::clicked, this, &TWebwatch::UploadallClick);
    connect(Button1, &QPushButton::clicked, this, &TWebwatch::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TWebwatch::Button2Click);
    connect(RemoveWebproject1, &QAction::triggered, this, &TWebwatch::RemoveWebproject1Click);
    connect(Removefile1, &QAction::triggered, this, &TWebwatch::Removefile1Click);
    connect(Setuploadstatusall1, &QAction::triggered, this, &TWebwatch::Setuploadstatusall1Click);
    connect(Changelogin1, &QAction::triggered, this, &TWebwatch::Changelogin1Click);
    connect(Help2, &QAction::triggered, this, &TWebwatch::Help2Click);

    const std::array<QLineEdit*, 6> fields{Edit1, Edit2, Edit3, Edit4, Edit5, Edit6};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        connect(fields[i], &QLineEdit::returnPressed, this, [this, i] { handler_->applyField(i); });
        connect(fields[i], &QLineEdit::textEdited, this, [this, i] { handler_->fieldEdited(i); });
        fields[i]->installEventFilter(this);
    }
}

bool TWebwatch::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        // Leaving the field for another control of this window; a question
        // box or menu taking the focus for a moment is no leaving.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            const std::array<QObject*, 6> fields{Edit1, Edit2, Edit3, Edit4, Edit5, Edit6};
            for (std::size_t i = 0; i < fields.size(); ++i)
                if (fields[i] == watched)
                    handler_->leaveField(i);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TWebwatch::openWindow()
{
    handler_->showWindow();
    setModal(true);
    show();
    raise();
    activateWindow();
}

void TWebwatch::closeWindow()
{
    // The quick upload runs the window's work without showing it; only a
    // shown window reports its closing.
    if (isVisible())
        done(QDialog::Accepted);
}

void TWebwatch::ListBox1Click()
{
    handler_->selectProject(ListBox1->currentRow());
}

void TWebwatch::ListView1SelectItem()
{
    handler_->selectFile(ListView1->currentRow());
}

void TWebwatch::ListView1DblClick()
{
    handler_->openFile(ListView1->currentRow());
}

void TWebwatch::AsciiMouseUp()
{
    handler_->modeBoxClicked();
}

void TWebwatch::notcleanMouseUp()
{
    handler_->modeBoxClicked();
}

void TWebwatch::UploadedMouseUp()
{
    handler_->uploadedBoxClicked();
}

void TWebwatch::CleanMouseUp()
{
    handler_->cleanDirectoryBoxClicked();
}

void TWebwatch::DeleteMouseUp()
{
    handler_->deleteMissingBoxClicked();
}

void TWebwatch::UploadallClick()
{
    handler_->uploadAll();
}

void TWebwatch::Button1Click()
{
    handler_->addFile();
}

void TWebwatch::Button2Click()
{
    handler_->uploadSelected();
}

void TWebwatch::RemoveWebproject1Click()
{
    handler_->removeProject();
}

void TWebwatch::Removefile1Click()
{
    handler_->removeFile();
}

void TWebwatch::Setuploadstatusall1Click()
{
    handler_->setUploadStatusAll();
}

void TWebwatch::Changelogin1Click()
{
    const std::optional<SiteLogin> old = handler_->loginToChange();
    if (!old)
        return;
    auto* dialog = new ChangeLoginDialog(*old, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog, old = *old] { handler_->changeLogin(old, dialog->login()); });
    dialog->open();
}

// The window is modal, so it opens help pages of its own rather than the
// main window's, which its modality would keep out of reach.
void TWebwatch::Help2Click()
{
    if (!help_)
        help_ = new HelpWindow(this);
    help_->showPage(QStringLiteral("webwatch.html"));
}
