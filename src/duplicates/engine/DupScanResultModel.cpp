// SPDX-License-Identifier: GPL-3.0-or-later
#include "duplicates/engine/DupScanResultModel.h"

#include "common/QSFileUtility.h"
#include "common/SerialQueue.h"
#include "common/ThreadHandOff.h"
#include "platform/FileChecks.h"
#include "search/engine/SearchResultSupport.h"
#include "uninstall/engine/Uninstall.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>

namespace corvane {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("Corvane", text);
}

int64_t nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

using Verdict = DuplicateVerifier::Verdict;
using Check = DupScanReultObject::Check;

Check checkFor(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Identical:
        return Check::Identical;
    case Verdict::Differs:
        return Check::Differs;
    case Verdict::SameFile:
        return Check::SameFile;
    case Verdict::Unreadable:
        return Check::Unreadable;
    }
    return Check::Unreadable;
}

QString noteFor(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Identical:
        return {};
    case Verdict::Differs:
        return tr("内容与保留的文件不同，不会作为重复文件删除");
    case Verdict::SameFile:
        return tr("与保留的文件是同一个文件，不会删除");
    case Verdict::Unreadable:
        return tr("无法完整比较内容，未默认勾选");
    }
    return {};
}

constexpr int64_t kPostIntervalMs = 100;

} // namespace

DupScanResultModel::DupScanResultModel(const Layout& layout, QObject* parent)
    : SearchResultTreeModel(parent), m_remover(layout), m_stop(std::make_shared<std::atomic<bool>>(false)),
      m_verifyQueue(std::make_unique<SerialQueue>("corvane.dups.verify")),
      m_removeQueue(std::make_unique<SerialQueue>("corvane.dups.remove"))
{}

DupScanResultModel::~DupScanResultModel()
{
    m_stop->store(true);
    m_verifyQueue.reset();
    m_removeQueue.reset(); // removals already asked for are carried out, not dropped half-way
}

void DupScanResultModel::setOpenObserver(std::function<void(const std::string&)> observer)
{
    m_openObserver = std::move(observer);
}

DupScanResultModel::ObjectPtr DupScanResultModel::objectById(uint64_t id) const
{
    auto it = m_byId.find(id);
    return it == m_byId.end() ? nullptr : it->second;
}

const DupScanResultModel::Group* DupScanResultModel::groupOf(uint64_t id) const
{
    auto key = m_groupKeyOf.find(id);
    if (key == m_groupKeyOf.end())
        return nullptr;
    const int position = groupPosition(key->second);
    return position < 0 ? nullptr : &m_list[size_t(position)];
}

DupScanResultModel::Group* DupScanResultModel::findGroup(uint64_t id)
{
    return const_cast<Group*>(groupOf(id));
}

std::optional<std::pair<uint64_t, int>> DupScanResultModel::locateFile(uint64_t id) const
{
    const Group* g = groupOf(id);
    if (!g)
        return std::nullopt;
    for (size_t i = 0; i < g->members.size(); ++i)
        if (g->members[i]->id == id)
            return std::pair{g->key, int(i)};
    return std::nullopt;
}

SearchResultTreeModel::GroupRow DupScanResultModel::groupRow(int group) const
{
    const Group& g = m_list[size_t(group)];
    const DupScanReultObject& last = *g.members.back();
    return {last.title(), last.filePath, typeText(g), sizeText(last.filesize), countText(last.count)};
}

SearchResultTreeModel::FileRow DupScanResultModel::fileRow(int group, int file) const
{
    const DupScanReultObject& object = *m_list[size_t(group)].members[size_t(file)];
    QString note = object.note;
    if (note.isEmpty() && object.check == Check::Pending)
        note = tr("正在校验…");
    if (note.isEmpty() && object.check == Check::Identical)
        note = tr("内容相同");
    const bool warns = object.check == Check::Differs || object.check == Check::SameFile ||
                       (!object.removing && object.note.startsWith(tr("删除失败")));
    return {object.id,         object.removable(), object.deletable(),  object.state, object.filePath,
            object.fileName(), object.shownPath(), object.creationDate, note,         warns};
}

void DupScanResultModel::setResultList(std::vector<DuplicateGroupRecord> records)
{
    m_resultList = std::move(records);
    resetGroups([this] {
        m_list.clear();
        m_deleteList.clear();
        m_verifications.clear();
        m_byId.clear();
        m_groupKeyOf.clear();
        for (const DuplicateGroupRecord& record : m_resultList) {
            if (record.fileList.empty())
                continue;
            Group group;
            group.key = m_nextGroupKey++;
            group.fileHash = record.fileHash;
            group.fileSize = record.fileSize;
            group.extension = record.fileExtenstion;
            group.keptPath = record.fileList.back();
            const long count = long(record.fileList.size());
            for (size_t i = 0; i < record.fileList.size(); ++i) {
                const std::string& path = record.fileList[i];
                // Virtual disks are never offered: a machine's disk is not a duplicate to clean.
                if (pathExtension(path) == "vmdk") {
                    group.hiddenPaths.push_back(path);
                    continue;
                }
                auto object = std::make_shared<DupScanReultObject>();
                object->id = m_nextId++;
                object->filePath = path;
                object->filesize = QSFileUtility::sizeAtPath(path, false);
                object->count = count;
                object->fileHash = record.fileHash;
                if (auto date = QSFileUtility::fileCreateDateByPath(path))
                    object->creationDate = QSFileUtility::stringFromDate(*date);
                // The copy that stays is known; every other copy waits for its verification
                // before it is ticked.
                object->state = false;
                object->check = i + 1 == record.fileList.size() ? Check::Kept : Check::Pending;
                if (object->check == Check::Kept)
                    object->note = tr("保留");
                m_byId[object->id] = object;
                m_groupKeyOf[object->id] = group.key;
                group.members.push_back(std::move(object));
            }
            if (!group.members.empty())
                m_list.push_back(std::move(group));
        }
        sortGroups();
    });
    startVerification();
}

void DupScanResultModel::setSortKind(int kind)
{
    if (kind < 0 || kind > 2)
        return;
    m_sortKind = kind;
    CompareArray();
}

void DupScanResultModel::CompareArray()
{
    reorderGroups([this] { sortGroups(); });
}

void DupScanResultModel::sortGroups()
{
    auto bySize = [](const Group& a, const Group& b) {
        return a.members.back()->filesize > b.members.back()->filesize;
    };
    auto byCount = [](const Group& a, const Group& b) { return a.members.size() > b.members.size(); };
    auto byType = [](const Group& a, const Group& b) {
        return asciiUpper(a.members.back()->extension()) < asciiUpper(b.members.back()->extension());
    };
    switch (m_sortKind) {
    case 0:
        std::stable_sort(m_list.begin(), m_list.end(), bySize);
        break;
    case 1:
        std::stable_sort(m_list.begin(), m_list.end(), byCount);
        break;
    case 2:
        std::stable_sort(m_list.begin(), m_list.end(), byType);
        break;
    default:
        break;
    }
}

void DupScanResultModel::startVerification()
{
    struct GroupJob
    {
        std::string kept;
        std::vector<uint64_t> ids;
        std::vector<std::string> paths;
    };
    std::vector<GroupJob> jobs;
    for (const Group& g : m_list) {
        GroupJob job{g.keptPath, {}, {}};
        for (const ObjectPtr& o : g.members)
            if (o->check == Check::Pending) {
                job.ids.push_back(o->id);
                job.paths.push_back(o->filePath);
            }
        jobs.push_back(std::move(job));
    }
    m_totalGroups = int(jobs.size());
    m_verifiedGroups = 0;
    m_verificationStart = nowMs();
    m_verificationMs = -1;
    emit verificationProgress(0, m_totalGroups);
    if (jobs.empty()) {
        m_verificationMs = 0;
        return;
    }

    m_verifyQueue->async([this, jobs = std::move(jobs), stop = m_stop, observer = m_openObserver] {
        DuplicateVerifier verifier;
        verifier.setStopFlag(stop.get());
        verifier.setOpenObserver(observer);
        std::vector<VerifyResult> pending;
        int done = 0;
        int64_t lastPost = nowMs();
        for (size_t g = 0; g < jobs.size(); ++g) {
            if (stop->load())
                return;
            const GroupJob& job = jobs[g];
            if (!job.paths.empty()) {
                const DuplicateVerifier::Identity refBefore = DuplicateVerifier::identityOf(job.kept);
                std::vector<DuplicateVerifier::Identity> before;
                for (const std::string& p : job.paths)
                    before.push_back(DuplicateVerifier::identityOf(p));
                const uint64_t bytesBefore = verifier.bytesRead();
                const std::vector<Verdict> verdicts = verifier.compareWith(job.kept, job.paths);
                m_verifiedBytes.fetch_add(verifier.bytesRead() - bytesBefore);
                const DuplicateVerifier::Identity refAfter = DuplicateVerifier::identityOf(job.kept);
                for (size_t i = 0; i < job.paths.size(); ++i) {
                    Verdict v = verdicts[i];
                    if (v == Verdict::Identical &&
                        !(refAfter == refBefore && DuplicateVerifier::identityOf(job.paths[i]) == before[i]))
                        v = Verdict::Unreadable;
                    pending.push_back(VerifyResult{job.ids[i], Verification{v, job.kept, before[i], refBefore}});
                }
            }
            ++done;
            const bool last = g + 1 == jobs.size();
            if (last || nowMs() - lastPost >= kPostIntervalMs) {
                lastPost = nowMs();
                QMetaObject::invokeMethod(this,
                                          ThreadHandOff::handedOver([this, results = std::move(pending), done, last] {
                                              applyVerification(results, done, last);
                                          }),
                                          Qt::QueuedConnection);
                pending.clear();
            }
        }
    });
}

void DupScanResultModel::applyVerification(const std::vector<VerifyResult>& results, int groupsDone, bool last)
{
    for (const VerifyResult& r : results) {
        ObjectPtr o = objectById(r.id);
        if (!o)
            continue;
        m_verifications[r.id] = r.verification;
        if (o->removing)
            continue;
        o->check = checkFor(r.verification.verdict);
        o->note = noteFor(r.verification.verdict);
        if (o->check == Check::Identical) {
            if (!o->userTouched && !o->state) {
                o->state = true;
                m_deleteList.push_back(o);
            }
        } else if (!o->removable() || !o->userTouched) {
            untick(o);
        }
        fileRowChanged(o->id);
    }
    m_verifiedGroups = groupsDone;
    if (last) {
        m_verifiedGroups = m_totalGroups;
        m_verificationMs = nowMs() - m_verificationStart;
    }
    emit verificationProgress(m_verifiedGroups, m_totalGroups);
}

void DupScanResultModel::untick(const ObjectPtr& object)
{
    object->state = false;
    m_deleteList.erase(std::remove(m_deleteList.begin(), m_deleteList.end(), object), m_deleteList.end());
}

void DupScanResultModel::selectBtnClicked(const ObjectPtr& object, bool on)
{
    if (!object || !object->removable())
        return;
    object->userTouched = true;
    if (on) {
        if (!object->state) {
            object->state = true;
            m_deleteList.push_back(object);
        }
    } else {
        untick(object);
    }
    fileRowChanged(object->id);
}

void DupScanResultModel::deleteFile(const ObjectPtr& object)
{
    if (!object || !object->removable())
        return;
    requestRemoval({object});
}

void DupScanResultModel::deleteFileConfirmed(const ObjectPtr& object)
{
    if (!object || !object->deletable())
        return;
    requestRemoval({object}, true);
}

bool DupScanResultModel::deleteAllFile()
{
    if (m_deleteList.empty())
        return false;
    std::vector<ObjectPtr> objects;
    for (const ObjectPtr& o : m_deleteList)
        if (o->removable())
            objects.push_back(o);
    m_deleteList.clear();
    requestRemoval(objects);
    return true;
}

void DupScanResultModel::requestRemoval(const std::vector<ObjectPtr>& objects, bool confirmed)
{
    if (objects.empty())
        return;
    for (const ObjectPtr& o : objects) {
        o->removing = true;
        o->note = tr("正在删除…");
        untick(o);
    }
    std::vector<RemoveJob> jobs;
    for (const ObjectPtr& o : objects) {
        const Group* g = groupOf(o->id);
        RemoveJob job{o->id, o->filePath, {}, std::nullopt, confirmed};
        if (g) {
            // The copies that stay once this request is done; the default one first.
            for (const ObjectPtr& m : g->members)
                if (!m->removing && m->filePath == g->keptPath)
                    job.staying.push_back(m->filePath);
            for (const ObjectPtr& m : g->members)
                if (!m->removing && m->filePath != g->keptPath)
                    job.staying.push_back(m->filePath);
            job.staying.insert(job.staying.end(), g->hiddenPaths.begin(), g->hiddenPaths.end());
        }
        if (auto it = m_verifications.find(o->id); it != m_verifications.end())
            job.verification = it->second;
        jobs.push_back(std::move(job));
        fileRowChanged(o->id);
    }
    m_removals.add(int(jobs.size()));

    m_removeQueue->async([this, jobs = std::move(jobs), observer = m_openObserver, remover = m_remover] {
        DuplicateVerifier verifier;
        verifier.setOpenObserver(observer);
        forEachBatched(
            jobs, [&verifier, &remover](const RemoveJob& job) { return removeOne(job, verifier, remover); },
            [this](std::vector<RemoveResult> results) {
                QMetaObject::invokeMethod(
                    this, ThreadHandOff::handedOver([this, results = std::move(results)] { applyRemoval(results); }),
                    Qt::QueuedConnection);
            },
            std::chrono::milliseconds(kPostIntervalMs));
    });
}

DupScanResultModel::RemoveResult DupScanResultModel::removeOne(const RemoveJob& job, DuplicateVerifier& verifier,
                                                               const Uninstall& remover)
{
    if (job.confirmed) {
        // Chosen alone: the content may differ, but the copy must not be the file that
        // stays under a second name. Looked at now, since the names may have changed
        // hands since the verification.
        const DuplicateVerifier::Identity me = DuplicateVerifier::identityOf(job.path);
        for (const std::string& staying : job.staying) {
            const DuplicateVerifier::Identity other = DuplicateVerifier::identityOf(staying);
            if (me.valid && other.valid && me.dev == other.dev && me.ino == other.ino)
                return RemoveResult{job.id, false, Check::SameFile, noteFor(Verdict::SameFile)};
        }
    } else if (!job.staying.empty()) {
        // Removed as a duplicate: only while a copy with every byte equal stays.
        bool confirmed = false;
        bool differs = false;
        bool sameFile = false;
        for (const std::string& staying : job.staying) {
            const Verification* v = job.verification ? &*job.verification : nullptr;
            if (v && v->verdict == Verdict::Identical && v->reference == staying && !v->member.isDirectory &&
                DuplicateVerifier::identityOf(job.path) == v->member &&
                DuplicateVerifier::identityOf(staying) == v->referenceIdentity) {
                confirmed = true;
                break;
            }
            const Verdict now = verifier.compare(staying, job.path);
            if (now == Verdict::Identical) {
                confirmed = true;
                break;
            }
            differs = differs || now == Verdict::Differs;
            sameFile = sameFile || now == Verdict::SameFile;
        }
        if (!confirmed && sameFile)
            return RemoveResult{job.id, false, Check::SameFile, noteFor(Verdict::SameFile)};
        if (!confirmed)
            return RemoveResult{job.id, false, differs ? std::optional(Check::Differs) : std::nullopt,
                                differs ? tr("内容与保留的文件不同，未删除") : tr("无法确认与保留的文件相同，未删除")};
    }
    if (removePath(job.path, remover))
        return RemoveResult{job.id, true, std::nullopt, {}};
    return RemoveResult{job.id, false, std::nullopt, tr("删除失败，文件仍在原处")};
}

bool DupScanResultModel::removePath(const std::string& path, const Uninstall& remover)
{
    return removalConfirmed(path, remover.unInstall(path) == Uninstall::Outcome::SentToHelper);
}

void DupScanResultModel::applyRemoval(const std::vector<RemoveResult>& results)
{
    for (const RemoveResult& r : results) {
        --m_removals.pending;
        m_verifications.erase(r.id);
        const auto where = locateFile(r.id);
        if (!where)
            continue;
        const int position = groupPosition(where->first);
        Group& g = m_list[size_t(position)];
        const ObjectPtr object = g.members[size_t(where->second)];
        if (r.removed) {
            ++m_removals.removed;
            m_byId.erase(r.id);
            m_groupKeyOf.erase(r.id);
            if (g.members.size() == 1) {
                removeGroupRow(position, [&] { m_list.erase(m_list.begin() + position); });
            } else {
                removeFileRow(position, where->second, [&] { g.members.erase(g.members.begin() + where->second); });
                g.members.back()->count = long(g.members.size());
                groupRowChanged(position);
            }
        } else {
            ++m_removals.kept;
            object->removing = false;
            object->note = r.note;
            // The copy that stays keeps its mark: its row is not a copy of itself.
            if (r.check && object->check != Check::Kept)
                object->check = *r.check;
            fileRowChanged(r.id);
        }
    }
    if (m_removals.pending == 0)
        emit removalFinished(m_removals.removed, m_removals.kept);
}

QString DupScanResultModel::sizeText(uint64_t bytes)
{
    const double size = double(bytes);
    const QString label = tr("大小");
    if (size >= 1e9)
        return QStringLiteral("%1:%2GB").arg(label, QString::asprintf("%.f", size / 1e9));
    if (size >= 1e6)
        return QStringLiteral("%1:%2MB").arg(label, QString::asprintf("%.f", size / 1e6));
    return QStringLiteral("%1:%2KB").arg(label, QString::asprintf("%.f", size / 1e3));
}

QString DupScanResultModel::typeText(const Group& group)
{
    std::string ext = group.extension.value_or(std::string());
    if (ext.empty() && !group.members.empty())
        ext = group.members.back()->extension();
    if (ext.empty())
        return QStringLiteral("other");
    return QStringLiteral("%1:%2").arg(tr("类型"), QString::fromUtf8(ext.data(), qsizetype(ext.size())));
}

QString DupScanResultModel::countText(long count)
{
    return QStringLiteral("%1:%2").arg(tr("数量")).arg(count);
}

} // namespace corvane
