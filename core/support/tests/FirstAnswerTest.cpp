#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "core/support/FirstAnswer.hpp"

namespace keepsift {
namespace {

TEST(FirstAnswer, ResumesOnce) {
    FirstAnswer<int> answer;
    EXPECT_TRUE(answer.resume(1));
    EXPECT_FALSE(answer.resume(2));
    EXPECT_EQ(answer.wait(), 1);
}

TEST(FirstAnswer, OneOfManyThreadsWinsAndItsAnswerIsTheOneDelivered) {
    auto answer = FirstAnswer<int>::make();
    std::atomic<int> winners{0};
    std::atomic<int> winner{-1};
    std::vector<std::jthread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&, i] {
            if (answer->resume(i)) {
                ++winners;
                winner = i;
            }
        });
    const int delivered = answer->wait();
    threads.clear();
    EXPECT_EQ(winners, 1);
    EXPECT_EQ(delivered, winner);
}

TEST(FirstAnswer, AwaitBlocksForAHandlerThatAnswersTwiceFromAnotherThread) {
    std::jthread service;
    auto value = FirstAnswer<std::unique_ptr<int>>::await([&](auto box) {
        service = std::jthread([box] {
            box->resume(std::make_unique<int>(7));
            box->resume(std::make_unique<int>(8));
        });
    });
    ASSERT_TRUE(value);
    EXPECT_EQ(*value, 7);
}

TEST(FirstAnswer, AnAbsentAnswerIsAnAnswer) {
    auto value = FirstAnswer<std::optional<int>>::await([](auto box) {
        box->resume(std::nullopt);
        box->resume(3);
    });
    EXPECT_EQ(value, std::nullopt);
}

} // namespace
} // namespace keepsift
