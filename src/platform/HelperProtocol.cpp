// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/HelperProtocol.h"

#include <algorithm>

namespace corvane::HelperProtocol {

namespace {

void putU32(std::string& out, uint32_t v)
{
    out.push_back(static_cast<char>((v >> 24) & 0xff));
    out.push_back(static_cast<char>((v >> 16) & 0xff));
    out.push_back(static_cast<char>((v >> 8) & 0xff));
    out.push_back(static_cast<char>(v & 0xff));
}

bool getU32(const std::string& in, size_t& pos, uint32_t& v)
{
    if (in.size() < pos + 4)
        return false;
    v = (uint32_t(uint8_t(in[pos])) << 24) | (uint32_t(uint8_t(in[pos + 1])) << 16) |
        (uint32_t(uint8_t(in[pos + 2])) << 8) | uint32_t(uint8_t(in[pos + 3]));
    pos += 4;
    return true;
}

} // namespace

std::string encode(const Request& request)
{
    std::string out = "CVH1";
    putU32(out, static_cast<uint32_t>(request.key.size()));
    out += request.key;
    putU32(out, static_cast<uint32_t>(request.value.size()));
    out += request.value;
    return out;
}

std::optional<Request> decode(const std::string& bytes)
{
    if (bytes.size() < 4 || bytes.compare(0, 4, "CVH1") != 0)
        return std::nullopt;
    size_t pos = 4;
    uint32_t keyLen = 0, valueLen = 0;
    if (!getU32(bytes, pos, keyLen) || keyLen == 0 || keyLen > kMaxKey || bytes.size() < pos + keyLen)
        return std::nullopt;
    Request r;
    r.key = bytes.substr(pos, keyLen);
    pos += keyLen;
    if (!getU32(bytes, pos, valueLen) || valueLen > kMaxValue || bytes.size() != pos + valueLen)
        return std::nullopt;
    r.value = bytes.substr(pos, valueLen);
    return r;
}

Scan scan(std::string_view bytes, size_t& frameLength)
{
    static constexpr std::string_view kMagic = "CVH1";
    if (bytes.substr(0, kMagic.size()) != kMagic.substr(0, std::min(bytes.size(), kMagic.size())))
        return Scan::Invalid;
    auto u32At = [&](size_t pos) -> std::optional<uint32_t> {
        if (bytes.size() < pos + 4)
            return std::nullopt;
        return (uint32_t(uint8_t(bytes[pos])) << 24) | (uint32_t(uint8_t(bytes[pos + 1])) << 16) |
               (uint32_t(uint8_t(bytes[pos + 2])) << 8) | uint32_t(uint8_t(bytes[pos + 3]));
    };
    const auto keyLength = u32At(4);
    if (!keyLength)
        return Scan::Incomplete;
    if (*keyLength == 0 || *keyLength > kMaxKey)
        return Scan::Invalid;
    const auto valueLength = u32At(8 + *keyLength);
    if (!valueLength)
        return Scan::Incomplete;
    if (*valueLength > kMaxValue)
        return Scan::Invalid;
    const size_t total = 12 + size_t(*keyLength) + *valueLength;
    if (bytes.size() < total)
        return Scan::Incomplete;
    frameLength = total;
    return Scan::Complete;
}

} // namespace corvane::HelperProtocol
