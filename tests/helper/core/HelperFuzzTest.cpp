// SPDX-License-Identifier: GPL-3.0-or-later
// Mutated frames through the decoder and the rules, then through the served helper: no
// crash (the suite runs under AddressSanitizer), nothing outside the caller's reach
// allowed, and the helper still serving afterwards.
#include "HelperFakes.h"

#include <gtest/gtest.h>

#include <random>

using namespace corvane;
using namespace corvane::helper;
using namespace corvane::helper::test;
using corvane::test::exists;
using corvane::test::writeFile;

namespace {

class Mutator
{
public:
    explicit Mutator(std::vector<std::string> seeds) : m_seeds(std::move(seeds)) {}

    std::string next()
    {
        std::string frame = m_seeds[pick(m_seeds.size())];
        const int edits = 1 + int(pick(4));
        for (int e = 0; e < edits; ++e) {
            switch (pick(5)) {
            case 0: // flip a bit
                if (!frame.empty())
                    frame[pick(frame.size())] ^= char(1 << pick(8));
                break;
            case 1: // cut short
                frame.resize(pick(frame.size() + 1));
                break;
            case 2: // a valid frame inserted anywhere
                frame.insert(pick(frame.size() + 1), m_seeds[pick(m_seeds.size())]);
                break;
            case 3: // a random byte in a length field
                if (frame.size() > 12)
                    frame[4 + pick(8)] = char(pick(256));
                break;
            default: // a few random bytes anywhere
                frame.insert(pick(frame.size() + 1), std::string(1 + pick(8), char(pick(256))));
                break;
            }
        }
        return frame;
    }

private:
    size_t pick(size_t n) { return n == 0 ? 0 : std::uniform_int_distribution<size_t>(0, n - 1)(m_random); }
    std::vector<std::string> m_seeds;
    std::mt19937 m_random{20240607};
};

bool startsWith(const std::string& s, const std::string& prefix)
{
    return s.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

TEST(HelperFuzz, MutatedFramesNeverCrashOrReachBeyondTheRules)
{
    ScratchMachine m;
    writeFile(m.myHome + "/cache/x", "x");
    writeFile(m.caches + "/man/index.db", "x");
    writeFile(m.units + "/foo.service", "x");
    const RequestRules rules(m.roots());
    Mutator mutator({
        HelperProtocol::encode({HelperProtocol::kRemoveFile, m.myHome + "/cache/x"}),
        HelperProtocol::encode({HelperProtocol::kRemoveFile, m.caches + "/man/index.db"}),
        HelperProtocol::encode({HelperProtocol::kRemoveFile, m.units + "/foo.service"}),
        HelperProtocol::encode({HelperProtocol::kRemoveFile, m.victim + "/a"}),
        HelperProtocol::encode({HelperProtocol::kDisableService, "foo.service"}),
        HelperProtocol::encode({HelperProtocol::kDisableService, "dbus.service"}),
    });

    int decoded = 0, allowed = 0;
    for (int i = 0; i < 100000; ++i) {
        const std::string frame = mutator.next();
        size_t length = 0;
        const HelperProtocol::Scan scan = HelperProtocol::scan(frame, length);
        const auto request = HelperProtocol::decode(frame);
        // The incremental reader and the decoder agree on what one whole frame is.
        ASSERT_EQ(bool(request), scan == HelperProtocol::Scan::Complete && length == frame.size()) << i;
        if (!request)
            continue;
        ++decoded;
        if (request->key == HelperProtocol::kDisableService) {
            const Verdict verdict = rules.checkUnit(request->value);
            // Whatever passes is one plain name: no way, no space, no shell or line syntax.
            ASSERT_TRUE(!verdict.allowed ||
                        request->value.find_first_of(std::string("/ ;$`\n\0", 7)) == std::string::npos)
                << i;
            continue;
        }
        // Looked at, never acted on: whatever a mutation made of the path, an allowed one
        // lies in one of the three places and not in the victim.
        const RequestRules::Target target = rules.resolveRemoval(::geteuid(), request->value);
        if (target.verdict.allowed) {
            ++allowed;
            const std::string& p = request->value;
            ASSERT_TRUE(startsWith(p, m.myHome + "/") || startsWith(p, m.caches + "/") || startsWith(p, m.units + "/"))
                << p;
        }
    }
    EXPECT_GT(decoded, 1000) << "the mutations reach the rules, not only the decoder";
    EXPECT_GT(allowed, 0);
    EXPECT_TRUE(m.victimIntact());

    // The served helper takes a share of them over sockets, and afterwards still serves.
    ServedHelper helper(m.roots());
    helper.authoriser.grant = false; // nothing a mutation asks for is carried out
    for (int i = 0; i < 1000; ++i) {
        const std::string answer = helper.sendBytes(mutator.next());
        ASSERT_TRUE(startsWith(answer, "refused: ") || startsWith(answer, "failed: ")) << i << ": " << answer;
    }
    helper.authoriser.grant = true;
    EXPECT_EQ(helper.request(HelperProtocol::kRemoveFile, m.myHome + "/cache/x"), "ok\n");
    EXPECT_FALSE(exists(m.myHome + "/cache/x"));
    EXPECT_TRUE(m.victimIntact());
}
