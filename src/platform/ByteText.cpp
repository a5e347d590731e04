// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ByteText.h"

namespace corvane {

size_t ByteText::utf8SequenceLength(std::string_view s, size_t i)
{
    if (i >= s.size())
        return 0;
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80)
        return 1;
    size_t n = 0;
    unsigned cp = 0;
    if ((c & 0xE0) == 0xC0) {
        n = 2;
        cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3;
        cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + n > s.size())
        return 0;
    for (size_t k = 1; k < n; ++k) {
        const auto cc = static_cast<unsigned char>(s[i + k]);
        if ((cc & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (cc & 0x3F);
    }
    if ((n == 2 && cp < 0x80) || (n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

std::string ByteText::forLog(std::string_view bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size());
    auto escape = [&](unsigned char b) {
        out += "\\x";
        out.push_back(kDigits[b >> 4]);
        out.push_back(kDigits[b & 15]);
    };
    for (size_t i = 0; i < bytes.size();) {
        const size_t n = utf8SequenceLength(bytes, i);
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (n == 0) {
            escape(c);
            ++i;
        } else if (n == 1) {
            if (c < 0x20 || c == 0x7f || c == '\\')
                escape(c);
            else
                out.push_back(static_cast<char>(c));
            ++i;
        } else {
            // U+0080..U+009F are the C1 controls (0xC2 0x80..0x9F); some terminals obey them.
            if (n == 2 && c == 0xC2 && static_cast<unsigned char>(bytes[i + 1]) < 0xA0) {
                escape(c);
                escape(static_cast<unsigned char>(bytes[i + 1]));
            } else {
                out.append(bytes.substr(i, n));
            }
            i += n;
        }
    }
    return out;
}

} // namespace corvane
