// Builds .ux microcode files section by section.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ux {

class UxWriter {
public:
    // Register writes {address, value}, applied in order.
    UxWriter& RegisterList(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& pairs);
    // Single bytes {address, value}.
    UxWriter& ByteList(const std::vector<std::pair<std::uint32_t, std::uint8_t>>& records);
    UxWriter& Pause(std::uint32_t microseconds);
    // Board memory from `address` must hold `bytes` (in board memory order) before loading goes on.
    UxWriter& ReadBack(std::uint32_t address, const std::vector<std::uint8_t>& bytes);
    // Words that land in board memory from `address` as the given values.
    UxWriter& BulkWords(std::uint32_t address, const std::vector<std::uint32_t>& words);
    // Any section as it stands, for files the loader must survive.
    UxWriter& Raw(std::uint8_t type, std::uint8_t flags, std::uint32_t address, const std::vector<std::uint8_t>& payload,
                  std::uint32_t declaredLength);
    UxWriter& Raw(std::uint8_t type, std::uint8_t flags, std::uint32_t address, const std::vector<std::uint8_t>& payload);

    std::size_t SectionCount() const { return sections_; }
    // The whole file; `declaredSections` overrides the count in the header.
    std::vector<std::uint8_t> Bytes() const;
    std::vector<std::uint8_t> Bytes(std::uint32_t declaredSections) const;
    // Writes Bytes() to `path`, put in place only once whole (platform::ReplacingFile).
    bool WriteFile(const std::string& path) const;

private:
    std::vector<std::uint8_t> body_;
    std::uint32_t sections_ = 0;
};

void AppendBig32(std::vector<std::uint8_t>& out, std::uint32_t value);
void AppendLittle32(std::vector<std::uint8_t>& out, std::uint32_t value);

}  // namespace ux
