// The board's driver interface library. Every operation takes the board (0 first, 1 second) first
// and returns QRDDSTATUS, 0 for success. The library keeps one DriverRegisterFile per board in
// shared memory, so a word written by any caller in any process is what every later reader sees.
// Host addresses are 64-bit.
#pragma once

#include <cstdint>

using QRDDSTATUS = std::uint32_t;

inline constexpr QRDDSTATUS kQrddOk = 0;
inline constexpr QRDDSTATUS kQrddNoBoard = 1;      // no software board serves this board
inline constexpr QRDDSTATUS kQrddBadArgument = 2;  // board index, address or slot out of range

// Maps the BoardWindow. Returns kQrddNoBoard when the board is not present.
QRDDSTATUS qrddMapMemory(std::uint32_t board, std::uint32_t& physical, std::uint64_t& host);

QRDDSTATUS qrddReadInt32(std::uint32_t board, std::uint32_t address, std::uint32_t& value);
QRDDSTATUS qrddWriteInt32(std::uint32_t board, std::uint32_t address, std::uint32_t value);
QRDDSTATUS qrddReadBlk_ioctl(std::uint32_t board, std::uint32_t address, char* buffer, std::uint32_t bytes);
QRDDSTATUS qrddWriteBlk_ioctl(std::uint32_t board, std::uint32_t address, const char* buffer,
                              std::uint32_t bytes);

// {host base of the BoardWindow, packet size, host address of the StreamProgressTable}.
QRDDSTATUS qrddSetDeviceContext(std::uint32_t board, const std::uint64_t* words);
QRDDSTATUS qrddGetDeviceContext(std::uint32_t board, std::uint64_t* words);

// The named auto-reset event ("QRInterrupt0") the board sets at each interrupt; names are taken
// as platform::NamedEvent names, so every process can open the same event.
QRDDSTATUS qrddSendEventHandle(std::uint32_t board, const char* eventName);

QRDDSTATUS qrddWriteSizeArray(std::uint32_t board, std::uint32_t size, std::uint32_t index);
QRDDSTATUS qrddReadSizeArray(std::uint32_t board, std::uint32_t& size, std::uint32_t index);

// Per-stream request word: 0 none, 10 open (protocol A), 11 open (protocol B), 12 stop.
QRDDSTATUS qrddWriteSemaphore(std::uint32_t board, std::uint32_t code, std::uint32_t direction,
                              std::uint32_t stream);
QRDDSTATUS qrddReadSemaphore(std::uint32_t board, std::uint32_t& code, std::uint32_t direction,
                             std::uint32_t stream);

QRDDSTATUS qrddWriteSharedMem(std::uint32_t board, std::uint32_t value, std::uint32_t index);
QRDDSTATUS qrddReadSharedMem(std::uint32_t board, std::uint32_t& value, std::uint32_t index);

QRDDSTATUS qrddWriteLoopFlag(std::uint32_t board, std::uint32_t on, std::uint32_t stream);
QRDDSTATUS qrddReadLoopFlag(std::uint32_t board, std::uint32_t& on, std::uint32_t stream);
QRDDSTATUS qrddWriteLoopTime(std::uint32_t board, int passes, std::uint32_t stream);
QRDDSTATUS qrddReadLoopTime(std::uint32_t board, int& passes, std::uint32_t stream);

// which: 0 first, 1 last.
QRDDSTATUS qrddWriteFirstLast(std::uint32_t board, std::uint32_t value, std::uint32_t stream,
                              std::uint32_t which);
QRDDSTATUS qrddReadFirstLast(std::uint32_t board, std::uint32_t& value, std::uint32_t stream,
                             std::uint32_t which);

// Name slots hold up to kQrddNameMax - 1 characters (the longest path the panels take); longer
// names are cut. Readers pass a buffer of at least kQrddNameMax bytes.
inline constexpr std::uint32_t kQrddNameMax = 260;
inline constexpr std::uint32_t kQrddInputSlots = 16;
inline constexpr std::uint32_t kQrddOutputSlots = 8;
inline constexpr std::uint32_t kQrddStreams = 16;
inline constexpr std::uint32_t kQrddSharedWords = 32;
inline constexpr std::uint32_t kQrddSizeEntries = 20;

QRDDSTATUS qrddWriteInputFilename(std::uint32_t board, const char* name, std::uint32_t slot);
QRDDSTATUS qrddReadInputFilename(std::uint32_t board, char* name, std::uint32_t slot);
QRDDSTATUS qrddWriteInputFilenameOffset(std::uint32_t board, std::uint32_t endHigh, std::uint32_t endLow,
                                        std::uint32_t startHigh, std::uint32_t startLow, std::uint32_t slot);
QRDDSTATUS qrddReadInputFilenameOffset(std::uint32_t board, std::uint32_t& endHigh, std::uint32_t& endLow,
                                       std::uint32_t& startHigh, std::uint32_t& startLow, std::uint32_t slot);
// Input flags: 1 byte swap, 2 field-sequential.
QRDDSTATUS qrddWriteInputFilenameReverse(std::uint32_t board, std::uint32_t flags, std::uint32_t slot);
QRDDSTATUS qrddReadInputFilenameReverse(std::uint32_t board, std::uint32_t& flags, std::uint32_t slot);

QRDDSTATUS qrddWriteOutputFilename(std::uint32_t board, const char* name, std::uint32_t stream);
QRDDSTATUS qrddReadOutputFilename(std::uint32_t board, char* name, std::uint32_t stream);
// Output flags: 1 swap, 2 interlacing writer, 4 picture index, board << 3.
QRDDSTATUS qrddWriteOutputFilenameReverse(std::uint32_t board, std::uint32_t flags, std::uint32_t stream);
QRDDSTATUS qrddReadOutputFilenameReverse(std::uint32_t board, std::uint32_t& flags, std::uint32_t stream);

// The device handle; the service loop closes it (sets it to null) when it ends. The library does
// not depend on it: later calls work whatever it holds.
extern void* hQR;
