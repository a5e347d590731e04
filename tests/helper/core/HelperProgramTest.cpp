// SPDX-License-Identifier: GPL-3.0-or-later
// corvane-helper run as a program: --explain's verdict lines on the machine's own roots
// (looked at, never changed), and --install/--uninstall into a scratch root with a
// recording systemctl.
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace corvane::test;

namespace {

struct ProgramRun
{
    int status = -1;
    std::string out;
    std::string err;
};

std::string readAll(FILE* f)
{
    std::string s;
    std::rewind(f);
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        s.append(buffer, n);
    return s;
}

// The helper with an argument vector and extra environment; nothing goes through a shell.
ProgramRun runHelper(const std::vector<std::string>& args, const std::map<std::string, std::string>& env = {})
{
    FILE* out = std::tmpfile();
    FILE* err = std::tmpfile();
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (const auto& [name, value] : env)
            ::setenv(name.c_str(), value.c_str(), 1);
        ::unsetenv("PKEXEC_UID");
        ::dup2(::fileno(out), 1);
        ::dup2(::fileno(err), 2);
        std::vector<char*> argv{const_cast<char*>(CORVANE_HELPER_PROGRAM)};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(CORVANE_HELPER_PROGRAM, argv.data());
        ::_exit(127);
    }
    int status = 0;
    while (pid > 0 && ::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    ProgramRun run;
    run.status = pid > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = readAll(out);
    run.err = readAll(err);
    std::fclose(out);
    std::fclose(err);
    return run;
}

std::string refusedBy(const std::string& rule)
{
    return R"({"verdict":"refused","rule":")" + rule + "\"}\n";
}

mode_t modeOf(const std::string& path)
{
    struct stat st
    {
    };
    ::lstat(path.c_str(), &st);
    return st.st_mode & 07777;
}

} // namespace

TEST(HelperProgram, ExplainPrintsTheVerdictForBadInputsAndChangesNothing)
{
    const std::string passwd = readFile("/etc/passwd");
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--uid", "65534", "/root/.bashrc"}, "outside-allowed-folders"}, // another user's home
        {{"--uid", "0", "/etc/passwd"}, "outside-allowed-folders"},
        {{"--uid", "0", "/"}, "protected-path"},
        {{"--uid", "0", "/root"}, "home-itself"},
        {{"--uid", "0", "relative/file"}, "path-not-absolute"},
        {{"--uid", "0", "/root/../etc/passwd"}, "path-component"},
        {{"--uid", "0", "/var/cache/debconf/config.dat"}, "not-allow-listed"},
        {{"--uid", "0", "/var/cache/man/../../../etc/passwd"}, "path-component"},
        {{"--uid", "0", "/etc/systemd/system/dbus.service"}, "never-stop"},
        {{"--unit", "../x"}, "unit-name"},
        {{"--unit", "a b"}, "unit-name"},
        {{"--unit", "x;y"}, "unit-name"},
        {{"--unit", ""}, "unit-name"},
        {{"--unit", "com.corvane.CorvaneHelper.socket"}, "own-unit"},
        {{"--unit", "dbus.service"}, "never-stop"},
    };
    for (const auto& [args, rule] : cases) {
        std::vector<std::string> argv{"--explain"};
        argv.insert(argv.end(), args.begin(), args.end());
        const ProgramRun run = runHelper(argv);
        EXPECT_EQ(run.out, refusedBy(rule)) << args.back();
        EXPECT_EQ(run.status, 1) << args.back();
    }
    const ProgramRun allowed = runHelper({"--explain", "--unit", "foo.service"});
    EXPECT_EQ(allowed.out, R"({"verdict":"allowed","rule":"unit"})"
                           "\n");
    EXPECT_EQ(allowed.status, 0);
    EXPECT_EQ(runHelper({"--explain", "--uid", "-1", "/x"}).status, 2);
    EXPECT_EQ(runHelper({"--explain", "--uid", "0"}).status, 2);
    EXPECT_EQ(readFile("/etc/passwd"), passwd);
}

TEST(HelperProgram, InstallsIntoARootAndUninstallsAgain)
{
    TempDir t;
    const std::string root = t / "root";
    makeDirs(root + "/run/systemd/system");
    // systemctl replaced by a recorder found on PATH.
    const std::string record = t / "systemctl.calls";
    writeFile(t / "bin/systemctl", "#!/bin/sh\necho \"$*\" >> '" + record + "'\n");
    ::chmod((t / "bin/systemctl").c_str(), 0755);
    const std::map<std::string, std::string> env{{"CORVANE_HELPER_INSTALL_ROOT", root},
                                                 {"PATH", t / "bin:/usr/bin:/bin"}};

    ::umask(0077); // pkexec's umask must not decide who can read the policy
    const ProgramRun install = runHelper({"--install"}, env);
    ::umask(0022);
    ASSERT_EQ(install.status, 0) << install.err;
    const std::string executable = root + "/usr/local/libexec/corvane-helper";
    EXPECT_EQ(readFile(executable), readFile(CORVANE_HELPER_PROGRAM));
    EXPECT_EQ(modeOf(executable), 0755u);
    const std::string units = root + "/etc/systemd/system/";
    const std::string policy = root + "/usr/share/polkit-1/actions/com.corvane.CorvaneHelper.policy";
    for (const std::string name : {"com.corvane.CorvaneHelper.socket", "com.corvane.CorvaneHelper.service"}) {
        EXPECT_EQ(readFile(units + name), readFile(std::string(CORVANE_SOURCE_DIR "/resources/helper/") + name));
        EXPECT_EQ(modeOf(units + name), 0644u) << name;
    }
    EXPECT_EQ(readFile(policy), readFile(CORVANE_SOURCE_DIR "/resources/helper/com.corvane.CorvaneHelper.policy"));
    EXPECT_EQ(modeOf(policy), 0644u);
    EXPECT_EQ(readFile(record), "daemon-reload\nenable --now com.corvane.CorvaneHelper.socket\n");
    // Installing again replaces the files in place.
    EXPECT_EQ(runHelper({"--install"}, env).status, 0);

    ::unlink(record.c_str());
    const ProgramRun uninstall = runHelper({"--uninstall"}, env);
    ASSERT_EQ(uninstall.status, 0) << uninstall.err;
    EXPECT_EQ(readFile(record), "disable --now com.corvane.CorvaneHelper.socket com.corvane.CorvaneHelper.service\n"
                                "daemon-reload\n");
    for (const std::string& gone :
         {executable, units + "com.corvane.CorvaneHelper.socket", units + "com.corvane.CorvaneHelper.service", policy})
        EXPECT_FALSE(exists(gone)) << gone;

    // The systemctl the installation relies on failing is a failed installation.
    writeFile(t / "bin/systemctl", "#!/bin/sh\nexit 1\n");
    EXPECT_EQ(runHelper({"--install"}, env).status, 1);
}

TEST(HelperProgram, WithoutSystemdNothingIsInstalled)
{
    TempDir t;
    const std::string root = t / "root";
    makeDirs(root);
    const std::string record = t / "systemctl.calls";
    writeFile(t / "bin/systemctl", "#!/bin/sh\necho \"$*\" >> '" + record + "'\n");
    ::chmod((t / "bin/systemctl").c_str(), 0755);
    const std::map<std::string, std::string> env{{"CORVANE_HELPER_INSTALL_ROOT", root},
                                                 {"PATH", t / "bin:/usr/bin:/bin"}};
    for (const char* action : {"--install", "--uninstall"}) {
        const ProgramRun run = runHelper({action}, env);
        EXPECT_EQ(run.status, 1) << action;
        EXPECT_NE(run.err.find("systemd is not the init system"), std::string::npos) << run.err;
    }
    EXPECT_FALSE(exists(root + "/usr"));
    EXPECT_FALSE(exists(root + "/etc"));
    EXPECT_FALSE(exists(record));
    // Started by hand rather than by its socket, the helper says so and stops.
    EXPECT_EQ(runHelper({}).status, 2);
}
