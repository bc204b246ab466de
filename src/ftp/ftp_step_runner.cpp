// Running the steps of a request one after another, and ending requests.
#include "ftp/ftp_custom_client.h"

#include "net/wsocket.h"

namespace {

// The order in which pending steps run, whatever order a request lists.
constexpr TFtpStep StepOrder[] = {
    ftpStepOpen, ftpStepUser, ftpStepPass, ftpStepCwd, ftpStepCdup, ftpStepType,
    ftpStepPort, ftpStepRest, ftpStepRetr, ftpStepStor, ftpStepAppe, ftpStepList,
    ftpStepNlst, ftpStepSyst, ftpStepMkd,  ftpStepRmd,  ftpStepRnfr, ftpStepRnto,
    ftpStepSize, ftpStepDele, ftpStepPwd,  ftpStepRaw,  ftpStepQuit,
};

} // namespace

TCustomFtpCli::StepStarter TCustomFtpCli::StarterFor(TFtpStep step) const
{
    switch (step) {
    case ftpStepOpen: return &TCustomFtpCli::StepOpen;
    case ftpStepUser: return &TCustomFtpCli::StepUser;
    case ftpStepPass: return &TCustomFtpCli::StepPass;
    case ftpStepCwd: return &TCustomFtpCli::StepCwd;
    case ftpStepSize: return &TCustomFtpCli::StepSize;
    case ftpStepMkd: return &TCustomFtpCli::StepMkd;
    case ftpStepRmd: return &TCustomFtpCli::StepRmd;
    case ftpStepRnfr: return &TCustomFtpCli::StepRnfr;
    case ftpStepRnto: return &TCustomFtpCli::StepRnto;
    case ftpStepRetr: return &TCustomFtpCli::StepRetr;
    case ftpStepList: return &TCustomFtpCli::StepList;
    case ftpStepQuit: return &TCustomFtpCli::StepQuit;
    case ftpStepSyst: return &TCustomFtpCli::StepSyst;
    case ftpStepDele: return &TCustomFtpCli::StepDele;
    case ftpStepPwd: return &TCustomFtpCli::StepPwd;
    case ftpStepRaw: return &TCustomFtpCli::StepRaw;
    case ftpStepStor: return &TCustomFtpCli::StepStor;
    case ftpStepType: return &TCustomFtpCli::StepType;
    case ftpStepRest: return &TCustomFtpCli::StepRest;
    case ftpStepCdup: return &TCustomFtpCli::StepCdup;
    case ftpStepNlst: return &TCustomFtpCli::StepNlst;
    case ftpStepAppe: return &TCustomFtpCli::StepAppe;
    case ftpStepPort: return &TCustomFtpCli::StepPort;
    case ftpStepNone: break;
    }
    return nullptr;
}

void TCustomFtpCli::RunNextStep()
{
    if (FState == ftpStateAborting) {
        FPendingSteps.Clear();
        FRequestResult = 426;
        FErrorMessage = "426 Operation aborted.";
    }
    FStepContinuation = &TCustomFtpCli::RunNextStep;
    for (TFtpStep step : StepOrder) {
        if (!FPendingSteps.Contains(step))
            continue;
        FPendingSteps.Exclude(step);
        FPreviousStep = FCurrentStep;
        FCurrentStep = step;
        // A server that logs the user in on USER alone wants no password.
        if (step == ftpStepPass && FPreviousStep == ftpStepUser && FStatusCode != 331)
            continue;
        if (step == ftpStepCwd && FHostDirName.empty())
            continue;
        if (step == ftpStepQuit) {
            // The request ends showing the reply that came before QUIT.
            FSavedResponse = FLastResponse;
            FSavedCode = FStatusCode;
        }
        if (step == ftpStepRetr && !(FPreviousStep == ftpStepRest && FStatusCode == 350))
            FResumeAt = 0;
        StartStepFromRunner(step);
        return;
    }
    FStepContinuation = nullptr;
    ArmRequestDone();
    Finish(FRequestResult);
}

void TCustomFtpCli::AbandonMultiStep()
{
    FMultiStep = false;
    FPendingSteps.Clear();
    FStepContinuation = nullptr;
    FRequestDoneFlag = true;
}

void TCustomFtpCli::StartStepFromRunner(TFtpStep step)
{
    // Inside the caller's own request method a usage error reaches the
    // caller as for any request. Later steps run from socket events, where
    // nobody could catch it: there the request ends with 500 instead.
    try {
        (this->*StarterFor(step))();
    } catch (const UsageReported&) {
        if (FCallDepth > 0) {
            AbandonMultiStep();
            throw;
        }
        EndWithUsageError(FLastUsageMessage);
    } catch (const FtpException& e) {
        if (FCallDepth > 0) {
            AbandonMultiStep();
            throw;
        }
        DisplayStatus(e.what());
        EndWithUsageError(e.what());
    }
}

void TCustomFtpCli::EndWithUsageError(const std::string& msg)
{
    FStatusCode = 500;
    FStepStatus = 500;
    if (FErrorMessage.empty())
        FErrorMessage = "500 " + msg;
    FStepContinuation = nullptr;
    FPendingSteps.Clear();
    ArmRequestDone();
    Finish(500);
}

void TCustomFtpCli::Finish(int code)
{
    if (FRequestDoneFlag)
        return;
    FRequestDoneFlag = true;
    // A request that failed, however (a refusal, a timeout, a lost
    // connection), may have left the server anywhere.
    if (code != 0)
        ForgetServerSettings();
    if (code == 0 && FStepContinuation) {
        if (FState != ftpStateAborting)
            SetState(ftpStateStepDone);
        (this->*FStepContinuation)();
        return;
    }
    SetState(ftpStateReady);
    CloseDataSocket();
    // Every end of a request lets go of its local file, whatever path led
    // here (a data connection that never came up has no close to do it).
    ReleaseLocalStream();
    ForgetDownloadPart(code);
    if (FMultiStep && FSavedCode >= 0) {
        FLastResponse = FSavedResponse;
        FStatusCode = FSavedCode;
    }
    if (code != 0)
        FStepStatus = code;
    FMultiStep = false;
    FPendingSteps.Clear();
    FStepContinuation = nullptr;
    PostRequestDone(code);
}
