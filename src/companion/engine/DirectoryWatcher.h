// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

#include <optional>
#include <string>
#include <vector>

class QSocketNotifier;

namespace corvane {

class DirectoryWatcher;

// Told what arrived in or left a watched folder, as full paths (folder and entry name).
// Both operations are optional; a watcher without a delegate tells nobody.
class DirectoryWatcherDelegate
{
public:
    virtual ~DirectoryWatcherDelegate() = default;
    virtual void directoryWatcherItemsWereAdded(DirectoryWatcher*, const std::vector<std::string>& /*paths*/) {}
    virtual void directoryWatcherItemsWereRemoved(DirectoryWatcher*, const std::vector<std::string>& /*paths*/) {}
};

// Reports the entries that arrive in and leave one folder (not its subfolders). Changes
// are read from inotify on the thread that made the watcher, which must run an event
// loop; the first change opens a one-second window, and everything that happens in it is
// one report, made by listing the folder again and comparing the names with the last
// listing. Names are bytes: two names are the same entry only when every byte is.
//
// The folder need not exist. While it is missing the nearest folder above it that does is
// watched instead, until the way down reappears; a folder deleted and made again is
// watched again, and what it holds then is compared with what it held before.
class DirectoryWatcher : public QObject
{
    Q_OBJECT

public:
    // How long changes are gathered before the folder is listed again.
    static constexpr int kLatencyMs = 1000;

    explicit DirectoryWatcher(std::string path, QObject* parent = nullptr);
    ~DirectoryWatcher() override;

    const std::string& path() const { return m_path; }
    // The names as last listed, in name order; nothing while the folder never could be listed.
    const std::optional<std::vector<std::string>>& currentSnapshot() const { return m_currentSnapshot; }

    void loadCurrentSnapshot();
    // Sets up inotify and the watch; false when the kernel gave no inotify instance, in
    // which case nothing is ever reported.
    bool createEventStream();
    void start();
    void stop();
    bool isStarted() const { return m_started; }
    // Lists the folder again and reports what differs from the last listing, added before
    // removed. A listing that fails reports nothing and keeps the last one.
    void directoryChanged();
    void itemsWereAdded(const std::vector<std::string>& paths);
    void itemsWereRemoved(const std::vector<std::string>& paths);

    DirectoryWatcherDelegate* delegate() const { return m_delegate; }
    void setDelegate(DirectoryWatcherDelegate* delegate) { m_delegate = delegate; }

    // False while only a folder above the watched one is watched, waiting for it to appear.
    bool isWatchingFolder() const { return m_watchingFolder; }

    // The order listings are kept in: ASCII letter case aside, then by bytes, so two names
    // compare equal only when they are the same bytes. Negative, zero or positive.
    static int compareNames(const std::string& a, const std::string& b);
    struct NameDiff
    {
        std::vector<std::string> added;
        std::vector<std::string> removed;
    };
    // What `after` gained and lost against `before`, both sorted by compareNames.
    static NameDiff diffNames(const std::vector<std::string>& before, const std::vector<std::string>& after);

private:
    void readEvents();
    // Watches the folder, else the nearest folder above it that can be watched. True when
    // the folder itself is watched now and was not before.
    bool arm();
    void watchInstead(int watch, bool isFolder, std::string nextComponent);
    void scheduleChange();
    std::optional<std::vector<std::string>> listFolder() const;

    std::string m_path;
    std::optional<std::vector<std::string>> m_currentSnapshot;
    int m_inotify = -1;
    int m_watch = -1;
    bool m_watchingFolder = false;
    // While a folder above is watched: the name in it that leads down to m_path.
    std::string m_nextComponent;
    bool m_started = false;
    QSocketNotifier* m_notifier = nullptr;
    QTimer m_latency;
    DirectoryWatcherDelegate* m_delegate = nullptr;
};

} // namespace corvane
