// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <optional>

namespace corvane {

// The five junk categories, in the order of the clean screen's rows. A category's number
// is its row in the session's list and what `corvane junk --categories` and its JSON use.
enum class JunkCategory : int { Caches = 0, Logs = 1, Browsers = 2, Trash = 3, Downloads = 4 };

// Every category in row order.
inline constexpr std::array<JunkCategory, 5> kJunkCategories{
    JunkCategory::Caches, JunkCategory::Logs, JunkCategory::Browsers, JunkCategory::Trash, JunkCategory::Downloads};

constexpr int categoryIndex(JunkCategory category)
{
    return static_cast<int>(category);
}

// The category of a row number; nothing for a number that names none.
constexpr std::optional<JunkCategory> categoryAt(int index)
{
    if (index < 0 || index >= int(kJunkCategories.size()))
        return std::nullopt;
    return kJunkCategories[size_t(index)];
}

} // namespace corvane
