// SPDX-License-Identifier: GPL-3.0-or-later
#include "uninstall/ui/UninstallView.h"

#include "toolkit/Localization.h"
#include "uninstall/engine/Uninstall.h"
#include "uninstall/ui/LMZSheet.h"

#include <QLocale>

#include <cstdlib>

namespace corvane {

UninstallView* UninstallView::demoView(const Layout& layout)
{
    return new UninstallView(layout);
}

UninstallView::UninstallView(const Layout& layout, QWidget* parent)
    : UninstallScreen(layout,
                      {QStringLiteral("UninstallView"), QStringLiteral("listTableView"),
                       QStringLiteral("软件卸载1.png"), tr("应用卸载"), tr("通过卸载软件来加速系统"),
                       UninstallListModel::Kind::Applications, false},
                      parent)
{
    loadArray();
}

UninstallView::~UninstallView()
{
    // The sheet sits on the window, not on this screen, and holds the layout this screen
    // was given: it goes with the screen.
    delete m_sheet.data();
}

std::string UninstallView::localeForNames()
{
    std::string environment;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if (const char* value = std::getenv(name); value && *value) {
            environment = value;
            break;
        }
    const bool environmentChinese = environment.rfind("zh", 0) == 0;
    if (Localization::chosenLanguage(QLocale::system().uiLanguages()) == QStringLiteral("zh"))
        return environmentChinese ? environment : std::string("zh_CN.UTF-8");
    return environment.empty() || environmentChinese ? std::string("en_US.UTF-8") : environment;
}

UninstallScreen::Loader UninstallView::loader() const
{
    return [locale = localeForNames()](const Layout& layout, const RowSink& sink) {
        for (const DesktopApp& app : Uninstall(layout).uninstallableApps(locale))
            if (!sink(UninstallRecord::application(app)))
                return;
    };
}

void UninstallView::uninstallApp(const std::string& path)
{
    if (model()->rowOf(path) < 0)
        return;
    if (!m_sheet)
        m_sheet = new LMZSheet(layout(), this);
    m_sheet->setFilePath(path);
    QPointer<UninstallView> self(this);
    m_sheet->beginOnWindow(window(), [self, path](int code) {
        // 1: the application itself is gone; anything else leaves its row.
        if (self && code == 1)
            self->model()->removePath(path);
    });
}

} // namespace corvane
