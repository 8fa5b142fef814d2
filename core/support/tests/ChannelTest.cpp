#include <gtest/gtest.h>

#include <thread>

#include "core/support/Channel.hpp"

using namespace keepsift;

TEST(Channel, DeliversInOrderUntilFinished) {
    auto channel = Channel<int>::make();
    std::jthread producer([channel] {
        for (int i = 0; i < 100; ++i)
            channel->yield(i);
        channel->finish();
    });
    int expected = 0;
    while (auto value = channel->next())
        EXPECT_EQ(*value, expected++);
    EXPECT_EQ(expected, 100);
}

TEST(Channel, CancelRunsTerminationOnceAndDropsLaterValues) {
    auto channel = Channel<int>::make();
    int terminations = 0;
    channel->onTermination([&] { ++terminations; });
    channel->yield(1);
    channel->cancel();
    channel->cancel();
    channel->finish();
    EXPECT_EQ(terminations, 1);
    EXPECT_FALSE(channel->yield(2));
    EXPECT_FALSE(channel->next());
}

TEST(Channel, StopTokenWakesAWaitingReader) {
    auto channel = Channel<int>::make();
    std::optional<int> got = 42;
    std::jthread reader([&](std::stop_token stop) { got = channel->next(stop); });
    reader.request_stop();
    reader.join();
    EXPECT_FALSE(got);
}
