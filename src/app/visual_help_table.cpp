#include "app/visual_help_table.h"

#include <array>

namespace {

// Marker heights: level with the picture, or higher for menu items.
constexpr int kControl = 158;
constexpr int kMenu = 136;

VisualHelpRow exact(const char* key, const char* title, const char* first, const char* second, int paragraph,
                    int marker = kControl)
{
    return {QString::fromUtf8(key), false, QString::fromUtf8(title), QString::fromUtf8(first),
            QString::fromUtf8(second), paragraph, marker};
}

VisualHelpRow startingWith(const char* key, const char* title, const char* first, const char* second,
                           int paragraph)
{
    VisualHelpRow row = exact(key, title, first, second, paragraph);
    row.prefix = true;
    return row;
}

const auto& table()
{
    static const auto rows = std::to_array<VisualHelpRow>({
        // Main window: menus.
        exact("Set transfer mode to binary", "Options dialog", "Set transfer mode, PASV", "mode and get messages", 0,
              kMenu),
        exact("Set transfer mode to ASCII", "ASCII mode", "Send files as text,", "line ends adapted", 1, kMenu),
        exact("Set transfer mode to auto select", "Auto detect", "The file's extension", "picks the mode", 2, kMenu),
        exact("Specify which files to consider as being ASCII files.", "ASCII file types", "Extensions sent",
              "in ASCII mode", 3, kMenu),
        exact("Use passive mode", "Passive mode", "The server opens", "the data port", 4, kMenu),
        exact("Connect through a SOCKS proxy", "Proxy", "Reach servers", "through a proxy", 5, kMenu),
        exact("How many files of the queue go at once", "Simultaneous", "Files sent", "at once", 91, kMenu),
        exact("Start a new web project", "New web project", "Record uploads", "into a project", 6, kMenu),
        exact("Open the WebWatch window", "WebWatch", "Projects and", "their files", 7, kMenu),
        exact("Use delete missing files in WebWatch", "Delete missing", "Setting for new", "web projects", 8, kMenu),
        exact("Use clean directory in WebWatch", "Clean directory", "Setting for new", "web projects", 9, kMenu),
        exact("Get help", "Help", "Pages about the", "whole program", 10, kMenu),
        exact("Start visual help", "Visual help", "Shows what each", "control does", 11, kMenu),
        exact("Version and licence of this program", "About", "Version and", "licence", 83, kMenu),

        // Main window: controls.
        exact("Connect", "Connect Button", "Connect or", "disconnect", 17),
        exact("Disconnect", "Connect Button", "Connect or", "disconnect", 17),
        startingWith("Ren", "Rename Button", "Renames files and", "directories", 16),
        startingWith("Del", "Delete Button", "Delete files and", "directories", 20),
        startingWith("Tra", "Transfer dir", "Transfer local dir", "to remote host.", 25),
        exact("Click to select double click to execute.", "Local panel", "Local file", "list view", 24),
        exact("Cancel selections", "Cancel selection", "Cancel file", "selections.", 26),
        exact("upload to server", "Upload button", "Uploads local file", "to remote host.", 27),
        exact("download to local computer", "Download button", "Gets remote file", "to this computer.", 28),
        exact("Abort operations.", "Abort Button", "Stops what the", "server is doing", 18),
        exact("Create a directory on server.", "Mkd Button", "Makes a directory", "on the server", 19),
        exact("FTP address manager", "Address manager", "Your list of", "FTP sites", 21),
        exact("Open Webwatch", "WebWatch picture", "Opens the WebWatch", "window", 13),
        exact("Upload all from WebWatch", "Upload all", "Uploads what changed", "in all projects", 14),
        startingWith("Sto", "Stop recording", "Ends the recording", "and keeps it", 15),
        exact("Click to change local dir ", "Local directories", "Folders of the", "chosen drive", 22),
        exact("Change drive", "Drive", "Mounted file", "systems", 23),
        exact("Insert filetypes ie: *.htm or ???file.exe", "File filter", "Show only files", "that match", 29),
        exact("click to change dir on server", "Remote tree", "Directories on", "the server", 30),
        exact("click to select file.", "Remote files", "Files in the", "remote directory", 31),
        exact("File queue", "Files in line", "Files waiting", "for transfer", 32),
        startingWith("Sen", "Start transfer", "Starts the files", "in line", 37),
        startingWith("Reg", "Regret transfer", "Empties the", "queue", 38),
        startingWith("Get r", "Resume download", "Gets the rest of", "a broken download", 39),
        exact("Host name", "Host", "Server to", "connect to", 33),
        exact("User name", "User", "Login name on", "the server", 34),
        exact("Port number", "Port", "Server's port,", "normally 21", 35),
        exact("Password", "Password", "Your password", "on the server", 36),
        exact("FTP log", "FTP log", "What the client", "and server said", 84),
        exact("Type a folder on the server and press Enter to go there", "Remote path", "Go to a folder",
              "by its path", 88),
        exact("Read both sides again", "Refresh", "Reads both", "sides again", 89, kMenu),
        exact("Ask before an upload replaces a file the server has", "Ask first", "Before a server's",
              "file is replaced", 90, kMenu),
        exact("Ask before one file is deleted on the server, as several are", "Ask before deleting",
              "One file deleted", "asks first too", 93, kMenu),
        startingWith("Disconnect, then connect to ", "Connect Button", "Leaves this server", "for the one typed", 94),

        // WebWatch window.
        exact("Upload all changed files,", "Upload all", "Uploads changed", "and new files", 40),
        exact("Change the directory status.", "Clean directory", "Upload new files", "of its directories", 41),
        exact("Delete files that are missing", "Delete missing", "Deletes on server", "what is gone here", 42),
        exact("Set all files to uploaded", "Set all uploaded", "Marks every file", "as up to date", 43, kMenu),
        exact("Remove a project from WebWatch", "Remove project", "Takes a project", "out of WebWatch", 44,
              kMenu),
        exact("Remove a file from a project", "Remove file", "Takes a file out", "of its project", 45, kMenu),
        exact("Remote filename", "Remote name", "The file's name", "on the server", 46),
        exact("Projects", "Web projects", "Click a project", "to see its files", 47),
        exact("Files", "Project files", "Double click to", "open a file", 48),
        exact("Files upload info", "Upload info", "Where the file", "is uploaded to", 49),
        exact("Transfer mode", "Ascii", "Send this file", "as text", 50),
        exact("Status uploaded", "Uploaded", "Clear it to send", "the file again", 51),
        exact("Status clean", "Not clean", "Keeps its folder", "out of the scan", 52),
        exact("Upload selected project", "Upload project", "Uploads what changed", "in this project", 53),
        exact("Add a file to a project", "Add file", "Record uploads", "into this project", 54),
        exact("Change the server, logon, password and port of the project's files", "Change log-in",
              "A new log-in for", "all the project's files", 85, kMenu),
        exact("The server the files go to", "Server", "The new server", "of the files", 85),
        exact("The user name on the server", "Logon", "The new logon", "of the files", 85),
        exact("The password on the server", "Password", "The new password", "of the files", 85),
        exact("The server's port", "Port", "The new port", "of the files", 85),
        exact("Files are being transferred. A new upload can start when the transfer has ended.", "Upload waits",
              "Files are being", "transferred", 86),
        startingWith("Add file waits until the pending upload has ended", "Add file waits", "An upload is",
                     "pending", 87),

        // Address manager.
        exact("PASV mode", "Passive mode", "Use passive mode", "for this site", 55),
        exact("Enter any name", "Site name", "Any name you", "like", 56),
        exact("Enter remote host or proxy server", "Remote host", "Server name or", "address", 57),
        exact("if anonymous, insert your email in Password", "Login", "anonymous for", "public servers", 58),
        exact("insert your email by anonymous login ", "Password", "Your e-mail for", "anonymous login", 59),
        exact("Port", "Port", "The server's port,", "normally 21", 60),
        exact("state local dir ie. c:\\programs\\tavlin", "Local directory", "Shown when you", "connect", 61),
        exact("Directory on remotehost", "Remote directory", "Opened after", "logging in", 62),
        exact("Click to select a server", "Sites", "Click a site to", "see its details", 63),
        exact("Connect to selected site", "Connect", "Connects to the", "chosen site", 64),
        exact("Close window", "Close", "Closes the", "address manager", 65),
        exact("New entry", "Add server", "Adds a new site", "to the list", 66),
        exact("Delete site", "Delete site", "Removes the site", "from the list", 67),
        exact("Save the new site", "OK", "Saves the new", "site", 76),
        exact("Do not add the site", "Cancel", "Forgets the new", "site", 77),

        // ASCII file types.
        exact("Type a file extension ie: .htm", "New filetype", "Extension to send", "in ASCII mode", 68),
        exact("Add the filetype, or save the list", "OK", "Adds the filetype", "or saves the list", 69),
        exact("Delete the selected filetype", "Delete", "Takes the filetype", "off the list", 70),
        exact("Close without saving", "Cancel", "Closes, keeps the", "saved list", 71),
        exact("Filetypes sent in ASCII mode", "Text files", "Files sent", "in ASCII mode", 72),

        // Name, question and proxy dialogs.
        exact("Type the name", "Name", "Type the name", "asked for", 73),
        exact("Accept and close", "OK", "Accepts and", "closes", 74),
        exact("Close and change nothing", "Cancel", "Closes and", "changes nothing", 75),
        exact("Kind of proxy", "Proxy kind", "SOCKS version", "or no proxy", 78),
        exact("Proxy host name", "Proxy host", "Name or address", "of the proxy", 79),
        exact("Proxy port number", "Proxy port", "Port the proxy", "listens on", 80),
        exact("Proxy user name", "Proxy user", "Only if the proxy", "asks for one", 81),
        exact("Proxy password", "Proxy password", "Only if the proxy", "asks for one", 82),
        exact("How many files go at once, each on a connection of its own", "Files at once", "Connections", "the queue uses", 92),
    });
    return rows;
}

}  // namespace

std::span<const VisualHelpRow> visualHelpRows()
{
    return table();
}

const VisualHelpRow* findVisualHelpRow(const QString& hint)
{
    for (const VisualHelpRow& row : table())
        if (!row.prefix && row.key == hint)
            return &row;
    if (hint.size() <= 7)
        return nullptr;
    for (const VisualHelpRow& row : table())
        if (row.prefix && hint.startsWith(row.key))
            return &row;
    return nullptr;
}
