#include "alpha_encoder.h"

#include <algorithm>

namespace alpha_stream {

namespace {

// A run code's length byte counts 16 units, up to 255 of them.
constexpr std::uint64_t kLongRunUnits = 4080;
constexpr std::uint64_t kSamplesPerCode = 60;
constexpr std::uint64_t kDataBytesPerCode = 15;

std::uint8_t RunBase(const AlphaSegment& s) {
    switch (s.type) {
    case kRunVideo0: return 0x00;
    case kRunVideo1: return 0x10;
    default: return static_cast<std::uint8_t>(0x40 | (s.value & 3) << 4);
    }
}

std::uint8_t DataCode(const AlphaSegment& s, std::uint32_t low) {
    return static_cast<std::uint8_t>(0x80 | (s.a & 1) << 6 | (s.b & 1) << 5 | low);
}

// Units and code bytes of one segment; false when the segment is not valid.
bool Measure(const AlphaSegment& s, std::uint64_t& units, std::uint64_t& bytes) {
    const std::uint64_t n = s.count;
    switch (s.type) {
    case kRunVideo0:
    case kRunVideo1:
    case kRunSelector:
        if (n == 0 || (s.type == kRunSelector && s.value > 3)) return false;
        units += n;
        bytes += 2 * (n / kLongRunUnits) + (n % kLongRunUnits >= 16 ? 2 : 0) + (n % 16 != 0 ? 1 : 0);
        return true;
    case kExplicitSamples:
        if (n == 0 || n % 4 != 0 || s.samples.size() < n) return false;
        for (std::uint64_t i = 0; i < n; ++i)
            if (s.samples[i] > 3) return false;
        units += n;
        bytes += (n + kSamplesPerCode - 1) / kSamplesPerCode + n / 4;
        return true;
    case kDataOrControl:
        if (!s.HasData) {
            units += 1;
            bytes += 1;
            return true;
        }
        if (n == 0 || s.data.size() < n) return false;
        units += n;
        bytes += (n + kDataBytesPerCode - 1) / kDataBytesPerCode + n;
        return true;
    default: return false;
    }
}

void Emit(const AlphaSegment& s, std::vector<std::uint8_t>& out) {
    const std::uint64_t n = s.count;
    switch (s.type) {
    case kRunVideo0:
    case kRunVideo1:
    case kRunSelector: {
        const std::uint8_t base = RunBase(s);
        for (std::uint64_t i = 0; i < n / kLongRunUnits; ++i) out.insert(out.end(), {base, 0xFF});
        const std::uint64_t rest = n % kLongRunUnits;
        if (rest >= 16) out.insert(out.end(), {base, static_cast<std::uint8_t>(rest >> 4)});
        if (n % 16 != 0) out.push_back(static_cast<std::uint8_t>(base | n % 16));
        break;
    }
    case kExplicitSamples:
        for (std::uint64_t at = 0; at < n; at += kSamplesPerCode) {
            const std::uint64_t take = std::min(kSamplesPerCode, n - at);
            out.push_back(static_cast<std::uint8_t>(0x20 | take / 4));
            const std::size_t from = out.size();
            out.resize(from + take / 4);
            PackTwoBitSamples(s.samples.data() + at, take, out.data() + from);
        }
        break;
    case kDataOrControl:
        if (!s.HasData) {
            out.push_back(DataCode(s, (s.count >> 4) & 0x0F));
            break;
        }
        for (std::uint64_t at = 0; at < n; at += kDataBytesPerCode) {
            const std::uint64_t take = std::min(kDataBytesPerCode, n - at);
            out.push_back(DataCode(s, 0x10 | static_cast<std::uint32_t>(take)));
            out.insert(out.end(), s.data.begin() + static_cast<std::ptrdiff_t>(at),
                       s.data.begin() + static_cast<std::ptrdiff_t>(at + take));
        }
        break;
    }
}

bool WriteAll(std::FILE* file, const void* data, std::size_t size) {
    if (file == nullptr) return false;
    if (std::ferror(file)) {
        std::clearerr(file);
        return false;
    }
    if (size != 0 && std::fwrite(data, 1, size, file) != size) {
        std::clearerr(file);
        return false;
    }
    return true;
}

}  // namespace

AlphaSegmentList::~AlphaSegmentList() { ClearAlphaSegments(*this); }

AlphaSegmentList& AlphaSegmentList::operator=(AlphaSegmentList&& other) noexcept {
    if (this != &other) {
        ClearAlphaSegments(*this);
        head = other.head;
        tail = other.tail;
        other.head = other.tail = nullptr;
    }
    return *this;
}

AlphaSegment* NewAlphaSegment() { return new AlphaSegment(); }

AlphaSegment* AppendAlphaSegment(AlphaSegmentList& list) {
    if ((list.head == nullptr) != (list.tail == nullptr)) return nullptr;
    if (list.tail != nullptr && list.tail->next != nullptr) return nullptr;
    AlphaSegment* segment = NewAlphaSegment();
    if (list.tail == nullptr)
        list.head = segment;
    else
        list.tail->next = segment;
    list.tail = segment;
    return segment;
}

void FreeAlphaSegment(AlphaSegment* segment) { delete segment; }

void ClearAlphaSegments(AlphaSegmentList& list) {
    // Iteratively: a band of a fine dissolve holds thousands of segments.
    for (AlphaSegment* s = list.head; s != nullptr;) {
        AlphaSegment* next = s->next;
        FreeAlphaSegment(s);
        s = next;
    }
    list.head = list.tail = nullptr;
}

std::size_t WriteBigEndian32(std::FILE* file, std::uint32_t value) {
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
                                   static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
    return WriteAll(file, bytes, 4) ? 4 : 0;
}

std::size_t WriteAlphaHeader(const AlphaFrameHeader& h, std::FILE* file) {
    if (h.marker != kAlphaMarker || h.Width == 0 || h.Height == 0 || h.flag == 0) return 0;
    std::vector<std::uint32_t> words = {h.marker, h.FrameLength, h.LumaTableOffset, h.ChromaTableOffset,
                                        h.Width,  h.Height,      h.flag,            h.reserved};
    for (const MixEntry& e : h.mix) words.insert(words.end(), {e.word1, e.word2});
    words.push_back(h.trailer);
    for (std::uint32_t w : words)
        if (WriteBigEndian32(file, w) != 4) return 0;
    return kAlphaHeaderBytes;
}

std::size_t WriteAlphaOffsetTable(std::span<const std::uint32_t> entries, std::uint32_t height, std::FILE* file) {
    if (height == 0 || height % kLinesPerBand != 0) return 0;
    const std::uint32_t bands = BandsOf(height);
    if (entries.size() < bands) return 0;
    for (std::uint32_t b = 0; b < bands; ++b)
        if (entries[b] < 4 * bands) return 0;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(4 * bands);
    for (std::uint32_t b = 0; b < bands; ++b)
        for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<std::uint8_t>(entries[b] >> shift));
    return WriteAll(file, bytes.data(), bytes.size()) ? bytes.size() : 0;
}

std::optional<std::size_t> AlphaFieldCodeSize(const AlphaSegmentList& list, std::uint32_t width, bool luma) {
    if (list.head == nullptr) return std::nullopt;
    std::uint64_t units = 0;
    std::uint64_t bytes = 0;
    for (const AlphaSegment* s = list.head; s != nullptr; s = s->next)
        if (!Measure(*s, units, bytes)) return std::nullopt;
    const std::uint64_t wanted =
        std::uint64_t{width} * (luma ? kLumaUnitsPerPixelColumn : kChromaUnitsPerPixelColumn);
    if (width == 0 || units != wanted) return std::nullopt;
    return static_cast<std::size_t>(bytes);
}

std::optional<std::vector<std::uint8_t>> EncodeAlphaField(const AlphaSegmentList& list, std::uint32_t width,
                                                          bool luma) {
    const auto size = AlphaFieldCodeSize(list, width, luma);
    if (!size) return std::nullopt;
    std::vector<std::uint8_t> code;
    code.reserve(*size);
    for (const AlphaSegment* s = list.head; s != nullptr; s = s->next) Emit(*s, code);
    return code;
}

std::size_t WriteAlphaField(const AlphaSegmentList& list, std::uint32_t width, bool luma, std::FILE* file) {
    const auto code = EncodeAlphaField(list, width, luma);
    if (!code || !WriteAll(file, code->data(), code->size())) return 0;
    return code->size();
}

void PackTwoBitSamples(const std::uint8_t* samples, std::size_t count, std::uint8_t* out) {
    for (std::size_t i = 0; i + 4 <= count; i += 4)
        out[i / 4] = static_cast<std::uint8_t>((samples[i] & 3) << 6 | (samples[i + 1] & 3) << 4 |
                                               (samples[i + 2] & 3) << 2 | (samples[i + 3] & 3));
}

}  // namespace alpha_stream
