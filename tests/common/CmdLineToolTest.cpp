// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/CmdLineTool.h"
#include "platform/HelperProtocol.h"
#include "common/ShellQuote.h"
#include "platform/Layout.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <cstring>
#include <mutex>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;

namespace {

QStringList g_log;
std::mutex g_logMutex;

void capture(QtMsgType, const QMessageLogContext&, const QString& msg)
{
    std::lock_guard lock(g_logMutex);
    g_log << msg;
}

// A stand-in for the privileged helper: accepts connections on the layout's socket and
// keeps every connection's bytes as one received request.
class FakeHelper
{
public:
    explicit FakeHelper(const std::string& path)
    {
        m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::memcpy(addr.sun_path, path.c_str(), path.size());
        makeDirs(path.substr(0, path.rfind('/')));
        EXPECT_EQ(::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0) << std::strerror(errno);
        EXPECT_EQ(::listen(m_fd, 64), 0);
    }
    ~FakeHelper() { ::close(m_fd); }

    // Accepts n connections and reads each to its end.
    std::vector<std::string> receive(int n)
    {
        std::vector<std::string> got;
        for (int i = 0; i < n; ++i) {
            const int c = ::accept(m_fd, nullptr, nullptr);
            std::string bytes;
            char buf[4096];
            ssize_t k;
            while ((k = ::read(c, buf, sizeof buf)) > 0)
                bytes.append(buf, size_t(k));
            ::close(c);
            got.push_back(bytes);
        }
        return got;
    }

private:
    int m_fd = -1;
};

class CmdLineToolTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::lock_guard lock(g_logMutex);
        g_log.clear();
        m_previous = qInstallMessageHandler(capture);
    }
    void TearDown() override
    {
        qInstallMessageHandler(m_previous);
    }
    std::string socketPath() const { return *m_layout.path(Layout::Role::HelperSocket); }
    QStringList log()
    {
        std::lock_guard lock(g_logMutex);
        return g_log;
    }

    TempDir m_root;
    const Layout m_layout = Layout::macLayout(m_root.path(), "tester");
    QtMessageHandler m_previous = nullptr;
};

} // namespace

TEST_F(CmdLineToolTest, RunCommandCapturesStandardOutputOnly)
{
    EXPECT_EQ(CmdLineTool::runCommand("printf 'a\\nb'"), QStringLiteral("a\nb"));
    EXPECT_EQ(CmdLineTool::runCommand("echo only-error >&2"), QStringLiteral(""));
    EXPECT_EQ(CmdLineTool::runCommand("exit 3"), QStringLiteral(""));
    EXPECT_EQ(CmdLineTool::runCommand("printf '\\344\\270\\255'"), QStringLiteral("中"));
    EXPECT_FALSE(CmdLineTool::runCommand("printf 'ok\\200'").has_value()) << "invalid UTF-8 gives no text";
    EXPECT_EQ(CmdLineTool::runCommandBytes("printf 'ok\\200'"), std::string("ok\x80"));
}

TEST_F(CmdLineToolTest, RunCommandWaitsForABackgroundChildHoldingTheOutput)
{
    // The shell exits at once; its child keeps standard output open and writes later.
    const auto out = CmdLineTool::runCommand("(sleep 0.3; echo late) & echo early");
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(*out, QStringLiteral("early\nlate\n"));
}

TEST_F(CmdLineToolTest, QuotedValuesNeverRunAsShellCode)
{
    const std::string victim = m_root / "victim";
    const std::string names[] = {"$(touch " + victim + ")", "`touch " + victim + "`", "a; touch " + victim,
                                 "it's \"quoted\" *", "-rf", "new\nline", std::string("bad\xff\xfe")};
    for (const std::string& name : names) {
        const std::string folder = m_root / name;
        makeDirs(folder);
        const std::string out = CmdLineTool::runCommandBytes("ls -d -- " + shellQuote(folder));
        EXPECT_EQ(out, folder + "\n");
        EXPECT_FALSE(exists(victim)) << "ran code from a name";
    }
}

TEST_F(CmdLineToolTest, HiddenLibraryIsBuiltFromTheLoginName)
{
    EXPECT_EQ(CmdLineTool::hiddenLibraryPath(m_layout), m_root / "Users/tester/Library");
}

TEST_F(CmdLineToolTest, EachRequestIsOneFrameOnItsOwnConnection)
{
    FakeHelper helper(socketPath());
    const std::string oddPath = std::string("/tmp/x\nname -rf $(id) \xff\xfe");
    CmdLineTool::sudoDeleteFileAtPath(oddPath, m_layout);
    CmdLineTool::sudoDisableServiceAtLabel("com.example.agent", m_layout);
    CmdLineTool::sudoDeleteFileAtPath("/tmp/second", m_layout);

    const auto frames = helper.receive(3);
    ASSERT_EQ(frames.size(), 3u);
    const auto a = HelperProtocol::decode(frames[0]);
    const auto b = HelperProtocol::decode(frames[1]);
    const auto c = HelperProtocol::decode(frames[2]);
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(a->key, "removeFile");
    EXPECT_EQ(a->value, oddPath) << "the path travels as raw bytes";
    EXPECT_EQ(b->key, "DisableService");
    EXPECT_EQ(b->value, "com.example.agent");
    EXPECT_EQ(c->value, "/tmp/second");
    EXPECT_TRUE(log().contains(QStringLiteral("Sending request: /tmp/second")));
    EXPECT_FALSE(log().contains(QStringLiteral("Failed to create XPC connection.")));
    // The odd name is logged escaped: its line break cannot start a forged line.
    EXPECT_TRUE(log().contains(QStringLiteral("Sending request: /tmp/x\\x0aname -rf $(id) \\xff\\xfe")))
        << log().join(QStringLiteral(" | ")).toStdString();
    for (const QString& line : log())
        EXPECT_FALSE(line.contains(QLatin1Char('\n')));
}

TEST_F(CmdLineToolTest, AbsentHelperChangesNothingAndOnlyRemoveLogs)
{
    CmdLineTool::sudoDisableServiceAtLabel("label", m_layout);
    EXPECT_TRUE(log().isEmpty());
    CmdLineTool::sudoDeleteFileAtPath("/tmp/anything", m_layout);
    EXPECT_EQ(log(), QStringList{QStringLiteral("Failed to create XPC connection.")});
}

TEST_F(CmdLineToolTest, AHelperThatNeverAnswersDoesNotHoldTheCallerUp)
{
    FakeHelper helper(socketPath()); // listening, never accepting until later
    for (int i = 0; i < 20; ++i)
        CmdLineTool::sudoDeleteFileAtPath("/tmp/f" + std::to_string(i), m_layout);
    EXPECT_EQ(helper.receive(20).size(), 20u);
}

TEST(HelperProtocol, DecodeAcceptsExactlyOneWellFormedEntry)
{
    const std::string good = HelperProtocol::encode({"removeFile", std::string("/a\0b", 4)});
    ASSERT_TRUE(HelperProtocol::decode(good));
    EXPECT_EQ(HelperProtocol::decode(good)->value, std::string("/a\0b", 4));
    EXPECT_FALSE(HelperProtocol::decode(good + "x")) << "trailing bytes";
    EXPECT_FALSE(HelperProtocol::decode(good.substr(0, good.size() - 1))) << "short frame";
    EXPECT_FALSE(HelperProtocol::decode("XXXX" + good.substr(4))) << "bad magic";
    EXPECT_FALSE(HelperProtocol::decode(HelperProtocol::encode({"", "/x"}))) << "empty key";
    EXPECT_FALSE(HelperProtocol::decode(HelperProtocol::encode({"removeFile", std::string(70000, 'a')})));
    EXPECT_FALSE(HelperProtocol::decode(""));
}
