// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/AppDelegate.h"
#include "shell/NetworkWebServices.h"
#include "toolkit/Localization.h"

#include <QApplication>
#include <QLocale>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("CorvaneTidewell"));
    QApplication::setOrganizationName(QStringLiteral("Corvane"));
    QApplication::setApplicationVersion(QStringLiteral(CORVANE_SHORT_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("com.corvane.CorvaneTidewell"));
    corvane::Localization::install(QLocale::system().uiLanguages());

    corvane::AppDelegate::Environment environment = corvane::AppDelegate::Environment::system();
    corvane::NetworkWebServices webServices(
        corvane::NetworkWebServices::systemSource(environment, corvane::AppDelegate::shortVersionOf(environment)));
    corvane::AppDelegate delegate(std::move(environment), webServices);
    // The launch sequence runs from the event loop, as the platform's loop calls it.
    QTimer::singleShot(0, &delegate, [&delegate] { delegate.applicationDidFinishLaunching(); });
    const int status = QApplication::exec();
    delegate.applicationWillTerminate();
    return status;
}
