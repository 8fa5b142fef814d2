#include <gtest/gtest.h>

#include "core/support/Logger.hpp"

using namespace keepsift;

TEST(Logger, TestSinkReceivesSubsystemCategoryAndLevel) {
    std::vector<LogRecord> records;
    Logger::setSinkForTesting([&](const LogRecord& r) { records.push_back(r); });
    Logger("com.ambervale.keepsift", "shell").error("refresh failed: disk full");
    Logger::setSinkForTesting({});
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].subsystem, "com.ambervale.keepsift");
    EXPECT_EQ(records[0].category, "shell");
    EXPECT_EQ(records[0].level, LogLevel::error);
    EXPECT_EQ(records[0].message, "refresh failed: disk full");
}
