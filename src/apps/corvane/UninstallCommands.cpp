// SPDX-License-Identifier: GPL-3.0-or-later
// corvane related / corvane uninstall: an application's leftovers, and removing them.
#include "Command.h"

#include "platform/ByteText.h"
#include "platform/FileChecks.h"
#include "platform/Layout.h"
#include "platform/TreeSize.h"
#include "uninstall/engine/LeftoverListModel.h"
#include "uninstall/engine/RelatedAppFilesScanner.h"

#include <QEventLoop>

#include <cinttypes>
#include <climits>
#include <unistd.h>
#include <cstdio>
#include <map>

namespace corvane::cli {

namespace {

void printRelatedHelp(FILE* out)
{
    std::fprintf(out,
                 "usage: corvane related PATH\n"
                 "\n"
                 "Lists the application at PATH (a bundle folder, an AppImage or a Flatpak\n"
                 "installation's app/<id> folder) and the files it left in the user's folders,\n"
                 "one JSON line each, in the order the uninstaller offers them:\n"
                 "{path, size, checked}. size is the entry's own bytes (a link counts as the\n"
                 "link). A path may be listed twice when two places name it.\n"
                 "\n"
                 "%s"
                 "\n"
                 "Exit status: 0 found, 1 nothing found (no such application), 2 bad usage.\n",
                 kPathsInJsonHelp);
}

void printUninstallHelp(FILE* out)
{
    std::fprintf(out,
                 "usage: corvane uninstall PATH --dry-run|--yes\n"
                 "\n"
                 "Removes the application at PATH and every file 'corvane related PATH' lists.\n"
                 "  --dry-run  print what would go, one JSON line each: {path, size}\n"
                 "  --yes      end the application's processes (this user's only, waiting for\n"
                 "             them), remove each file in order, and print one JSON line per\n"
                 "             file: {path, removed, reason}; reason is \"not-removed\" or\n"
                 "             \"still-running\" for a file that stayed. A last line\n"
                 "             {application, removed, kept} tells whether the application is gone.\n"
                 "\n"
                 "%s"
                 "\n"
                 "Exit status: 0 everything removed, 1 something stayed or nothing was found,\n"
                 "2 bad usage.\n",
                 kPathsInJsonHelp);
}

bool wantsHelp(const std::vector<std::string>& args)
{
    for (const std::string& a : args)
        if (a == "--help" || a == "-h")
            return true;
    return false;
}

int runRelated(const std::vector<std::string>& args)
{
    if (wantsHelp(args)) {
        printRelatedHelp(stdout);
        return kFound;
    }
    if (args.size() != 1 || args[0].empty()) {
        std::fprintf(stderr, "corvane related: takes exactly one PATH\n");
        printRelatedHelp(stderr);
        return kError;
    }
    const std::vector<Item> items =
        RelatedAppFilesScanner::relatedFilesToApplicationAtPath(absolutePath(args[0]), Layout::current());
    for (const Item& item : items)
        std::printf("{\"path\":%s,\"size\":%" PRIu64 ",\"checked\":%s}\n", jsonString(item.path()).c_str(),
                    TreeSize::measure(item.path(), false).bytes, item.checked() ? "true" : "false");
    std::fflush(stdout);
    return items.empty() ? kNothing : kFound;
}

int runUninstall(const std::vector<std::string>& args)
{
    if (wantsHelp(args)) {
        printUninstallHelp(stdout);
        return kFound;
    }
    std::string path;
    bool dryRun = false;
    bool yes = false;
    for (const std::string& a : args) {
        if (a == "--dry-run")
            dryRun = true;
        else if (a == "--yes")
            yes = true;
        else if (path.empty() && !a.empty() && a.front() != '-')
            path = absolutePath(a);
        else {
            std::fprintf(stderr, "corvane uninstall: unexpected argument '%s'\n", ByteText::forLog(a).c_str());
            printUninstallHelp(stderr);
            return kError;
        }
    }
    if (path.empty() || dryRun == yes) {
        std::fprintf(stderr, "corvane uninstall: give PATH and exactly one of --dry-run and --yes\n");
        printUninstallHelp(stderr);
        return kError;
    }

    LeftoverListModel model(Layout::current(), LeftoverListModel::Mode::Sheet);
    QEventLoop loop;
    QObject::connect(&model, &LeftoverListModel::loaded, &loop, &QEventLoop::quit);
    model.load(path);
    loop.exec();
    if (model.rowCount() == 0) {
        std::fprintf(stderr, "corvane uninstall: no application at '%s'\n", ByteText::forLog(path).c_str());
        return kNothing;
    }
    std::vector<std::string> paths;
    for (int row = 0; row < model.rowCount(); ++row)
        paths.push_back(model.item(row).path());
    if (dryRun) {
        for (int row = 0; row < model.rowCount(); ++row)
            std::printf("{\"path\":%s,\"size\":%" PRIu64 "}\n", jsonString(paths[size_t(row)]).c_str(),
                        uint64_t(model.index(row).data(LeftoverListModel::SizeRole).value<quint64>()));
        std::fflush(stdout);
        return kFound;
    }

    int code = 0;
    int kept = 0;
    QObject::connect(&model, &LeftoverListModel::removalFinished, &loop, [&](int returnCode, int keptRows) {
        code = returnCode;
        kept = keptRows;
        loop.quit();
    });
    model.removeTicked();
    loop.exec();
    // Rows that stayed carry their reason; the others left the list.
    std::map<std::string, QString> stayed;
    for (int row = 0; row < model.rowCount(); ++row)
        stayed[model.item(row).path()] = model.index(row).data(LeftoverListModel::ReasonRole).toString();
    for (const std::string& p : paths) {
        const auto it = stayed.find(p);
        QString reason = it == stayed.end() ? QString() : it->second;
        const bool removed = reason.isEmpty() && !FileChecks::existsNoFollow(p);
        if (!removed && reason.isEmpty())
            reason = QStringLiteral("not-removed");
        std::printf("{\"path\":%s,\"removed\":%s,\"reason\":%s}\n", jsonString(p).c_str(), removed ? "true" : "false",
                    jsonString(reason.toStdString()).c_str());
    }
    std::printf("{\"application\":%s,\"removed\":%s,\"kept\":%d}\n", jsonString(path).c_str(),
                code == 1 ? "true" : "false", kept);
    std::fflush(stdout);
    return code == 1 && kept == 0 ? kFound : kNothing;
}

Registrar relatedRegistrar{{"related", "list an application and the files it left behind", runRelated}};
Registrar uninstallRegistrar{{"uninstall", "remove an application and its leftovers (--dry-run first)", runUninstall}};

} // namespace

} // namespace corvane::cli
