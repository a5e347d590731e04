// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace corvane {

// Where the two launch requests (the install welcome and the update check) report when
// they end. Both operations are optional; they are called on the main thread.
class WebServiceDelegate
{
public:
    // Which request is reporting.
    enum class RequestTag { Welcome, UpdateCheck };

    virtual ~WebServiceDelegate() = default;

    virtual void webServiceFinish(RequestTag /*sender*/, const QByteArray& /*data*/) {}
    virtual void webServiceFail(RequestTag /*sender*/, const QString& /*error*/) {}
};

} // namespace corvane
