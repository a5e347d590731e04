// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "uninstall/ui/UninstallScreen.h"

namespace corvane {

// The plug-in screen: browser plug-ins and, on Linux, the user's GNOME Shell extensions,
// each with its size (and an extension's version). "强制卸载" asks first, then deletes.
class PlugView : public UninstallScreen
{
    Q_OBJECT

public:
    // The layout gives the folders to look in; it must outlive the screen.
    static PlugView* demoView(const Layout& layout);
    explicit PlugView(const Layout& layout, QWidget* parent = nullptr);

    // Asks "插件卸载"; "确定" deletes the plug-in.
    void uninstallApp(const std::string& path) override;

    ReadableOutline* listView() const { return table(); }

private:
    Loader loader() const override;
};

} // namespace corvane
