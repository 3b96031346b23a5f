// Writes the clips the playback panel needs by name:
//   mpeg/black1.mpg, mpeg/black1.mdb        black NTSC parking clip and its picture index
//   mpeg/black1pal.mpg, mpeg/black1pal.mdb  the PAL one
//   mpeg/framecut1.alp                       the cut: one alpha frame (720 x 480, 320 bytes) that
//                                            shows video 1 only, the state a transition ends in
#include <cstdio>
#include <filesystem>
#include <vector>

#include "alpha_stream/alpha_generators.h"
#include "black_clip.h"
#include "index_formats/picture_index.h"
#include "platform/replacing_file.h"

namespace {

// Put in place only once whole: a failed run leaves the file that was there.
bool WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    platform::ReplacingFile out;
    return out.Open(path.string()) && out.Write(bytes.data(), bytes.size()) && out.Commit();
}

std::vector<index_formats::PictureIndexRecord> IndexOf(const BlackClip& clip, const BlackClipFormat& format) {
    std::vector<index_formats::PictureIndexRecord> records;
    for (int picture = 0; picture < format.pictures; ++picture) {
        const std::size_t group = static_cast<std::size_t>(picture / format.groupSize);
        const int firstOfGroup = static_cast<int>(group) * format.groupSize;
        const int groupLength = std::min(format.groupSize, format.pictures - firstOfGroup);
        index_formats::PictureIndexRecord record;
        record.groupStartWords = clip.groupOffsets[group] / 4;
        record.pictureInGroup = static_cast<std::uint8_t>(picture - firstOfGroup);
        record.picturesToGroupEnd = static_cast<std::uint8_t>(groupLength - (picture - firstOfGroup));
        record.lastGroup = group + 1 == clip.groupOffsets.size();
        records.push_back(record);
    }
    return records;
}

// A one-field dissolve is the transition already complete: every block switched to video 1.
bool WriteCutAlpha(const std::filesystem::path& path) {
    alpha_stream::AlphaGenParams params;
    params.type = alpha_stream::kDissolve;
    params.fieldCount = 1;
    params.horizontal = 720;
    params.vertical = 480;
    params.startLevel = 16;  // block size; a single pure field has no blocks to draw
    params.outputFile = path.string();
    alpha_stream::AlphaGenRun run;
    return alpha_stream::GenerateDissolveAlpha(params, run).status == platform::RunStatus::Done;
}

bool WriteClip(const std::filesystem::path& folder, const char* name, const BlackClipFormat& format) {
    const BlackClip clip = MakeBlackClip(format);
    return WriteBytes(folder / (std::string(name) + ".mpg"), clip.stream) &&
           WriteBytes(folder / (std::string(name) + ".mdb"), index_formats::EncodePictureIndex(IndexOf(clip, format)));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gen-clips RUN_DIRECTORY\n");
        return 2;
    }
    const std::filesystem::path mpeg = std::filesystem::path(argv[1]) / "mpeg";
    std::filesystem::create_directories(mpeg);
    BlackClipFormat ntsc;
    BlackClipFormat pal;
    pal.height = 576;
    pal.frameRateCode = 3;
    pal.pictures = 25;
    pal.groupSize = 12;
    const bool ok = WriteClip(mpeg, "black1", ntsc) && WriteClip(mpeg, "black1pal", pal) &&
                    WriteCutAlpha(mpeg / "framecut1.alp");
    if (!ok) std::fprintf(stderr, "gen-clips: cannot write into %s\n", mpeg.c_str());
    return ok ? 0 : 1;
}
