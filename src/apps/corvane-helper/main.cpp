// SPDX-License-Identifier: GPL-3.0-or-later
// corvane-helper: the privileged helper, started by systemd on its socket; also
// --explain (what the rules say, nothing changed) and --install/--uninstall (run as root
// through pkexec by the program's installer).
#include "helper/core/Authoriser.h"
#include "helper/core/HelperInstallation.h"
#include "helper/core/HelperLog.h"
#include "helper/core/HelperServer.h"
#include "helper/core/RequestHandler.h"
#include "helper/core/RequestRules.h"
#include "helper/core/UnitControl.h"

#ifdef CORVANE_HELPER_HAVE_BUS
#include "helper/bus/PolkitAuthoriser.h"
#include "helper/bus/SystemdUnitControl.h"
#endif

#include <charconv>
#include <csignal>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <systemd/sd-daemon.h>
#include <vector>

using namespace corvane;
using namespace corvane::helper;

namespace {

constexpr auto kIdleExit = std::chrono::seconds(60);

// A build without the D-Bus half answers every request with a refusal.
class RefusingAuthoriser : public Authoriser
{
public:
    bool authorise(const PeerIdentity&, Action) override { return false; }
};

class AbsentUnitControl : public UnitControl
{
public:
    std::optional<std::string> disableAndStop(const std::string&) override
    {
        return std::string("this helper was built without systemd's bus interface");
    }
};

HelperServer* g_server = nullptr;

void stopOnSignal(int)
{
    if (g_server)
        g_server->stop();
}

int usage()
{
    std::fputs("usage: corvane-helper                       (started by systemd on its socket)\n"
               "       corvane-helper --explain --uid UID PATH\n"
               "       corvane-helper --explain --unit NAME\n"
               "       corvane-helper --install | --uninstall   (as root)\n",
               stderr);
    return 2;
}

int serve()
{
    // Exactly one listening stream socket, from systemd.
    const int count = sd_listen_fds(1);
    if (count != 1 || sd_is_socket_unix(SD_LISTEN_FDS_START, SOCK_STREAM, 1, nullptr, 0) <= 0) {
        std::fputs("corvane-helper: no listening socket from systemd; the helper is started through "
                   "com.corvane.CorvaneHelper.socket\n",
                   stderr);
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);

#ifdef CORVANE_HELPER_HAVE_BUS
    auto authoriser = std::make_unique<PolkitAuthoriser>();
    auto units = std::make_unique<SystemdUnitControl>();
#else
    auto authoriser = std::make_unique<RefusingAuthoriser>();
    auto units = std::make_unique<AbsentUnitControl>();
#endif
    RequestHandler handler(RequestRules(HelperRoots::machine()), *authoriser, *units);
    HelperServer::Options options;
    options.idleExit = kIdleExit;
    HelperServer server(
        SD_LISTEN_FDS_START,
        [&](const PeerIdentity& peer, const HelperProtocol::Request& request) { return handler.handle(peer, request); },
        HelperLog::systemSink(), options);

    g_server = &server;
    struct sigaction action
    {
    };
    action.sa_handler = stopOnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    const bool ran = server.run();
    g_server = nullptr;
    return ran ? 0 : 1;
}

int explain(const std::vector<std::string_view>& args)
{
    const RequestRules rules(HelperRoots::machine());
    Verdict verdict;
    if (args.size() == 4 && args[1] == "--uid") {
        unsigned long long uid = 0;
        const auto [end, error] = std::from_chars(args[2].data(), args[2].data() + args[2].size(), uid);
        if (error != std::errc() || end != args[2].data() + args[2].size() || uid >= std::numeric_limits<uid_t>::max())
            return usage();
        verdict = rules.resolveRemoval(static_cast<uid_t>(uid), std::string(args[3])).verdict;
    } else if (args.size() == 3 && args[1] == "--unit") {
        verdict = rules.checkUnit(std::string(args[2]));
    } else {
        return usage();
    }
    std::printf("%s\n", verdict.json().c_str());
    return verdict.allowed ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.empty())
        return serve();
    if (args[0] == "--explain")
        return explain(args);
    if (args.size() == 1 && (args[0] == "--install" || args[0] == "--uninstall")) {
        std::string message;
        const HelperInstallation::Options options = HelperInstallation::fromEnvironment();
        const int status = args[0] == "--install" ? HelperInstallation::install(options, message)
                                                  : HelperInstallation::uninstall(options, message);
        std::fprintf(status == 0 ? stdout : stderr, "corvane-helper: %s\n", message.c_str());
        return status;
    }
    return usage();
}
