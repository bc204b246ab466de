#pragma once

// A WebWatch data directory, its local site and the server's folder, for
// runs of `tavlinftp-cli webwatch` against the real server.
#include "cli_run.h"

#include "core/data_directory_lock.h"
#include "core/text_line_list.h"
#include "webwatch/project_store.h"

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

class WebwatchData {
public:
    explicit WebwatchData(LocalFtpServer::Options serverOptions = {}) : server(remote.path(), serverOptions)
    {
        remote.write(".keep", "");
    }

    bool startServer() { return server.start(); }

    // A project header; the records that follow belong to it.
    void project(const std::string& name, bool clean, bool deleteMissing)
    {
        ++projects_;
        lines_.insert(lines_.end(), {name, clean ? "1" : "0", deleteMissing ? "1" : "0"});
    }
    // A record of the last project: the local file site/<path> uploads to
    // /<directory of path>/<name>. "uploaded" takes the local file's stamp.
    void record(const std::string& path, const std::string& stamp)
    {
        const std::filesystem::path relative(path);
        const std::string local = site.file(path);
        // A file written just now is dated an hour back: one changed within
        // the two seconds of the scan that sends it keeps " May" after its
        // upload, which would make what a run leaves depend on the clock.
        namespace fs = std::filesystem;
        std::error_code error;
        const auto now = fs::file_time_type::clock::now();
        if (const auto written = fs::last_write_time(local, error); !error && written > now - std::chrono::minutes(1))
            fs::last_write_time(local, now - std::chrono::hours(1), error);
        // The server has the folder; making folders is not what these runs
        // are about.
        std::filesystem::create_directories(remote.file(relative.parent_path().string()));
        const std::string recorded
            = stamp == "uploaded" ? ProjectStore::stampOf(local).value_or("gone") : stamp;
        for (const std::string& value : {local, std::string("127.0.0.1"), server.user(), server.password(),
                                         server.portText(), "/" + relative.parent_path().string(),
                                         relative.filename().string(), std::string("1"), recorded})
            lines_.push_back(" " + value);
    }
    void save() const
    {
        std::vector<std::string> lines{std::to_string(projects_)};
        lines.insert(lines.end(), lines_.begin(), lines_.end());
        TextLineList(lines).saveToFile(data.file("wbprj.dfd"));
    }

    CliRun webwatch(std::vector<std::string> arguments, const CliEnvironment& environment = {}) const
    {
        arguments.insert(arguments.begin(), {"webwatch", "--data-dir", data.path()});
        return runCli(arguments, environment);
    }

    // Every file and folder under `root`, relative, with its bytes ("/" for
    // a folder).
    static std::map<std::string, std::string> tree(const std::string& root)
    {
        std::map<std::string, std::string> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
            const std::string relative = std::filesystem::relative(entry.path(), root).string();
            if (relative == DataDirectoryLock::kFileName)
                continue;
            std::string bytes = "/";
            if (!entry.is_directory())
                readWholeFile(entry.path().string(), bytes);
            files[relative] = bytes;
        }
        return files;
    }

    TempDir data;
    TempDir site;
    TempDir remote;
    LocalFtpServer server;

private:
    std::size_t projects_ = 0;
    std::vector<std::string> lines_;
};
