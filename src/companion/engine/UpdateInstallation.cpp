// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/engine/UpdateInstallation.h"

#include "common/Dispatch.h"
#include "common/SerialQueue.h"
#include "platform/LogCategories.h"

#include <QPointer>

namespace corvane {

UpdateInstallation::UpdateInstallation(UpdateInstaller installer, QObject* parent)
    : QObject(parent), m_installer(std::make_shared<const UpdateInstaller>(std::move(installer))),
      m_queue(std::make_unique<SerialQueue>("corvane.update"))
{}

UpdateInstallation::~UpdateInstallation() = default;

void UpdateInstallation::test(CompanionService::Reply reply)
{
    if (m_busy) {
        reply("refused busy\n");
        return;
    }
    m_busy = true;
    QPointer<UpdateInstallation> self(this);
    auto installer = m_installer;
    auto fail = [self](const std::string& reason) {
        qCWarning(lcCompanion, "update not installed: %s", reason.c_str());
        if (!self)
            return;
        self->m_busy = false;
        emit self->failed(QString::fromStdString(reason));
    };
    m_queue->async([self, installer, reply, fail] {
        auto staged = std::make_shared<UpdateInstaller::Staged>(installer->stage());
        Dispatch::main([self, installer, reply, fail, staged] {
            if (!staged->ok()) {
                reply("refused " + staged->refusal + "\n");
                fail(staged->refusal);
                return;
            }
            if (!self) {
                installer->discard(*staged);
                reply("refused the companion is leaving\n");
                return;
            }
            reply("accepted\n");
            self->m_queue->async([self, installer, fail, staged] {
                const auto result = installer->install(*staged);
                Dispatch::main([self, fail, result] {
                    if (!result.ok()) {
                        fail(result.failure);
                        return;
                    }
                    qCInfo(lcCompanion, "update installed");
                    if (self)
                        emit self->installed();
                });
            });
        });
    });
}

} // namespace corvane
