#include "services/program_settings.h"

#include "core/data_paths.h"

#include <QByteArray>
#include <QFile>
#include <QSettings>

namespace {

const QString kLastLocalFolderKey = QStringLiteral("LocalPanel/LastFolder");
const QString kRemoteFolderGroup = QStringLiteral("RemoteFolders/");
const QString kWindowGroup = QStringLiteral("Window/");

// A site text may hold anything a host and a login may hold, slashes and
// backslashes among it, which the INI file would read as groups; percent-
// encoded, it stays one key.
QString remoteFolderKey(const std::string& site)
{
    return kRemoteFolderGroup + QString::fromLatin1(QByteArray::fromStdString(site).toPercentEncoding());
}

std::optional<std::string> storedBytes(const QVariant& stored)
{
    if (!stored.isValid())
        return std::nullopt;
    const QByteArray bytes = stored.toByteArray();
    if (bytes.isEmpty())
        return std::nullopt;
    return bytes.toStdString();
}

}  // namespace

ProgramSettings::ProgramSettings(const std::string& dataDirectory)
    : path_(joinPath(dataDirectory, kFileName)),
      settings_(std::make_unique<QSettings>(QFile::decodeName(QByteArray::fromStdString(path_)),
                                            QSettings::IniFormat))
{
    // Only a whole file may take the place of the old one.
    settings_->setAtomicSyncRequired(true);
}

ProgramSettings::~ProgramSettings() = default;

QVariant ProgramSettings::value(const QString& key, const QVariant& fallback) const
{
    return settings_->value(key, fallback);
}

bool ProgramSettings::setValue(const QString& key, const QVariant& value)
{
    if (settings_->value(key) == value && settings_->contains(key))
        return true;
    settings_->setValue(key, value);
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

std::optional<std::string> ProgramSettings::lastLocalFolder() const
{
    // Stored as bytes: a folder name need not be valid UTF-8.
    return storedBytes(settings_->value(kLastLocalFolderKey));
}

bool ProgramSettings::setLastLocalFolder(const std::string& folder)
{
    return setValue(kLastLocalFolderKey, QByteArray::fromStdString(folder));
}

std::optional<std::string> ProgramSettings::lastRemoteFolder(const std::string& site) const
{
    return storedBytes(settings_->value(remoteFolderKey(site)));
}

bool ProgramSettings::setLastRemoteFolder(const std::string& site, const std::string& folder)
{
    return setValue(remoteFolderKey(site), QByteArray::fromStdString(folder));
}

QByteArray ProgramSettings::windowState(const QString& key) const
{
    return settings_->value(kWindowGroup + key).toByteArray();
}

bool ProgramSettings::setWindowState(const QString& key, const QByteArray& state)
{
    return setValue(kWindowGroup + key, state);
}
