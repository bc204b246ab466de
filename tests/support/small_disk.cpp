#include "support/small_disk.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/mount.h>
#include <unistd.h>

namespace {

constexpr const char* InsideVariable = "TAVLIN_TEST_IN_OWN_MOUNTS";

std::string currentTestName()
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(info->test_suite_name()) + "." + info->name();
}

} // namespace

SmallDisk::SmallDisk(std::size_t bytes) : bytes_(bytes) {}

SmallDisk::~SmallDisk()
{
    if (mounted_)
        ::umount2(folder_.path().c_str(), MNT_DETACH);
}

bool SmallDisk::here()
{
    if (std::getenv(InsideVariable) != nullptr) {
        const std::string options = "size=" + std::to_string(bytes_);
        if (::mount("tmpfs", folder_.path().c_str(), "tmpfs", 0, options.c_str()) != 0) {
            ADD_FAILURE() << "cannot mount a tmpfs in the test's own mount namespace: " << std::strerror(errno);
            return false;
        }
        mounted_ = true;
        return true;
    }
    if (::geteuid() != 0) {
        skipReason_ = "mounting a small file system needs root";
        return false;
    }
    QProcess probe;
    probe.start("unshare", {"-m", "true"});
    if (!probe.waitForFinished(60000) || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0) {
        skipReason_ = "no mount namespace of the test's own (unshare -m): " +
                      QString::fromLocal8Bit(probe.readAllStandardError()).trimmed().toStdString();
        return false;
    }
    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(InsideVariable, "1");
    run.setProcessEnvironment(environment);
    run.setProcessChannelMode(QProcess::MergedChannels);
    char self[4096] = {};
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) {
        skipReason_ = "cannot tell the test program's own path";
        return false;
    }
    run.start("unshare", {"-m", "--propagation", "private", QString::fromLocal8Bit(self, static_cast<int>(length)),
                          QString::fromStdString("--gtest_filter=" + currentTestName())});
    // The per-test limit of the test program applies in there too; this
    // only keeps a run that never ends from holding this one for good.
    const bool ended = run.waitForFinished(500000);
    const std::string output = QString::fromLocal8Bit(run.readAll()).toStdString();
    if (!ended) {
        run.kill();
        run.waitForFinished();
        ADD_FAILURE() << "the run in its own mount namespace did not end:\n" << output;
    } else if (run.exitStatus() != QProcess::NormalExit || run.exitCode() != 0) {
        ADD_FAILURE() << "the run in its own mount namespace failed:\n" << output;
    }
    return false;
}
