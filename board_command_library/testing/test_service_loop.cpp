#include "ruvent_testing/test_service_loop.h"

#include "platform/kernel.h"
#include "ruvent/command_packet.h"

namespace ruvent_testing {

TestServiceLoop::TestServiceLoop(std::uint32_t board, ruvent::BoardDriver& driver, std::uint8_t* window,
                                 std::uint32_t packetBytes)
    : board_(board), driver_(driver), window_(window), packetBytes_(packetBytes),
      channel_(ruvent::CommandChannel::CreateCommandObject(board)) {
    if (channel_) thread_ = std::thread([this] { Run(); });
}

TestServiceLoop::~TestServiceLoop() {
    stop_.store(true);
    if (thread_.joinable()) thread_.join();
}

std::vector<TakenBlock> TestServiceLoop::Blocks() const {
    std::lock_guard lock(mutex_);
    return blocks_;
}

std::vector<int> TestServiceLoop::SendResults() const {
    std::lock_guard lock(mutex_);
    return sendResults_;
}

void TestServiceLoop::Run() {
    while (!stop_.load()) {
        const bool clearing = clearing_.load();
        if (clearing) {
            for (std::uint32_t stream = 0; stream < 16; ++stream) {
                std::uint32_t first = 0;
                driver_.ReadFirstLast(board_, first, stream, 0);
                if (first) {
                    driver_.WriteFirstLast(board_, 0, stream, 0);
                    firstCleared_.fetch_add(1);
                }
            }
        }
        bool took = false;
        if (channel_->CommandBlockPending() != 0) {
            const auto block = channel_->TakeCommandBlock();
            TakenBlock taken{block.priorityBytes, block.scheduledBytes,
                             std::vector<std::uint32_t>(channel_->CommandBlockWords(),
                                                        channel_->CommandBlockWords() +
                                                            (block.priorityBytes + block.scheduledBytes) / 4)};
            if (window_) {
                ruvent::CommandPacket packet(packetBytes_);
                packet.AppendClientCommands(taken.words.data(), block.priorityBytes, block.scheduledBytes);
                const int result = ruvent::SendCommandPacket(packet, window_, board_);
                std::lock_guard lock(mutex_);
                sendResults_.push_back(result);
            }
            channel_->ClearCommandBlock();
            std::lock_guard lock(mutex_);
            blocks_.push_back(std::move(taken));
            took = true;
        }
        // A start leaves with the block it belongs to.
        if (clearing && took) {
            for (std::uint32_t stream = 0; stream < 16; ++stream) {
                std::uint32_t last = 0;
                driver_.ReadFirstLast(board_, last, stream, 1);
                if (last) driver_.WriteFirstLast(board_, 0, stream, 1);
            }
        }
        platform::SleepMs(1);
    }
}

}  // namespace ruvent_testing
