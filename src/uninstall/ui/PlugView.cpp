// SPDX-License-Identifier: GPL-3.0-or-later
#include "uninstall/ui/PlugView.h"

#include "uninstall/engine/Uninstall.h"

namespace corvane {

PlugView* PlugView::demoView(const Layout& layout)
{
    return new PlugView(layout);
}

PlugView::PlugView(const Layout& layout, QWidget* parent)
    : UninstallScreen(layout,
                      {QStringLiteral("PlugView"), QStringLiteral("listView"), QStringLiteral("插件1.png"),
                       tr("插件卸载"), tr("通过卸载插件来加速系统"), UninstallListModel::Kind::PlugIns, true},
                      parent)
{
    loadArray();
}

UninstallScreen::Loader PlugView::loader() const
{
    return [](const Layout& layout, const RowSink& sink) {
        for (const Uninstall::PlugIn& plugIn : Uninstall(layout).plugInList())
            if (!sink(UninstallRecord::plugIn(plugIn)))
                return;
    };
}

void PlugView::uninstallApp(const std::string& path)
{
    confirmRemoval(path, tr("插件卸载"));
}

} // namespace corvane
