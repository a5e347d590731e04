// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DesktopFavorites.h"

#include "platform/AtomicFile.h"
#include "platform/BoundedFile.h"
#include "platform/FileChecks.h"
#include "platform/Layout.h"

#include <gio/gio.h>
#include <plist/plist.h>

#include <cstring>
#include <memory>
#include <vector>

namespace corvane {

namespace {

// A dock file holds some hundred tiles; anything far larger is not one.
constexpr size_t kDockLimit = 8 * 1024 * 1024;

struct PlistFree
{
    void operator()(plist_t p) const { plist_free(p); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

std::string stringValue(plist_t node)
{
    if (!node || plist_get_node_type(node) != PLIST_STRING)
        return {};
    char* s = nullptr;
    plist_get_string_val(node, &s);
    std::string out = s ? s : "";
    std::free(s);
    return out;
}

} // namespace

DesktopFavorites::Result DesktopFavorites::remove(const std::string& desktopId, const Layout& layout)
{
    if (desktopId.empty())
        return Result::NotListed;
    if (layout.isMac())
        return removeFromDock(joinPath(layout.home(), "Library/Preferences/com.apple.dock.plist"), desktopId);
    return removeFromGSettings(desktopId, "org.gnome.shell", "favorite-apps");
}

DesktopFavorites::Result DesktopFavorites::removeFromGSettings(const std::string& desktopId,
                                                                const std::string& schemaId, const std::string& key)
{
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source)
        return Result::Unavailable;
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, schemaId.c_str(), TRUE);
    if (!schema)
        return Result::Unavailable;
    bool usable = false;
    if (g_settings_schema_has_key(schema, key.c_str())) {
        GSettingsSchemaKey* k = g_settings_schema_get_key(schema, key.c_str());
        usable = g_variant_type_equal(g_settings_schema_key_get_value_type(k), G_VARIANT_TYPE_STRING_ARRAY);
        g_settings_schema_key_unref(k);
    }
    if (!usable) {
        g_settings_schema_unref(schema);
        return Result::Unavailable;
    }
    GSettings* settings = g_settings_new_full(schema, nullptr, nullptr);
    g_settings_schema_unref(schema);

    Result result = Result::NotListed;
    gchar** current = g_settings_get_strv(settings, key.c_str());
    std::vector<const gchar*> kept;
    for (gchar** p = current; p && *p; ++p)
        if (desktopId != *p)
            kept.push_back(*p);
    const size_t count = current ? g_strv_length(current) : 0;
    if (kept.size() != count) {
        if (!g_settings_is_writable(settings, key.c_str())) {
            result = Result::Unavailable;
        } else {
            kept.push_back(nullptr);
            result = g_settings_set_strv(settings, key.c_str(), kept.data()) ? Result::Removed : Result::Failed;
            // Written before we return, so a program that exits right after loses nothing.
            g_settings_sync();
        }
    }
    g_strfreev(current);
    g_object_unref(settings);
    return result;
}

DesktopFavorites::Result DesktopFavorites::removeFromDock(const std::string& plistPath, const std::string& label)
{
    const auto bytes = BoundedFile::read(plistPath, kDockLimit, true);
    if (!bytes || bytes->empty())
        return Result::Unavailable;
    plist_t raw = nullptr;
    plist_from_memory(bytes->data(), static_cast<uint32_t>(bytes->size()), &raw);
    PlistPtr root(raw);
    if (!raw || plist_get_node_type(raw) != PLIST_DICT)
        return Result::Unavailable;
    plist_t apps = plist_dict_get_item(raw, "persistent-apps");
    if (!apps || plist_get_node_type(apps) != PLIST_ARRAY)
        return Result::NotListed;
    const uint32_t n = plist_array_get_size(apps);
    for (uint32_t i = 0; i < n; ++i) {
        plist_t tile = plist_array_get_item(apps, i);
        if (!tile || plist_get_node_type(tile) != PLIST_DICT)
            continue;
        plist_t data = plist_dict_get_item(tile, "tile-data");
        if (!data || plist_get_node_type(data) != PLIST_DICT)
            continue;
        if (stringValue(plist_dict_get_item(data, "file-label")) != label)
            continue;
        plist_array_remove_item(apps, i);
        char* out = nullptr;
        uint32_t length = 0;
        const bool binary = plist_is_binary(bytes->data(), static_cast<uint32_t>(bytes->size()));
        if (binary)
            plist_to_bin(raw, &out, &length);
        else
            plist_to_xml(raw, &out, &length);
        if (!out)
            return Result::Failed;
        const std::string content(out, length);
        binary ? plist_to_bin_free(out) : plist_to_xml_free(out);
        return AtomicFile::replace(plistPath, content) ? Result::Removed : Result::Failed;
    }
    return Result::NotListed;
}

} // namespace corvane
