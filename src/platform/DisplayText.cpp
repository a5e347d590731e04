// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DisplayText.h"

#include "platform/ByteText.h"

namespace corvane {

QString DisplayText::forName(std::string_view bytes)
{
    QString text;
    text.reserve(qsizetype(bytes.size()));
    for (size_t i = 0; i < bytes.size();) {
        const size_t length = ByteText::utf8SequenceLength(bytes, i);
        if (length == 0) {
            // An ill-formed byte is shown by its value, so names that differ there read differently.
            text += QStringLiteral("\\x") + QString::asprintf("%02X", unsigned(static_cast<unsigned char>(bytes[i])));
            ++i;
            continue;
        }
        text += QString::fromUtf8(bytes.data() + i, qsizetype(length));
        i += length;
    }
    for (QChar& c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20)
            c = QChar(char16_t(0x2400 + u));
        else if (u == 0x7F)
            c = QChar(char16_t(0x2421));
        else if ((u >= 0x80 && u < 0xA0) || (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069) ||
                 u == 0x200E || u == 0x200F || u == 0x061C)
            c = QChar(QChar::ReplacementCharacter);
    }
    return text;
}

} // namespace corvane
