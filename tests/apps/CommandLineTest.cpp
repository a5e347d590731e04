// SPDX-License-Identifier: GPL-3.0-or-later
// The command line as scripts meet it: hostile names read back byte for byte through
// Python's JSON parser, messages that cannot drive a terminal, and searches that say what
// they could not read.
#include "platform/ByteText.h"
#include "memory/MemoryFixtures.h"
#include "platform/Layout.h"
#include "support/DesktopFixtures.h"
#include "support/MachineFixtures.h"
#include "support/TempDir.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <map>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;

namespace {

struct ProgramRun
{
    int status = -1;
    std::string out;
    std::string err;
};

struct RunOptions
{
    std::string cwd;
    std::string input;
    bool unprivileged = false;
};

std::string readAll(FILE* f)
{
    std::string s;
    std::rewind(f);
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        s.append(buf, n);
    return s;
}

// Runs a program with an argument vector (no shell ever sees a name), its output caught
// in unlinked files that the child inherits whatever user it runs as.
ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args, const RunOptions& options = {})
{
    FILE* in = std::tmpfile();
    FILE* out = std::tmpfile();
    FILE* err = std::tmpfile();
    if (!in || !out || !err)
        return {};
    std::fwrite(options.input.data(), 1, options.input.size(), in);
    std::fflush(in);
    std::rewind(in);
    auto child = [&]() -> int {
        if (!options.cwd.empty() && ::chdir(options.cwd.c_str()) != 0)
            ::_exit(126);
        ::setenv("PYTHONUTF8", "1", 1);
        ::setenv("LC_ALL", "C.UTF-8", 1);
        ::dup2(::fileno(in), 0);
        ::dup2(::fileno(out), 1);
        ::dup2(::fileno(err), 2);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execvp(program.c_str(), argv.data());
        ::_exit(127);
    };
    ProgramRun run;
    if (options.unprivileged) {
        run.status = runAsUnprivileged(child);
    } else {
        std::fflush(nullptr);
        const pid_t pid = ::fork();
        if (pid == 0)
            child();
        int status = 0;
        while (pid > 0 && ::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        run.status = pid > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    run.out = readAll(out);
    run.err = readAll(err);
    std::fclose(in);
    std::fclose(out);
    std::fclose(err);
    return run;
}

ProgramRun runCorvane(const std::vector<std::string>& args, const RunOptions& options = {})
{
    return runProgram(CORVANE_CLI_PROGRAM, args, options);
}

// One JSON line as Python reads it: the size it carries and its paths, each turned back
// into bytes with os.fsencode, in the order the line holds them.
struct ParsedLine
{
    std::string size;
    std::vector<std::string> paths;
};

constexpr char kReader[] = R"(import json, os, sys
for raw in sys.stdin.buffer:
    o = json.loads(raw)
    paths = []
    for key in ("filePath", "root", "firstUnreadable", "QSLargesFileList", "QSDuplicationFileList"):
        value = o.get(key)
        if value is not None:
            paths += value if isinstance(value, list) else [value]
    size = next((str(o[k]) for k in ("size", "QSLargesFileSize", "QSDuplicationFileSize") if k in o), "-")
    print(size, *(os.fsencode(p).hex() for p in paths))
)";

std::string fromHex(const std::string& hex)
{
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

std::vector<ParsedLine> readWithPython(const std::string& jsonLines)
{
    const ProgramRun py = runProgram("python3", {"-c", kReader}, RunOptions{{}, jsonLines, false});
    EXPECT_EQ(py.status, 0) << "python3 could not read the output:\n" << py.err << "\n" << jsonLines;
    std::vector<ParsedLine> lines;
    size_t start = 0;
    while (start < py.out.size()) {
        size_t end = py.out.find('\n', start);
        if (end == std::string::npos)
            end = py.out.size();
        ParsedLine line;
        size_t i = start;
        bool first = true;
        while (i < end) {
            size_t space = py.out.find(' ', i);
            if (space == std::string::npos || space > end)
                space = end;
            const std::string word = py.out.substr(i, space - i);
            if (first)
                line.size = word;
            else
                line.paths.push_back(fromHex(word));
            first = false;
            i = space + 1;
        }
        if (!line.paths.empty())
            lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

std::vector<QJsonObject> jsonLines(const std::string& out)
{
    std::vector<QJsonObject> objects;
    size_t start = 0;
    while (start < out.size()) {
        const size_t end = out.find('\n', start);
        const std::string line = out.substr(start, end - start);
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
        objects.push_back(doc.object());
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return objects;
}

std::string text(const QJsonObject& o, const char* key)
{
    return o.value(QLatin1String(key)).toString().toStdString();
}

// The names of the safety notes that have broken file tools before, and the ill-formed
// UTF-8 a name may hold: bytes that no decoder accepts, an encoded surrogate, an overlong
// slash, a sequence cut short; beside them the well-formed twin of "caf\xe9".
const std::vector<std::string>& hostileNames()
{
    static const std::vector<std::string> names = {
        "new\nline", "\nleads", "-rf", "--help", "$(touch P)", ";rm x", "*", "it's \"quoted\"", "back\\slash",
        "tab\there", "\x1b]0;title\x07", "caf\xe9", "caf\xc3\xa9", "\x80", "\xff", "\xed\xa0\x80", "\xc0\xaf",
        "cut\xe2\x82", "日本語",
    };
    return names;
}

void sparse(const std::string& path, off_t size)
{
    writeFile(path, "");
    ASSERT_EQ(::truncate(path.c_str(), size), 0);
}

// Nothing in a message may reach a terminal as a control byte but the line break, and no
// name may start a line of its own.
void expectTerminalSafe(const std::string& err)
{
    for (char c : err) {
        const auto b = static_cast<unsigned char>(c);
        EXPECT_TRUE(b == '\n' || (b >= 0x20 && b != 0x7f)) << "raw byte " << int(b) << " in: " << err;
    }
    EXPECT_EQ(err.find("\nforged"), std::string::npos) << err;
}

} // namespace

TEST(CommandLine, EveryHostileNameComesBackByteForByteThroughAJsonParser)
{
    TempDir t;
    const std::vector<std::string>& names = hostileNames();
    makeDirs(t / "sized");
    makeDirs(t / "large");
    makeDirs(t / "copies");
    std::map<std::string, std::string> expectedSizes; // bytes of the path → size
    std::map<std::string, std::string> expectedLarge;
    std::vector<std::string> expectedGroup;
    const std::string content = patternBytes(5000, 3);
    for (size_t i = 0; i < names.size(); ++i) {
        writeSized(t / ("sized/" + names[i]), i + 1);
        expectedSizes[names[i]] = std::to_string(i + 1);
        sparse(t / ("large/" + names[i]), off_t(10000000 + i));
        expectedLarge[t / ("large/" + names[i])] = std::to_string(10000000 + i);
        writeFile(t / ("copies/" + names[i]), content);
        expectedGroup.push_back(t / ("copies/" + names[i]));
    }

    // size: names given as arguments after "--", relative to the working folder.
    std::vector<std::string> args{"size", "--"};
    args.insert(args.end(), names.begin(), names.end());
    const ProgramRun size = runCorvane(args, RunOptions{t / "sized", {}, false});
    EXPECT_EQ(size.status, 0) << size.err;
    std::map<std::string, std::string> sizes;
    for (const ParsedLine& line : readWithPython(size.out)) {
        ASSERT_EQ(line.paths.size(), 1u);
        sizes[line.paths[0]] = line.size;
    }
    EXPECT_EQ(sizes, expectedSizes);
    EXPECT_FALSE(exists(t / "sized/P")) << "a name was run as a command";

    // large: one hit per name.
    const ProgramRun large = runCorvane({"large", "-q", "--", t / "large"});
    EXPECT_EQ(large.status, 0) << large.err;
    std::map<std::string, std::string> hits;
    for (const ParsedLine& line : readWithPython(large.out)) {
        ASSERT_EQ(line.paths.size(), 1u);
        hits[line.paths[0]] = line.size;
    }
    EXPECT_EQ(hits, expectedLarge);

    // dups: every name in one group, "caf\xe9" and "caf\xc3\xa9" as two members.
    const ProgramRun dups = runCorvane({"dups", "-q", "--", t / "copies"});
    EXPECT_EQ(dups.status, 0) << dups.err;
    const std::vector<ParsedLine> groups = readWithPython(dups.out);
    ASSERT_EQ(groups.size(), 1u) << dups.out;
    EXPECT_EQ(groups[0].size, "5000");
    std::vector<std::string> members = groups[0].paths;
    std::sort(members.begin(), members.end());
    std::sort(expectedGroup.begin(), expectedGroup.end());
    EXPECT_EQ(members, expectedGroup);
}

TEST(CommandLine, MessagesOnStandardErrorShowNamesEscaped)
{
    TempDir t;
    const std::string hostile = "x\x1b]0;owned\x07\nforged\xe9";
    const std::string escaped = ByteText::forLog(hostile);
    ASSERT_EQ(escaped, "x\\x1b]0;owned\\x07\\x0aforged\\xe9");
    writeFile(t / ("tree/" + hostile), patternBytes(2000, 1));
    writeFile(t / ("empty" + hostile), "");
    ASSERT_EQ(::symlink((t / "tree").c_str(), (t / ("link" + hostile)).c_str()), 0);

    struct Case
    {
        std::vector<std::string> args;
        std::string shown; // what stderr must hold
    };
    const std::vector<Case> cases = {
        {{hostile}, "unknown command '" + escaped + "'"},
        {{"large", "-q", "--", t / ("link" + hostile)}, ByteText::forLog(t / ("link" + hostile)) + ": a symbolic link"},
        {{"size", "--", t / ("missing" + hostile)}, ByteText::forLog(t / ("missing" + hostile)) + ": No such file"},
        {{"dups", "--", t / "tree"}, ": " + ByteText::forLog(t / ("tree/" + hostile))}, // the progress line
        {{"hash", "--file", "--", t / ("empty" + hostile)}, ByteText::forLog(t / ("empty" + hostile)) + ": no fingerprint"},
        {{"large", "--min", hostile, t / "tree"}, "not " + escaped},
        {{"dups", "-" + hostile}, "unknown option -" + escaped},
    };
    for (const Case& c : cases) {
        const ProgramRun run = runCorvane(c.args);
        SCOPED_TRACE(c.args.front());
        EXPECT_NE(run.err.find(c.shown), std::string::npos) << run.err;
        expectTerminalSafe(run.err);
    }
}

// Run as an unprivileged user, since root reads every folder.
TEST(CommandLine, SearchesSayWhatTheyCouldNotRead)
{
    TempDir t;
    const std::string root = t / "r";
    const std::string shut = root + "/shut\x1b[2J";
    writeSized(root + "/open/a", 100);
    sparse(root + "/open/big", 10000001);
    writeFile(root + "/open/c1", patternBytes(2000, 9));
    writeFile(root + "/open/c2", patternBytes(2000, 9));
    writeSized(shut + "/b", 1000);
    sparse(shut + "/big", 10000002);
    writeFile(shut + "/c3", patternBytes(2000, 9));
    giveToUnprivileged(root);
    ASSERT_EQ(::chmod(shut.c_str(), 0), 0);
    const RunOptions asUser{{}, {}, true};

    {
        SCOPED_TRACE("size");
        const ProgramRun run = runCorvane({"size", root}, asUser);
        EXPECT_EQ(run.status, 0) << run.err;
        const auto lines = jsonLines(run.out);
        ASSERT_EQ(lines.size(), 1u) << run.out;
        EXPECT_EQ(lines[0].value(QLatin1String("size")).toInteger(), 100 + 10000001 + 2000 + 2000);
        EXPECT_TRUE(lines[0].value(QLatin1String("incomplete")).toBool());
        EXPECT_EQ(text(lines[0], "firstUnreadable"), shut);
        EXPECT_NE(run.err.find(ByteText::forLog(shut)), std::string::npos) << run.err;
        expectTerminalSafe(run.err);

        const ProgramRun inside = runCorvane({"size", shut}, asUser);
        EXPECT_EQ(inside.status, 2);
        const auto insideLines = jsonLines(inside.out);
        ASSERT_EQ(insideLines.size(), 1u) << inside.out;
        EXPECT_TRUE(insideLines[0].value(QLatin1String("incomplete")).toBool());
        EXPECT_NE(inside.err.find(ByteText::forLog(shut)), std::string::npos) << inside.err;
    }
    for (const char* command : {"large", "dups"}) {
        SCOPED_TRACE(command);
        const ProgramRun run = runCorvane({command, "-q", root}, asUser);
        EXPECT_EQ(run.status, 0) << run.err;
        const auto lines = jsonLines(run.out);
        ASSERT_GE(lines.size(), 3u) << run.out;
        // The found part, then the word on what is missing, then the end.
        const QJsonObject& note = lines[lines.size() - 2];
        EXPECT_EQ(text(note, "root"), root);
        EXPECT_TRUE(note.value(QLatin1String("incomplete")).toBool());
        EXPECT_EQ(text(note, "firstUnreadable"), shut);
        EXPECT_TRUE(lines.back().value(QLatin1String(std::string(command) == "large" ? "QSLargesFinished"
                                                                                      : "QSDuplicationFinished"))
                        .toBool());
        EXPECT_NE(run.out.find(std::string(command) == "large" ? "open/big" : "open/c2"), std::string::npos);
        EXPECT_NE(run.err.find("incomplete, " + ByteText::forLog(shut)), std::string::npos) << run.err;
        expectTerminalSafe(run.err);

        // A root that cannot be read at all is an error, not an empty result.
        const ProgramRun inside = runCorvane({command, "-q", shut}, asUser);
        EXPECT_EQ(inside.status, 2);
        const auto insideLines = jsonLines(inside.out);
        ASSERT_EQ(insideLines.size(), 2u) << inside.out;
        EXPECT_EQ(text(insideLines[0], "root"), shut);
        EXPECT_EQ(text(insideLines[0], "firstUnreadable"), shut);
        EXPECT_NE(inside.err.find(ByteText::forLog(shut) + ": cannot be read"), std::string::npos) << inside.err;
    }
}

TEST(CommandLine, DupsFindsCopiesDeeperThanPathMax)
{
    TempDir t;
    const std::string bytes = patternBytes(3000, 5);
    makeDirs(t / "deep");
    makeDeepChain(t / "deep", kDeepName, kDeepDepth, {}, "copy", bytes);
    const int fd = openChainBottom(t / "deep", kDeepName, kDeepDepth);
    ASSERT_GE(fd, 0);
    writeFileAt(fd, "twin", bytes);
    ::close(fd);
    // Both copies deep: whichever comes first is looked at again, by its path, when the
    // other arrives.
    const ProgramRun run = runCorvane({"dups", "-q", t / "deep"});
    EXPECT_EQ(run.status, 0) << run.err;
    const std::vector<ParsedLine> groups = readWithPython(run.out);
    ASSERT_EQ(groups.size(), 1u) << run.out.substr(0, 300);
    std::vector<std::string> members = groups[0].paths;
    std::sort(members.begin(), members.end());
    const std::string bottom = chainBottomPath(t / "deep", kDeepName, kDeepDepth);
    ASSERT_GT(bottom.size(), size_t(PATH_MAX));
    EXPECT_TRUE((members == std::vector<std::string>{bottom + "/copy", bottom + "/twin"})) << members.size();
}

// What scripts rely on: every subcommand answers --help with its usage and status 0,
// refuses a bad option with status 2 and a message, says 1 when it finds nothing and 0
// when it finds something.
TEST(CommandLine, EverySubcommandKeepsItsExitStatuses)
{
    TempDir t;
    makeDirs(t / "empty");
    sparse(t / "big/a.iso", 20000000);
    writeFile(t / "twins/a", std::string(5000, 'x'));
    writeFile(t / "twins/b", std::string(5000, 'x'));
    // A macOS-style tree for the junk scan, so it never looks at this machine's folders.
    writeFile(t / ("mac/Users/" + currentLoginName() + "/Library/Caches/com.app/blob"), "junk");
    makeDirs(t / "mac/Library/Caches");
    ::setenv("CORVANE_LAYOUT", "macos", 1);
    ::setenv("CORVANE_ROOT", (t / "mac").c_str(), 1);
    struct Restore
    {
        ~Restore()
        {
            ::unsetenv("CORVANE_LAYOUT");
            ::unsetenv("CORVANE_ROOT");
        }
    } restore;

    for (const char* command :
         {"junk", "large", "dups", "size", "hash", "apps", "related", "uninstall", "memory", "startup", "processes", "sysinfo",
          "fetch"}) {
        const ProgramRun help = runCorvane({command, "--help"});
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_NE(help.out.find("usage: corvane"), std::string::npos) << command << ": " << help.out;
        const ProgramRun bad = runCorvane({command, "--no-such-option", t / "empty"});
        EXPECT_EQ(bad.status, 2) << command;
        EXPECT_FALSE(bad.err.empty()) << command;
    }
    const ProgramRun unknown = runCorvane({"no-such-command"});
    EXPECT_EQ(unknown.status, 2);

    struct Case
    {
        std::vector<std::string> args;
        int status;
    };
    const Case cases[] = {
        {{"large", t / "empty"}, 1},
        {{"large", t / "big"}, 0},
        {{"dups", t / "empty"}, 1},
        {{"dups", t / "twins"}, 0},
        {{"size", t / "empty"}, 1},
        {{"size", t / "twins"}, 0},
        {{"size", t / "missing"}, 2},
        {{"hash", "0", "text"}, 0},
        {{"hash", "9", "text"}, 1},
        {{"hash", "x", "text"}, 2},
        {{"junk", "--categories", "4"}, 1},
        {{"junk", "--categories", "0"}, 0},
        {{"junk", "--categories", "7"}, 2},
        {{"apps"}, 1},
        {{"apps", "--root", "relative"}, 2},
        {{"related", t / "empty"}, 1},
        {{"uninstall", t / "empty", "--dry-run"}, 1},
        {{"uninstall", t / "empty"}, 2},
        {{"uninstall", t / "empty", "--dry-run", "--yes"}, 2},
        {{"fetch", "file:///etc/passwd"}, 2},
        {{"fetch", "http://example.org/plain.zip"}, 2},
        {{"memory"}, 0},
        {{"memory", "--max-mib", "4"}, 2},
        {{"memory", "--release", "--max-mib", "-1"}, 2},
        {{"memory", "--release", "--max-mib", "4x"}, 2},
        {{"memory", "--release", "--max-mib"}, 2},
    };
    for (const Case& c : cases) {
        const ProgramRun run = runCorvane(c.args);
        std::string shown;
        for (const std::string& a : c.args)
            shown += a + " ";
        EXPECT_EQ(run.status, c.status) << shown << "\n" << run.out << run.err;
        for (const QJsonObject& line : jsonLines(run.out))
            EXPECT_FALSE(line.isEmpty()) << shown;
    }
}

TEST(CommandLine, AppsListsBundlesFlatpaksThenAppImagesAsJsonLines)
{
    TempDir t;
    const std::string home = t / "home";
    const std::string root = t / "root";
    writeFile(home + "/Applications/Demo.app/Contents/Info.plist",
              "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
              "<key>CFBundleIdentifier</key><string>com.example.demo</string>"
              "<key>CFBundleName</key><string>Demo</string>"
              "<key>CFBundleShortVersionString</key><string>1.0</string></dict></plist>");
    makeFlatpak(home + "/.local/share/flatpak",
                {"org.example.Mine", "Application", "[Desktop Entry]\nType=Application\nName=Mine\n", ""});
    makeFlatpak(root + "/var/lib/flatpak",
                {"org.example.Shared", "Application", "[Desktop Entry]\nName=Shared\nName[zh_CN]=共享\n",
                 "<component><releases><release version=\"5.0\"/></releases></component>"});
    makeFlatpak(root + "/var/lib/flatpak", {"org.example.Platform", "Runtime", "", ""});
    ASSERT_TRUE(makeAppImage(home + "/Applications/Tool.AppImage", "/bin/true", "org.example.Tool.desktop",
                             "[Desktop Entry]\nName=Tool\nX-AppImage-Version=0.9\n", "tool"));
    writeFile(home + "/Applications/x.AppImage", "not an image\n");
    makeDirs(home + "/.local/bin");
    ASSERT_EQ(::rename((home + "/Applications/Tool.AppImage").c_str(), (home + "/.local/bin/caf\xe9").c_str()), 0);

    const char* saved = std::getenv("HOME");
    const std::string savedHome = saved ? saved : "";
    ::setenv("HOME", home.c_str(), 1);
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("FLATPAK_USER_DIR");
    const ProgramRun run = runCorvane({"apps", "--root", root, "--locale", "zh_CN.UTF-8"});
    ::setenv("HOME", savedHome.c_str(), 1);

    EXPECT_EQ(run.status, 0) << run.err;
    const auto lines = jsonLines(run.out);
    ASSERT_EQ(lines.size(), 4u) << run.out;
    const std::vector<std::vector<std::string>> expected = {
        {"bundle", home + "/Applications/Demo.app", "Demo", "com.example.demo", "1.0", "user"},
        {"flatpak", home + "/.local/share/flatpak/app/org.example.Mine", "Mine", "org.example.Mine", "", "user"},
        {"flatpak", root + "/var/lib/flatpak/app/org.example.Shared", "共享", "org.example.Shared", "5.0", "system"},
        {"appimage", "", "Tool", "org.example.Tool", "0.9", "user"},
    };
    for (size_t i = 0; i < expected.size(); ++i) {
        const auto& e = expected[i];
        EXPECT_EQ(text(lines[i], "kind"), e[0]) << i;
        if (!e[1].empty()) {
            EXPECT_EQ(text(lines[i], "path"), e[1]) << i;
        }
        EXPECT_EQ(text(lines[i], "name"), e[2]) << i;
        EXPECT_EQ(text(lines[i], "id"), e[3]) << i;
        EXPECT_EQ(text(lines[i], "version"), e[4]) << i;
        EXPECT_EQ(text(lines[i], "scope"), e[5]) << i;
        EXPECT_GT(lines[i].value(QLatin1String("size")).toDouble(), 0) << i;
    }
    // The image's path keeps its ill-formed byte; its size is the file's.
    EXPECT_NE(run.out.find("/.local/bin/caf\\udce9\""), std::string::npos) << run.out;
    struct stat st{};
    ASSERT_EQ(::stat((home + "/.local/bin/caf\xe9").c_str(), &st), 0);
    EXPECT_EQ(lines[3].value(QLatin1String("size")).toInteger(), st.st_size);
}

// Run by a user who may not remove the files, with no helper to turn to: nothing is
// reported removed, each file says why it stayed, and the application is still there.
TEST(CommandLine, UninstallSaysWhatStayedAndWhy)
{
    if (::getuid() != 0)
        GTEST_SKIP() << "needs another user to own the files";
    TempDir t;
    ::chmod(t.path().c_str(), 0755);
    const std::string home = t / "home";
    const std::string app = home + "/Applications/Stuck.app";
    writeFile(app + "/Contents/Info.plist",
              "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>CFBundleName</key><string>Stuck</string>"
              "<key>CFBundleIdentifier</key><string>org.stuck</string></dict></plist>");
    writeFile(home + "/.cache/Stuck/blob", "cache");
    struct Env
    {
        std::string home = currentHomeFolder();
        ~Env()
        {
            ::setenv("HOME", home.c_str(), 1);
            ::unsetenv("CORVANE_HELPER_SOCKET");
        }
    } restore;
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("CORVANE_HELPER_SOCKET", (t / "no-helper.sock").c_str(), 1);

    const ProgramRun dry = runCorvane({"uninstall", app, "--dry-run"}, RunOptions{{}, {}, true});
    EXPECT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(jsonLines(dry.out).size(), 2u) << dry.out;

    const ProgramRun run = runCorvane({"uninstall", app, "--yes"}, RunOptions{{}, {}, true});
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    const std::vector<QJsonObject> lines = jsonLines(run.out);
    ASSERT_EQ(lines.size(), 3u) << run.out;
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_FALSE(lines[i].value(QStringLiteral("removed")).toBool()) << run.out;
        EXPECT_EQ(lines[i].value(QStringLiteral("reason")).toString(), QStringLiteral("not-removed"));
    }
    EXPECT_FALSE(lines[2].value(QStringLiteral("removed")).toBool());
    EXPECT_EQ(lines[2].value(QStringLiteral("kept")).toInt(), 2);
    EXPECT_TRUE(exists(app + "/Contents/Info.plist"));
    EXPECT_EQ(readFile(home + "/.cache/Stuck/blob"), "cache");
}

// The figures of a fixture machine in bytes, what an unreadable meminfo shows, and the
// release within --max-mib and above the floor, all read back as JSON.
TEST(CommandLine, MemoryFiguresAndReleaseAsJson)
{
    TempDir t;
    Meminfo machine;
    machine.available = 6 * kGiB;
    machine.writeTo(t / "proc");
    Meminfo tight = machine;
    tight.available = 600 * kMiB; // below the floor of 819.2 MiB
    tight.writeTo(t / "tight");
    struct Restore
    {
        ~Restore() { ::unsetenv("CORVANE_PROC"); }
    } restore;
    auto bytes = [](const QJsonObject& o, const char* key) { return uint64_t(o.value(QLatin1String(key)).toInteger(-1)); };

    ::setenv("CORVANE_PROC", (t / "proc").c_str(), 1);
    ProgramRun run = runCorvane({"memory"});
    EXPECT_EQ(run.status, 0) << run.err;
    std::vector<QJsonObject> lines = jsonLines(run.out);
    ASSERT_EQ(lines.size(), 1u) << run.out;
    EXPECT_EQ(bytes(lines[0], "app"), 3 * kGiB);
    EXPECT_EQ(bytes(lines[0], "cache"), 2 * kGiB);
    EXPECT_EQ(bytes(lines[0], "wired"), 1 * kGiB);
    EXPECT_EQ(bytes(lines[0], "compressed"), kGiB / 2);
    EXPECT_EQ(bytes(lines[0], "free"), 3 * kGiB / 2);
    EXPECT_EQ(bytes(lines[0], "used"), 13 * kGiB / 2);
    EXPECT_EQ(bytes(lines[0], "total"), 8 * kGiB);

    // 4 real MiB, progress on standard error.
    run = runCorvane({"memory", "--release", "--max-mib", "4"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "{\"chunks\":4,\"stoppedBy\":\"done\"}\n");
    EXPECT_NE(run.err.find("100% (4 of 4 MiB)"), std::string::npos) << run.err;

    ::setenv("CORVANE_PROC", (t / "tight").c_str(), 1);
    run = runCorvane({"memory", "--release", "--max-mib", "4"});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out, "{\"chunks\":0,\"stoppedBy\":\"floor\"}\n");

    ::setenv("CORVANE_PROC", (t / "missing").c_str(), 1);
    run = runCorvane({"memory"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("could not be read"), std::string::npos) << run.err;
    lines = jsonLines(run.out);
    ASSERT_EQ(lines.size(), 1u) << run.out;
    EXPECT_EQ(bytes(lines[0], "used"), 0u);
    EXPECT_GT(bytes(lines[0], "total"), 0u);
    EXPECT_EQ(bytes(lines[0], "free"), bytes(lines[0], "total"));
    run = runCorvane({"memory", "--release"});
    EXPECT_EQ(run.out, "{\"chunks\":0,\"stoppedBy\":\"done\"}\n");
}

// The machine from fixture trees: facts by section, both sensors with where they came
// from, the profiler's text on request, and nothing but JSON on standard output.
TEST(CommandLine, SysinfoPrintsAFixtureMachineAsJsonLines)
{
    TempDir t;
    corvane::test::writeIntelLaptop(t / "laptop");
    ::setenv("CORVANE_SYS", (t / "laptop/sys").c_str(), 1);
    ::setenv("CORVANE_PROC", (t / "laptop/proc").c_str(), 1);
    struct Restore
    {
        ~Restore()
        {
            ::unsetenv("CORVANE_SYS");
            ::unsetenv("CORVANE_PROC");
        }
    } restore;

    const ProgramRun run = runCorvane({"sysinfo", "--no-lspci"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::map<std::string, std::string> facts;
    std::map<std::string, QJsonObject> sensors;
    for (const QJsonObject& line : jsonLines(run.out)) {
        if (line.contains(QLatin1String("sensor")))
            sensors[text(line, "sensor")] = line;
        else
            facts[text(line, "section") + "/" + text(line, "key")] = text(line, "value");
    }
    EXPECT_EQ(facts["hardware/Model Name"], "20XW004HGE");
    EXPECT_EQ(facts["graphics/Device ID"], "0x9a49");
    EXPECT_EQ(facts["displays/Resolution"], "2560x1440"); // the last display's, both listed
    EXPECT_EQ(facts["disk/Capacity"], "500.11 GB (500,107,862,016 bytes)");
    EXPECT_EQ(sensors["temperature"].value(QLatin1String("value")).toDouble(), 52.5);
    EXPECT_EQ(text(sensors["temperature"], "source"), "coretemp Package id 0");
    EXPECT_EQ(sensors["fan"].value(QLatin1String("value")).toInt(), 2010);

    const ProgramRun profile = runCorvane({"sysinfo", "--no-lspci", "--profile", "SPSerialATADataType"});
    EXPECT_EQ(profile.status, 0);
    EXPECT_NE(profile.out.find("      BSD Name: nvme0n1\n"), std::string::npos) << profile.out;
    EXPECT_EQ(runCorvane({"sysinfo", "--profile", "SPAudioDataType"}).status, 2);
    EXPECT_EQ(runCorvane({"sysinfo", "--profile"}).status, 2);
}
