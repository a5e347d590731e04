// SPDX-License-Identifier: GPL-3.0-or-later
#include "junk/engine/UserCachesSubObject.h"

namespace corvane {

UserCachesSubObject::Ptr UserCachesSubObject::group(const QString& name, int state)
{
    auto node = std::make_shared<UserCachesSubObject>();
    node->subType = 1;
    node->state = state;
    node->isExpand = true;
    node->fileName = name;
    return node;
}

UserCachesSubObject::Ptr UserCachesSubObject::item(const std::string& path, double size, int state)
{
    auto node = std::make_shared<UserCachesSubObject>();
    node->subType = 2;
    node->state = state;
    node->filePath = path;
    node->fileSize = size;
    return node;
}

UserCachesSubObject::Ptr UserCachesSubObject::item(const AnchoredPath& entry, double size, int state)
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

void UserCachesSubObject::setStateDeep(int value)
{
    state = value;
    for (const Ptr& m : listArray)
        m->setStateDeep(value);
}

void UserCachesSubObject::deriveState()
{
    size_t on = 0;
    for (const Ptr& m : listArray)
        on += m->state.load() == 1;
    if (on == 0)
        state = 0;
    else if (on == listArray.size())
        state = 1;
    else
        state = -1;
}

void UserCachesSubObject::click(bool on)
{
    const int value = on ? 1 : 0;
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
