// The multi-step requests: which steps each one chains.
#include "ftp/ftp_custom_client.h"

namespace {

constexpr TFtpSteps LogIn{ftpStepOpen, ftpStepUser, ftpStepPass};

TFtpSteps Plus(TFtpSteps base, std::initializer_list<TFtpStep> more)
{
    for (TFtpStep s : more)
        base.Include(s);
    return base;
}

} // namespace

void TCustomFtpCli::StartMultiStep(TFtpRequest request, TFtpSteps steps)
{
    if (FConnected && steps.Contains(ftpStepOpen))
        UsageError("FTP component already connected");
    if (FState != ftpStateReady && FState != ftpStateStepDone)
        UsageError("FTP component not ready");
    FSavedResponse = FLastResponse;
    FSavedCode = -1;
    FRequestType = request;
    FStepStatus = 0;
    FPendingSteps = steps;
    FCurrentStep = ftpStepNone;
    FPreviousStep = ftpStepNone;
    FRequestResult = 0;
    FMultiStep = true;
    FLastResponse.clear();
    FErrorMessage.clear();
    if (RefuseUnsafeArguments(steps))
        return;
    RunNextStep();
}

#define TAVLIN_MULTI_STEP(method, request, ...)                                                    \
    void TCustomFtpCli::method()                                                                   \
    {                                                                                              \
        RunRequest([this] { StartMultiStep(request, __VA_ARGS__); });                              \
    }

TAVLIN_MULTI_STEP(BeginLogin, ftpRqLogin, LogIn)
TAVLIN_MULTI_STEP(BeginListDir, ftpRqListDir, TFtpSteps{ftpStepPort, ftpStepList})
TAVLIN_MULTI_STEP(BeginListNames, ftpRqListNames, TFtpSteps{ftpStepPort, ftpStepNlst})
TAVLIN_MULTI_STEP(BeginGetFile, ftpRqGetFile, TFtpSteps{ftpStepPort, ftpStepRetr})
TAVLIN_MULTI_STEP(BeginPutFile, ftpRqPutFile, TFtpSteps{ftpStepPort, ftpStepStor})
TAVLIN_MULTI_STEP(BeginAppendFile, ftpRqAppendFile, TFtpSteps{ftpStepPort, ftpStepAppe})
TAVLIN_MULTI_STEP(BeginResumeGetFile, ftpRqResumeGetFile, TFtpSteps{ftpStepPort, ftpStepRest, ftpStepRetr})
TAVLIN_MULTI_STEP(BeginRename, ftpRqRename, TFtpSteps{ftpStepRnfr, ftpStepRnto})
TAVLIN_MULTI_STEP(BeginSessionGet, ftpRqSessionGet,
                  Plus(LogIn, {ftpStepCwd, ftpStepType, ftpStepPort, ftpStepRetr, ftpStepQuit}))
TAVLIN_MULTI_STEP(BeginSessionResumeGet, ftpRqSessionResumeGet,
                  Plus(LogIn, {ftpStepCwd, ftpStepType, ftpStepPort, ftpStepRest, ftpStepRetr, ftpStepQuit}))
TAVLIN_MULTI_STEP(BeginSessionPut, ftpRqSessionPut,
                  Plus(LogIn, {ftpStepCwd, ftpStepType, ftpStepPort, ftpStepStor, ftpStepQuit}))
TAVLIN_MULTI_STEP(BeginSessionAppend, ftpRqSessionPut,
                  Plus(LogIn, {ftpStepCwd, ftpStepType, ftpStepPort, ftpStepAppe, ftpStepQuit}))
TAVLIN_MULTI_STEP(BeginSessionListDir, ftpRqSessionListDir,
                  Plus(LogIn, {ftpStepCwd, ftpStepPort, ftpStepList, ftpStepQuit}))
TAVLIN_MULTI_STEP(BeginSessionListNames, ftpRqSessionListNames,
                  Plus(LogIn, {ftpStepCwd, ftpStepPort, ftpStepNlst, ftpStepQuit}))
TAVLIN_MULTI_STEP(BeginSessionSystem, ftpRqSessionSystem, Plus(LogIn, {ftpStepSyst, ftpStepQuit}))
TAVLIN_MULTI_STEP(BeginSessionFileSize, ftpRqFileSize, Plus(LogIn, {ftpStepCwd, ftpStepSize, ftpStepQuit}))
TAVLIN_MULTI_STEP(BeginSessionRename, ftpRqSessionRename,
                  Plus(LogIn, {ftpStepCwd, ftpStepRnfr, ftpStepRnto, ftpStepQuit}))
TAVLIN_MULTI_STEP(BeginSessionDelete, ftpRqSessionDelete, Plus(LogIn, {ftpStepCwd, ftpStepDele, ftpStepQuit}))
TAVLIN_MULTI_STEP(BeginSessionMakeDir, ftpRqSessionMakeDir, Plus(LogIn, {ftpStepCwd, ftpStepMkd, ftpStepQuit}))
TAVLIN_MULTI_STEP(BeginSessionRemoveDir, ftpRqSessionRemoveDir,
                  Plus(LogIn, {ftpStepCwd, ftpStepRmd, ftpStepQuit}))
TAVLIN_MULTI_STEP(BeginSessionRawCommand, ftpRqSessionRawCommand,
                  Plus(LogIn, {ftpStepCwd, ftpStepRaw, ftpStepQuit}))

#undef TAVLIN_MULTI_STEP
