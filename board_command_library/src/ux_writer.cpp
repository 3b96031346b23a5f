#include "ruvent/ux_writer.h"

#include "platform/replacing_file.h"
#include "ruvent/ux_format.h"

namespace ux {

void AppendBig32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void AppendLittle32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift <= 24; shift += 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

UxWriter& UxWriter::Raw(std::uint8_t type, std::uint8_t flags, std::uint32_t address,
                        const std::vector<std::uint8_t>& payload, std::uint32_t declaredLength) {
    body_.push_back(type);
    body_.push_back(flags);
    body_.push_back(0);
    body_.push_back(0);
    AppendLittle32(body_, declaredLength);
    AppendLittle32(body_, address);
    AppendLittle32(body_, 0);
    body_.insert(body_.end(), payload.begin(), payload.end());
    ++sections_;
    return *this;
}

UxWriter& UxWriter::Raw(std::uint8_t type, std::uint8_t flags, std::uint32_t address,
                        const std::vector<std::uint8_t>& payload) {
    return Raw(type, flags, address, payload, static_cast<std::uint32_t>(payload.size()));
}

UxWriter& UxWriter::RegisterList(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& pairs) {
    std::vector<std::uint8_t> payload;
    for (const auto& [address, value] : pairs) {
        AppendBig32(payload, address);
        AppendBig32(payload, value);
    }
    return Raw(kWordData, kListFlag, 0, payload);
}

UxWriter& UxWriter::ByteList(const std::vector<std::pair<std::uint32_t, std::uint8_t>>& records) {
    std::vector<std::uint8_t> payload;
    for (const auto& [address, value] : records) {
        AppendBig32(payload, address);
        payload.push_back(value);
    }
    return Raw(kByteData, kListFlag, 0, payload);
}

UxWriter& UxWriter::Pause(std::uint32_t microseconds) {
    std::vector<std::uint8_t> payload;
    AppendBig32(payload, microseconds);
    return Raw(kWordData, kListFlag | kReadBackFlag, 0, payload);
}

UxWriter& UxWriter::ReadBack(std::uint32_t address, const std::vector<std::uint8_t>& bytes) {
    return Raw(kWordData, kReadBackFlag, address, bytes);
}

UxWriter& UxWriter::BulkWords(std::uint32_t address, const std::vector<std::uint32_t>& words) {
    std::vector<std::uint8_t> payload;
    for (std::uint32_t word : words) AppendBig32(payload, word);
    return Raw(kWordData, 0, address, payload);
}

std::vector<std::uint8_t> UxWriter::Bytes() const { return Bytes(sections_); }

std::vector<std::uint8_t> UxWriter::Bytes(std::uint32_t declaredSections) const {
    std::vector<std::uint8_t> file(kMagic, kMagic + 4);
    AppendLittle32(file, declaredSections);
    AppendLittle32(file, 0);
    file.insert(file.end(), body_.begin(), body_.end());
    return file;
}

bool UxWriter::WriteFile(const std::string& path) const {
    const std::vector<std::uint8_t> bytes = Bytes();
    platform::ReplacingFile out;
    return out.Open(path) && out.Write(bytes.data(), bytes.size()) && out.Commit();
}

}  // namespace ux
