// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace corvane {

// Hands the installation of a downloaded update to the companion: "test\n" on its local
// socket "<runtime folder>/com.corvane.XPC/connectionName", answered "accepted\n" or
// "refused <reason>\n". Only a companion of this user is spoken to (the peer's uid, from
// the kernel), and only in this user's private folder (RuntimeFolder): never a name under
// /tmp that anyone could have made first.
class CompanionHandOver
{
public:
    // NoAnswer: a companion took the request but did not answer in time; it is not started
    // again beside itself.
    enum class Result { Accepted, Refused, NoCompanion, NoAnswer, WrongPeer, NoRuntimeFolder };

    struct Answer
    {
        Result result = Result::NoCompanion;
        std::string reason; // the companion's, for a refusal
    };

    static std::string socketPath(const std::string& runtimeFolder);

    // One attempt, waiting at most `wait` for the answer: the companion checks and unpacks
    // the archive before it answers, which takes a while for a large one.
    static Answer sendTest(const std::string& runtimeFolder,
                           std::chrono::milliseconds wait = std::chrono::seconds(120));
    // When no companion answers, `startCompanion` is run once and the request is tried
    // again until `patience` has passed.
    static Answer handOver(const std::string& runtimeFolder, const std::function<bool()>& startCompanion,
                           std::chrono::milliseconds patience = std::chrono::seconds(5));
};

} // namespace corvane
