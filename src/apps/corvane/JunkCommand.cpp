// SPDX-License-Identifier: GPL-3.0-or-later
// corvane junk: the junk-clean screen's scan and clean on the command line, through the
// same workflow object the screen draws.
#include "Command.h"

#include "junk/engine/SystemClean.h"
#include "junk/engine/SystemCleanSession.h"
#include "platform/Layout.h"

#include <QEventLoop>

#include <cinttypes>
#include <cstdio>
#include <set>

namespace corvane::cli {

namespace {

void printHelp(FILE* out)
{
    std::fprintf(out,
                 "usage: corvane junk [--categories N,N,...] [--clean]\n"
                 "\n"
                 "Scans for junk and prints one JSON line per item found: category, group,\n"
                 "sub-group, path, size in bytes and whether it is selected by default.\n"
                 "\n"
                 "  --categories LIST  the categories to scan, as the screen's checkboxes\n"
                 "                     (0 caches, 1 logs, 2 browsers, 3 Trash, 4 Downloads;\n"
                 "                     default 0,1)\n"
                 "  --clean            then delete the default selection and print what was\n"
                 "                     removed and what could not be\n"
                 "\n"
                 "A folder whose entries would be offered (a cache, log or Trash folder,\n"
                 "Downloads) is judged by what it is, not by its name: when it turns out to be\n"
                 "the home folder, a folder above it, a standard or a system folder, nothing is\n"
                 "listed from it and a line {\"warning\":TEXT} says so. An item is removed below\n"
                 "the folder it was listed from; when a link or a mount has appeared on the way\n"
                 "since, it is left alone and reported with the reason \"moved\". A folder listed\n"
                 "inside another selected one counts and goes once; \"cleaned\" is the number of\n"
                 "bytes really freed.\n"
                 "\n"
                 "%s"
                 "\n"
                 "Exit status: 0 found (or all removed), 1 nothing found, 2 bad usage or\n"
                 "something could not be removed.\n",
                 kPathsInJsonHelp);
}

std::string utf8(const QString& s)
{
    return s.toUtf8().toStdString();
}

bool parseCategories(const std::string& text, std::set<int>& out)
{
    out.clear();
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos)
            comma = text.size();
        const std::string part = text.substr(start, comma - start);
        if (part.size() != 1 || part[0] < '0' || part[0] > '4')
            return false;
        out.insert(part[0] - '0');
        start = comma + 1;
    }
    return !out.empty();
}

void printItem(const SystemCleanObject& category, const UserCachesSubObject& group, const UserCachesSubObject* sub,
               const UserCachesSubObject& item)
{
    std::printf("{\"category\":%d,\"categoryName\":%s,\"group\":%s,\"subGroup\":%s,\"path\":%s,\"size\":%" PRIu64
                ",\"state\":%d}\n",
                categoryIndex(category.type), jsonString(utf8(category.fileName)).c_str(),
                jsonString(utf8(group.fileName)).c_str(), sub ? jsonString(utf8(sub->fileName)).c_str() : "null",
                jsonString(item.filePath).c_str(), item.fileSize, static_cast<int>(item.state.load()));
}

const char* outcomeName(Uninstall::Outcome outcome)
{
    switch (outcome) {
    case Uninstall::Outcome::Absent:
        return "absent";
    case Uninstall::Outcome::Removed:
        return "removed";
    case Uninstall::Outcome::Refused:
        return "protected";
    case Uninstall::Outcome::SentToHelper:
        return "sent-to-helper";
    case Uninstall::Outcome::Skipped:
        return "moved";
    }
    return "unknown";
}

int run(const std::vector<std::string>& args)
{
    std::set<int> categories{0, 1};
    bool clean = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            printHelp(stdout);
            return kFound;
        }
        if (a == "--clean") {
            clean = true;
        } else if (a == "--categories" && i + 1 < args.size()) {
            if (!parseCategories(args[++i], categories)) {
                std::fprintf(stderr, "corvane junk: --categories takes numbers 0 to 4 separated by commas\n");
                return kError;
            }
        } else if (a.rfind("--categories=", 0) == 0) {
            if (!parseCategories(a.substr(13), categories)) {
                std::fprintf(stderr, "corvane junk: --categories takes numbers 0 to 4 separated by commas\n");
                return kError;
            }
        } else {
            std::fprintf(stderr, "corvane junk: unknown option '%s'\n", a.c_str());
            printHelp(stderr);
            return kError;
        }
    }

    // A fresh catalogue: the stop flag starts cleared whatever else ran in this process.
    SystemClean catalogue(Layout::current());
    SystemCleanSession session(catalogue);
    for (const SystemCleanObject::Ptr& category : session.list())
        session.selectBtnClicked(categoryIndex(category->type), categories.count(categoryIndex(category->type)) > 0);

    QEventLoop loop;
    QObject::connect(&session, &SystemCleanSession::scanFinished, &loop, &QEventLoop::quit);
    QObject::connect(&session, &SystemCleanSession::scanCancelled, &loop, &QEventLoop::quit);
    session.scanMethods();
    loop.exec();

    // A refused container lists nothing; say so where a script reads, not only on stderr.
    for (const std::string& warning : catalogue.warnings())
        std::printf("{\"warning\":%s}\n", jsonString(warning).c_str());

    size_t found = 0;
    for (const SystemCleanObject::Ptr& category : session.list()) {
        if (!category->state.load())
            continue;
        for (const auto& group : category->listArray) {
            for (const auto& member : group->listArray) {
                if (member->hasMembers()) {
                    for (const auto& child : member->listArray) {
                        printItem(*category, *group, member.get(), *child);
                        ++found;
                    }
                } else {
                    printItem(*category, *group, nullptr, *member);
                    ++found;
                }
            }
        }
    }
    std::fflush(stdout);
    if (!clean)
        return found ? kFound : kNothing;

    const uint64_t selected = session.selectTotalSize();
    QObject::connect(&session, &SystemCleanSession::cleanFinished, &loop, &QEventLoop::quit);
    session.scanMethods(); // "清理"
    loop.exec();

    const SystemCleanPass::Report& report = session.lastReport();
    for (const SystemCleanPass::Attempt& a : report.removed)
        std::printf("{\"removed\":%s,\"category\":%d,\"size\":%" PRIu64 "}\n", jsonString(a.path).c_str(),
                    categoryIndex(a.category), a.size);
    for (const SystemCleanPass::Leftover& l : report.leftovers)
        std::printf("{\"notRemoved\":%s,\"category\":%d,\"remaining\":%" PRIu64 ",\"reason\":\"%s\"}\n",
                    jsonString(l.path).c_str(), categoryIndex(l.category), l.remaining, outcomeName(l.outcome));
    std::printf("{\"selected\":%" PRIu64 ",\"cleaned\":%" PRIu64 ",\"notCleaned\":%" PRIu64
                ",\"notRemovedItems\":%zu}\n",
                selected, report.removedSize, report.remainingSize, report.leftovers.size());
    std::fflush(stdout);
    if (!report.leftovers.empty())
        return kError;
    return report.removed.empty() ? kNothing : kFound;
}

Registrar registrar{{"junk", "scan for junk (caches, logs, browsers, Trash, Downloads); --clean removes it", run}};

} // namespace

} // namespace corvane::cli
