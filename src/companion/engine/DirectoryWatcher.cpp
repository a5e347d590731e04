// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/engine/DirectoryWatcher.h"

#include "platform/DirectoryReader.h"
#include "platform/FileChecks.h"
#include "platform/LogCategories.h"
#include "platform/UniqueFd.h"

#include <QPointer>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace corvane {

namespace {

constexpr uint32_t kFolderMask =
    IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
// Above a missing folder only the way down matters: the next folder appearing, or the
// watched one going away.
constexpr uint32_t kAboveMask = IN_CREATE | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
constexpr uint32_t kGone = IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT;
constexpr uint32_t kEntryChanged = IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE;

unsigned char foldCase(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

std::string withoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

DirectoryWatcher::DirectoryWatcher(std::string path, QObject* parent)
    : QObject(parent), m_path(withoutTrailingSlashes(std::move(path)))
{
    m_latency.setSingleShot(true);
    m_latency.setInterval(kLatencyMs);
    connect(&m_latency, &QTimer::timeout, this, &DirectoryWatcher::directoryChanged);
    // The watch goes in before the listing, so nothing that arrives in between is missed:
    // it is either in the listing or behind a change still to be read.
    createEventStream();
    loadCurrentSnapshot();
}

DirectoryWatcher::~DirectoryWatcher()
{
    delete m_notifier;
    if (m_inotify >= 0)
        ::close(m_inotify);
}

int DirectoryWatcher::compareNames(const std::string& a, const std::string& b)
{
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        const unsigned char x = foldCase(a[i]);
        const unsigned char y = foldCase(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    const int bytes = a.compare(b); // unsigned byte order
    return bytes < 0 ? -1 : (bytes > 0 ? 1 : 0);
}

DirectoryWatcher::NameDiff DirectoryWatcher::diffNames(const std::vector<std::string>& before,
                                                       const std::vector<std::string>& after)
{
    NameDiff diff;
    size_t i = 0;
    size_t j = 0;
    while (i < before.size() || j < after.size()) {
        if (i < before.size() && j < after.size()) {
            const int order = compareNames(before[i], after[j]);
            if (order == 0) {
                ++i;
                ++j;
            } else if (order < 0) {
                diff.removed.push_back(before[i++]);
            } else {
                diff.added.push_back(after[j++]);
            }
        } else if (i < before.size()) {
            diff.removed.push_back(before[i++]);
        } else {
            diff.added.push_back(after[j++]);
        }
    }
    return diff;
}

std::optional<std::vector<std::string>> DirectoryWatcher::listFolder() const
{
    // A folder that is a link is followed: people move their Trash elsewhere on purpose.
    UniqueFd fd(::open(m_path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK));
    if (!fd) {
        qCDebug(lcCompanion) << "not listed:" << logLine(m_path, errno);
        return std::nullopt;
    }
    std::vector<std::string> names;
    if (!DirectoryReader::listNames(fd.get(), names)) {
        // Half a listing would read as a mass removal.
        qCDebug(lcCompanion) << "listing broke off:" << logLine(m_path, errno);
        return std::nullopt;
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return compareNames(a, b) < 0; });
    return names;
}

void DirectoryWatcher::loadCurrentSnapshot()
{
    m_currentSnapshot = listFolder();
}

bool DirectoryWatcher::createEventStream()
{
    if (m_inotify >= 0)
        return true;
    m_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_inotify < 0) {
        qCWarning(lcCompanion) << "no inotify instance, changes are not seen:" << logLine(m_path, errno);
        return false;
    }
    m_notifier = new QSocketNotifier(m_inotify, QSocketNotifier::Read, this);
    m_notifier->setEnabled(m_started);
    connect(m_notifier, &QSocketNotifier::activated, this, &DirectoryWatcher::readEvents);
    arm();
    return true;
}

void DirectoryWatcher::start()
{
    m_started = true;
    if (m_notifier)
        m_notifier->setEnabled(true);
}

void DirectoryWatcher::stop()
{
    m_started = false;
    if (m_notifier)
        m_notifier->setEnabled(false);
    m_latency.stop();
}

void DirectoryWatcher::watchInstead(int watch, bool isFolder, std::string nextComponent)
{
    // The same inode watched again keeps its watch number; only a watch on another
    // folder is given up.
    if (m_watch >= 0 && m_watch != watch)
        ::inotify_rm_watch(m_inotify, m_watch);
    m_watch = watch;
    m_watchingFolder = isFolder;
    m_nextComponent = std::move(nextComponent);
}

bool DirectoryWatcher::arm()
{
    const bool wasWatchingFolder = m_watchingFolder;
    // A folder made just after its parent was found missing shows up on the next round;
    // the bound only keeps a folder that keeps vanishing from holding the loop.
    for (int round = 0; round < 16; ++round) {
        const int folderWatch = ::inotify_add_watch(m_inotify, m_path.c_str(), kFolderMask);
        if (folderWatch >= 0) {
            watchInstead(folderWatch, true, {});
            break;
        }
        std::string below = m_path;
        std::string above = parentPath(below);
        int aboveWatch = -1;
        for (;;) {
            aboveWatch = ::inotify_add_watch(m_inotify, above.c_str(), kAboveMask);
            if (aboveWatch >= 0 || above == "/" || above == ".")
                break;
            below = above;
            above = parentPath(above);
        }
        if (aboveWatch < 0) {
            qCWarning(lcCompanion) << "nothing above can be watched:" << logLine(m_path, errno);
            watchInstead(-1, false, {});
            break;
        }
        watchInstead(aboveWatch, false, lastComponent(below));
        if (!FileChecks::existsNoFollow(below))
            break; // its appearance will be read as an event
    }
    return m_watchingFolder && !wasWatchingFolder;
}

void DirectoryWatcher::scheduleChange()
{
    // Not restarted by later changes: a steady trickle still gets a report a second.
    if (!m_latency.isActive())
        m_latency.start();
}

void DirectoryWatcher::readEvents()
{
    bool changed = false;
    bool rearm = false;
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(m_inotify, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += ssize_t(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                // Changes were lost, perhaps the folder's own disappearance: look afresh.
                rearm = true;
                changed = true;
                continue;
            }
            if (event->wd != m_watch)
                continue; // a watch given up earlier
            if (m_watchingFolder) {
                if (event->mask & kGone) {
                    rearm = true;
                    changed = true;
                } else if (event->mask & kEntryChanged) {
                    changed = true;
                }
            } else if ((event->mask & kGone) || (event->len > 0 && m_nextComponent == event->name)) {
                rearm = true;
            }
        }
    }
    if (rearm && arm())
        changed = true; // the folder is back (or there at last): what it holds is news
    if (changed)
        scheduleChange();
}

void DirectoryWatcher::directoryChanged()
{
    std::optional<std::vector<std::string>> listing = listFolder();
    if (!listing)
        return;
    static const std::vector<std::string> kNothing;
    const NameDiff diff = diffNames(m_currentSnapshot ? *m_currentSnapshot : kNothing, *listing);
    m_currentSnapshot = std::move(listing);

    const auto paths = [this](const std::vector<std::string>& names) {
        std::vector<std::string> out;
        out.reserve(names.size());
        for (const std::string& name : names)
            out.push_back(joinPath(m_path, name));
        return out;
    };
    QPointer<DirectoryWatcher> self(this);
    if (!diff.added.empty())
        itemsWereAdded(paths(diff.added));
    if (self && !diff.removed.empty())
        itemsWereRemoved(paths(diff.removed));
}

void DirectoryWatcher::itemsWereAdded(const std::vector<std::string>& paths)
{
    if (m_delegate)
        m_delegate->directoryWatcherItemsWereAdded(this, paths);
}

void DirectoryWatcher::itemsWereRemoved(const std::vector<std::string>& paths)
{
    if (m_delegate)
        m_delegate->directoryWatcherItemsWereRemoved(this, paths);
}

} // namespace corvane
