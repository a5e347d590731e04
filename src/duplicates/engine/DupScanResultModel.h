// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "duplicates/engine/DupScanReultObject.h"
#include "duplicates/engine/DuplicateGroupRecord.h"
#include "duplicates/engine/DuplicateVerifier.h"
#include "search/engine/SearchResultSupport.h"
#include "search/engine/SearchResultTreeModel.h"

#include "uninstall/engine/Uninstall.h"

#include <atomic>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

class SerialQueue;

// The state behind the duplicate result view, and the outline model it shows: the groups,
// the files ticked for removal, the sort order, the full-content verification and the
// removals. Lives on the main thread; reading and deleting run on two queues of its own
// and report back here, where each answer changes only the rows it concerns.
//
// A file is never removed as a duplicate on its sampled fingerprint alone. Once the
// groups are built, every copy is compared byte by byte with the copy that stays (the
// group's last path); only copies found identical are ticked by default, and a copy that
// differs is marked and can be neither ticked nor removed with the ticked ones. A removal
// compares again unless neither file has changed since it was verified, and a copy is
// removed only while another identical copy stays; removing every member of a group is
// the user's explicit choice and needs no copy to stay.
//
// A copy that differs, or could not be compared, is still the person's file: it can be
// removed alone, from its row, once the person has confirmed it (deleteFileConfirmed).
// A copy that is the same file as one that stays is never removed: a hard link would
// only lose a name, but the same file reached through a bind mount is the kept copy
// itself, and from here the two cannot be told apart.
//
// A removal that did not happen (a protected path, a helper that could not remove the
// file) leaves the row in its group, unticked, with a note saying so.
class DupScanResultModel : public SearchResultTreeModel
{
    Q_OBJECT

public:
    using ObjectPtr = std::shared_ptr<DupScanReultObject>;

    struct Group
    {
        uint64_t key = 0; // stays with the group when groups move or go
        std::vector<ObjectPtr> members;
        std::string fileHash;
        uint64_t fileSize = 0;
        std::optional<std::string> extension;
        std::string keptPath;                 // the copy that stays by default
        std::vector<std::string> hiddenPaths; // members not shown ("vmdk"): they stay
    };

    // Removals go through Uninstall over the layout, which must outlive the model.
    explicit DupScanResultModel(const Layout& layout, QObject* parent = nullptr);
    ~DupScanResultModel() override; // abandons verification, finishes removals under way

    // Builds the groups and starts verifying them in the background.
    void setResultList(std::vector<DuplicateGroupRecord> records);
    const std::vector<DuplicateGroupRecord>& resultList() const { return m_resultList; }
    const std::vector<Group>& list() const { return m_list; }
    const std::vector<ObjectPtr>& deleteList() const { return m_deleteList; }
    ObjectPtr objectById(uint64_t id) const;
    const Group* groupOf(uint64_t id) const;

    int sortKind() const { return m_sortKind; }
    // Combo-box choice 0, 1 or 2: sets sortKind and re-sorts.
    void setSortKind(int kind);
    void CompareArray();

    // The check box of a member row: on adds it to deleteList, off takes it out. A copy
    // that differs from the one that stays cannot be ticked.
    void selectBtnClicked(const ObjectPtr& object, bool on);
    // The member row's delete button: removed as a duplicate, so only while an identical
    // copy stays (or none of the group would).
    void deleteFile(const ObjectPtr& object);
    // The member row's delete button once the person has confirmed that the copy differs
    // from the one that stays, or could not be compared: removed without asking for an
    // identical copy. Refused for a copy that is the same file as one that stays, as the
    // verification said or as the disk says when the removal is carried out.
    void deleteFileConfirmed(const ObjectPtr& object);
    // "删除": removes every ticked file; false (nothing done) when nothing is ticked.
    bool deleteAllFile();

    bool verifying() const { return m_verifiedGroups < m_totalGroups; }
    int verifiedGroups() const { return m_verifiedGroups; }
    int totalGroups() const { return m_totalGroups; }
    int removalsPending() const { return m_removals.pending; }
    // Milliseconds from setResultList to the last verdict; -1 while verifying.
    qint64 verificationMs() const { return m_verificationMs; }
    uint64_t verifiedBytes() const { return m_verifiedBytes.load(); }
    // Tests and benchmarks: every path the verification opens.
    void setOpenObserver(std::function<void(const std::string&)> observer);

    // "%@:%.fGB" / "%@:%.fMB" / "%@:%.fKB" with "大小", decimal units.
    static QString sizeText(uint64_t size);
    // "类型:ext", or "other" alone for a group without an extension.
    static QString typeText(const Group& group);
    static QString countText(long count);
    // Removes the path for good and answers whether it is gone.
    static bool removePath(const std::string& path, const Uninstall& remover);

signals:
    void verificationProgress(int done, int total);
    void removalFinished(int removed, int kept);

protected:
    int groupCount() const override { return int(m_list.size()); }
    int fileCount(int group) const override { return int(m_list[size_t(group)].members.size()); }
    uint64_t groupKey(int group) const override { return m_list[size_t(group)].key; }
    GroupRow groupRow(int group) const override;
    FileRow fileRow(int group, int file) const override;
    std::optional<std::pair<uint64_t, int>> locateFile(uint64_t id) const override;
    void fileChecked(uint64_t id, bool on) override { selectBtnClicked(objectById(id), on); }

private:
    struct Verification
    {
        DuplicateVerifier::Verdict verdict = DuplicateVerifier::Verdict::Unreadable;
        std::string reference;
        DuplicateVerifier::Identity member;
        DuplicateVerifier::Identity referenceIdentity;
    };
    struct VerifyResult
    {
        uint64_t id;
        Verification verification;
    };
    struct RemoveJob
    {
        uint64_t id;
        std::string path;
        std::vector<std::string> staying;
        std::optional<Verification> verification;
        bool confirmed = false; // the person chose this copy alone: no identical copy asked for
    };
    struct RemoveResult
    {
        uint64_t id;
        bool removed;
        std::optional<DupScanReultObject::Check> check; // what the removal learnt about the copy
        QString note;
    };

    void startVerification();
    void applyVerification(const std::vector<VerifyResult>& results, int groupsDone, bool last);
    void requestRemoval(const std::vector<ObjectPtr>& objects, bool confirmed = false);
    void applyRemoval(const std::vector<RemoveResult>& results);
    void untick(const ObjectPtr& object);
    void sortGroups();
    Group* findGroup(uint64_t id);
    static RemoveResult removeOne(const RemoveJob& job, DuplicateVerifier& verifier, const Uninstall& remover);

    std::vector<DuplicateGroupRecord> m_resultList;
    std::vector<Group> m_list;
    std::vector<ObjectPtr> m_deleteList;
    std::map<uint64_t, Verification> m_verifications;
    std::map<uint64_t, ObjectPtr> m_byId;
    std::map<uint64_t, uint64_t> m_groupKeyOf; // member id -> its group's key
    int m_sortKind = 0;
    int m_verifiedGroups = 0;
    int m_totalGroups = 0;
    Uninstall m_remover; // copied into each removal run, never read there through `this`
    RemovalRound m_removals;
    qint64 m_verificationMs = -1;
    qint64 m_verificationStart = 0;
    uint64_t m_nextId = 1;
    uint64_t m_nextGroupKey = 1;
    std::shared_ptr<std::atomic<bool>> m_stop;
    std::atomic<uint64_t> m_verifiedBytes{0};
    std::function<void(const std::string&)> m_openObserver;
    std::unique_ptr<SerialQueue> m_verifyQueue;
    std::unique_ptr<SerialQueue> m_removeQueue;
};

} // namespace corvane
