// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// The [Desktop Entry] group of a freedesktop desktop file, the one reader for login items,
// launchers and applications. Values are kept as written and unescaped when asked for:
// a string resolves \s \n \t \r \\, a list splits at ";" but not at "\;", and Exec
// splits into arguments by its own quoting rules.
class DesktopEntry
{
public:
    // Reads the file non-blocking, only when it is a regular file of at most 1 MiB.
    // Nothing when it cannot be read or has no [Desktop Entry] group.
    static std::optional<DesktopEntry> read(const std::string& path);
    static std::optional<DesktopEntry> parse(std::string_view text);

    // Every key of the group as written ("Name[zh_CN]" is a key of its own), the first
    // occurrence of a key winning, values unescaped as strings.
    std::map<std::string, std::string> strings() const;
    std::optional<std::string> string(const std::string& key) const;
    // The value for a locale such as "zh_CN.UTF-8@latin": Key[lang_COUNTRY@MODIFIER],
    // Key[lang_COUNTRY], Key[lang@MODIFIER], Key[lang], then Key.
    std::optional<std::string> localized(const std::string& key, const std::string& locale) const;
    std::vector<std::string> list(const std::string& key) const;
    // "true" is true; anything else, or no key, is false.
    bool boolean(const std::string& key) const;

    std::string type() const { return string("Type").value_or(std::string()); }
    std::optional<std::string> name(const std::string& locale) const { return localized("Name", locale); }
    std::optional<std::string> icon() const { return string("Icon"); }
    std::optional<std::string> tryExec() const { return string("TryExec"); }
    bool noDisplay() const { return boolean("NoDisplay"); }
    bool hidden() const { return boolean("Hidden"); }
    std::vector<std::string> onlyShowIn() const { return list("OnlyShowIn"); }
    std::vector<std::string> notShowIn() const { return list("NotShowIn"); }
    std::optional<std::string> flatpakId() const { return string("X-Flatpak"); }
    // Whether a desktop (one of $XDG_CURRENT_DESKTOP's names) shows the entry: not when it
    // is in NotShowIn, and when OnlyShowIn is given, only when it is there.
    bool shownIn(const std::vector<std::string>& desktops) const;

    // The Exec line as an argument vector, field codes (%f %F %u %U %i %c %k …) dropped and
    // "%%" made "%"; nothing when the line is missing or its quoting is broken, so a
    // malformed line is never run half-understood.
    std::optional<std::vector<std::string>> execArguments() const;
    static std::optional<std::vector<std::string>> splitExec(const std::string& exec);

    static std::string unescape(std::string_view value);
    // The locale suffixes to try, in the order desktop files use: lang_COUNTRY@MODIFIER,
    // lang_COUNTRY, lang@MODIFIER, lang (the encoding never takes part); none for "C".
    static std::vector<std::string> localeCandidates(const std::string& locale);

private:
    std::optional<std::string> raw(const std::string& key) const;

    std::map<std::string, std::string> m_raw;
};

} // namespace corvane
