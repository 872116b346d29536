// The process's fixed formats: English number texts whatever the environment's locale says.

#include "GraphsFixture.h"

#include "window/FormatSettings.h"

#include <QLocale>

#include <clocale>
#include <cstdio>

TEST(FormatSettings, NumbersUseAPointAndNoGroupSeparator) {
    TestApplication();
    FormatSettingsEnglish();
    const QLocale locale;
    EXPECT_EQ(locale.language(), QLocale::English);
    EXPECT_EQ(locale.territory(), QLocale::UnitedStates);
    EXPECT_EQ(locale.decimalPoint(), ".");
    EXPECT_EQ(locale.toString(1234567.5, 'f', 1), "1234567.5");
    bool ok = false;
    EXPECT_DOUBLE_EQ(locale.toDouble(QStringLiteral("1.5"), &ok), 1.5);
    EXPECT_TRUE(ok);
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 1.5);
    EXPECT_STREQ(text, "1.5");
}
