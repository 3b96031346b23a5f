// Stream file objects: what the service loop reads input buffer pairs from and writes output
// buffer pairs to. One object per open input stream (0-4) and per open output stream (0-7).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "index_formats/picture_index.h"

namespace ruvent {

class StreamObject {
public:
    virtual ~StreamObject() = default;
    // Fills up to `bytes` at `buffer`; returns what it produced (also kept as LastTransfer()).
    virtual std::uint32_t Read(std::uint8_t* buffer, std::uint32_t bytes) = 0;
    // Takes `bytes` from `buffer` (which it may byte-swap in place). False when the data could
    // not be written (the file could not be created, the disk is full): the caller counts it.
    virtual bool Write(std::uint8_t* buffer, std::uint32_t bytes) = 0;
    // The stream ends without the board's stop (the service loop ended under it, or its writer
    // fell behind for good): at its close the object keeps only what it can account for whole.
    // With `boardReadable` false it reads nothing more from the board's window.
    virtual void EndUnfinished(bool /*boardReadable*/) {}

    std::uint32_t LastTransfer() const { return lastTransfer_; }
    bool loopFlag = false;
    int loopTime = 0;

protected:
    std::uint32_t lastTransfer_ = 0;
};

// Where stream objects meet the board: its window (QueueSlotFlags, AudioRateStep,
// FrameSourceDescriptor, EncoderIndexRing) and, for queued files, its driver name slots.
struct StreamBoard {
    std::uint8_t* window = nullptr;
    std::uint32_t board = 0;
};

inline constexpr std::uint32_t kInputSwapBytes = 1;
inline constexpr std::uint32_t kInputFieldSequential = 2;
inline constexpr std::uint32_t kInputRecordMode = 4;

inline constexpr std::uint32_t kOutputSwapBytes = 1;
inline constexpr std::uint32_t kOutputInterlaced = 2;
inline constexpr std::uint32_t kOutputPictureIndex = 4;

inline constexpr std::uint32_t kAudioSampleBufferBytes = 0x20000;
inline constexpr std::uint32_t kWaveHeaderBytes = 44;
inline constexpr std::uint32_t kInterlacedLineBytes = 2880;
inline constexpr std::uint32_t kInterlacedLines = 480;

// An input file of one stream: end offset, loops, queued follow-on files, byte swap, and for
// stream 3 the audio rate change, for stream 2 in record mode the uncompressed frame sources.
class InputStreamFile final : public StreamObject {
public:
    InputStreamFile(const std::string& name, std::uint64_t end, std::uint64_t start, std::uint32_t flags,
                    const StreamBoard& board, std::uint32_t stream);
    ~InputStreamFile() override;
    std::uint32_t Read(std::uint8_t* buffer, std::uint32_t bytes) override;  // ReadInputStream
    bool Write(std::uint8_t*, std::uint32_t) override { return false; }

    bool Ended() const { return ended_; }
    bool Opened() const { return fd_ >= 0; }
    std::uint32_t ReadInputFile(std::uint8_t* buffer, std::uint32_t bytes);

private:
    bool OpenFile(const std::string& name, std::uint64_t start);
    void CloseFile();
    bool SwitchToQueuedFile();
    std::uint32_t ReadResampled(std::uint8_t* buffer, std::uint32_t bytes);
    std::uint32_t ReadFrameSource(std::uint8_t* buffer, std::uint32_t bytes);
    bool LoadFrame();

    int fd_ = -1;
    std::uint64_t position_ = 0;
    std::uint64_t end_ = 0;  // 0: the whole file
    std::uint32_t flags_ = 0;
    StreamBoard board_;
    std::uint32_t stream_ = 0;
    bool ended_ = false;
    std::uint32_t queueIndex_ = 0;

    // Stream 3: rate change.
    std::vector<std::uint8_t> samples_;
    std::uint32_t samplesHeld_ = 0;
    std::int64_t sampleIndex_ = -1;
    std::uint32_t accumulator_ = 0;

    // Stream 2 in record mode: frame source.
    struct FrameSource {
        std::uint32_t bytesPerLine = 0, lines = 0, skip = 0, type = 0;
        std::vector<std::uint8_t> frame;
        std::uint32_t line = 0, byte = 0;
        bool topToBottom = false;
        bool fieldSequential = false;
        std::string name;  // current file of a numbered sequence
    };
    std::unique_ptr<FrameSource> frames_;
};

// An output file: byte swap, unbuffered writing where alignment allows, and the picture index
// beside a recorded video stream.
class OutputStreamFile final : public StreamObject {
public:
    OutputStreamFile(const std::string& name, std::uint32_t flags, std::uint8_t* window);
    ~OutputStreamFile() override;  // CloseOutputStream
    std::uint32_t Read(std::uint8_t* buffer, std::uint32_t bytes) override;
    bool Write(std::uint8_t* buffer, std::uint32_t bytes) override;  // WriteOutputStream
    // A recorded video stream then ends with its last picture whole in the file: the index takes
    // no picture past the data, and the file is cut after the last picture its index holds.
    void EndUnfinished(bool boardReadable) override;

    std::uint64_t BytesWritten() const { return bytesWritten_; }
    int WriteMode() const { return writeMode_; }
    bool Failed() const { return failed_; }

private:
    bool CreateFile(bool unbuffered);
    bool SetUnbuffered(bool unbuffered);
    bool WriteAll(const std::uint8_t* data, std::uint32_t bytes);
    bool TakeIndexEntries();  // true when the board last left its ring full
    // At the close: also the pictures the board held back until the host made room in its ring.
    void TakeHeldBackEntries();
    // Writes the whole groups whose pictures lie within the first `dataWords` words of the file;
    // `closing` also writes the last group, which may not have ended yet.
    void WriteIndexGroups(std::uint64_t dataWords, bool closing);
    bool AppendGroup(std::size_t count);

    std::string name_;
    std::uint32_t flags_ = 0;
    int fd_ = -1;
    int writeMode_ = 0;  // 0 not yet created, 1 unbuffered, 2 buffered
    bool failed_ = false;
    bool unfinished_ = false;
    bool boardReadable_ = true;
    std::uint64_t bytesWritten_ = 0;
    std::uint64_t readPosition_ = 0;
    std::uint64_t bytesOnDisk_ = 0;  // what the file holds for certain (less than taken after a failure)
    // Picture index. Pictures wait here until the file holds their group: the board reports a
    // picture before the host has written its data, and an index past the data misleads players.
    struct IndexedPicture {
        std::uint64_t group = 0;
        std::uint64_t endWords = 0;  // where the picture's data ends
        index_formats::PictureIndexRecord record;
    };
    std::uint8_t* window_ = nullptr;
    int indexFd_ = -1;
    std::vector<IndexedPicture> pending_;
    std::uint64_t groups_ = 0;
    std::uint64_t groupStartWords_ = 0;
    std::uint64_t runningWords_ = 0;
    std::size_t picturesInGroup_ = 0;
    bool ringWasFull_ = false;  // the board may hold pictures back until the ring has room
    // The group written last carries the last-group mark until another follows, so the index
    // a killed recording leaves behind still ends properly.
    std::vector<index_formats::PictureIndexRecord> lastWritten_;
    std::uint64_t indexBytes_ = 0;
    std::uint64_t indexedEndWords_ = 0;  // where the last picture in the index ends
};

// Decode-to-file of two fields: weaves the lines of two fields (by default 480 field lines of
// 2880 bytes) into one frame and writes whole frames only.
class InterlacedOutput final : public StreamObject {
public:
    explicit InterlacedOutput(const std::string& name, std::uint32_t lineBytes = kInterlacedLineBytes,
                              std::uint32_t lines = kInterlacedLines);
    ~InterlacedOutput() override;
    std::uint32_t Read(std::uint8_t* buffer, std::uint32_t bytes) override;
    bool Write(std::uint8_t* buffer, std::uint32_t bytes) override;  // WriteInterlacedFields

private:
    int fd_ = -1;
    bool failed_ = false;
    std::uint32_t lineBytes_, lines_;
    std::vector<std::uint8_t> frame_;
    std::uint32_t line_ = 0, byte_ = 0;
};

// The frame the decode set-up announced in the frame descriptor (width, height, 0 with "Frame"
// checked): 8-bit 4:2:2 lines of 2 x width bytes. The writer's defaults when it announces none.
void InterlacedGeometry(const std::uint8_t* window, std::uint32_t& lineBytes, std::uint32_t& lines);

// Two objects fed the same data: a name of two files joined by a comma.
class StreamPair final : public StreamObject {
public:
    StreamPair(std::unique_ptr<StreamObject> first, std::unique_ptr<StreamObject> second);
    std::uint32_t Read(std::uint8_t* buffer, std::uint32_t bytes) override;
    bool Write(std::uint8_t* buffer, std::uint32_t bytes) override;
    void EndUnfinished(bool boardReadable) override;

private:
    std::unique_ptr<StreamObject> first_, second_;
};

std::unique_ptr<StreamObject> OpenInputStream(const std::string& name, std::uint64_t end, std::uint64_t start,
                                              std::uint32_t flags, const StreamBoard& board, std::uint32_t stream);
std::unique_ptr<StreamObject> CreateStreamPair(const std::string& name, std::uint32_t flags, std::uint8_t* window);

// Reverses the bytes of each whole 32-bit word; a trailing partial word stays as it is.
void SwapWords(std::uint8_t* data, std::uint32_t bytes);
// The picture index file that goes beside a recorded stream: the name with its extension
// replaced by ".mdb".
std::string PictureIndexName(const std::string& streamName);
// The next file of a numbered sequence: frame0009.tga -> frame0010.tga, frame9 -> frame10.
std::string NextSequenceName(const std::string& name);

}  // namespace ruvent
