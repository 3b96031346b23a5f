// Streaming throughput of the service loop with the software board in this process, running as
// fast as possible: a file played to the board and a recording written to a file, each against
// `cat file > /dev/null` measured in the same run; then the loop's CPU time at real-time pace
// with four inputs at 50 Mbit/s.
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/kernel.h"
#include "ruvent/ruvent.h"
#include "ruvent/service_loop.h"
#include "ruvent/stream_end_wait.h"
#include "softboard/soft_board.h"
#include "softboard/streaming.h"
#include "tessolk/tessolk.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint64_t kMiB = 1 << 20;

// Stream buffers of 14 MiB (pairs of 1.75 MiB) for the fast runs; the control application's own
// lists for the real-time run.
const char* const kFastPlayback =
    "-s 0x1000 0x1000 0x400 0x400 0xE00000 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0";
const char* const kFastRecord = "-s 0x400 0x400 0x400 0x400 0 0 0 0 0 0 0 0 0xE00000 0 0 0 0 0 0 0";
// What the loop writes at a time while recording: one pair of the area above. The disk's anchor
// writes blocks of the same size.
constexpr std::uint64_t kRecordPairBytes = 0xE00000 / 8;
const char* const kRealTimePlayback =
    "-s 0x1000 0x1000 0x400 0x400 0x100000 0x100000 0x100000 0x100000 0 0 0 0 0 0 0 0 0x800 0x100000 0x200000 0xbdc0";

int CallExport(int (*function)(int, char**), const std::string& line) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t end = line.find(' ', at);
        const std::string word = line.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (!word.empty()) words.push_back(word);
        if (end == std::string::npos) break;
        at = end + 1;
    }
    std::vector<char*> argv;
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    return function(static_cast<int>(words.size()), argv.data());
}

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

double CpuSeconds(std::thread& thread) {
    clockid_t clock;
    timespec spent{};
    if (pthread_getcpuclockid(thread.native_handle(), &clock) != 0 || clock_gettime(clock, &spent) != 0) return -1;
    return spent.tv_sec + spent.tv_nsec / 1e9;
}

class Bench {
public:
    explicit Bench(int periodMs) {
        softboard::SoftBoardOptions options;
        options.interruptPeriodMs = periodMs;
        board_ = softboard::SoftBoard::Create(options);
        if (!board_) {
            std::fprintf(stderr, "cannot create the software board\n");
            std::exit(2);
        }
    }
    ~Bench() {
        if (loop_.joinable()) {
            CallExport(mquit, "mquit");
            loop_.join();
        }
        stop_.store(true);
        if (stepper_.joinable()) stepper_.join();
    }
    softboard::BoardStreaming& Streams() { return board_->Streaming(); }
    void Start(const std::string& sizes) {
        stepper_ = std::thread([this] {
            while (!stop_.load()) {
                board_->Step(platform::PerformanceCounter());
                platform::SleepUs(50);
            }
        });
        const std::uint64_t rounds = ruvent::ServiceLoopRounds();
        loop_ = std::thread([sizes, this] { result_ = CallExport(mdaemon, "mdaemon -start -nc " + sizes); });
        while (ruvent::ServiceLoopRounds() == rounds) platform::SleepMs(1);
    }
    double LoopCpuSeconds() { return CpuSeconds(loop_); }
    double BoardCpuSeconds() { return CpuSeconds(stepper_); }

private:
    std::unique_ptr<softboard::SoftBoard> board_;
    std::atomic<bool> stop_{false};
    std::thread stepper_, loop_;
    int result_ = 0;
};

bool MakeFile(const std::string& path, std::uint64_t bytes) {
    std::ofstream out(path, std::ios::binary);
    std::vector<char> block(8 * kMiB);
    std::uint64_t x = 88172645463325252ull;
    for (std::uint64_t done = 0; done < bytes; done += block.size()) {
        for (std::size_t i = 0; i < block.size(); i += 8) {
            x ^= x << 13, x ^= x >> 7, x ^= x << 17;
            std::memcpy(block.data() + i, &x, 8);
        }
        out.write(block.data(), static_cast<std::streamsize>(std::min<std::uint64_t>(block.size(), bytes - done)));
    }
    return static_cast<bool>(out);
}

std::uint64_t FileChecksum(const std::string& path, std::uint64_t* size) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> block(8 * kMiB);
    softboard::RunningChecksum sum;
    *size = 0;
    while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
        sum.Add(reinterpret_cast<const std::uint8_t*>(block.data()), static_cast<std::size_t>(in.gcount()));
        *size += static_cast<std::uint64_t>(in.gcount());
    }
    return sum.Value();
}

}  // namespace

int main(int argc, char* argv[]) {
    const std::uint64_t mib = argc > 1 ? std::strtoull(argv[1], nullptr, 0) : 1024;
    const int realTimeSeconds = argc > 2 ? std::atoi(argv[2]) : 5;
    const std::uint64_t bytes = mib * kMiB;
    const std::string prefix = "boardbench" + std::to_string(getpid()) + "_";
    setenv("VELMAR_NAME_PREFIX", prefix.c_str(), 1);
    char dirTemplate[] = "/var/tmp/board-streaming-XXXXXX";
    if (!mkdtemp(dirTemplate)) return 2;
    const std::string dir = dirTemplate;
    const std::string source = dir + "/source.bin", recorded = dir + "/recorded.bin";
    if (!MakeFile(source, bytes)) return 2;
    std::uint64_t size = 0;
    const std::uint64_t sourceSum = FileChecksum(source, &size);

    // The anchor: reading the same file with cat, page cache as warm as for the loop.
    auto catStart = Clock::now();
    if (std::system(("cat " + source + " > /dev/null").c_str()) != 0) return 2;
    const double catSeconds = Seconds(catStart);
    const double catRate = bytes / kMiB / catSeconds;

    double playRate = 0, recordRate = 0, playLoopRate = 0, playBoardRate = 0;
    bool playExact = false, recordExact = false;
    {
        Bench bench(1);
        bench.Streams().SetInput(0, {0, "", true});
        bench.Start(kFastPlayback);
        const double loopBefore = bench.LoopCpuSeconds(), boardBefore = bench.BoardCpuSeconds();
        auto start = Clock::now();
        CallExport(mwcmd, "mwcmd -i0B -O 0 " + std::to_string(bytes) + " 0 0 " + source);
        while (bench.Streams().InputBytes(0) < bytes) platform::SleepUs(200);
        playRate = bytes / kMiB / Seconds(start);
        // The loop and the board take turns (the board consumes at its interrupt, the loop refills
        // after it), so each one's own rate is the bytes over its thread's CPU time.
        playLoopRate = bytes / kMiB / (bench.LoopCpuSeconds() - loopBefore);
        playBoardRate = bytes / kMiB / (bench.BoardCpuSeconds() - boardBefore);
        platform::SleepMs(50);
        playExact = bench.Streams().InputBytes(0) == bytes && bench.Streams().InputChecksum(0) == sourceSum;
    }
    {
        Bench bench(1);
        softboard::OutputStreaming out;
        out.sourceClip = dir + "/clip.bin";
        MakeFile(out.sourceClip, 48 * kMiB + 4096);
        out.limitBytes = bytes;
        out.hostPaced = true;
        bench.Streams().SetOutput(0, out);
        bench.Start(kFastRecord);
        auto start = Clock::now();
        CallExport(mwcmd, "mwcmd -o0B " + recorded);
        while (bench.Streams().OutputBytes(0) < bytes) platform::SleepUs(200);
        // As the control application does, stop once the board's counts have settled (a few
        // interrupts; not counted), then wait until the loop has written the end and closed.
        constexpr int kSettleMs = 20;
        platform::SleepMs(kSettleMs);
        CallExport(mwcmd, "mwcmd -U0");
        ruvent::WaitForOutputStreamEnd(0, 0);
        recordRate = bytes / kMiB / (Seconds(start) - kSettleMs / 1000.0);
        std::uint64_t recordedSize = 0;
        recordExact = FileChecksum(recorded, &recordedSize) == bench.Streams().OutputChecksum(0) &&
                      recordedSize == bytes;
    }
    // A second anchor for the recording, which is written unbuffered: the disk's own direct rate,
    // right after the recording, as the disk's speed drifts with what else runs.
    auto ddStart = Clock::now();
    const std::string dd = "dd if=" + source + " of=" + dir + "/dd.bin bs=" + std::to_string(kRecordPairBytes) +
                           " oflag=direct status=none";
    const double ddRate = std::system(dd.c_str()) == 0 ? bytes / kMiB / Seconds(ddStart) : 0;
    double cpuPerSecond = 0;
    {
        // Four inputs at 50 Mbit/s, one interrupt every 20 ms: 125,000 bytes per interrupt each.
        Bench bench(20);
        for (std::uint32_t s = 0; s < 4; ++s) bench.Streams().SetInput(s, {125000, ""});
        bench.Start(kRealTimePlayback);
        for (int s = 0; s < 4; ++s) CallExport(mwcmd, "mwcmd -i" + std::to_string(s) + "B " + source);
        const double cpuBefore = bench.LoopCpuSeconds();
        auto start = Clock::now();
        platform::SleepMs(realTimeSeconds * 1000);
        cpuPerSecond = (bench.LoopCpuSeconds() - cpuBefore) / Seconds(start);
    }
    std::remove((dir + "/dd.bin").c_str());
    std::remove(source.c_str());
    std::remove(recorded.c_str());
    std::remove((dir + "/clip.bin").c_str());
    std::remove((dir + "/recorded.mdb").c_str());
    rmdir(dir.c_str());

    std::printf("bytes: %llu\n", static_cast<unsigned long long>(bytes));
    std::printf("cat_MBps: %.1f\n", catRate);
    std::printf("play_MBps: %.1f\n", playRate);
    std::printf("play_ratio_to_cat: %.2f\n", playRate / catRate);
    std::printf("play_every_byte: %s\n", playExact ? "yes" : "NO");
    std::printf("play_loop_only_MBps: %.1f\n", playLoopRate);
    std::printf("play_loop_only_ratio_to_cat: %.2f\n", playLoopRate / catRate);
    std::printf("play_board_only_MBps: %.1f\n", playBoardRate);
    std::printf("record_MBps: %.1f\n", recordRate);
    std::printf("record_ratio_to_cat: %.2f\n", recordRate / catRate);
    std::printf("dd_block_bytes: %llu\n", static_cast<unsigned long long>(kRecordPairBytes));
    std::printf("dd_direct_write_MBps: %.1f\n", ddRate);
    std::printf("record_ratio_to_dd_direct: %.2f\n", ddRate > 0 ? recordRate / ddRate : 0);
    std::printf("record_every_byte: %s\n", recordExact ? "yes" : "NO");
    std::printf("loop_cpu_ms_per_s_4x50Mbit: %.2f\n", cpuPerSecond * 1000);
    return playExact && recordExact ? 0 : 1;
}
