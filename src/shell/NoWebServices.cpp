// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/NoWebServices.h"

namespace corvane {

WebServices::RequestPreparation NoWebServices::welcomeRequest()
{
    return {};
}

std::shared_ptr<void> NoWebServices::startUpdateCheck(const QString&, WebServiceDelegate&)
{
    return {};
}

bool NoWebServices::updateExists(const QByteArray&)
{
    return false;
}

bool NoWebServices::hasUpdateWindows() const
{
    return false;
}

void NoWebServices::runIsUpdateWindow(QWidget*) {}

void NoWebServices::runUpdateWindow(QWidget*) {}

} // namespace corvane
