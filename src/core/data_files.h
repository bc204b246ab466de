#pragma once

#include <string>

// The full path of every file the program keeps in its data directory. Built
// once when the main window is created and handed to every part that reads
// or writes one of the files. Paths are kept whole, however long.
struct DataFilePaths {
    std::string dataDirectory;
    std::string fiext1Fil;   // file-type icon table
    std::string ftpdirlTxt;  // last remote directory listing (FTPDIRL.TXT)
    std::string rstfilTxt;   // resume record of an interrupted download
    std::string koefilDfd;   // transfer queue
    std::string serv3Adr;    // site list
    std::string servAdr;     // older site list, read only at first start
    std::string ascdDfd;     // extensions sent in ASCII mode
    std::string proxDfd;     // settings; line 3 is the passive-mode flag
    std::string wbprjDfd;    // web projects
    std::string nywebDfd;    // reserved name, never read or written
    std::string nyweb2Dfd;   // pending project file of an interrupted upload run
    std::string defilDfd;    // deletion list of an interrupted upload run

    static DataFilePaths inDirectory(const std::string& dataDirectory);
};

// What start-up found to restore; set once, read by the transfer queue and
// WebWatch for the rest of the run.
struct StartupFlags {
    bool resumeRecordLoaded = false;    // rstfil.txt was loaded
    bool queueLoaded = false;           // no resume record, koefil.dfd was loaded
    bool pendingProjectLoaded = false;  // queue loaded and nyweb2.dfd too

    bool anySet() const { return resumeRecordLoaded || queueLoaded || pendingProjectLoaded; }
};
