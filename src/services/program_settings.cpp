#include "services/program_settings.h"

#include "core/data_paths.h"

#include <QByteArray>
#include <QFile>
#include <QSettings>

namespace {

const QString kLastLocalFolderKey = QStringLiteral("LocalPanel/LastFolder");

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
    const QVariant stored = settings_->value(kLastLocalFolderKey);
    if (!stored.isValid())
        return std::nullopt;
    const QByteArray bytes = stored.toByteArray();
    if (bytes.isEmpty())
        return std::nullopt;
    return bytes.toStdString();
}

bool ProgramSettings::setLastLocalFolder(const std::string& folder)
{
    return setValue(kLastLocalFolderKey, QByteArray::fromStdString(folder));
}
