// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// The privileged helper's wire format. One request travels on a connection of its own
// to the helper's Unix stream socket (its path from the layout's HelperSocket role,
// named after the service "com.corvane.CorvaneHelper"); the client writes one frame,
// closes, and never waits for an answer.
//
// Frame (all integers unsigned 32-bit, big-endian):
//
//     "CVH1"                 4 bytes, magic and version
//     key length  K          4 bytes, 1 ≤ K ≤ 64
//     key                    K bytes, "removeFile" or "DisableService"
//     value length V         4 bytes, 0 ≤ V ≤ 65536
//     value                  V bytes, raw (a path is the path's bytes, not re-encoded)
//
// Exactly one entry per frame and one frame per connection; anything after the frame,
// a short frame, a bad magic or an oversized field makes the whole request invalid.
namespace HelperProtocol {

inline constexpr char kServiceName[] = "com.corvane.CorvaneHelper";
inline constexpr char kJobLabel[] = "CorvaneHelper";
inline constexpr char kRemoveFile[] = "removeFile";
inline constexpr char kDisableService[] = "DisableService";
inline constexpr uint32_t kMaxKey = 64;
inline constexpr uint32_t kMaxValue = 65536;
// The longest valid frame; a reader never needs to hold more.
inline constexpr size_t kMaxFrame = 4 + 4 + kMaxKey + 4 + kMaxValue;

struct Request
{
    std::string key;
    std::string value;
};

std::string encode(const Request& request);
// Decodes a complete frame; nothing when the bytes are not exactly one valid frame.
std::optional<Request> decode(const std::string& bytes);

// How far the bytes read so far from a connection have got: Invalid as soon as they can
// no longer begin a valid frame (bad magic, a length out of range), Complete once a whole
// frame is there (its length in `frameLength`; anything after it spoils the request),
// else Incomplete. Lets a reader stop reading early without trusting the lengths.
enum class Scan { Incomplete, Complete, Invalid };
Scan scan(std::string_view bytes, size_t& frameLength);

} // namespace HelperProtocol

} // namespace corvane
