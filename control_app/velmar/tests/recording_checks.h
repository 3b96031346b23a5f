// A recording of the record panel, MPEG-2 4:2:2 video with its linked audio, and the checks that
// its files agree however it ended.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "panel_on_board.h"
#include "platform/profile.h"

namespace velmar {

struct RecordingFiles {
    explicit RecordingFiles(const std::string& dir)
        : video(dir + "/take.mpg"), index(dir + "/take.mdb"), audio(dir + "/take.wav") {}
    // Settings that record MPEG-2 4:2:2 video and its audio, linked, into these files.
    void WriteSettings(platform::Profile& profile) const {
        profile.WriteString("BOARD1", "RPATHV", video);
        profile.WriteString("BOARD1", "RPATHA", audio);
        profile.WriteString("BOARD1", "LINKRAUD", "1");
        profile.WriteString("BOARD1", "RECMODE", "0");
        profile.WriteString("BOARD1", "PALMODE", "0");
    }
    std::string video, index, audio;
};

inline std::uint32_t Le32(const std::string& bytes, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
    return v;
}

// The picture index holds only pictures the video file holds whole, its last group carries the
// last-group mark, ffmpeg decodes the file without an error and counts as many pictures as the
// index, and the WAVE header gives the file's true sizes.
inline void ExpectRecordingAgrees(const RecordingFiles& files) {
    const std::string data = ReadBytes(files.video);
    const std::string records = ReadBytes(files.index);
    ASSERT_GT(data.size(), 0u);
    ASSERT_GT(records.size(), 0u);
    ASSERT_EQ(records.size() % 8, 0u);
    const std::size_t pictures = records.size() / 8;
    for (std::size_t i = 0; i < pictures; ++i) {
        const std::uint64_t second = Le32(records, 8 * i + 4);
        const std::uint64_t groupStart = (second >> 16) << 32 | Le32(records, 8 * i);
        EXPECT_LT(groupStart * 4, data.size()) << "picture " << i;
        EXPECT_EQ((second >> 15 & 1) != 0, Le32(records, 8 * (pictures - 1)) == Le32(records, 8 * i))
            << "only the last group is marked, picture " << i;
    }
    std::string errors;
    EXPECT_EQ(velmar_testing::RunCommand("ffmpeg -v error -xerror -i '" + files.video + "' -f null - 2>&1", &errors), 0)
        << errors;
    std::string count;
    velmar_testing::RunCommand("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                               "stream=nb_read_frames -of csv=p=0 '" + files.video + "'", &count);
    ASSERT_FALSE(count.empty());
    EXPECT_EQ(std::stoull(count), pictures) << "every picture indexed is whole in the file, and no more";

    const std::string wave = ReadBytes(files.audio);
    ASSERT_GT(wave.size(), 44u);
    EXPECT_EQ(Le32(wave, 4), wave.size() - 8);
    EXPECT_EQ(Le32(wave, 40), wave.size() - 44);
    EXPECT_EQ((wave.size() - 44) % 4, 0u) << "whole stereo samples";
}

}  // namespace velmar
