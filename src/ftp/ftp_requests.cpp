// The single-step requests: what each sends and which final codes it takes.
#include "ftp/ftp_custom_client.h"

#include "ftp/ftp_download_file.h"
#include "ftp/ftp_local_stream.h"

void TCustomFtpCli::BeginOpen() { RunRequest([this] { StepOpen(); }); }
void TCustomFtpCli::BeginUser() { RunRequest([this] { StepUser(); }); }
void TCustomFtpCli::BeginPass() { RunRequest([this] { StepPass(); }); }
void TCustomFtpCli::BeginChangeDir() { RunRequest([this] { StepCwd(); }); }
void TCustomFtpCli::BeginParentDir() { RunRequest([this] { StepCdup(); }); }
void TCustomFtpCli::BeginPrintDir() { RunRequest([this] { StepPwd(); }); }
void TCustomFtpCli::BeginMakeDir() { RunRequest([this] { StepMkd(); }); }
void TCustomFtpCli::BeginRemoveDir() { RunRequest([this] { StepRmd(); }); }
void TCustomFtpCli::BeginDelete() { RunRequest([this] { StepDele(); }); }
void TCustomFtpCli::BeginRenameFrom() { RunRequest([this] { StepRnfr(); }); }
void TCustomFtpCli::BeginRenameTo() { RunRequest([this] { StepRnto(); }); }
void TCustomFtpCli::BeginFileSize() { RunRequest([this] { StepSize(); }); }
void TCustomFtpCli::BeginSystem() { RunRequest([this] { StepSyst(); }); }
void TCustomFtpCli::BeginSetType() { RunRequest([this] { StepType(); }); }
void TCustomFtpCli::BeginRawCommand() { RunRequest([this] { StepRaw(); }); }
void TCustomFtpCli::BeginRestart() { RunRequest([this] { StepRest(); }); }
void TCustomFtpCli::BeginQuit() { RunRequest([this] { StepQuit(); }); }
void TCustomFtpCli::BeginDataPort() { RunRequest([this] { StepPort(); }); }
void TCustomFtpCli::BeginRetrieve() { RunRequest([this] { StepRetr(); }); }
void TCustomFtpCli::BeginList() { RunRequest([this] { StepList(); }); }
void TCustomFtpCli::BeginNameList() { RunRequest([this] { StepNlst(); }); }
void TCustomFtpCli::BeginStore() { RunRequest([this] { StepStor(); }); }
void TCustomFtpCli::BeginAppend() { RunRequest([this] { StepAppe(); }); }

void TCustomFtpCli::BeginSetBinary()
{
    SetBinary(true);
    BeginSetType();
}

void TCustomFtpCli::BeginSetAscii()
{
    SetBinary(false);
    BeginSetType();
}

void TCustomFtpCli::StepUser()
{
    if (FUserName.empty())
        UsageError("UserName emtpy");
    FCurrentStep = ftpStepUser;
    IssueCommand(ftpRqUser, "USER " + FUserName, {331, 230});
}

void TCustomFtpCli::StepPass()
{
    if (FPassWord.empty())
        UsageError("Password emtpy");
    FCurrentStep = ftpStepPass;
    IssueCommand(ftpRqPass, "PASS " + FPassWord, {230});
}

void TCustomFtpCli::StepCwd()
{
    if (FHostDirName.empty())
        UsageError("HostDirName emtpy");
    FCurrentStep = ftpStepCwd;
    IssueCommand(ftpRqChangeDir, "CWD " + FHostDirName, {200, 250, 257});
}

void TCustomFtpCli::StepCdup()
{
    FCurrentStep = ftpStepCdup;
    IssueCommand(ftpRqParentDir, "CDUP", {250});
}

void TCustomFtpCli::StepPwd()
{
    FCurrentStep = ftpStepPwd;
    IssueCommand(ftpRqPrintDir, "PWD", {250, 257});
}

void TCustomFtpCli::StepMkd()
{
    FCurrentStep = ftpStepMkd;
    IssueCommand(ftpRqMakeDir, "MKD " + FHostFileName, {257});
}

void TCustomFtpCli::StepRmd()
{
    FCurrentStep = ftpStepRmd;
    IssueCommand(ftpRqRemoveDir, "RMD " + FHostFileName, {250, 257});
}

void TCustomFtpCli::StepDele()
{
    FCurrentStep = ftpStepDele;
    IssueCommand(ftpRqDelete, "DELE " + FHostFileName, {250, 257});
}

void TCustomFtpCli::StepRnfr()
{
    FCurrentStep = ftpStepRnfr;
    IssueCommand(ftpRqRenameFrom, "RNFR " + FHostFileName, {350});
}

void TCustomFtpCli::StepRnto()
{
    FCurrentStep = ftpStepRnto;
    IssueCommand(ftpRqRenameTo, "RNTO " + FLocalFileName, {200, 250, 257});
}

void TCustomFtpCli::StepSize()
{
    FCurrentStep = ftpStepSize;
    FSizeResult = 0;
    IssueCommand(ftpRqFileSize, "SIZE " + FHostFileName, {213});
}

void TCustomFtpCli::StepSyst()
{
    FCurrentStep = ftpStepSyst;
    IssueCommand(ftpRqSystem, "SYST", {215});
}

void TCustomFtpCli::StepType()
{
    FCurrentStep = ftpStepType;
    IssueCommand(ftpRqSetType, std::string("TYPE ") + FType, {200});
}

void TCustomFtpCli::StepRaw()
{
    FCurrentStep = ftpStepRaw;
    IssueCommand(ftpRqRawCommand, FLocalFileName, {});
}

void TCustomFtpCli::StepQuit()
{
    FCurrentStep = ftpStepQuit;
    ReleaseLocalStream();
    IssueCommand(ftpRqQuit, "QUIT", {221}, &TCustomFtpCli::CloseControl);
}

void TCustomFtpCli::StepRest()
{
    FCurrentStep = ftpStepRest;
    // REST is a command on the connection even when it turns out not to be
    // needed, so it is refused in the same situations as any command;
    // otherwise its "nothing to resume" ending could end a request that is
    // still running.
    if (FState != ftpStateReady && FState != ftpStateStepDone)
        UsageError("FTP component not ready");
    if (!FConnected)
        UsageError("FTP component not connected");
    FResumeAt = DownloadResumeSize(FLocalFileName);
    if (FResumeAt > 0 && !Binary()) {
        // Line ends change length on their way, so no byte offset on the
        // server matches one here.
        DisplayStatus("Not resumed: an ASCII transfer starts again from the beginning");
        FResumeAt = 0;
    }
    if (RefuseNeedlessResume())
        return;
    if (FResumeAt <= 0) {
        if (!FMultiStep) {
            FRequestType = ftpRqRestart;
            FErrorMessage.clear();
        }
        ArmRequestDone();
        FStepStatus = 0;
        Finish(0);
        return;
    }
    IssueCommand(ftpRqRestart, "REST " + std::to_string(FResumeAt), {});
}

void TCustomFtpCli::StepRetr()
{
    FCurrentStep = ftpStepRetr;
    StartReceive("RETR", ftpRqGetFile);
}

void TCustomFtpCli::StepList()
{
    FCurrentStep = ftpStepList;
    StartReceive("LIST", ftpRqListDir);
}

void TCustomFtpCli::StepNlst()
{
    FCurrentStep = ftpStepNlst;
    StartReceive("NLST", ftpRqListNames);
}

void TCustomFtpCli::StepStor()
{
    FCurrentStep = ftpStepStor;
    StartUpload("STOR", ftpRqPutFile);
}

void TCustomFtpCli::StepAppe()
{
    FCurrentStep = ftpStepAppe;
    StartUpload("APPE", ftpRqAppendFile);
}
