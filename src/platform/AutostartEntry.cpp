// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AutostartEntry.h"

#include "platform/AtomicFile.h"
#include "platform/BoundedFile.h"

#include "platform/FileChecks.h"

#include <QByteArray>
#include <QStringDecoder>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

namespace {

bool isUtf8(const std::string& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    // The decoding happens when the result becomes a string.
    const QString text = decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return !decoder.hasError();
}

// Values of a desktop file may not hold raw line breaks; the string escapes carry them.
std::string escapeValue(const std::string& value)
{
    std::string out;
    for (char c : value) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        default: out.push_back(c);
        }
    }
    return out;
}

std::string unescapeValue(const std::string& value)
{
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out.push_back(value[i]);
            continue;
        }
        switch (value[++i]) {
        case 's': out.push_back(' '); break;
        case 'n': out.push_back('\n'); break;
        case 't': out.push_back('\t'); break;
        case 'r': out.push_back('\r'); break;
        case '\\': out.push_back('\\'); break;
        default: out.push_back('\\'); out.push_back(value[i]); break;
        }
    }
    return out;
}

bool makeFolders(const std::string& folder)
{
    if (folder.empty())
        return false;
    struct stat st;
    if (::stat(folder.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    const std::string parent = parentPath(folder);
    if (!parent.empty() && parent != folder && !makeFolders(parent))
        return false;
    return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

} // namespace

bool AutostartEntry::isValidId(const std::string& id)
{
    return !id.empty() && id != "." && id != ".." && id.find('/') == std::string::npos
        && id.find('\0') == std::string::npos && id.find('\n') == std::string::npos;
}

std::string AutostartEntry::quoteExecArgument(const std::string& argument)
{
    std::string out = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            out.push_back('\\');
        if (c == '%')
            out.push_back('%');
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

bool AutostartEntry::write(const std::string& folder, const std::string& id, const std::string& name,
                           const std::string& program)
{
    if (!isValidId(id) || program.empty() || !isUtf8(program) || !isUtf8(name))
        return false;
    if (!makeFolders(folder))
        return false;
    std::string text = "[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=" + escapeValue(name) + "\n"
                       "Exec=" + escapeValue(quoteExecArgument(program)) + "\n"
                       "NoDisplay=true\n"
                       "Terminal=false\n"
                       "X-GNOME-Autostart-enabled=true\n";
    // A fresh file renamed into place: nothing planted at a temporary name is written through.
    return AtomicFile::replace(joinPath(folder, id + ".desktop"), text, 0644);
}

bool AutostartEntry::remove(const std::string& folder, const std::string& id)
{
    if (!isValidId(id))
        return false;
    const std::string target = joinPath(folder, id + ".desktop");
    return ::unlink(target.c_str()) == 0 || errno == ENOENT || errno == ENOTDIR;
}

std::optional<std::map<std::string, std::string>> AutostartEntry::readGroup(const std::string& path)
{
    // Non-blocking, regular files only, bounded: a FIFO would otherwise wait for a writer,
    // and no real desktop file is larger than this.
    const auto read = BoundedFile::read(path, 1024 * 1024);
    if (!read)
        return std::nullopt;
    const std::string& bytes = *read;

    std::map<std::string, std::string> keys;
    bool inGroup = false, seenGroup = false;
    size_t pos = 0;
    while (pos <= bytes.size()) {
        size_t end = bytes.find('\n', pos);
        if (end == std::string::npos)
            end = bytes.size();
        std::string line = bytes.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            inGroup = line == "[Desktop Entry]";
            seenGroup = seenGroup || inGroup;
            continue;
        }
        if (!inGroup)
            continue;
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        std::string key = line.substr(0, eq);
        while (!key.empty() && key.back() == ' ')
            key.pop_back();
        size_t vstart = eq + 1;
        while (vstart < line.size() && line[vstart] == ' ')
            ++vstart;
        keys.emplace(key, unescapeValue(line.substr(vstart))); // the first occurrence wins
    }
    if (!seenGroup)
        return std::nullopt;
    return keys;
}

} // namespace corvane
