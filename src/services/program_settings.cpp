#include "services/program_settings.h"

#include "core/data_file_io.h"
#include "core/data_paths.h"

#include <QByteArray>
#include <QFile>
#include <QSettings>

#include <sys/stat.h>

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

ProgramSettings::ProgramSettings(const std::string& dataDirectory) : path_(joinPath(dataDirectory, kFileName))
{
    // The file is looked at before it is read: a FIFO in its place would
    // hold the window at its start, a device would be read without end.
    // Such a settings file is left alone and the settings last for the run.
    std::string failure;
    if (!mayHoldDataFile(path_, failure))
        return;
    settings_ = std::make_unique<QSettings>(QFile::decodeName(QByteArray::fromStdString(path_)), QSettings::IniFormat);
    // Only a whole file may take the place of the old one.
    settings_->setAtomicSyncRequired(true);
}

ProgramSettings::~ProgramSettings() = default;

QVariant ProgramSettings::value(const QString& key, const QVariant& fallback) const
{
    if (!settings_)
        return inMemory_.value(key, fallback);
    return settings_->value(key, fallback);
}

void ProgramSettings::keepInMemory()
{
    // Every change so far is in the file already (each one is written at
    // once), so letting go of the file writes nothing more into it.
    for (const QString& key : settings_->allKeys())
        inMemory_.insert(key, settings_->value(key));
    settings_.reset();
}

bool ProgramSettings::setValue(const QString& key, const QVariant& value)
{
    if (this->value(key) == value && (settings_ ? settings_->contains(key) : inMemory_.contains(key)))
        return true;
    // What was a settings file when the window started may be something
    // else now; nothing is written into what is not a regular file.
    std::string failure;
    if (settings_ && !mayHoldDataFile(path_, failure))
        keepInMemory();
    if (!settings_) {
        inMemory_.insert(key, value);
        return false;
    }
    settings_->setValue(key, value);
    settings_->sync();
    const bool written = settings_->status() == QSettings::NoError;
    if (written) {
        // A settings file never lets others write it, whatever the umask
        // or the file it replaced allowed.
        struct stat status {};
        if (::stat(path_.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
            (status.st_mode & (S_IWGRP | S_IWOTH)))
            ::chmod(path_.c_str(), status.st_mode & 07777 & ~(S_IWGRP | S_IWOTH));
    } else if (!writeFailureSaid_) {
        noteDataFileProblem("Could not write " + path_ + ": settings changed now last only until the program ends");
    }
    writeFailureSaid_ = !written;
    return written;
}

std::optional<std::string> ProgramSettings::lastLocalFolder() const
{
    // Stored as bytes: a folder name need not be valid UTF-8.
    return storedBytes(value(kLastLocalFolderKey));
}

bool ProgramSettings::setLastLocalFolder(const std::string& folder)
{
    return setValue(kLastLocalFolderKey, QByteArray::fromStdString(folder));
}

std::optional<std::string> ProgramSettings::lastRemoteFolder(const std::string& site) const
{
    return storedBytes(value(remoteFolderKey(site)));
}

bool ProgramSettings::setLastRemoteFolder(const std::string& site, const std::string& folder)
{
    return setValue(remoteFolderKey(site), QByteArray::fromStdString(folder));
}

QByteArray ProgramSettings::windowState(const QString& key) const
{
    return value(kWindowGroup + key).toByteArray();
}

bool ProgramSettings::setWindowState(const QString& key, const QByteArray& state)
{
    return setValue(kWindowGroup + key, state);
}
