#include "editor/Text.h"

#include <gtest/gtest.h>

namespace {

TEST(Text, FormatSwitchTime) {
    const std::pair<int, const char*> rows[] = {
        {0, "00:00"},       {5, "00:05"},        {95, "01:35"},         {3599, "59:59"},
        {3600, "01:00:00"}, {64800, "18:00:00"}, {400000, "111:06:40"},
    };
    for (const auto& [secs, text] : rows)
        EXPECT_EQ(FormatSwitchTime(secs), QString::fromLatin1(text)) << secs;
}

TEST(Text, GroupDigits) {
    const std::pair<const char*, const char*> rows[] = {
        {"", ""},
        {"123", "123"},
        {"1234", "1,234"},
        {"123456", "123,456"},
        {"1234567", "1,234,567"},
        {"123456789", "123,456,789"},
        {"1234567890", "1234567890"},
        {"-123", "-,123"},
    };
    for (const auto& [in, out] : rows)
        EXPECT_EQ(GroupDigits(QString::fromLatin1(in)), QString::fromLatin1(out)) << in;
}

TEST(Text, FileTitleOf) {
    const std::pair<const char*, const char*> rows[] = {
        {"C:\\a.b\\show.lsr", "show"},
        {"C:\\a.b\\show", "show"},
        {"/home/u/my.show.lsr", "my.show"},
        {"", ""},
        {"plain", "plain"},
        {"/x/.hidden", ""},
    };
    for (const auto& [in, out] : rows)
        EXPECT_EQ(FileTitleOf(QString::fromUtf8(in)), QString::fromUtf8(out)) << in;
    EXPECT_EQ(FileTitleOf(QStringLiteral("/データ/表示.lsr")), QStringLiteral("表示"));
}

} // namespace
