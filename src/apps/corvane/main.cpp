// SPDX-License-Identifier: GPL-3.0-or-later
#include "Command.h"

#include "platform/ByteText.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <cstring>

using namespace corvane::cli;

static void usage(FILE* out)
{
    std::fprintf(out, "usage: corvane <command> [options]\n\ncommands:\n");
    std::vector<Command> sorted = commands();
    std::sort(sorted.begin(), sorted.end(), [](const Command& a, const Command& b) { return a.name < b.name; });
    for (const Command& c : sorted)
        std::fprintf(out, "  %-8s %s\n", c.name.c_str(), c.summary.c_str());
    std::fprintf(out, "\n'corvane <command> --help' describes a command. Exit status: 0 found, 1 nothing, 2 error.\n"
                      "%s",
                 kPathsInJsonHelp);
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        usage(argc < 2 ? stderr : stdout);
        return argc < 2 ? kError : kFound;
    }
    const std::string name = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    for (const Command& c : commands())
        if (c.name == name)
            return c.run(args);
    std::fprintf(stderr, "corvane: unknown command '%s'\n", corvane::ByteText::forLog(name).c_str());
    usage(stderr);
    return kError;
}
