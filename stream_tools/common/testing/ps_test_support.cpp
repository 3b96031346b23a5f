#include "ps_testing/ps_test_support.h"

#include <fstream>
#include <iterator>
#include <sstream>

#include "ps_common/program_stream.h"
#include "start_codes/start_codes.h"
#include "velmar_testing/test_support.h"

namespace ps_testing {

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

bool Ffmpeg(const std::string& args) {
    return velmar_testing::RunCommand("ffmpeg -nostdin -hide_banner -loglevel error -y " + args +
                                      " >/dev/null 2>&1") == 0;
}

namespace {
bool Exists(const std::string& path) { return std::ifstream(path).good(); }
}  // namespace

std::string MakeMpeg2Video(const std::string& dir, int seconds, const std::string& extra) {
    const std::string path = dir + "/v2_" + std::to_string(seconds) + std::to_string(std::hash<std::string>{}(extra)) + ".m2v";
    if (!Exists(path))
        Ffmpeg("-f lavfi -i testsrc=size=352x288:rate=25 -t " + std::to_string(seconds) +
               " -c:v mpeg2video -b:v 2M -minrate 2M -maxrate 2M -bufsize 1835k -g 12 -bf 2 " + extra +
               " -f mpeg2video " + path);
    return path;
}

std::string MakeMpeg1Video(const std::string& dir, int seconds) {
    const std::string path = dir + "/v1_" + std::to_string(seconds) + ".m1v";
    if (!Exists(path))
        Ffmpeg("-f lavfi -i testsrc=size=352x240:rate=30000/1001 -t " + std::to_string(seconds) +
               " -c:v mpeg1video -b:v 1500k -minrate 1500k -maxrate 1500k -bufsize 327680 -g 15 -bf 2"
               " -f mpeg1video " + path);
    return path;
}

std::string MakeVariableRateVideo(const std::string& dir, bool mpeg2, int seconds) {
    const std::string path = dir + "/vbr" + (mpeg2 ? "2_" : "1_") + std::to_string(seconds) + (mpeg2 ? ".m2v" : ".m1v");
    const std::string codec = mpeg2 ? "mpeg2video" : "mpeg1video";
    if (!Exists(path))
        Ffmpeg("-f lavfi -i testsrc=size=352x288:rate=25 -t " + std::to_string(seconds) + " -c:v " + codec +
               " -f " + codec + " " + path);
    return path;
}

std::string MakeMpegAudio(const std::string& dir, const std::string& codec, int rate, int kbps, int seconds) {
    const std::string ext = codec == "mp2" ? "mp2" : "mp3";
    const std::string path = dir + "/a_" + codec + "_" + std::to_string(rate) + "_" + std::to_string(kbps) + "_" +
                             std::to_string(seconds) + "." + ext;
    if (!Exists(path))
        Ffmpeg("-f lavfi -i sine=frequency=440:sample_rate=" + std::to_string(rate) + " -t " +
               std::to_string(seconds) + " -ac 2 -c:a " + codec + " -b:a " + std::to_string(kbps) +
               "k -write_xing 0 -id3v2_version 0 -f " + ext + " " + path);
    return path;
}

std::vector<std::uint8_t> AlignStartCodes(const std::vector<std::uint8_t>& es) {
    std::vector<std::uint8_t> out;
    out.reserve(es.size() + es.size() / 64);
    for (std::size_t i = 0; i < es.size(); ++i) {
        if (i + 3 < es.size() && es[i] == 0 && es[i + 1] == 0 && es[i + 2] == 1) {
            while (out.size() % 4 != 0) out.push_back(0);
        }
        out.push_back(es[i]);
    }
    return out;
}

void BitWriter::Put(std::uint32_t value, int bits) {
    for (int b = bits - 1; b >= 0; --b) {
        if (used_ == 8) {
            bytes_.push_back(0);
            used_ = 0;
        }
        if ((value >> b) & 1) bytes_.back() |= std::uint8_t(0x80 >> used_);
        ++used_;
    }
}

PsReadResult ReadProgramStream(const std::vector<std::uint8_t>& ps) {
    PsReadResult r;
    std::size_t pos = 0;
    PsPacket pack;
    auto need = [&](std::size_t n) { return pos + n <= ps.size(); };
    while (need(4)) {
        const std::uint32_t code = ps::ReadBe32(&ps[pos]);
        if (code == start_codes::BigEndianWord(start_codes::kProgramEnd)) {
            r.endCode = true;
            pos += 4;
            break;
        }
        if (code == start_codes::BigEndianWord(start_codes::kPack)) {
            if (!need(14)) return r.error = "short pack header", r;
            pack.packOffset = pos;
            if ((ps[pos + 4] & 0xC0) == 0x40) {
                pack.version = 2;
                const std::uint8_t* p = &ps[pos + 4];
                pack.scr = std::uint64_t((p[0] >> 3) & 7) << 30 | std::uint64_t(p[0] & 3) << 28 |
                           std::uint64_t(p[1]) << 20 | std::uint64_t(p[2] >> 3) << 15 |
                           std::uint64_t(p[2] & 3) << 13 | std::uint64_t(p[3]) << 5 | (p[4] >> 3);
                pack.muxRate = std::uint32_t(p[6]) << 14 | std::uint32_t(p[7]) << 6 | p[8] >> 2;
                pos += 14 + (ps[pos + 13] & 7);
            } else {
                pack.version = 1;
                pack.scr = ps::ReadTimeStamp(&ps[pos + 4]);
                pack.muxRate = std::uint32_t(ps[pos + 9] & 0x7F) << 15 | std::uint32_t(ps[pos + 10]) << 7 |
                               ps[pos + 11] >> 1;
                pos += 12;
            }
            continue;
        }
        if ((code >> 8) != 1 || !need(6)) return r.error = "no start code at " + std::to_string(pos), r;
        PsPacket p = pack;
        p.streamId = std::uint8_t(code);
        p.offset = pos;
        const std::size_t length = ps::ReadBe16(&ps[pos + 4]);
        if (!need(6 + length)) return r.error = "short packet at " + std::to_string(pos), r;
        std::size_t h = 6;
        if (p.streamId == start_codes::kSystemHeader) {
            pos += 6 + length;
            continue;
        }
        if (!ps::HasNoPesHeader(p.streamId)) {
            if (p.version == 2) {
                const std::uint8_t flags = ps[pos + 7];
                if (flags & 0x80) p.hasPts = true, p.pts = ps::ReadTimeStamp(&ps[pos + 9]);
                if ((flags & 0xC0) == 0xC0) p.hasDts = true, p.dts = ps::ReadTimeStamp(&ps[pos + 14]);
                h = 9 + ps[pos + 8];
            } else {
                while (h < 6 + length && ps[pos + h] == 0xFF) ++h;
                if ((ps[pos + h] & 0xC0) == 0x40) h += 2;
                if ((ps[pos + h] & 0xF0) == 0x20) {
                    p.hasPts = true, p.pts = ps::ReadTimeStamp(&ps[pos + h]);
                    h += 5;
                } else if ((ps[pos + h] & 0xF0) == 0x30) {
                    p.hasPts = p.hasDts = true;
                    p.pts = ps::ReadTimeStamp(&ps[pos + h]);
                    p.dts = ps::ReadTimeStamp(&ps[pos + h + 5]);
                    h += 10;
                } else {
                    h += 1;
                }
            }
        }
        p.headerBytes = h;
        p.payloadBytes = 6 + length - h;
        r.packets.push_back(p);
        pos += 6 + length;
    }
    if (!r.endCode && pos != ps.size()) r.error = "trailing bytes";
    return r;
}

std::vector<std::uint8_t> StreamPayload(const std::vector<std::uint8_t>& ps, const PsReadResult& read,
                                        std::uint8_t id) {
    std::vector<std::uint8_t> out;
    for (const auto& p : read.packets)
        if (p.streamId == id)
            out.insert(out.end(), ps.begin() + std::ptrdiff_t(p.offset + p.headerBytes),
                       ps.begin() + std::ptrdiff_t(p.offset + p.headerBytes + p.payloadBytes));
    return out;
}

}  // namespace ps_testing
