// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shell/WebServices.h"

namespace corvane {

// Web services that send nothing: no welcome, no update check, no update windows. The
// launch then behaves as it does when both requests fail, and the update command is
// disabled.
class NoWebServices final : public WebServices
{
public:
    RequestPreparation welcomeRequest() override;
    std::shared_ptr<void> startUpdateCheck(const QString& installedVersion, WebServiceDelegate& delegate) override;
    bool updateExists(const QByteArray& reply) override;
    bool hasUpdateWindows() const override;
    void runIsUpdateWindow(QWidget* parent) override;
    void runUpdateWindow(QWidget* parent) override;
};

} // namespace corvane
