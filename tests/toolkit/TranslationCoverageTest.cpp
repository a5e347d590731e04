// SPDX-License-Identifier: GPL-3.0-or-later
// The English table against the code: every text the code marks for translation (tr(),
// translate(), the QT_TRANSLATE_NOOP tables and the engines' text() helpers) has a
// finished English entry with the same placeholders. lupdate reads the sources, so a text
// added anywhere without its English fails here, not in front of a user.
#include "support/TempDir.h"

#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace {

struct Entry
{
    QString translation;
    bool finished = true;
};

// Source text → entry, over every context of a .ts file.
QMap<QString, Entry> readTable(const QString& path)
{
    QMap<QString, Entry> table;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return table;
    QXmlStreamReader xml(&file);
    QString source;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QStringLiteral("source")) {
            source = xml.readElementText();
        } else if (xml.name() == QStringLiteral("translation")) {
            const bool unfinished = xml.attributes().value(QStringLiteral("type")) == QStringLiteral("unfinished");
            Entry entry{xml.readElementText(), !unfinished};
            entry.finished = entry.finished && !entry.translation.isEmpty();
            table.insert(source, entry);
        }
    }
    return table;
}

QSet<QString> placeholders(const QString& text)
{
    static const QRegularExpression marker(QStringLiteral("%[0-9]+"));
    QSet<QString> found;
    for (auto it = marker.globalMatch(text); it.hasNext();)
        found.insert(it.next().captured());
    return found;
}

} // namespace

TEST(Translations, EveryMarkedTextHasFinishedEnglishWithTheSamePlaceholders)
{
    corvane::test::TempDir scratch;
    const QString extracted = QString::fromStdString(scratch / "extracted.ts");
    QProcess lupdate;
    lupdate.setProcessChannelMode(QProcess::MergedChannels);
    lupdate.start(QStringLiteral(CORVANE_LUPDATE),
                  {QStringLiteral("-recursive"), QStringLiteral("-no-obsolete"), QStringLiteral("-locations"),
                   QStringLiteral("none"), QStringLiteral("-tr-function-alias"), QStringLiteral("tr+=text"),
                   QStringLiteral(CORVANE_SOURCE_DIR "/src"), QStringLiteral("-ts"), extracted});
    ASSERT_TRUE(lupdate.waitForFinished(180000));
    ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAll().toStdString();

    const QMap<QString, Entry> marked = readTable(extracted);
    ASSERT_GT(marked.size(), 50) << "lupdate found too few texts: " << lupdate.readAll().toStdString();
    const QMap<QString, Entry> english = readTable(QStringLiteral(CORVANE_SOURCE_DIR "/resources/corvane_en.ts"));

    QStringList missing;
    QStringList mismatched;
    for (auto it = marked.cbegin(); it != marked.cend(); ++it) {
        const auto found = english.constFind(it.key());
        if (found == english.cend() || !found->finished)
            missing << it.key();
        else if (placeholders(it.key()) != placeholders(found->translation))
            mismatched << it.key() + QStringLiteral(" → ") + found->translation;
    }
    EXPECT_TRUE(missing.isEmpty()) << "no English for:\n" << missing.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(mismatched.isEmpty()) << "placeholders differ:\n" << mismatched.join(QLatin1Char('\n')).toStdString();
}
