// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/ui/CompanionAppDelegate.h"

namespace corvane::companion {

AppDelegate::AppDelegate(QObject* parent)
    : QObject(parent)
{
}

void AppDelegate::applicationDidFinishLaunching()
{
    m_running = true;
}

void AppDelegate::applicationWillTerminate()
{
    m_running = false;
}

} // namespace corvane::companion
