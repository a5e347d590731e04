// SPDX-License-Identifier: GPL-3.0-or-later
#include "junk/engine/UserCachesSubObject.h"

namespace corvane {

UserCachesSubObject::Ptr UserCachesSubObject::group(const QString& name, State state)
{
    auto node = std::make_shared<UserCachesSubObject>();
    node->subType = SubType::Group;
    node->state = state;
    node->isExpand = true;
    node->fileName = name;
    return node;
}

UserCachesSubObject::Ptr UserCachesSubObject::item(const std::string& path, std::uint64_t size, State state)
{
    auto node = std::make_shared<UserCachesSubObject>();
    node->subType = SubType::Item;
    node->state = state;
    node->filePath = path;
    node->fileSize = size;
    return node;
}

UserCachesSubObject::Ptr UserCachesSubObject::item(const AnchoredPath& entry, std::uint64_t size, State state)
{
    Ptr node = item(entry.path, size, state);
    node->container = entry.container;
    node->relativePath = entry.relative;
    return node;
}

void UserCachesSubObject::addMember(Ptr member)
{
    member->parent = this;
    listArray.push_back(std::move(member));
}

void UserCachesSubObject::setStateDeep(State value)
{
    state = value;
    for (const Ptr& m : listArray)
        m->setStateDeep(value);
}

void UserCachesSubObject::deriveState()
{
    size_t on = 0;
    for (const Ptr& m : listArray)
        on += m->state.load() == State::On;
    if (on == 0)
        state = State::Off;
    else if (on == listArray.size())
        state = State::On;
    else
        state = State::Mixed;
}

void UserCachesSubObject::click(bool on)
{
    const State value = on ? State::On : State::Off;
    if (!parent) {
        // A category's group: everything below follows.
        setStateDeep(value);
        return;
    }
    if (hasMembers()) {
        // A sub-group: its items follow, its group is derived.
        state = value;
        for (const Ptr& m : listArray)
            m->state = value;
        parent->deriveState();
        return;
    }
    state = value;
    parent->deriveState();
    if (parent->parent)
        parent->parent->deriveState();
}

} // namespace corvane
