// SPDX-License-Identifier: GPL-3.0-or-later
#include "helper/core/HelperLog.h"

#include "platform/ByteText.h"

#include <cstdio>
#include <cstdlib>
#include <syslog.h>
#include <systemd/sd-journal.h>

namespace corvane::helper {

std::string HelperLog::line(const Entry& entry)
{
    std::string text;
    if (entry.peerKnown)
        text = "uid=" + std::to_string(entry.peer.uid) + " pid=" + std::to_string(entry.peer.pid);
    else
        text = "uid=? pid=?";
    text += " key=" + (entry.key.empty() ? std::string("-") : ByteText::forLog(entry.key));
    text += " value=" + ByteText::forLog(entry.value);
    text += " verdict=" + ByteText::forLog(entry.verdict);
    return text;
}

HelperLog::Sink HelperLog::systemSink()
{
    // systemd hands its services a journal stream and an invocation id; a helper run by
    // hand (tests, --listen during development) writes to standard error.
    const bool underSystemd = std::getenv("JOURNAL_STREAM") || std::getenv("INVOCATION_ID");
    if (!underSystemd)
        return [](const Entry& entry) { std::fprintf(stderr, "corvane-helper: %s\n", line(entry).c_str()); };
    return [](const Entry& entry) {
        const std::string message = line(entry);
        const std::string key = ByteText::forLog(entry.key);
        const std::string value = ByteText::forLog(entry.value);
        const std::string verdict = ByteText::forLog(entry.verdict);
        sd_journal_send("MESSAGE=%s", message.c_str(), "PRIORITY=%i", LOG_NOTICE, "CORVANE_UID=%s",
                        entry.peerKnown ? std::to_string(entry.peer.uid).c_str() : "?", "CORVANE_PID=%s",
                        entry.peerKnown ? std::to_string(entry.peer.pid).c_str() : "?", "CORVANE_KEY=%s", key.c_str(),
                        "CORVANE_VALUE=%s", value.c_str(), "CORVANE_VERDICT=%s", verdict.c_str(), nullptr);
    };
}

} // namespace corvane::helper
