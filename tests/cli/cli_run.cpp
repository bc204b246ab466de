#include "cli_run.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <cerrno>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

void startCli(QProcess& process, const std::vector<std::string>& arguments, const CliEnvironment& environment)
{
    QStringList args;
    for (const auto& a : arguments)
        args << QString::fromStdString(a);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("TAVLINFTP_PASSWORD"));
    // A proxy of the machine running the tests must not come between the
    // tool and the test's server.
    env.remove(QStringLiteral("all_proxy"));
    env.remove(QStringLiteral("ALL_PROXY"));
    for (const auto& [name, value] : environment)
        env.insert(name, value);
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(TAVLIN_CLI_PATH), args);
}

}  // namespace

CliRun runCli(const std::vector<std::string>& arguments, const CliEnvironment& environment)
{
    QProcess process;
    startCli(process, arguments, environment);
    CliRun run;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = process.readAllStandardOutput().toStdString();
    run.err = process.readAllStandardError().toStdString();
    return run;
}

CliRun runCliWhileEventsRun(const std::vector<std::string>& arguments,
                            const std::function<bool(const std::string& outSoFar)>& meanwhile,
                            const CliEnvironment& environment)
{
    QProcess process;
    startCli(process, arguments, environment);
    CliRun run;
    bool stepTaken = !meanwhile;
    QElapsedTimer waited;
    waited.start();
    while (!process.waitForFinished(10)) {
        if (process.state() == QProcess::NotRunning || waited.elapsed() > 120000)
            break;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        run.out += process.readAllStandardOutput().toStdString();
        if (!stepTaken)
            stepTaken = meanwhile(run.out);
    }
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out += process.readAllStandardOutput().toStdString();
    run.err = process.readAllStandardError().toStdString();
    return run;
}

CliRun runCliOnTerminal(const std::vector<std::string>& arguments)
{
    std::vector<std::string> argv{TAVLIN_CLI_PATH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (std::string& a : argv)
        pointers.push_back(a.data());
    pointers.push_back(nullptr);
    // Built before forking: between fork and exec only the simplest calls
    // are safe in a process with threads.
    std::vector<char*> environment;
    for (char** e = environ; *e; ++e) {
        if (std::string(*e).rfind("TAVLINFTP_PASSWORD=", 0) != 0)
            environment.push_back(*e);
    }
    environment.push_back(nullptr);

    termios raw{};
    cfmakeraw(&raw);
    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, &raw, nullptr);
    CliRun run;
    if (pid < 0)
        return run;
    if (pid == 0) {
        ::execve(pointers[0], pointers.data(), environment.data());
        ::_exit(127);
    }
    // Read until the terminal's other side is gone (EIO once the tool has
    // ended), with a deadline.
    char buffer[4096];
    for (int waited = 0; waited < 120000;) {
        pollfd ready{master, POLLIN, 0};
        const int n = ::poll(&ready, 1, 100);
        if (n == 0) {
            waited += 100;
            continue;
        }
        const ssize_t got = ::read(master, buffer, sizeof buffer);
        if (got > 0)
            run.out.append(buffer, static_cast<std::size_t>(got));
        else if (!(got < 0 && errno == EINTR))
            break;
    }
    ::close(master);
    int status = 0;
    for (int waited = 0; waited < 10000; waited += 10) {
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -2;
            return run;
        }
        ::poll(nullptr, 0, 10);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return run;
}
