// SPDX-License-Identifier: GPL-3.0-or-later
#include "Command.h"

#include "platform/ByteText.h"
#include "platform/FileChecks.h"

#include <climits>
#include <cstdlib>
#include <unistd.h>

namespace corvane::cli {

namespace {

std::vector<Command>& registry()
{
    static std::vector<Command> all;
    return all;
}

void appendEscape(std::string& out, const char* prefix, unsigned char byte)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    out += prefix;
    out.push_back(kDigits[byte >> 4]);
    out.push_back(kDigits[byte & 15]);
}

} // namespace

const char* const kPathsInJsonHelp =
    "Paths are JSON strings that keep every byte of the name: well-formed UTF-8 is text;\n"
    "each byte of an ill-formed sequence is a lone surrogate \\udcXX (PEP 383), so that\n"
    "Python's os.fsencode(json.loads(line)[...]) in a UTF-8 locale gives the name back.\n";

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
    out.reserve(bytes.size() + 2);
    for (size_t i = 0; i < bytes.size();) {
        const size_t len = ByteText::utf8SequenceLength(bytes, i);
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (len == 0) {
            // Always 0x80..0xFF here (every ASCII byte is well formed), the range whose
            // surrogates U+DC80..U+DCFF encode back to the single byte.
            appendEscape(out, "\\udc", c);
            ++i;
            continue;
        }
        if (len > 1) {
            out.append(bytes, i, len);
            i += len;
            continue;
        }
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c == 0x7f)
                appendEscape(out, "\\u00", c);
            else
                out.push_back(static_cast<char>(c));
        }
        ++i;
    }
    out += "\"";
    return out;
}

std::string absolutePath(const std::string& path)
{
    if (path.empty() || path.front() == '/')
        return path;
    char cwd[PATH_MAX];
    return ::getcwd(cwd, sizeof cwd) ? joinPath(cwd, path) : std::string();
}

std::string environmentLocale()
{
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if (const char* v = std::getenv(name); v && *v)
            return v;
    return "C";
}

} // namespace corvane::cli
