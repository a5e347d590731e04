// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AutostartEntry.h"

#include "platform/AtomicFile.h"
#include "platform/DesktopEntry.h"
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
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out.push_back(c);
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
    return !id.empty() && id != "." && id != ".." && id.find('/') == std::string::npos &&
           id.find('\0') == std::string::npos && id.find('\n') == std::string::npos;
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
                       "Name=" +
                       escapeValue(name) +
                       "\n"
                       "Exec=" +
                       escapeValue(quoteExecArgument(program)) +
                       "\n"
                       "NoDisplay=true\n"
                       "Terminal=false\n"
                       "X-GNOME-Autostart-enabled=true\n";
    // A fresh file renamed into place: nothing planted at a temporary name is written through.
    return AtomicFile::replace(joinPath(folder, id + ".desktop"), text, 0644);
}

namespace {

bool writeNew(const std::string& folder, const std::string& id, const std::string& text)
{
    if (!makeFolders(folder))
        return false;
    const std::string target = joinPath(folder, id + ".desktop");
    const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += size_t(n);
    }
    const bool ok = done == text.size() && ::fsync(fd) == 0;
    ::close(fd);
    if (!ok)
        ::unlink(target.c_str());
    return ok;
}

bool isOneLine(const std::string& value)
{
    return value.find('\n') == std::string::npos && value.find('\r') == std::string::npos &&
           value.find('\0') == std::string::npos && isUtf8(value);
}

} // namespace

bool AutostartEntry::create(const std::string& folder, const std::string& id, const std::string& name,
                            const std::vector<std::string>& exec,
                            const std::vector<std::pair<std::string, std::string>>& extraKeys)
{
    if (!isValidId(id) || exec.empty() || !isOneLine(name) || !isOneLine(id))
        return false;
    std::string line;
    for (const std::string& argument : exec) {
        if (!isOneLine(argument) || argument.empty())
            return false;
        line += (line.empty() ? "" : " ") + quoteExecArgument(argument);
    }
    std::string text = "[Desktop Entry]\nType=Application\nName=" + escapeValue(name) + "\nExec=" +
                       escapeValue(line) + "\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
    for (const auto& [key, value] : extraKeys) {
        if (!isOneLine(value) || key.empty() || key.find_first_of("=[]\n") != std::string::npos)
            return false;
        text += key + "=" + escapeValue(value) + "\n";
    }
    return writeNew(folder, id, text);
}

bool AutostartEntry::writeHidden(const std::string& folder, const std::string& id)
{
    if (!isValidId(id) || !makeFolders(folder))
        return false;
    return AtomicFile::replace(joinPath(folder, id + ".desktop"), "[Desktop Entry]\nType=Application\nHidden=true\n",
                               0644);
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
    if (auto entry = DesktopEntry::read(path))
        return entry->strings();
    return std::nullopt;
}

} // namespace corvane
