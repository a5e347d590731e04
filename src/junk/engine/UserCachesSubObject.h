// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/AnchoredFolder.h"

#include <QString>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace corvane {

// One node of the result tree under a junk category: a group or sub-group
// (subType 1) or an item, that is one listed path (subType 2).
//
// `state` is the tri-state checkbox: 1 on, 0 off, -1 mixed. It is atomic because the
// details overlay may change it on the main thread while a clean pass reads it.
class UserCachesSubObject
{
public:
    using Ptr = std::shared_ptr<UserCachesSubObject>;

    static Ptr group(const QString& name, int state);
    static Ptr item(const std::string& path, double size, int state);
    // An item listed from a container: removed later below that same open folder.
    static Ptr item(const AnchoredPath& entry, double size, int state);

    int subType = 0;
    std::atomic<int> state{0};
    bool isExpand = false;
    QString fileName;
    std::string filePath;
    // Where the item was listed: its open container and its path below it (no container
    // for a fixed path, which is removed by path).
    std::shared_ptr<const AnchoredFolder> container;
    std::string relativePath;
    double fileSize = 0;
    std::vector<Ptr> listArray;
    int type = 0;
    // The group holding this node; not owned, null for a category's top-level group.
    UserCachesSubObject* parent = nullptr;

    // Appends a member and makes this node its parent; the caller keeps sizes.
    void addMember(Ptr member);
    bool hasMembers() const { return !listArray.empty(); }

    // The overlay's click on this node's checkbox; `on` is the box's new value (a mixed
    // box that is clicked counts as on). Sets this node and, for groups, their members,
    // then derives the state of the groups above.
    void click(bool on);
    // Recomputes this group's state from its members: none on → 0, all on → 1, else -1.
    // A mixed member counts as not on.
    void deriveState();
    // Sets the state here and on every member below.
    void setStateDeep(int value);
    // The item as it was listed, for removal and for looking at it again.
    AnchoredPath anchored() const { return AnchoredPath{container, relativePath, filePath}; }
};

} // namespace corvane
