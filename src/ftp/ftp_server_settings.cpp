// What the server is known to have set for this connection: the directory
// the last CWD to an absolute path entered and the type the last TYPE set.
// A caller that finds the server already where it wants it sends nothing,
// which on a distant server saves a round trip per command.
//
// The knowledge is only ever what a success reply confirmed. A command that
// may move the server is forgotten as it goes out, so a reply that never
// comes (a timeout, a lost connection) leaves nothing known; any failure, a
// new connection and an abort forget everything.
#include "ftp/ftp_custom_client.h"

bool TCustomFtpCli::KnowsDirectory(const std::string& directory) const
{
    return FServerDirectoryKnown && FServerDirectory == directory;
}

bool TCustomFtpCli::KnowsType() const
{
    return FServerType == FType;
}

void TCustomFtpCli::ForgetServerSettings()
{
    FServerDirectoryKnown = false;
    FServerDirectory.clear();
    FServerType = 0;
}

void TCustomFtpCli::NoteCommandSent()
{
    switch (FCurrentStep) {
    case ftpStepCwd:
    case ftpStepCdup:
        FServerDirectoryKnown = false;
        FDirectorySent = FHostDirName;
        break;
    case ftpStepType:
        FServerType = 0;
        FTypeSent = FType;
        break;
    // Commands that leave the directory and the type as they are.
    case ftpStepPort:
    case ftpStepRest:
    case ftpStepRetr:
    case ftpStepStor:
    case ftpStepAppe:
    case ftpStepList:
    case ftpStepNlst:
    case ftpStepSize:
    case ftpStepMkd:
    case ftpStepRmd:
    case ftpStepDele:
    case ftpStepRnfr:
    case ftpStepRnto:
    case ftpStepPwd:
    case ftpStepSyst:
        break;
    // A log-in, a raw command (which may be a CWD, a TYPE or a REIN) and
    // anything else: nothing is known after it.
    default:
        ForgetServerSettings();
        break;
    }
}

void TCustomFtpCli::NoteCommandSucceeded()
{
    // Only an absolute path names the same folder whatever came before.
    if (FCurrentStep == ftpStepCwd && !FDirectorySent.empty() && FDirectorySent.front() == '/') {
        FServerDirectory = FDirectorySent;
        FServerDirectoryKnown = true;
    } else if (FCurrentStep == ftpStepType) {
        FServerType = FTypeSent;
    }
}
