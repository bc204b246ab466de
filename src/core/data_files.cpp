#include "core/data_files.h"

#include "core/data_paths.h"

DataFilePaths DataFilePaths::inDirectory(const std::string& dataDirectory)
{
    DataFilePaths paths;
    paths.dataDirectory = dataDirectory;
    paths.fiext1Fil = joinPath(dataDirectory, "fiext1.fil");
    paths.ftpdirlTxt = joinPath(dataDirectory, "FTPDIRL.TXT");
    paths.rstfilTxt = joinPath(dataDirectory, "rstfil.txt");
    paths.koefilDfd = joinPath(dataDirectory, "koefil.dfd");
    paths.serv3Adr = joinPath(dataDirectory, "serv3.adr");
    paths.servAdr = joinPath(dataDirectory, "serv.adr");
    paths.ascdDfd = joinPath(dataDirectory, "ascd.dfd");
    paths.proxDfd = joinPath(dataDirectory, "prox.dfd");
    paths.wbprjDfd = joinPath(dataDirectory, "wbprj.dfd");
    paths.nywebDfd = joinPath(dataDirectory, "nyweb.dfd");
    paths.nyweb2Dfd = joinPath(dataDirectory, "nyweb2.dfd");
    paths.defilDfd = joinPath(dataDirectory, "defil.dfd");
    return paths;
}
