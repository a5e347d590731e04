#include "Command.h"

#include <cstdio>

namespace corvane::cli {

namespace {

std::vector<Command>& registry()
{
    static std::vector<Command> all;
    return all;
}

bool validUtf8At(const std::string& s, size_t i, size_t& len)
{
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
        len = 1;
        return true;
    }
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
        return false;
    }
    if (i + n > s.size())
        return false;
    for (size_t k = 1; k < n; ++k) {
        const auto cc = static_cast<unsigned char>(s[i + k]);
        if ((cc & 0xC0) != 0x80)
            return false;
        cp = (cp << 6) | (cc & 0x3F);
    }
    if ((n == 2 && cp < 0x80) || (n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
        return false;
    len = n;
    return true;
}

} // namespace

Registrar::Registrar(Command command)
{
    registry().push_back(std::move(command));
}

const std::vector<Command>& commands()
{
    return registry();
}

std::string jsonString(const std::string& bytes)
{
    std::string out = "\"";
    for (size_t i = 0; i < bytes.size();) {
        size_t len = 1;
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (!validUtf8At(bytes, i, len)) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
            i += 1;
            continue;
        }
        if (len == 1) {
            switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20 || c == 0x7f) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out.push_back(static_cast<char>(c));
                }
            }
        } else {
            out.append(bytes, i, len);
        }
        i += len;
    }
    out += "\"";
    return out;
}

} // namespace corvane::cli
