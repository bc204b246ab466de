#pragma once

#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

class Dialogs;

// A main window on a data directory of the test's own, asking its questions
// through `dialogs`. Not a first start (a first start empties the log and
// collects icons), unless the test has put its own files there instead.
inline std::unique_ptr<Thovedform> openTestMainWindow(TempDir& data, Dialogs& dialogs)
{
    if (!std::filesystem::exists(data.file("fiext1.fil")))
        data.write("fiext1.fil", ".txt2\r\n");
    ThovedformSetup setup;
    setup.dialogs = &dialogs;
    setup.dataDirectory = data.path();
    setup.iconTableRoot = data.path();
    return std::make_unique<Thovedform>(setup);
}

// Tests on a main window of their own, opened before each test (and not
// shown: a test that needs it on screen shows it).
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { window = openTestMainWindow(data, dialogs); }

    TempDir data;
    ScriptedDialogs dialogs;
    std::unique_ptr<Thovedform> window;
};
