// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "uninstall/ui/UninstallScreen.h"

namespace corvane {

// The preference-pane screen: the machine's preference panes with their sizes;
// "强制卸载" asks first, then deletes. A system without preference panes (Linux) says so
// in place of an empty list.
class ConfigFilesView : public UninstallScreen
{
    Q_OBJECT

public:
    // The layout gives the folders to look in; it must outlive the screen.
    static ConfigFilesView* demoView(const Layout& layout);
    explicit ConfigFilesView(const Layout& layout, QWidget* parent = nullptr);

    // Asks "配置文件"; "确定" deletes the pane.
    void uninstallApp(const std::string& path) override;

    ReadableOutline* listView() const { return table(); }
    // Whether the system has a place for preference panes at all.
    bool hasPreferencePanes() const;

private:
    Loader loader() const override;
};

} // namespace corvane
