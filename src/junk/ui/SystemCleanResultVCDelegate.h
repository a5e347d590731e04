// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace corvane {

class SystemCleanObject;

// Told by the details overlay whenever a checkbox in it changes.
class SystemCleanResultVCDelegate
{
public:
    virtual ~SystemCleanResultVCDelegate() = default;
    virtual void showSelectTotalSizeWithCleanObject(SystemCleanObject*) {}
};

} // namespace corvane
