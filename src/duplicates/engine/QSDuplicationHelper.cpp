// SPDX-License-Identifier: GPL-3.0-or-later
#include "duplicates/engine/QSDuplicationHelper.h"

#include "common/QSFileUtility.h"
#include "common/QSLock.h"
#include "common/QSWebUtility.h"
#include "platform/FileChecks.h"

#include <algorithm>
#include <sys/stat.h>
#include <unordered_map>

namespace corvane {

// Size → the first file seen with that size, or, from the second file on, fingerprint →
// the files with that fingerprint. Kept lean: most sizes are met once, and then the
// entry is a path and nothing else.
class QSDuplicationHelper::FileInfo
{
public:
    struct Member
    {
        std::string path;
        dev_t dev;
        ino_t ino;
    };
    struct List
    {
        std::mutex monitor;
        std::vector<Member> members;
    };
    using Groups = std::unordered_map<std::string, std::shared_ptr<List>>;
    struct SizeEntry
    {
        std::string firstPath; // while `groups` is null
        bool firstIsFolder = false;
        std::unique_ptr<Groups> groups;
    };

    std::mutex monitor;
    std::unordered_map<uint64_t, SizeEntry> bySize; // entries are never erased during a search
    // Held while a size's first pair is formed, then while a fingerprint's list grows.
    QSLock::Registry locks;
};

struct QSDuplicationHelper::Event
{
    std::string path; // "RESULTPATH" when `list` is empty, else a group notification
    uint64_t size = 0;
    std::string hash;
    std::vector<std::string> list;
};

namespace {

std::optional<std::string> fingerprint(const std::string& path, bool isFolder)
{
    return isFolder ? std::optional<std::string>(QSWebUtility::lazyHashPackage(path)) : QSWebUtility::lazyMD5File(path);
}

template <typename Member> std::vector<std::string> pathsOf(const std::vector<Member>& members)
{
    std::vector<std::string> paths;
    paths.reserve(members.size());
    for (const auto& m : members)
        paths.push_back(m.path);
    return paths;
}

} // namespace

QSDuplicationHelper::QSDuplicationHelper(QObject* parent) : QObject(parent), SearchHelperBase(kMinimumFloor)
{
    qRegisterMetaType<DuplicationNotificationInfo>();
    qRegisterMetaType<ResultPathInfo>();
}

QSDuplicationHelper::~QSDuplicationHelper()
{
    shutDown();
}

void QSDuplicationHelper::runSearch(std::shared_ptr<const Settings> settings)
{
    auto fileInfo = std::make_shared<FileInfo>(); // the index lives for one search only

    SearchWalker::Rules rules;
    rules.folder = [settings](const std::string& path) {
        // A package-like folder is one item, never entered.
        if (directoryValidApp(path))
            return unsigned(SearchWalker::Examine);
        return unsigned(directoryValid(*settings, path) ? SearchWalker::Enter : SearchWalker::Ignore);
    };
    rules.acceptName = &SearchWalker::isVisibleName;
    rules.examine = [this, settings, fileInfo](SearchWalker::Batch& batch) { examine(*settings, *fileInfo, batch); };
    walkRoots(*settings, rules);
}

void QSDuplicationHelper::postFinished(bool finished)
{
    DuplicationNotificationInfo info;
    info.finished = finished;
    emit duplicationNotification(info);
}

bool QSDuplicationHelper::directoryValidApp(const std::string& path)
{
    return QSWebUtility::directoryValidApp(path);
}

void QSDuplicationHelper::examine(const Settings& settings, FileInfo& fileInfo, SearchWalker::Batch& batch)
{
    std::vector<Event> events;
    events.reserve(batch.size() + 4);
    for (SearchWalker::Item& item : batch) {
        events.push_back(Event{item.path, 0, {}, {}});

        struct stat st;
        if (::fstatat(item.dirFd(), item.name(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue; // gone since it was listed
        if (item.isFolder ? !S_ISDIR(st.st_mode) : !S_ISREG(st.st_mode))
            continue; // replaced by something else: links are never followed
        // A regular file's size of record is its st_size (no index here); a package's is
        // its whole tree.
        const uint64_t size =
            item.isFolder ? QSFileUtility::fileSizeByPath(item.path) : static_cast<uint64_t>(st.st_size);
        if (!sizeValid(settings, size, item.path) && !item.isFolder)
            continue;

        FileInfo::SizeEntry* entry = nullptr;
        {
            std::lock_guard lock(fileInfo.monitor);
            auto [it, inserted] = fileInfo.bySize.try_emplace(size);
            if (inserted) {
                it->second.firstPath = item.path;
                it->second.firstIsFolder = item.isFolder;
                continue; // a size seen once costs no hashing
            }
            entry = &it->second;
        }

        const std::optional<std::string> hash =
            item.isFolder ? std::optional<std::string>(QSWebUtility::lazyHashPackage(item.path))
                          : QSWebUtility::lazyMD5FileAt(item.dirFd(), item.name());
        if (!hash)
            continue;
        const FileInfo::Member me{item.path, st.st_dev, st.st_ino};
        auto sameFile = [](const FileInfo::Member& a, dev_t dev, ino_t ino) { return a.dev == dev && a.ino == ino; };

        std::optional<std::vector<std::string>> grown;
        const QSLock::Guard sizeHeld{fileInfo.locks, QSLock::Key(size)};
        std::string firstPath;
        bool firstIsFolder = false;
        bool single = false;
        {
            std::lock_guard lock(fileInfo.monitor);
            single = !entry->groups;
            if (single) {
                firstPath = entry->firstPath;
                firstIsFolder = entry->firstIsFolder;
            }
        }
        if (single) {
            // Looked at again by its path, which may be longer than PATH_MAX: the walk
            // reached it relative to its folder, and so must this look, or a deep pair
            // would be dropped without a word.
            struct stat fst;
            const bool firstThere = FileChecks::lstatPath(firstPath, fst);
            if (!(firstThere && fst.st_dev == st.st_dev && fst.st_ino == st.st_ino)) {
                // Second file of this size: now the first one is hashed too.
                const std::optional<std::string> other =
                    firstThere ? fingerprint(firstPath, firstIsFolder) : std::nullopt;
                auto groups = std::make_unique<FileInfo::Groups>();
                auto mine = std::make_shared<FileInfo::List>();
                mine->members.push_back(me);
                if (other && *other == *hash) {
                    mine->members.push_back(FileInfo::Member{firstPath, fst.st_dev, fst.st_ino});
                    grown = pathsOf(mine->members);
                } else if (other) {
                    auto theirs = std::make_shared<FileInfo::List>();
                    theirs->members.push_back(FileInfo::Member{firstPath, fst.st_dev, fst.st_ino});
                    groups->emplace(*other, std::move(theirs));
                }
                groups->emplace(*hash, std::move(mine));
                std::lock_guard lock(fileInfo.monitor);
                entry->groups = std::move(groups);
                std::string().swap(entry->firstPath);
            }
            // else: the same file under a second name; it is not a copy of itself
        } else {
            const QSLock::Guard hashHeld{fileInfo.locks, QSLock::Key(*hash)};
            std::shared_ptr<FileInfo::List> list;
            {
                std::lock_guard lock(fileInfo.monitor);
                auto it = entry->groups->find(*hash);
                if (it != entry->groups->end()) {
                    list = it->second;
                } else {
                    auto fresh = std::make_shared<FileInfo::List>();
                    fresh->members.push_back(me);
                    entry->groups->emplace(*hash, std::move(fresh));
                }
            }
            if (list) {
                std::lock_guard lock(list->monitor);
                const bool known = std::any_of(list->members.begin(), list->members.end(),
                                               [&](const FileInfo::Member& m) { return sameFile(m, me.dev, me.ino); });
                if (!known) {
                    list->members.push_back(me);
                    grown = pathsOf(list->members);
                }
            }
        }
        if (grown) {
            // Posted before the size lock is given back: the next growth of this group
            // waits for that lock, so a group's notifications leave in the order it grew
            // and the last one always holds the full list. The batch's earlier
            // "RESULTPATH"s go first, this file's among them.
            events.push_back(Event{{}, size, *hash, std::move(*grown)});
            postEvents(events);
        }
    }
    batch.clear();
    postEvents(events);
}

void QSDuplicationHelper::postEvents(std::vector<Event>& pending)
{
    if (pending.empty())
        return;
    m_poster.post([this, events = std::move(pending)](const std::atomic<bool>& open) {
        for (const Event& e : events) {
            if (!open.load())
                return;
            if (e.list.empty())
                emit resultPath(ResultPathInfo{e.path});
            else
                postNotificationSize(e.size, e.hash, e.list);
        }
    });
    pending = {};
}

void QSDuplicationHelper::postNotificationSize(std::optional<uint64_t> size, std::optional<std::string> hash,
                                               std::optional<std::vector<std::string>> fileList)
{
    DuplicationNotificationInfo info;
    info.fileSize = size;
    info.fileHash = std::move(hash);
    info.fileList = std::move(fileList);
    if (!info.fileSize && !info.fileHash && !info.fileList)
        info.finished = !searching();
    emit duplicationNotification(info);
}

} // namespace corvane
