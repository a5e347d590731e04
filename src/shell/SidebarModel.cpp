// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/SidebarModel.h"

#include "shell/LaunchRules.h"

#include <QCoreApplication>

namespace corvane {

namespace {

struct Item
{
    const char* group; // nullptr: the first group, titled after the machine
    const char* title;
    const char* image;
};

// Indexed by pindex - 1.
constexpr Item kItems[] = {
    {nullptr, QT_TRANSLATE_NOOP("corvane::SidebarModel", "垃圾清理"), "一键清理1.png"},
    {QT_TRANSLATE_NOOP("corvane::SidebarModel", "系统优化"), QT_TRANSLATE_NOOP("corvane::SidebarModel", "开机启动项"), "启动项1.png"},
    {QT_TRANSLATE_NOOP("corvane::SidebarModel", "系统优化"), QT_TRANSLATE_NOOP("corvane::SidebarModel", "内存优化"), "内存加速1.png"},
    {QT_TRANSLATE_NOOP("corvane::SidebarModel", "系统优化"), QT_TRANSLATE_NOOP("corvane::SidebarModel", "进程管理"), "系统性能1.png"},
    {QT_TRANSLATE_NOOP("corvane::SidebarModel", "程序管理"), QT_TRANSLATE_NOOP("corvane::SidebarModel", "应用卸载"), "软件卸载1.png"},
    {QT_TRANSLATE_NOOP("corvane::SidebarModel", "程序管理"), QT_TRANSLATE_NOOP("corvane::SidebarModel", "插件卸载"), "插件1.png"},
    {QT_TRANSLATE_NOOP("corvane::SidebarModel", "程序管理"), QT_TRANSLATE_NOOP("corvane::SidebarModel", "配置文件"), "配置文件1.png"},
    {QT_TRANSLATE_NOOP("corvane::SidebarModel", "工具大全"), QT_TRANSLATE_NOOP("corvane::SidebarModel", "重复文件查找"), "重复文件1.png"},
    {QT_TRANSLATE_NOOP("corvane::SidebarModel", "工具大全"), QT_TRANSLATE_NOOP("corvane::SidebarModel", "大文件清理"), "大文件1.png"},
    {QT_TRANSLATE_NOOP("corvane::SidebarModel", "工具大全"), QT_TRANSLATE_NOOP("corvane::SidebarModel", "系统信息"), "系统信息.png"},
};

QString tr(const char* key)
{
    return QCoreApplication::translate("corvane::SidebarModel", key);
}

} // namespace

std::vector<SidebarGroup> SidebarModel::build(const QString& modelName)
{
    std::vector<SidebarGroup> groups;
    for (int i = 0; i < kLastScreen; ++i) {
        const Item& item = kItems[i];
        const QString groupTitle = item.group ? tr(item.group) : LaunchRules::firstGroupTitle(modelName);
        if (groups.empty() || (item.group && groups.back().parent.title != groupTitle)) {
            SidebarGroup group;
            group.parent.title = groupTitle;
            groups.push_back(group);
        }
        ChildNode child;
        child.title = tr(item.title);
        child.imageName = QString::fromUtf8(item.image);
        child.pindex = i + 1;
        groups.back().children.push_back(child);
    }
    return groups;
}

QString SidebarModel::titleForPindex(int pindex)
{
    return isScreen(pindex) ? tr(kItems[pindex - 1].title) : QString();
}

QString SidebarModel::imageForPindex(int pindex)
{
    return isScreen(pindex) ? QString::fromUtf8(kItems[pindex - 1].image) : QString();
}

} // namespace corvane
