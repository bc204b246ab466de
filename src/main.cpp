#include "core/version.h"
#include "ui/program_start.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    // Answered before any window system is asked for, so it works from a
    // plain shell and from package tools.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("tavlinftp %s\n", kProgramVersion);
        return 0;
    }
    QApplication app(argc, argv);
    return runProgram(app);
}
