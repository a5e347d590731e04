// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "uninstall/ui/LMZSheet.h"
#include "uninstall/ui/UninstallScreen.h"

namespace corvane {

// The application screen: every application the user installed beside the package
// manager (bundles, Flatpak applications, AppImages), never this program itself, each with
// its install date, version and size. "强制卸载" opens the leftover sheet over the window,
// which removes the application and what it left behind.
class UninstallView : public UninstallScreen
{
    Q_OBJECT

public:
    // The layout gives the folders to look in; it must outlive the screen.
    static UninstallView* demoView(const Layout& layout);
    explicit UninstallView(const Layout& layout, QWidget* parent = nullptr);
    ~UninstallView() override;

    // Opens the leftover sheet for the row's application; the row goes when the sheet
    // reports the application gone.
    void uninstallApp(const std::string& path) override;

    ReadableOutline* listTableView() const { return table(); }
    // The leftover sheet, once a removal has opened it.
    LMZSheet* sheet() const { return m_sheet.data(); }

    // The locale whose names the lists show: the environment's when it speaks the language
    // the screens speak, else that language's own.
    static std::string localeForNames();

private:
    Loader loader() const override;

    QPointer<LMZSheet> m_sheet;
};

} // namespace corvane
