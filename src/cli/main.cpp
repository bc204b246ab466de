// tavlinftp-cli: one FTP command from the command line, for scripts and for
// measuring the client against other tools.
#include "cli/cli_credentials.h"
#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/cli_webwatch.h"
#include "core/data_file_io.h"
#include "core/data_paths.h"
#include "core/tls_trust_file.h"
#include "core/version.h"
#include "core/windowless_event_loop.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace {

std::string HomeDir()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* entry = ::getpwuid(::getuid()))
        return entry->pw_dir;
    return ".";
}

} // namespace

int main(int argc, char** argv)
{
    chooseWindowlessEventLoop();
    QCoreApplication app(argc, argv);
    setDataFileNoticeSink([](const std::string& message) { std::fprintf(stderr, "tavlinftp-cli: %s\n", message.c_str()); });
    std::vector<std::string> arguments(argv + 1, argv + argc);
    // The web projects of a data directory: no server URL, options of its own.
    if (!arguments.empty() && arguments.front() == "webwatch")
        return RunWebwatchCommand({arguments.begin() + 1, arguments.end()}, DefaultDataDirectory(HomeDir()), stdout,
                                  stderr);
    std::string error;
    auto options = ParseCliOptions(arguments, error);
    if (!options) {
        std::fprintf(stderr, "tavlinftp-cli: %s\n%s", error.c_str(), CliUsage().c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(CliUsage().c_str(), stdout);
        return 0;
    }
    if (options->version) {
        std::printf("tavlinftp-cli %s\n", kProgramVersion);
        return 0;
    }
    if (!ResolveCredentials(*options, std::getenv("TAVLINFTP_PASSWORD"), HomeDir(), error)) {
        std::fprintf(stderr, "tavlinftp-cli: %s\n", error.c_str());
        return 2;
    }
    if (!ResolveProxy(*options, std::getenv("all_proxy"), std::getenv("ALL_PROXY"), error)) {
        std::fprintf(stderr, "tavlinftp-cli: %s\n", error.c_str());
        return 2;
    }
    options->trustFile = joinPath(DefaultDataDirectory(HomeDir()), TlsTrustFile::FileName);
    CliSession session(*options, stdout, stderr);
    int status = 1;
    QTimer::singleShot(0, &app, [&] {
        session.Start([&](int result) {
            status = result;
            QCoreApplication::exit(result);
        });
    });
    app.exec();
    return status;
}
