// SPDX-License-Identifier: GPL-3.0-or-later
#include "uninstall/ui/LMZSheet.h"

#include "platform/Layout.h"

namespace corvane {

LMZSheet::LMZSheet(const Layout& layout, QWidget* parent) : QDialog(parent), m_layout(layout)
{
    setObjectName(QStringLiteral("LMZSheet"));
}

LMZSheet::~LMZSheet() = default;

void LMZSheet::setFilePath(const std::string& path)
{
    m_filePath = path;
}

void LMZSheet::beginOnWindow(QWidget* window, std::function<void(int)> completion)
{
    m_completion = std::move(completion);
    if (window && parentWidget() != window)
        setParent(window, Qt::Sheet);
    setWindowModality(Qt::WindowModal);
    open();
}

void LMZSheet::end()
{
    endWithReturnCode(0);
}

void LMZSheet::endWithReturnCode(int code)
{
    if (auto completion = std::exchange(m_completion, nullptr))
        completion(code);
    hide();
}

} // namespace corvane
