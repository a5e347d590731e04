// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MachineIdentifier.h"

#include "platform/BoundedFile.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QMessageAuthenticationCode>

#include <cctype>

namespace corvane {

namespace {

// This program's application id; changing it changes every machine's identifier.
constexpr unsigned char kApplicationId[16] = {0x5b, 0x2e, 0x91, 0xc4, 0x7a, 0x03, 0x4f, 0x6d,
                                              0xa8, 0x1c, 0xe7, 0x52, 0x39, 0xb0, 0x64, 0xfd};

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::string MachineIdentifier::fromMachineId(const std::string& text)
{
    // 32 hexadecimal digits, optionally followed by the line break and nothing else.
    std::string digits = text;
    while (!digits.empty() && (digits.back() == '\n' || digits.back() == ' '))
        digits.pop_back();
    if (digits.size() != 32)
        return {};
    QByteArray key(16, '\0');
    bool allZero = true;
    for (int i = 0; i < 16; ++i) {
        const int high = hexValue(digits[size_t(2 * i)]);
        const int low = hexValue(digits[size_t(2 * i + 1)]);
        if (high < 0 || low < 0)
            return {};
        key[i] = char(high * 16 + low);
        allZero = allZero && key[i] == 0;
    }
    // An all-zero id is an unset one, shared by every image built that way.
    if (allZero)
        return {};
    const QByteArray message(reinterpret_cast<const char*>(kApplicationId), sizeof kApplicationId);
    QByteArray id = QMessageAuthenticationCode::hash(message, key, QCryptographicHash::Sha256).left(16);
    // A version-4, variant-1 UUID, as sd_id128_get_machine_app_specific makes it.
    id[6] = char((id[6] & 0x0F) | 0x40);
    id[8] = char((id[8] & 0x3F) | 0x80);
    const std::string hex = id.toHex().toUpper().toStdString();
    return hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" + hex.substr(16, 4) + "-" +
           hex.substr(20, 12);
}

std::string MachineIdentifier::read(const std::string& machineIdPath)
{
    const auto text = BoundedFile::read(machineIdPath, 4096);
    return text ? fromMachineId(*text) : std::string();
}

} // namespace corvane
