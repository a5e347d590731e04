// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DebugNote.h"

#include <atomic>

namespace corvane::DebugNote {

namespace {
std::atomic<Write> g_write{nullptr};
std::atomic<Enabled> g_enabled{nullptr};
} // namespace

void setSink(Write write, Enabled enabled)
{
    g_enabled.store(enabled);
    g_write.store(write);
}

bool enabled()
{
    const Enabled check = g_enabled.load();
    return g_write.load() && (!check || check());
}

void write(const std::string& line)
{
    if (const Write sink = g_write.load())
        sink(line);
}

} // namespace corvane::DebugNote
