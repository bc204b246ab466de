// The menu bar: Options (transfer mode, passive mode, visual help),
// Webwatch (recording and the project window) and Help.
//
// Qt flips a checkable item's mark before it reports the click; handlers
// that decide the mark themselves set it explicitly afterwards.
#include "ui/control_factory.h"
#include "ui/main_window.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace {

QAction* addItem(QMenu* menu, const char* objectName, const QString& caption, const QString& hint,
                 bool checkable = false, bool checked = false)
{
    QAction* item = menu->addAction(caption);
    item->setObjectName(QString::fromLatin1(objectName));
    setHint(item, hint);
    item->setCheckable(checkable);
    item->setChecked(checked);
    return item;
}

}  // namespace

void Thovedform::buildMenus()
{
    c_.Options = named(menuBar()->addMenu(QStringLiteral("&Options")), "Options");
    c_.Binary = addItem(c_.Options, "Binary", QStringLiteral("&Binary"),
                        QStringLiteral("Set transfer mode to binary"), true);
    c_.ASCII = addItem(c_.Options, "ASCII", QStringLiteral("&ASCII"), QStringLiteral("Set transfer mode to ASCII"),
                       true);
    c_.AutoDetect = addItem(c_.Options, "AutoDetect", QStringLiteral("Auto Detect"),
                            QStringLiteral("Set transfer mode to auto select"), true, true);
    // Belongs to Auto Detect; a separate item here, since a Qt item that
    // opens a submenu cannot itself be checked.
    c_.Specifyfiletypes = addItem(c_.Options, "Specifyfiletypes", QStringLiteral("    Specify filetypes"),
                                  QStringLiteral("Specify which files to consider as being ASCII files."));
    c_.Options->addSeparator();
    c_.Passivemode1 = addItem(c_.Options, "Passivemode1", QStringLiteral("Passive mode"),
                              QStringLiteral("Use passive mode"), true);
    c_.Proxy1 = addItem(c_.Options, "Proxy1", QStringLiteral("Proxy…"),
                        QStringLiteral("Connect through a SOCKS proxy"));
    c_.Options->addSeparator();
    c_.AskBeforeOverwriting = addItem(c_.Options, "AskBeforeOverwriting",
                                      QStringLiteral("Ask before overwriting on the server"),
                                      QStringLiteral("Ask before an upload replaces a file the server has"), true);
    c_.AskBeforeDeleting = addItem(c_.Options, "AskBeforeDeleting", QStringLiteral("Ask before deleting on the server"),
                                   QStringLiteral("Ask before one file is deleted on the server, as several are"),
                                   true, true);
    c_.Simultaneoustransfers1 = addItem(c_.Options, "Simultaneoustransfers1", QStringLiteral("Simultaneous transfers…"),
                                        QStringLiteral("How many files of the queue go at once"));
    c_.Options->addSeparator();
    c_.VisualHelp1 = addItem(c_.Options, "VisualHelp1", QStringLiteral("Visual Help"),
                             QStringLiteral("Start visual help"));

    c_.Webwatch = named(menuBar()->addMenu(QStringLiteral("&Webwatch")), "Webwatch");
    c_.record = addItem(c_.Webwatch, "record", QStringLiteral("New web project"),
                        QStringLiteral("Start a new web project"));
    c_.OpenWebwatch1 = addItem(c_.Webwatch, "OpenWebwatch1", QStringLiteral("Open Webwatch"),
                               QStringLiteral("Open the WebWatch window"));
    c_.Webwatch->addSeparator();
    c_.Deletemissingfiles1 = addItem(c_.Webwatch, "Deletemissingfiles1", QStringLiteral("Delete missing files"),
                                     QStringLiteral("Use delete missing files in WebWatch"), true, true);
    c_.Usecleandirectory1 = addItem(c_.Webwatch, "Usecleandirectory1", QStringLiteral("Clean directory"),
                                    QStringLiteral("Use clean directory in WebWatch"), true, true);

    c_.Help = named(menuBar()->addMenu(QStringLiteral("&Help")), "Help");
    c_.Help1 = addItem(c_.Help, "Help1", QStringLiteral("Help"), QStringLiteral("Get help"));
    c_.About1 = addItem(c_.Help, "About1", QStringLiteral("About Tavlin FTP"),
                        QStringLiteral("Version and licence of this program"));
}
