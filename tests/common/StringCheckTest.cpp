// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/ShellQuote.h"
#include "common/StringCheck.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

using namespace corvane;

TEST(StringCheck, MissingNullAndEmptyAreAlike)
{
    EXPECT_TRUE(StringCheck::isEmpty(std::optional<QString>()));
    EXPECT_TRUE(StringCheck::isEmpty(std::optional<QString>(QString())));
    EXPECT_TRUE(StringCheck::isEmpty(std::optional<QString>(QStringLiteral(""))));
    EXPECT_FALSE(StringCheck::isEmpty(std::optional<QString>(QStringLiteral(" "))));
    EXPECT_EQ(StringCheck::defaultValue(std::optional<QString>()), QStringLiteral(""));
    EXPECT_FALSE(StringCheck::defaultValue(std::optional<QString>()).isNull());
    EXPECT_EQ(StringCheck::defaultValue(std::optional<QString>(QStringLiteral("v1.2"))), QStringLiteral("v1.2"));
    EXPECT_TRUE(EmptyCheck::isEmpty());
    EXPECT_EQ(EmptyCheck::defaultValue(), QString());

    const QJsonObject o = QJsonDocument::fromJson(R"({"a":null,"b":"","c":"x","d":3})").object();
    EXPECT_TRUE(StringCheck::isEmpty(o.value(QStringLiteral("a"))));
    EXPECT_TRUE(StringCheck::isEmpty(o.value(QStringLiteral("b"))));
    EXPECT_TRUE(StringCheck::isEmpty(o.value(QStringLiteral("missing"))));
    EXPECT_FALSE(StringCheck::isEmpty(o.value(QStringLiteral("c"))));
    EXPECT_EQ(StringCheck::defaultValue(o.value(QStringLiteral("a"))), QStringLiteral(""));
    EXPECT_EQ(StringCheck::defaultValue(o.value(QStringLiteral("c"))), QStringLiteral("x"));
}

TEST(ShellQuote, WrapsEverythingAsOneWord)
{
    EXPECT_EQ(shellQuote("plain"), "'plain'");
    EXPECT_EQ(shellQuote(""), "''");
    EXPECT_EQ(shellQuote("it's"), "'it'\\''s'");
}
