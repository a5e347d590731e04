// SPDX-License-Identifier: GPL-3.0-or-later
#include "helper/bus/PolkitAuthoriser.h"
#include "FakeService.h"
#include "PrivateBus.h"

#include <chrono>
#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

using corvane::helper::Authoriser;
using corvane::helper::PeerIdentity;
using corvane::helper::PolkitAuthoriser;
using namespace corvane::test;
using namespace std::chrono_literals;

namespace {

constexpr const char* kName = "org.freedesktop.PolicyKit1";
constexpr const char* kPath = "/org/freedesktop/PolicyKit1/Authority";

// How the fake authority answers CheckAuthorization.
enum class Answer { Yes, Challenge, No, Error, WrongShape, Silence };

// One line for the arguments of a CheckAuthorization call: the subject's kind and each
// detail with its type, the action, the number of details, the flags, the cancellation id.
std::string describeCheck(sd_bus_message* m)
{
    if (sd_bus_message_has_signature(m, "(sa{sv})sa{ss}us") <= 0)
        return std::string("signature ") + sd_bus_message_get_signature(m, 1);
    std::string out;
    const char* kind = nullptr;
    sd_bus_message_enter_container(m, 'r', "sa{sv}");
    sd_bus_message_read(m, "s", &kind);
    out += kind;
    sd_bus_message_enter_container(m, 'a', "{sv}");
    while (sd_bus_message_enter_container(m, 'e', "sv") > 0) {
        const char* key = nullptr;
        const char* contents = nullptr;
        char type = 0;
        sd_bus_message_read(m, "s", &key);
        sd_bus_message_peek_type(m, &type, &contents);
        sd_bus_message_enter_container(m, 'v', contents);
        out += std::string(" ") + key + ":" + contents + "=";
        if (contents == std::string("u")) {
            uint32_t v = 0;
            sd_bus_message_read(m, "u", &v);
            out += std::to_string(v);
        } else if (contents == std::string("t")) {
            uint64_t v = 0;
            sd_bus_message_read(m, "t", &v);
            out += std::to_string(v);
        } else if (contents == std::string("i")) {
            int32_t v = 0;
            sd_bus_message_read(m, "i", &v);
            out += std::to_string(v);
        } else {
            sd_bus_message_skip(m, contents);
            out += "?";
        }
        sd_bus_message_exit_container(m);
        sd_bus_message_exit_container(m);
    }
    sd_bus_message_exit_container(m);
    sd_bus_message_exit_container(m);
    const char* action = nullptr;
    sd_bus_message_read(m, "s", &action);
    int details = 0;
    sd_bus_message_enter_container(m, 'a', "{ss}");
    while (sd_bus_message_skip(m, "{ss}") > 0)
        ++details;
    sd_bus_message_exit_container(m);
    uint32_t flags = 0;
    const char* cancellation = nullptr;
    sd_bus_message_read(m, "us", &flags, &cancellation);
    return out + " | " + action + " | details " + std::to_string(details) + " | flags " + std::to_string(flags) +
           " | cancel '" + cancellation + "'";
}

FakeService::Handler authority(Answer answer)
{
    return [answer](sd_bus_message* m, std::vector<std::string>& log) {
        if (!sd_bus_message_is_method_call(m, "org.freedesktop.PolicyKit1.Authority", "CheckAuthorization")) {
            sd_bus_reply_method_errorf(m, "org.freedesktop.DBus.Error.UnknownMethod", "no");
            return;
        }
        log.push_back(describeCheck(m));
        switch (answer) {
        case Answer::Yes:
            sd_bus_reply_method_return(m, "(bba{ss})", 1, 0, 0);
            break;
        case Answer::Challenge:
            sd_bus_reply_method_return(m, "(bba{ss})", 0, 1, 0);
            break;
        case Answer::No:
            sd_bus_reply_method_return(m, "(bba{ss})", 0, 0, 1, "polkit.dismissed", "true");
            break;
        case Answer::Error:
            sd_bus_reply_method_errorf(m, "org.freedesktop.PolicyKit1.Error.Failed", "refused by the test");
            break;
        case Answer::WrongShape:
            // A yes, but not in the shape polkit answers in.
            sd_bus_reply_method_return(m, "b", 1);
            break;
        case Answer::Silence:
            break;
        }
    };
}

const PeerIdentity kPeer{1000, 4321, 987654321012ULL};

} // namespace

TEST(PolkitAuthoriser, AsksAboutTheKernelsIdentityWithInteractionAllowed)
{
    PrivateBus bus;
    ASSERT_TRUE(bus.running()) << bus.failure();
    FakeService polkit(bus.address(), kName, kPath, authority(Answer::Yes));
    ASSERT_TRUE(polkit.ready());

    PolkitAuthoriser authoriser(bus.address());
    EXPECT_TRUE(authoriser.authorise(kPeer, Authoriser::Action::RemoveFile));
    EXPECT_TRUE(authoriser.authorise({0, 1, 1}, Authoriser::Action::DisableService));
    const std::string subject = "unix-process pid:u=4321 start-time:t=987654321012 uid:i=1000";
    EXPECT_EQ(polkit.log(), (std::vector<std::string>{
                                subject + " | com.corvane.CorvaneHelper.removeFile | details 0 | flags 1 | cancel ''",
                                "unix-process pid:u=1 start-time:t=1 uid:i=0 | "
                                "com.corvane.CorvaneHelper.DisableService | details 0 | flags 1 | cancel ''"}));
}

TEST(PolkitAuthoriser, OnlyAPlainYesGrants)
{
    PrivateBus bus;
    ASSERT_TRUE(bus.running()) << bus.failure();
    const std::pair<Answer, const char*> refusals[] = {{Answer::Challenge, "challenge"},
                                                       {Answer::No, "no"},
                                                       {Answer::Error, "error"},
                                                       {Answer::WrongShape, "wrong shape"}};
    for (const auto& [answer, name] : refusals) {
        SCOPED_TRACE(name);
        FakeService polkit(bus.address(), kName, kPath, authority(answer));
        ASSERT_TRUE(polkit.ready());
        EXPECT_FALSE(PolkitAuthoriser(bus.address()).authorise(kPeer, Authoriser::Action::RemoveFile));
        EXPECT_EQ(polkit.log().size(), 1u);
    }
}

TEST(PolkitAuthoriser, NoAnswerInTimeIsARefusal)
{
    PrivateBus bus;
    ASSERT_TRUE(bus.running()) << bus.failure();
    FakeService polkit(bus.address(), kName, kPath, authority(Answer::Silence));
    ASSERT_TRUE(polkit.ready());
    PolkitAuthoriser authoriser(bus.address(), 300ms);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(authoriser.authorise(kPeer, Authoriser::Action::RemoveFile));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_EQ(polkit.log().size(), 1u);
}

TEST(PolkitAuthoriser, AnIncompleteIdentityIsNeverSent)
{
    // polkit would fill the gaps from whatever process has that pid when it looks.
    PrivateBus bus;
    ASSERT_TRUE(bus.running()) << bus.failure();
    FakeService polkit(bus.address(), kName, kPath, authority(Answer::Yes));
    ASSERT_TRUE(polkit.ready());
    PolkitAuthoriser authoriser(bus.address());
    EXPECT_FALSE(authoriser.authorise({1000, 4321, 0}, Authoriser::Action::RemoveFile));
    EXPECT_FALSE(authoriser.authorise({1000, 0, 5}, Authoriser::Action::RemoveFile));
    EXPECT_FALSE(authoriser.authorise({static_cast<uid_t>(-1), 4321, 5}, Authoriser::Action::RemoveFile));
    EXPECT_TRUE(polkit.log().empty());
}

TEST(PolkitAuthoriser, NoPolkitOrNoBusIsARefusal)
{
    PrivateBus bus;
    ASSERT_TRUE(bus.running()) << bus.failure();
    PolkitAuthoriser authoriser(bus.address());
    EXPECT_FALSE(authoriser.authorise(kPeer, Authoriser::Action::RemoveFile));
    bus.stop();
    EXPECT_FALSE(authoriser.authorise(kPeer, Authoriser::Action::RemoveFile));
    EXPECT_FALSE(PolkitAuthoriser(bus.address()).authorise(kPeer, Authoriser::Action::RemoveFile));
}

TEST(PolkitAuthoriser, ConnectsAgainAfterTheBusRestarted)
{
    PrivateBus bus;
    ASSERT_TRUE(bus.running()) << bus.failure();
    PolkitAuthoriser authoriser(bus.address());
    {
        FakeService polkit(bus.address(), kName, kPath, authority(Answer::Yes));
        ASSERT_TRUE(polkit.ready());
        ASSERT_TRUE(authoriser.authorise(kPeer, Authoriser::Action::RemoveFile));
        ASSERT_TRUE(bus.restart()) << bus.failure();
    }
    FakeService polkit(bus.address(), kName, kPath, authority(Answer::Yes));
    ASSERT_TRUE(polkit.ready());
    EXPECT_TRUE(authoriser.authorise(kPeer, Authoriser::Action::RemoveFile));
    EXPECT_EQ(polkit.log().size(), 1u);
}
