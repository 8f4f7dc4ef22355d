#include "pictures/decoder_messages.h"

#include <gtest/gtest.h>

#include <latch>
#include <thread>

namespace palshift {

// Pictures decoded on two threads at once keep each the messages of its own thread.
TEST(DecoderMessages, KeepsEachThreadsMessagesApart)
{
    std::latch listening(2), firstSaid(1), secondSaid(1);
    QStringList first, second;
    {
        std::jthread one([&] {
            const DecoderMessages messages;
            listening.arrive_and_wait();
            qWarning("from the first");
            firstSaid.count_down();
            secondSaid.wait();
            first = messages.kept();
        });
        std::jthread two([&] {
            const DecoderMessages messages;
            listening.arrive_and_wait();
            firstSaid.wait();
            qWarning("from the second");
            secondSaid.count_down();
            second = messages.kept();
        });
    }
    EXPECT_EQ(first, QStringList{"from the first"});
    EXPECT_EQ(second, QStringList{"from the second"});
}

}  // namespace palshift
