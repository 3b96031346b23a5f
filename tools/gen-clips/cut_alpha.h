// An alpha stream whose every field shows video 0 only: the cut the play list uses between clips.
#pragma once

#include <cstdint>
#include <vector>

std::vector<std::uint8_t> MakeCutAlpha(int width, int height, int fields);
