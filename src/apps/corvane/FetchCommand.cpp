// SPDX-License-Identifier: GPL-3.0-or-later
// corvane fetch: the program's resumable download from the command line.
#include "Command.h"

#include "platform/ByteText.h"
#include "web/engine/QSDownloadWebService.h"

#include <QEventLoop>

#include <cinttypes>
#include <cstdio>

namespace corvane::cli {

namespace {

void printHelp(FILE* out)
{
    std::fprintf(out,
                 "usage: corvane fetch URL [--to DIR] [--overwrite]\n"
                 "\n"
                 "Downloads URL (https, or http to this machine) into DIR (default: Documents)\n"
                 "under the URL's last component, through \"<name>.TempDownload\". A download\n"
                 "that stopped resumes where it stopped when the server continues from there;\n"
                 "a server that sends the whole file again starts it over. Progress goes to\n"
                 "standard error; the end prints {path, bytes}.\n"
                 "\n"
                 "  --overwrite  replace an existing file (never a folder)\n"
                 "\n"
                 "%s"
                 "\n"
                 "Exit status: 0 downloaded, 1 the download failed (the partial file stays),\n"
                 "2 bad usage.\n",
                 kPathsInJsonHelp);
}

int run(const std::vector<std::string>& args)
{
    std::string url;
    std::string folder;
    bool overwrite = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            printHelp(stdout);
            return kFound;
        }
        if (a == "--overwrite") {
            overwrite = true;
        } else if (a == "--to" && i + 1 < args.size() && !args[i + 1].empty()) {
            folder = absolutePath(args[++i]);
        } else if (url.empty() && !a.empty() && a.front() != '-') {
            url = a;
        } else {
            std::fprintf(stderr, "corvane fetch: unknown option or missing value '%s'\n", ByteText::forLog(a).c_str());
            printHelp(stderr);
            return kError;
        }
    }
    if (url.empty()) {
        std::fprintf(stderr, "corvane fetch: give a URL\n");
        printHelp(stderr);
        return kError;
    }
    QSDownloadWebService download;
    download.setUrl(QUrl(QString::fromStdString(url)));
    download.setOverwrite(overwrite);
    if (!folder.empty())
        download.setFilePath(folder);
    QEventLoop loop;
    int status = kNothing;
    std::string failure;
    std::string path;
    uint64_t bytes = 0;
    download.setDownloadBlock([&](const WebResponse*, const WebError* error, bool finished, double progress) {
        if (error) {
            failure = std::to_string(error->code) + " " + error->domain.toStdString();
            loop.quit();
        } else if (finished) {
            path = download.destinationPath();
            bytes = download.offset();
            status = kFound;
            loop.quit();
        } else if (progress > 0) {
            std::fprintf(stderr, "%.0f%% (%" PRIu64 " of %" PRIu64 " bytes, %.0f B/s)\n", progress * 100.0,
                         download.offset(), download.fileSize(), download.averageSpeed());
        }
    });
    if (!download.startAsynchronous()) {
        std::fprintf(stderr, "corvane fetch: %s\n", ByteText::forLog(failure).c_str());
        return failure.rfind("100 ", 0) == 0 || failure.rfind("101 ", 0) == 0 ? kError : kNothing;
    }
    loop.exec();
    if (status != kFound) {
        std::fprintf(stderr, "corvane fetch: %s\n", ByteText::forLog(failure).c_str());
        return kNothing;
    }
    std::printf("{\"path\":%s,\"bytes\":%" PRIu64 "}\n", jsonString(path).c_str(), bytes);
    return kFound;
}

Registrar registrar{{"fetch", "download a URL the way the updater does: resumable, verified by status", run}};

} // namespace

} // namespace corvane::cli
