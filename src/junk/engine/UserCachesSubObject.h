// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "junk/engine/JunkCategory.h"
#include "platform/AnchoredFolder.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace corvane {

// One node of the result tree under a junk category: a group or sub-group, or an item,
// that is one listed path.
//
// `state` is the tri-state checkbox. It is atomic because the details overlay may change
// it on the main thread while a clean pass reads it.
class UserCachesSubObject
{
public:
    using Ptr = std::shared_ptr<UserCachesSubObject>;

    // The numbers are those `corvane junk` prints for an item's state.
    enum class State : int { Off = 0, On = 1, Mixed = -1 };
    enum class SubType { Group, Item };

    static Ptr group(const QString& name, State state);
    static Ptr item(const std::string& path, std::uint64_t size, State state);
    // An item listed from a container: removed later below that same open folder.
    static Ptr item(const AnchoredPath& entry, std::uint64_t size, State state);

    SubType subType = SubType::Item;
    std::atomic<State> state{State::Off};
    bool isExpand = false;
    QString fileName;
    std::string filePath;
    // Where the item was listed: its open container and its path below it (no container
    // for a fixed path, which is removed by path).
    std::shared_ptr<const AnchoredFolder> container;
    std::string relativePath;
    std::uint64_t fileSize = 0; // bytes
    std::vector<Ptr> listArray;
    JunkCategory type = JunkCategory::Caches;
    // The group holding this node; not owned, null for a category's top-level group.
    UserCachesSubObject* parent = nullptr;

    // Appends a member and makes this node its parent; the caller keeps sizes.
    void addMember(Ptr member);
    bool hasMembers() const { return !listArray.empty(); }

    // The overlay's click on this node's checkbox; `on` is the box's new value (a mixed
    // box that is clicked counts as on). Sets this node and, for groups, their members,
    // then derives the state of the groups above.
    void click(bool on);
    // Recomputes this group's state from its members: none on → off, all on → on, else
    // mixed. A mixed member counts as not on.
    void deriveState();
    // Sets the state here and on every member below.
    void setStateDeep(State value);
    // The item as it was listed, for removal and for looking at it again.
    AnchoredPath anchored() const { return AnchoredPath{container, relativePath, filePath}; }
};

} // namespace corvane
