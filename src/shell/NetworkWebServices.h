// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shell/WebServices.h"
#include "web/ui/UpdateWindowController.h"

namespace corvane {

struct ShellEnvironment;

// The web as the program speaks it: the install welcome, the update check and the two
// update windows, all to the vendor's server.
class NetworkWebServices final : public WebServices
{
public:
    explicit NetworkWebServices(UpdateSource source);

    // This machine's: the configured host, the machine's identifier with its trailing line
    // break, the layout's Documents and runtime folders, the companion of this bundle.
    static UpdateSource systemSource(const ShellEnvironment& environment, const QString& installedVersion);

    RequestPreparation welcomeRequest() override;
    std::shared_ptr<void> startUpdateCheck(const QString& installedVersion, WebServiceDelegate& delegate) override;
    bool updateExists(const QByteArray& reply) override;
    bool hasUpdateWindows() const override { return true; }
    void runIsUpdateWindow(QWidget* parent) override;
    void runUpdateWindow(QWidget* parent) override;

    const UpdateSource& source() const { return m_source; }

private:
    UpdateSource m_source;
};

} // namespace corvane
