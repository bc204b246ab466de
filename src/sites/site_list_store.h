#pragma once

#include "core/text_line_list.h"
#include "sites/site_record.h"

#include <cstddef>
#include <string>

// The user's list of FTP sites, kept in "serv3.adr": eight lines per site,
// one site after the other. An older "serv.adr" with five lines per site is
// converted once when no "serv3.adr" exists.
//
// All lines of the file are held as they were read, so lines this program
// does not understand (a partial record at the end, bytes that are not
// UTF-8, very long lines) survive every save; only the lines of a site the
// user edits or deletes change.
class SiteListStore {
public:
    static constexpr const char* kFileName = "serv3.adr";
    static constexpr const char* kOldFileName = "serv.adr";
    static constexpr std::size_t kOldLinesPerSite = 5;

    // Loads "serv3.adr" from the data directory; when it does not exist,
    // converts "serv.adr"; when that cannot be read either, starts empty and
    // writes an empty "serv3.adr". Nothing is reported.
    void load(const std::string& dataDirectory);

    // Turns the five-line records of "serv.adr" into eight-line records named
    // "Servername 1", "Servername 2", ... with an empty remote directory and
    // passive off. A partial old record at the end is dropped.
    static TextLineList convertOldSiteList(const TextLineList& oldLines);

    // Complete records only: a partial record at the end is not a site.
    std::size_t siteCount() const { return lines_.size() / kLinesPerSite; }
    bool isSite(std::size_t index) const { return index < siteCount(); }
    // The site at the index; an empty record when there is no such site.
    SiteRecord site(std::size_t index) const;
    std::string field(std::size_t index, SiteField field) const;

    // Each of these changes the list and saves the file; they return false
    // when the index names no site or the file could not be written.
    bool setField(std::size_t index, SiteField field, std::string text);
    bool replaceSite(std::size_t index, const SiteRecord& record);
    bool deleteSite(std::size_t index);
    // The new site goes after the last complete site, ahead of any partial
    // record, so that the records that follow stay aligned on eight lines.
    bool appendSite(const SiteRecord& record);

    bool save() const;

    const std::string& path() const { return path_; }
    const TextLineList& lines() const { return lines_; }

private:
    TextLineList lines_;
    std::string path_;
};
