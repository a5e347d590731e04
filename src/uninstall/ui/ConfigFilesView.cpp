// SPDX-License-Identifier: GPL-3.0-or-later
#include "uninstall/ui/ConfigFilesView.h"

#include "uninstall/engine/Uninstall.h"

namespace corvane {

ConfigFilesView* ConfigFilesView::demoView(const Layout& layout)
{
    return new ConfigFilesView(layout);
}

ConfigFilesView::ConfigFilesView(const Layout& layout, QWidget* parent)
    : UninstallScreen(layout,
                      {QStringLiteral("ConfigFilesView"), QStringLiteral("listView"), QStringLiteral("配置文件1.png"),
                       tr("配置文件"), tr("通过卸载配置文件来加速系统"), UninstallListModel::Kind::PreferencePanes,
                       true},
                      parent)
{
    // An empty table would read as "none installed"; here there is no such thing at all.
    if (!hasPreferencePanes())
        showPlainMessage(tr("此系统没有偏好设置面板"));
    loadArray();
}

bool ConfigFilesView::hasPreferencePanes() const
{
    return layout().path(Layout::Role::PreferencePanes).has_value();
}

UninstallScreen::Loader ConfigFilesView::loader() const
{
    return [](const Layout& layout, const RowSink& sink) {
        for (const std::string& path : Uninstall(layout).configFiles())
            if (!sink(UninstallRecord::preferencePane(path)))
                return;
    };
}

void ConfigFilesView::uninstallApp(const std::string& path)
{
    confirmRemoval(path, tr("配置文件"));
}

} // namespace corvane
