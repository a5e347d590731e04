// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DesktopEntry.h"

#include "platform/BoundedFile.h"

#include <algorithm>

namespace corvane {

namespace {

constexpr size_t kMaxDesktopFile = 1024 * 1024;

std::string trimmed(std::string_view text)
{
    size_t start = 0, end = text.size();
    while (start < end && (text[start] == ' ' || text[start] == '\t'))
        ++start;
    while (end > start && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        --end;
    return std::string(text.substr(start, end - start));
}

} // namespace

std::optional<DesktopEntry> DesktopEntry::read(const std::string& path)
{
    // Non-blocking, regular files only, bounded: a FIFO would otherwise wait for a writer,
    // and no real desktop file is larger than this.
    const auto bytes = BoundedFile::read(path, kMaxDesktopFile);
    if (!bytes)
        return std::nullopt;
    return parse(*bytes);
}

std::optional<DesktopEntry> DesktopEntry::parse(std::string_view text)
{
    DesktopEntry entry;
    bool inGroup = false, seenGroup = false;
    for (std::string_view rest = text; !rest.empty();) {
        const size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line.front() == '#')
            continue;
        if (line.front() == '[') {
            inGroup = line == "[Desktop Entry]";
            seenGroup = seenGroup || inGroup;
            continue;
        }
        const size_t eq = line.find('=');
        if (!inGroup || eq == std::string_view::npos)
            continue;
        const std::string key = trimmed(line.substr(0, eq));
        if (!key.empty())
            entry.m_raw.emplace(key, trimmed(line.substr(eq + 1))); // the first occurrence wins
    }
    if (!seenGroup)
        return std::nullopt;
    return entry;
}

std::string DesktopEntry::unescape(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out.push_back(value[i]);
            continue;
        }
        switch (value[++i]) {
        case 's':
            out.push_back(' ');
            break;
        case 'n':
            out.push_back('\n');
            break;
        case 't':
            out.push_back('\t');
            break;
        case 'r':
            out.push_back('\r');
            break;
        case '\\':
            out.push_back('\\');
            break;
        default:
            out.push_back('\\');
            out.push_back(value[i]);
            break;
        }
    }
    return out;
}

std::optional<std::string> DesktopEntry::raw(const std::string& key) const
{
    auto it = m_raw.find(key);
    return it == m_raw.end() ? std::nullopt : std::optional<std::string>(it->second);
}

std::map<std::string, std::string> DesktopEntry::strings() const
{
    std::map<std::string, std::string> out;
    for (const auto& [key, value] : m_raw)
        out.emplace(key, unescape(value));
    return out;
}

std::optional<std::string> DesktopEntry::string(const std::string& key) const
{
    if (auto value = raw(key))
        return unescape(*value);
    return std::nullopt;
}

std::vector<std::string> DesktopEntry::localeCandidates(const std::string& locale)
{
    std::string lang = locale, country, modifier;
    if (const size_t at = lang.find('@'); at != std::string::npos) {
        modifier = lang.substr(at + 1);
        lang.erase(at);
    }
    if (const size_t dot = lang.find('.'); dot != std::string::npos)
        lang.erase(dot);
    if (const size_t underscore = lang.find('_'); underscore != std::string::npos) {
        country = lang.substr(underscore + 1);
        lang.erase(underscore);
    }
    std::vector<std::string> tries;
    if (lang.empty() || lang == "C" || lang == "POSIX")
        return tries;
    if (!country.empty() && !modifier.empty())
        tries.push_back(lang + "_" + country + "@" + modifier);
    if (!country.empty())
        tries.push_back(lang + "_" + country);
    if (!modifier.empty())
        tries.push_back(lang + "@" + modifier);
    tries.push_back(lang);
    return tries;
}

std::optional<std::string> DesktopEntry::localized(const std::string& key, const std::string& locale) const
{
    for (const std::string& suffix : localeCandidates(locale))
        if (auto value = string(key + "[" + suffix + "]"))
            return value;
    return string(key);
}

std::vector<std::string> DesktopEntry::list(const std::string& key) const
{
    std::vector<std::string> items;
    const auto value = raw(key);
    if (!value)
        return items;
    std::string current;
    for (size_t i = 0; i < value->size(); ++i) {
        const char c = (*value)[i];
        if (c == '\\' && i + 1 < value->size() && (*value)[i + 1] == ';') {
            current.push_back(';');
            ++i;
        } else if (c == ';') {
            items.push_back(unescape(current));
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    if (!current.empty())
        items.push_back(unescape(current));
    return items;
}

bool DesktopEntry::boolean(const std::string& key) const
{
    return string(key) == std::optional<std::string>("true");
}

bool DesktopEntry::shownIn(const std::vector<std::string>& desktops) const
{
    auto mentions = [&](const std::vector<std::string>& names) {
        return std::any_of(desktops.begin(), desktops.end(), [&](const std::string& d) {
            return std::find(names.begin(), names.end(), d) != names.end();
        });
    };
    if (mentions(notShowIn()))
        return false;
    const std::vector<std::string> only = onlyShowIn();
    return only.empty() || mentions(only);
}

std::optional<std::vector<std::string>> DesktopEntry::execArguments() const
{
    const auto exec = string("Exec");
    if (!exec)
        return std::nullopt;
    return splitExec(*exec);
}

std::optional<std::vector<std::string>> DesktopEntry::splitExec(const std::string& exec)
{
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false, quoted = false, fieldCodeAlone = false;
    auto finish = [&] {
        // An argument that was nothing but field codes stands for files, URLs or the icon
        // the launcher would pass: it goes with them.
        if (inArgument && !(fieldCodeAlone && current.empty()))
            arguments.push_back(current);
        current.clear();
        inArgument = false;
        fieldCodeAlone = false;
    };
    for (size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (quoted) {
            if (c == '"') {
                quoted = false;
            } else if (c == '\\') {
                if (i + 1 == exec.size())
                    return std::nullopt;
                const char next = exec[++i];
                if (next != '"' && next != '`' && next != '$' && next != '\\')
                    return std::nullopt;
                current.push_back(next);
            } else if (c == '%') {
                if (i + 1 == exec.size())
                    return std::nullopt;
                if (exec[++i] == '%')
                    current.push_back('%');
            } else {
                current.push_back(c);
            }
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\n') {
            finish();
            continue;
        }
        if (!inArgument)
            fieldCodeAlone = true;
        inArgument = true;
        if (c == '"') {
            quoted = true;
            fieldCodeAlone = false;
        } else if (c == '%') {
            if (i + 1 == exec.size())
                return std::nullopt;
            if (exec[++i] == '%') {
                current.push_back('%');
                fieldCodeAlone = false;
            }
        } else if (c == '\\' || c == '\'') {
            // Quoting the rules do not have: a line that needs them is not understood.
            return std::nullopt;
        } else {
            current.push_back(c);
            fieldCodeAlone = false;
        }
    }
    if (quoted)
        return std::nullopt;
    finish();
    if (arguments.empty())
        return std::nullopt;
    return arguments;
}

} // namespace corvane
