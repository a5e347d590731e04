// SPDX-License-Identifier: GPL-3.0-or-later
#include "HelperRoom.h"

#include "helper/core/PeerCredentials.h"
#include "platform/HelperProtocol.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sched.h>
#include <sstream>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace corvane::test {

namespace {

constexpr const char* kSocketActivate = "/usr/bin/systemd-socket-activate";
constexpr const char* kPath = "PATH=/usr/sbin:/usr/bin:/sbin:/bin";

std::string rules()
{
    return std::string(R"(polkit.addRule(function(action, subject) {
    if (action.id.indexOf("com.corvane.CorvaneHelper.") == 0 && subject.user == ")") +
           HelperRoom::kUser + R"(")
        return polkit.Result.YES;
});
)";
}

// The machine's list with every line of `name` replaced by `line`.
std::string withEntry(const std::string& list, const std::string& name, const std::string& line)
{
    std::istringstream in(list);
    std::string out;
    for (std::string l; std::getline(in, l);)
        if (l.rfind(name + ":", 0) != 0)
            out += l + "\n";
    return out + line + "\n";
}

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> out;
    for (std::string& s : strings)
        out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

// In a fresh child: the groups, group and user of `uid` (the test user's group has its
// number, as has nobody's).
bool becomeUser(uid_t uid)
{
    if (uid == 0)
        return true;
    const gid_t gid = uid;
    return ::setgroups(1, &gid) == 0 && ::setgid(gid) == 0 && ::setuid(uid) == 0;
}

// Only system calls: used in children of a test that may have threads.
bool writeAll(int fd, const char* bytes, size_t size)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Everything from a descriptor until its end or the timeout.
std::string readUntilEnd(int fd, std::chrono::milliseconds timeout)
{
    std::string out;
    const auto until = std::chrono::steady_clock::now() + timeout;
    char buffer[4096];
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        pollfd pfd{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&pfd, 1, static_cast<int>(left.count())) <= 0)
            break;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        out.append(buffer, static_cast<size_t>(n));
    }
    return out;
}

int waitFor(pid_t pid)
{
    int status = 0;
    while (pid > 0 && ::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return pid > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A connected stream to the socket, in a child that may only make system calls.
int connectTo(const sockaddr_un& address)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return -1;
    return fd;
}

sockaddr_un addressOf(const std::string& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    return address;
}

} // namespace

uint64_t startTimeOf(pid_t pid)
{
    return helper::PeerCredentials::startTimeFromStat(readFile("/proc/" + std::to_string(pid) + "/stat")).value_or(0);
}

HelperRoom::HelperRoom() : m_home(m_t / "home" + "/" + kUser), m_socket(m_t / "run/com.corvane.CorvaneHelper.socket")
{
    const std::string files = m_t / "files";
    makeDirs(files + "/actions");
    makeDirs(files + "/rules");
    makeDirs(files + "/etc-rules");
    makeDirs(files + "/units");
    makeDirs(m_t / "logs");
    makeDirs(m_t / "run");
    // The policy the helper installs, so the actions polkit knows are the real ones.
    writeFile(files + "/actions/com.corvane.CorvaneHelper.policy",
              readFile(CORVANE_SOURCE_DIR "/resources/helper/com.corvane.CorvaneHelper.policy"));
    writeFile(files + "/rules/50-corvane-test.rules", rules());

    if (const passwd* known = ::getpwnam(kUser)) {
        m_user = known->pw_uid;
    } else {
        m_user = 61234;
        while (::getpwuid(m_user) || ::getgrgid(m_user))
            ++m_user;
    }
    const std::string id = std::to_string(m_user);
    writeFile(passwordFile(),
              withEntry(readFile("/etc/passwd"), kUser,
                        std::string(kUser) + ":x:" + id + ":" + id + "::" + m_home + ":/usr/sbin/nologin"));
    writeFile(files + "/group", withEntry(readFile("/etc/group"), kUser, std::string(kUser) + ":x:" + id + ":"));

    makeDirs(m_home);
    ::chown(m_home.c_str(), m_user, m_user);
    ::chmod(m_home.c_str(), 0755);
    // The folders of the allow list, as a Debian system has them (root's, 0755).
    for (const char* folder : {"fontconfig", "man", "apt/archives"})
        makeDirs(systemCaches() + "/" + folder);
}

HelperRoom::~HelperRoom()
{
    endProcess(m_helper);
    if (m_polkitd > 0)
        ::kill(m_polkitd, SIGCONT); // a stopped daemon would not hear SIGTERM
    endProcess(m_polkitd);
    if (m_namespace >= 0)
        ::close(m_namespace);
}

std::string HelperRoom::helperLog() const
{
    return readFile(m_t / "logs/helper.log");
}

int HelperRoom::stopHelper()
{
    const pid_t helper = std::exchange(m_helper, -1);
    if (helper <= 0 || ::kill(helper, SIGTERM) != 0)
        return -1;
    for (int waited = 0; waited < 10000; waited += 10) {
        int status = 0;
        if (::waitpid(helper, &status, WNOHANG) == helper)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    endProcess(helper);
    return -1;
}

std::string HelperRoom::polkitdLog() const
{
    return readFile(m_t / "logs/polkitd.log");
}

bool HelperRoom::enter() const
{
    // A mount namespace is joined only by a thread whose root and working folder nobody
    // shares; a sanitizer may have started a thread of its own in the child.
    return ::unshare(CLONE_FS) == 0 && ::setns(m_namespace, CLONE_NEWNS) == 0 && ::chdir("/") == 0;
}

bool HelperRoom::makeNamespace(std::string& failure)
{
    const std::string files = m_t / "files";
    std::vector<std::pair<std::string, std::string>> binds = {
        {files + "/actions", "/usr/share/polkit-1/actions"},
        {files + "/rules", "/usr/share/polkit-1/rules.d"},
        {files + "/etc-rules", "/etc/polkit-1/rules.d"},
        {passwordFile(), "/etc/passwd"},
        {files + "/group", "/etc/group"},
        {systemCaches(), "/var/cache"},
    };
    // Unit files are the helper's third area: scratch too, though no test sends one.
    if (exists("/etc/systemd/system"))
        binds.emplace_back(files + "/units", "/etc/systemd/system");

    int ready[2];
    int hold[2];
    if (::pipe2(ready, O_CLOEXEC) != 0 || ::pipe2(hold, O_CLOEXEC) != 0) {
        failure = "pipe failed";
        return false;
    }
    std::fflush(nullptr);
    const pid_t holder = ::fork();
    if (holder == 0) {
        // Only system calls from here: the test may have threads.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::close(ready[0]);
        ::close(hold[1]);
        int report[2] = {0, 0}; // the bind that failed (1-based, -1 the namespace), its errno
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            report[0] = -1;
            report[1] = errno;
        } else {
            for (size_t i = 0; i < binds.size(); ++i) {
                if (::mount(binds[i].first.c_str(), binds[i].second.c_str(), nullptr, MS_BIND, nullptr) != 0) {
                    report[0] = static_cast<int>(i) + 1;
                    report[1] = errno;
                    break;
                }
            }
        }
        [[maybe_unused]] ssize_t n = ::write(ready[1], report, sizeof report);
        char c;
        n = ::read(hold[0], &c, 1);
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(hold[0]);
    int report[2] = {-2, 0};
    const bool heard = holder > 0 && ::read(ready[0], report, sizeof report) == sizeof report;
    ::close(ready[0]);
    if (heard && report[0] == 0)
        m_namespace = ::open(("/proc/" + std::to_string(holder) + "/ns/mnt").c_str(), O_RDONLY | O_CLOEXEC);
    // The descriptor keeps the namespace; its first process is not needed any more.
    ::close(hold[1]);
    waitFor(holder);
    if (m_namespace >= 0)
        return true;
    if (!heard)
        failure = "the process making the mount namespace did not report";
    else if (report[0] == -1)
        failure = std::string("no private mount namespace: ") + std::strerror(report[1]);
    else if (report[0] > 0)
        failure = "cannot bind " + binds[report[0] - 1].first + " onto " + binds[report[0] - 1].second + ": " +
                  std::strerror(report[1]);
    else
        failure = "cannot open the namespace";
    return false;
}

pid_t HelperRoom::spawn(uid_t uid, const std::vector<std::string>& argv, const std::vector<std::string>& env, int out,
                        int err) const
{
    std::vector<std::string> args = argv;
    std::vector<std::string> vars = env;
    const std::vector<char*> argp = pointers(args);
    const std::vector<char*> envp = pointers(vars);
    const int input = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        // A test killed on its timeout takes the room's processes with it.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (!enter())
            ::_exit(120);
        ::dup2(input, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        if (!becomeUser(uid))
            ::_exit(122);
        ::execve(argp[0], argp.data(), envp.data());
        ::_exit(127);
    }
    ::close(input);
    return pid;
}

bool HelperRoom::waitForListener(std::chrono::milliseconds timeout) const
{
    // Listening (flag __SO_ACCEPTCON) rather than merely bound: a connection made between
    // bind and listen would be refused.
    const auto until = std::chrono::steady_clock::now() + timeout;
    do {
        std::istringstream table(readFile("/proc/net/unix"));
        for (std::string line; std::getline(table, line);) {
            std::istringstream fields(line);
            std::string num, refs, protocol, flags, type, state, inode, path;
            if ((fields >> num >> refs >> protocol >> flags >> type >> state >> inode >> path) && path == m_socket &&
                flags == "00010000")
                return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < until);
    return false;
}

void HelperRoom::start(std::string& skip, std::string& failure)
{
    if (::geteuid() != 0) {
        skip = "needs root: a mount namespace, a root helper and processes of other users";
        return;
    }
    if (::access(kSocketActivate, X_OK) != 0) {
        skip = std::string(kSocketActivate) + " is not installed (package systemd)";
        return;
    }
    const char* daemon = installedPolkitd();
    if (!daemon) {
        skip = "polkitd is not installed";
        return;
    }
    if (!m_bus.running()) {
        failure = m_bus.failure();
        return;
    }
    if (std::string why; !makeNamespace(why)) {
        skip = "this machine gives no private mount namespace with bind mounts (" + why + ")";
        return;
    }

    const std::string busVariable = "DBUS_SYSTEM_BUS_ADDRESS=" + m_bus.address();
    const int polkitdOut = ::open((m_t / "logs/polkitd.log").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    m_polkitd = spawn(0, {daemon}, {kPath, busVariable}, polkitdOut, polkitdOut);
    ::close(polkitdOut);
    std::string how = "it did not take its name on the bus";
    bool named = false;
    for (int waited = 0; !named && waited < 15000; waited += 200) {
        named = waitForName(m_bus.address(), "org.freedesktop.PolicyKit1", 200);
        int status = 0;
        if (!named && ::waitpid(m_polkitd, &status, WNOHANG) == m_polkitd) {
            how = "it ended with status " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
            m_polkitd = -1;
            break;
        }
    }
    if (!named) {
        endProcess(m_polkitd);
        m_polkitd = -1;
        skip = "polkitd did not start here (" + how + "): " + polkitdLog();
        return;
    }

    // As systemd serves it: a listening socket handed over on the first connection, the
    // bus address passed on explicitly (systemd-socket-activate passes on only what -E names).
    const int helperOut = ::open((m_t / "logs/helper.log").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    m_helper = spawn(0, {kSocketActivate, "-l", m_socket, "-E", busVariable, CORVANE_HELPER_PROGRAM}, {kPath},
                     helperOut, helperOut);
    ::close(helperOut);
    if (!waitForListener(std::chrono::seconds(10))) {
        failure = "systemd-socket-activate did not listen on " + m_socket + ": " + helperLog();
        return;
    }
    // What the socket unit's SocketMode says: anyone may connect, polkit decides.
    ::chmod(m_socket.c_str(), 0666);
}

std::string HelperRoom::request(uid_t uid, const std::string& key, const std::string& value) const
{
    const std::string frame = HelperProtocol::encode({key, value});
    const sockaddr_un address = addressOf(m_socket);
    int answer[2];
    if (::pipe2(answer, O_CLOEXEC) != 0)
        return {};
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::close(answer[0]);
        if (!enter() || !becomeUser(uid))
            ::_exit(120);
        const int fd = connectTo(address);
        if (fd < 0 || !writeAll(fd, frame.data(), frame.size()) || ::shutdown(fd, SHUT_WR) != 0)
            ::_exit(121);
        char buffer[512];
        ssize_t n;
        while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
            if (!writeAll(answer[1], buffer, static_cast<size_t>(n)))
                ::_exit(122);
        ::_exit(0);
    }
    ::close(answer[1]);
    std::string line = pid > 0 ? readUntilEnd(answer[0], std::chrono::seconds(60)) : std::string();
    ::close(answer[0]);
    if (pid > 0)
        ::kill(pid, SIGKILL); // gone already unless the answer never came
    waitFor(pid);
    if (!line.empty() && line.back() == '\n')
        line.pop_back();
    return line;
}

HelperRoom::Run HelperRoom::run(uid_t uid, const std::vector<std::string>& argv,
                                const std::vector<std::string>& env) const
{
    FILE* out = std::tmpfile();
    FILE* err = std::tmpfile();
    Run result;
    if (!out || !err)
        return result;
    const pid_t pid = spawn(uid, argv, env, ::fileno(out), ::fileno(err));
    result.status = waitFor(pid);
    auto all = [](FILE* f) {
        std::string s;
        std::rewind(f);
        char buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            s.append(buffer, n);
        std::fclose(f);
        return s;
    };
    result.out = all(out);
    result.err = all(err);
    return result;
}

std::optional<std::string> HelperRoom::verdictLogged(const std::string& value, std::chrono::milliseconds timeout) const
{
    const std::string marker = " value=" + value + " verdict=";
    const auto until = std::chrono::steady_clock::now() + timeout;
    do {
        std::istringstream log(helperLog());
        for (std::string line; std::getline(log, line);)
            if (const size_t at = line.find(marker); at != std::string::npos)
                return line.substr(at + marker.size());
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < until);
    return std::nullopt;
}

HeldRequest::HeldRequest(const HelperRoom& room, uid_t uid, const std::string& key, const std::string& value)
{
    const std::string frame = HelperProtocol::encode({key, value});
    const sockaddr_un address = addressOf(room.socketPath());
    int sent[2];
    int hold[2];
    if (::pipe2(sent, O_CLOEXEC) != 0 || ::pipe2(hold, O_CLOEXEC) != 0)
        return;
    std::fflush(nullptr);
    m_pid = ::fork();
    if (m_pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::close(sent[0]);
        ::close(hold[1]);
        if (!room.enter() || !becomeUser(uid))
            ::_exit(120);
        const int fd = connectTo(address);
        if (fd < 0 || !writeAll(fd, frame.data(), frame.size()) || ::shutdown(fd, SHUT_WR) != 0)
            ::_exit(121);
        char c = 1;
        if (::write(sent[1], &c, 1) != 1)
            ::_exit(122);
        while (::read(hold[0], &c, 1) < 0 && errno == EINTR) {
        }
        ::_exit(0);
    }
    ::close(sent[1]);
    ::close(hold[0]);
    m_hold = hold[1];
    char c = 0;
    if (m_pid > 0 && ::read(sent[0], &c, 1) != 1)
        release();
    ::close(sent[0]);
}

HeldRequest::~HeldRequest()
{
    release();
}

void HeldRequest::release()
{
    if (m_hold >= 0)
        ::close(m_hold);
    m_hold = -1;
    if (m_pid > 0)
        waitFor(m_pid);
    m_pid = -1;
}

AuthorizationWatch::AuthorizationWatch(const std::string& busAddress)
{
    sd_bus* bus = nullptr;
    if (sd_bus_new(&bus) < 0)
        return;
    sd_bus_message* call = nullptr;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    bool ok = sd_bus_set_address(bus, busAddress.c_str()) >= 0 && sd_bus_set_bus_client(bus, 1) >= 0 &&
              sd_bus_set_monitor(bus, 1) >= 0 && sd_bus_start(bus) >= 0 &&
              sd_bus_message_new_method_call(bus, &call, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                             "org.freedesktop.DBus.Monitoring", "BecomeMonitor") >= 0 &&
              sd_bus_message_append(call, "asu", 1,
                                    "type='method_call',interface='org.freedesktop.PolicyKit1.Authority',"
                                    "member='CheckAuthorization'",
                                    0u) >= 0 &&
              sd_bus_call(bus, call, 0, &error, nullptr) >= 0;
    sd_bus_message_unref(call);
    sd_bus_error_free(&error);
    if (!ok) {
        sd_bus_flush_close_unref(bus);
        return;
    }
    m_bus = bus;
}

AuthorizationWatch::~AuthorizationWatch()
{
    if (m_bus)
        sd_bus_flush_close_unref(m_bus);
}

std::optional<AuthorizationWatch::Subject> AuthorizationWatch::next(std::chrono::milliseconds timeout)
{
    if (!m_bus)
        return std::nullopt;
    const auto until = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        sd_bus_message* m = nullptr;
        const int r = sd_bus_process(m_bus, &m);
        if (r < 0)
            return std::nullopt;
        if (m && sd_bus_message_is_method_call(m, "org.freedesktop.PolicyKit1.Authority", "CheckAuthorization") > 0) {
            Subject subject;
            const char* kind = nullptr;
            bool read = sd_bus_message_enter_container(m, SD_BUS_TYPE_STRUCT, "sa{sv}") >= 0 &&
                        sd_bus_message_read(m, "s", &kind) >= 0 &&
                        sd_bus_message_enter_container(m, SD_BUS_TYPE_ARRAY, "{sv}") >= 0;
            subject.kind = kind ? kind : "";
            while (read && sd_bus_message_enter_container(m, SD_BUS_TYPE_DICT_ENTRY, "sv") > 0) {
                const char* key = nullptr;
                read = sd_bus_message_read(m, "s", &key) >= 0;
                const std::string name = read && key ? key : "";
                if (name == "pid")
                    read = sd_bus_message_read(m, "v", "u", &subject.pid) >= 0;
                else if (name == "start-time")
                    read = sd_bus_message_read(m, "v", "t", &subject.startTime) >= 0;
                else if (name == "uid")
                    read = sd_bus_message_read(m, "v", "i", &subject.uid) >= 0;
                else
                    read = read && sd_bus_message_skip(m, "v") >= 0;
                read = read && sd_bus_message_exit_container(m) >= 0;
            }
            const char* action = nullptr;
            read = read && sd_bus_message_exit_container(m) >= 0 && sd_bus_message_exit_container(m) >= 0 &&
                   sd_bus_message_read(m, "s", &action) >= 0;
            subject.action = action ? action : "";
            sd_bus_message_unref(m);
            if (read)
                return subject;
            continue;
        }
        sd_bus_message_unref(m);
        if (r > 0)
            continue;
        const auto left =
            std::chrono::duration_cast<std::chrono::microseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return std::nullopt;
        if (sd_bus_wait(m_bus, static_cast<uint64_t>(left.count())) < 0)
            return std::nullopt;
    }
}

} // namespace corvane::test
