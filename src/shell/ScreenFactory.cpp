// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/ScreenFactory.h"

#include "duplicates/ui/DuplicatedFileView.h"
#include "junk/ui/SystemCleanView.h"
#include "largefiles/ui/LargeFilesView.h"
#include "memory/ui/YVPopViewController.h"
#include "processes/ui/SystemPerformanceAcceleration.h"
#include "startup/ui/LoginItemViewController.h"
#include "sysinfo/ui/HardWare.h"
#include "uninstall/ui/ConfigFilesView.h"
#include "uninstall/ui/PlugView.h"
#include "uninstall/ui/UninstallView.h"

#include "platform/Layout.h"
#include "shell/PlaceholderScreen.h"
#include "shell/SidebarModel.h"

namespace corvane {

QWidget* ScreenFactory::create(int pindex, QWidget* parent)
{
    switch (pindex) {
    case 1: {
        SystemCleanView* view = SystemCleanView::demoView(Layout::current());
        view->setParent(parent);
        return view;
    }
    case 5: {
        UninstallView* view = UninstallView::demoView(Layout::current());
        view->setParent(parent);
        return view;
    }
    case 6: {
        PlugView* view = PlugView::demoView(Layout::current());
        view->setParent(parent);
        return view;
    }
    case 7: {
        ConfigFilesView* view = ConfigFilesView::demoView(Layout::current());
        view->setParent(parent);
        return view;
    }
    case 2: {
        LoginItemViewController* view = LoginItemViewController::demoView();
        view->setParent(parent);
        return view;
    }
    case 3: {
        YVPopViewController* view = YVPopViewController::demoView();
        view->setParent(parent);
        return view;
    }
    case 4: {
        SystemPerformanceAcceleration* view = SystemPerformanceAcceleration::demoView();
        view->setParent(parent);
        return view;
    }
    case 8: {
        DuplicatedFileView* view = DuplicatedFileView::demoView(Layout::current());
        view->setParent(parent);
        return view;
    }
    case 9: {
        LargeFilesView* view = LargeFilesView::demoView(Layout::current());
        view->setParent(parent);
        return view;
    }
    case 10: {
        HardWare* view = HardWare::demoView();
        view->setParent(parent);
        return view;
    }
    // 1 SystemCleanView::demoView, 2 LoginItemViewController, 3 YVPopViewController,
    // 4 SystemPerformanceAcceleration, 5 UninstallView, 6 PlugView, 7 ConfigFilesView,
    // 8 DuplicatedFileView, 9 LargeFilesView, 10 HardWare: each replaces its placeholder
    // here as its room lands.
    default:
        if (!SidebarModel::isScreen(pindex))
            return nullptr;
        return new PlaceholderScreen(pindex, parent);
    }
}

} // namespace corvane
