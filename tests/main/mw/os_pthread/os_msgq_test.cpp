#include "main/mw/os_pthread/os_msgq.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

class MsgQTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (msg_q_t* queue : created) {
            EXPECT_EQ(OSR_OK, xMsgQDelete(queue));
        }
    }

    msg_q_t* create(const char* name, uint32_t maxSize, uint32_t count)
    {
        msg_q_t* queue = nullptr;
        EXPECT_EQ(OSR_OK, xMsgQCreate(&queue, name, maxSize, count));
        created.push_back(queue);
        return queue;
    }

    std::vector<msg_q_t*> created;
};

int32_t receiveNoWait(msg_q_t* queue, void* buffer, uint32_t* size)
{
    uint16_t index = 99;
    const int32_t result = xMsgQReceive(&index, buffer, size, &queue, 1, MSGQ_OPTION_NOWAIT);
    if (result == OSR_OK) {
        EXPECT_EQ(0, index);
    }
    return result;
}

uint16_t numMsgs(msg_q_t* queue)
{
    uint16_t num = 0xFFFF;
    EXPECT_EQ(OSR_OK, xMsgQNumMsgs(queue, &num));
    return num;
}

TEST_F(MsgQTest, QueueOfFourTakesFourSendsAndRefusesTheFifthUntilOneIsReceived)
{
    msg_q_t* queue = create("four", 16, 4);
    for (uint32_t i = 0; i < 4; ++i) {
        ASSERT_EQ(OSR_OK, xMsgQSend(queue, &i, sizeof(i), 0));
    }
    uint32_t fifth = 4;
    EXPECT_EQ(OSR_TOO_MANY, xMsgQSend(queue, &fifth, sizeof(fifth), 0));
    EXPECT_EQ(4, numMsgs(queue));

    uint32_t got = 0;
    uint32_t size = sizeof(got);
    ASSERT_EQ(OSR_OK, receiveNoWait(queue, &got, &size));
    EXPECT_EQ(0u, got);
    EXPECT_EQ(OSR_OK, xMsgQSend(queue, &fifth, sizeof(fifth), 0));
    EXPECT_EQ(OSR_TOO_MANY, xMsgQSend(queue, &fifth, sizeof(fifth), 0));

    for (uint32_t expected = 1; expected <= 4; ++expected) {
        size = sizeof(got);
        ASSERT_EQ(OSR_OK, receiveNoWait(queue, &got, &size));
        EXPECT_EQ(expected, got);
    }
    size = sizeof(got);
    EXPECT_EQ(OSR_NO_MSG, receiveNoWait(queue, &got, &size));
}

TEST_F(MsgQTest, MessageOfTheLargestSizeIsAcceptedAndOneByteMoreIsTooBig)
{
    for (uint32_t largest : {1u, 13u, 16u, 4608u}) {
        msg_q_t* queue = create(("size" + std::to_string(largest)).c_str(), largest, 2);
        std::vector<uint8_t> data(largest + 1, 0x5a);
        EXPECT_EQ(OSR_OK, xMsgQSend(queue, data.data(), largest, 0)) << largest;
        EXPECT_EQ(OSR_TOO_BIG, xMsgQSend(queue, data.data(), largest + 1, 0)) << largest;
        uint32_t max = 0;
        EXPECT_EQ(OSR_OK, xMsgQGetMaxMsgSize(queue, &max));
        EXPECT_EQ(largest, max);
    }
}

TEST_F(MsgQTest, MessagesOfDifferentSizesKeepTheirLengthsInOrderAcrossTheRingEnd)
{
    msg_q_t* queue = create("mixed", 10, 3);
    // Several rounds so that both positions wrap past the end of the ring more than once.
    for (int round = 0; round < 5; ++round) {
        const std::array<std::string, 3> sent = {"a", "bcdefghij", "kl" + std::to_string(round)};
        for (const std::string& text : sent) {
            ASSERT_EQ(OSR_OK, xMsgQSend(queue, text.data(), static_cast<uint32_t>(text.size()), 7));
        }
        EXPECT_EQ(3, numMsgs(queue));
        for (const std::string& text : sent) {
            char buffer[32] = {};
            uint32_t size = sizeof(buffer);
            ASSERT_EQ(OSR_OK, receiveNoWait(queue, buffer, &size));
            EXPECT_EQ(text, std::string(buffer, size));
        }
        EXPECT_EQ(0, numMsgs(queue));
    }
}

TEST_F(MsgQTest, ReceiveIntoASmallerBufferCutsTheMessageAndConsumesIt)
{
    msg_q_t* queue = create("cut", 8, 2);
    ASSERT_EQ(OSR_OK, xMsgQSend(queue, "12345678", 8, 0));
    ASSERT_EQ(OSR_OK, xMsgQSend(queue, "xy", 2, 0));
    char buffer[8] = {};
    uint32_t size = 3;
    ASSERT_EQ(OSR_OK, receiveNoWait(queue, buffer, &size));
    EXPECT_EQ(3u, size);
    EXPECT_EQ("123", std::string(buffer, size));
    EXPECT_EQ('\0', buffer[3]);
    size = sizeof(buffer);
    ASSERT_EQ(OSR_OK, receiveNoWait(queue, buffer, &size));
    EXPECT_EQ("xy", std::string(buffer, size));
}

TEST_F(MsgQTest, NamesAreUniqueOnTheirFirstSixteenCharactersAndAttachCountsUsers)
{
    msg_q_t* first = create("sixteen_chars_ab_one", 4, 1);
    msg_q_t* second = nullptr;
    EXPECT_EQ(OSR_EXIST, xMsgQCreate(&second, "sixteen_chars_ab_two", 4, 1));
    EXPECT_EQ(nullptr, second);

    msg_q_t* attached = nullptr;
    ASSERT_EQ(OSR_OK, xMsgQAttach(&attached, "sixteen_chars_ab"));
    EXPECT_EQ(first, attached);
    EXPECT_EQ(OSR_NOT_EXIST, xMsgQAttach(&attached, "nobody"));

    // The first delete only drops the attached user: the queue still works and keeps its name.
    ASSERT_EQ(OSR_OK, xMsgQDelete(attached));
    EXPECT_EQ(OSR_OK, xMsgQSend(first, "x", 1, 0));
    EXPECT_EQ(OSR_EXIST, xMsgQCreate(&second, "sixteen_chars_ab", 4, 1));
}

TEST_F(MsgQTest, DeletedQueueFreesItsName)
{
    msg_q_t* queue = nullptr;
    ASSERT_EQ(OSR_OK, xMsgQCreate(&queue, "reused", 4, 1));
    ASSERT_EQ(OSR_OK, xMsgQSend(queue, "x", 1, 0));
    ASSERT_EQ(OSR_OK, xMsgQDelete(queue));
    msg_q_t* attached = nullptr;
    EXPECT_EQ(OSR_NOT_EXIST, xMsgQAttach(&attached, "reused"));
    create("reused", 4, 1);
}

TEST_F(MsgQTest, InvalidArgumentsAreRefused)
{
    msg_q_t* queue = nullptr;
    EXPECT_EQ(OSR_INV_ARG, xMsgQCreate(nullptr, "q", 4, 1));
    EXPECT_EQ(OSR_INV_ARG, xMsgQCreate(&queue, nullptr, 4, 1));
    EXPECT_EQ(OSR_INV_ARG, xMsgQCreate(&queue, "", 4, 1));
    EXPECT_EQ(OSR_INV_ARG, xMsgQCreate(&queue, "q", 0, 1));
    EXPECT_EQ(OSR_INV_ARG, xMsgQCreate(&queue, "q", 4609, 1));
    EXPECT_EQ(OSR_INV_ARG, xMsgQCreate(&queue, "q", 4, 0));
    EXPECT_EQ(OSR_INV_ARG, xMsgQCreate(&queue, "q", 4, 4096));
    EXPECT_EQ(OSR_INV_ARG, xMsgQAttach(&queue, ""));
    EXPECT_EQ(OSR_INV_ARG, xMsgQAttach(nullptr, "q"));

    queue = create("args", 4, 4095);
    EXPECT_EQ(OSR_INV_ARG, xMsgQSend(queue, nullptr, 1, 0));
    EXPECT_EQ(OSR_INV_ARG, xMsgQSend(queue, "x", 0, 0));

    uint16_t index = 0;
    char buffer[4];
    uint32_t size = sizeof(buffer);
    msg_q_t* pair[2] = {queue, queue};
    EXPECT_EQ(OSR_INV_ARG, xMsgQReceive(&index, buffer, &size, &queue, 1, 0));
    EXPECT_EQ(OSR_INV_ARG, xMsgQReceive(&index, buffer, &size, &queue, 1, 3));
    EXPECT_EQ(OSR_INV_ARG, xMsgQReceive(nullptr, buffer, &size, &queue, 1, MSGQ_OPTION_NOWAIT));
    EXPECT_EQ(OSR_INV_ARG, xMsgQReceive(&index, nullptr, &size, &queue, 1, MSGQ_OPTION_NOWAIT));
    EXPECT_EQ(OSR_INV_ARG, xMsgQReceive(&index, buffer, nullptr, &queue, 1, MSGQ_OPTION_NOWAIT));
    EXPECT_EQ(OSR_INV_ARG, xMsgQReceive(&index, buffer, &size, nullptr, 1, MSGQ_OPTION_NOWAIT));
    EXPECT_EQ(OSR_INV_ARG, xMsgQReceive(&index, buffer, &size, &queue, 0, MSGQ_OPTION_NOWAIT));
    EXPECT_EQ(OSR_NOT_SUPPORT, xMsgQReceive(&index, buffer, &size, pair, 2, MSGQ_OPTION_NOWAIT));
    size = 0;
    EXPECT_EQ(OSR_INV_ARG, xMsgQReceive(&index, buffer, &size, &queue, 1, MSGQ_OPTION_NOWAIT));
    EXPECT_EQ(OSR_INV_ARG, xMsgQNumMsgs(queue, nullptr));
    EXPECT_EQ(OSR_INV_ARG, xMsgQGetMaxMsgSize(queue, nullptr));
    EXPECT_EQ(OSR_EINVAL, xMsgQFlush(nullptr));
}

TEST_F(MsgQTest, FlushEmptiesTheQueue)
{
    msg_q_t* queue = create("flush", 4, 3);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(OSR_OK, xMsgQSend(queue, &i, sizeof(i), 0));
    }
    EXPECT_EQ(OSR_OK, xMsgQFlush(queue));
    EXPECT_EQ(0, numMsgs(queue));
    int got = 0;
    uint32_t size = sizeof(got);
    EXPECT_EQ(OSR_NO_MSG, receiveNoWait(queue, &got, &size));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(OSR_OK, xMsgQSend(queue, &i, sizeof(i), 0));
    }
}

TEST_F(MsgQTest, TimedReceiveOnAnEmptyQueueTimesOut)
{
    msg_q_t* queue = create("timeout", 4, 1);
    uint16_t index = 0;
    char buffer[4];
    uint32_t size = sizeof(buffer);
    EXPECT_EQ(OSR_TIMEOUT, xMsgQReceiveTimeout(&index, buffer, &size, &queue, 1, 0));
    const auto start = Clock::now();
    EXPECT_EQ(OSR_TIMEOUT, xMsgQReceiveTimeout(&index, buffer, &size, &queue, 1, 30));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(29));
}

TEST_F(MsgQTest, WaitingReceiversGetMessagesSentFromAnotherThread)
{
    msg_q_t* queue = create("handoff", 64, 2);
    constexpr int kCount = 2000;
    std::thread receiver([queue] {
        for (int i = 0; i < kCount; ++i) {
            uint16_t index = 0;
            int got = -1;
            uint32_t size = sizeof(got);
            const int32_t result = i % 2 == 0 ? xMsgQReceive(&index, &got, &size, &queue, 1, MSGQ_OPTION_WAIT)
                                              : xMsgQReceiveTimeout(&index, &got, &size, &queue, 1, 10000);
            ASSERT_EQ(OSR_OK, result);
            ASSERT_EQ(i, got);
        }
    });
    // Senders never wait, so a full queue is retried after a yield.
    for (int i = 0; i < kCount;) {
        const int32_t result = xMsgQSend(queue, &i, sizeof(i), 0);
        if (result == OSR_TOO_MANY) {
            std::this_thread::yield();
            continue;
        }
        ASSERT_EQ(OSR_OK, result);
        ++i;
    }
    receiver.join();
}

}  // namespace
