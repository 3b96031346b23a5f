// A stand-in for the streaming service loop, on a thread of its own: owns the board's command
// channel, takes posted blocks (and, given a window, sends each as a packet to the mailbox),
// and clears first and last flags as the loop would once it has acted on them.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "ruvent/board_driver.h"
#include "ruvent/command_channel.h"

namespace ruvent_testing {

struct TakenBlock {
    std::uint32_t priorityBytes = 0;
    std::uint32_t scheduledBytes = 0;
    std::vector<std::uint32_t> words;
};

class TestServiceLoop {
public:
    // `window` null: blocks are only recorded. `packetBytes` sizes the packets sent.
    TestServiceLoop(std::uint32_t board, ruvent::BoardDriver& driver, std::uint8_t* window = nullptr,
                    std::uint32_t packetBytes = 0x1000);
    ~TestServiceLoop();

    bool Running() const { return channel_ != nullptr; }
    // While false, first and last flags stay set (the loop "has not got there yet").
    void SetClearingFlags(bool clear) { clearing_.store(clear); }
    std::vector<TakenBlock> Blocks() const;
    std::vector<int> SendResults() const;
    std::uint32_t FirstFlagsCleared() const { return firstCleared_.load(); }

private:
    void Run();

    std::uint32_t board_;
    ruvent::BoardDriver& driver_;
    std::uint8_t* window_;
    std::uint32_t packetBytes_;
    std::unique_ptr<ruvent::CommandChannel> channel_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> clearing_{true};
    std::atomic<std::uint32_t> firstCleared_{0};
    mutable std::mutex mutex_;
    std::vector<TakenBlock> blocks_;
    std::vector<int> sendResults_;
    std::thread thread_;
};

}  // namespace ruvent_testing
