#pragma once

#include <QByteArray>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <optional>
#include <string>

class QSettings;

// The program's own settings, in one INI file in the data directory, for
// what the data files have no line for: the local folder shown last, and
// each site's remote folder shown last, the window's geometry, splitters
// and file-list columns, and later such things as the number of connections. The data files themselves keep exactly their lines.
//
// Each change is written at once, to a temporary file that then replaces
// the settings file, so a crash leaves the old settings or the new ones,
// never half a file. A file that cannot be read gives the defaults. A
// settings file that is not a regular file (a FIFO, a device, a folder) is
// left alone: the settings then last until the program ends, and so do
// those changed while the file cannot be written; the program says so once.
class ProgramSettings {
public:
    static constexpr const char* kFileName = "tavlinftp.ini";

    explicit ProgramSettings(const std::string& dataDirectory);
    ~ProgramSettings();
    ProgramSettings(const ProgramSettings&) = delete;
    ProgramSettings& operator=(const ProgramSettings&) = delete;

    const std::string& filePath() const { return path_; }

    // Any setting, by a key such as "Transfers/Connections". A missing key
    // gives `fallback`.
    QVariant value(const QString& key, const QVariant& fallback = {}) const;
    // Stores and writes it; false when the file could not be written (the
    // value is still used for the rest of the run).
    bool setValue(const QString& key, const QVariant& value);

    // The local folder the local panel showed last; none before the first
    // folder was shown. Kept as the bytes the file system uses.
    std::optional<std::string> lastLocalFolder() const;
    bool setLastLocalFolder(const std::string& folder);

    // The remote folder a site showed last, by a text naming the site (its
    // host, port and login); none before a folder of that site was shown.
    // Kept as the bytes the server uses.
    std::optional<std::string> lastRemoteFolder(const std::string& site) const;
    bool setLastRemoteFolder(const std::string& site, const std::string& folder);

    // Binary state a window saves of itself (geometry, splitter or header
    // state), by key; empty when none was kept.
    QByteArray windowState(const QString& key) const;
    bool setWindowState(const QString& key, const QByteArray& state);

private:
    void keepInMemory();

    std::string path_;
    std::unique_ptr<QSettings> settings_;  // none while the file is left alone
    QVariantMap inMemory_;
    bool writeFailureSaid_ = false;
};
