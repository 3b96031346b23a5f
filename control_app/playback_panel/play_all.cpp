#include "play_all.h"

namespace velmar {

std::array<PlayAllChannel, 4> PlayAllOrder(const std::array<int, 4>& delays) {
    std::array<PlayAllChannel, 4> order{PlayAllChannel::VideoA, PlayAllChannel::VideoB, PlayAllChannel::Alpha,
                                        PlayAllChannel::Audio};
    auto delayOf = [&](PlayAllChannel channel) { return delays[static_cast<int>(channel)]; };
    for (int gap : {2, 1}) {
        for (int i = gap; i < 4; ++i) {
            const PlayAllChannel moving = order[i];
            int j = i;
            while (j >= gap && delayOf(order[j - gap]) > delayOf(moving)) {
                order[j] = order[j - gap];
                j -= gap;
            }
            order[j] = moving;
        }
    }
    return order;
}

std::int32_t PlayAllBaseField(std::uint32_t videoACounter) {
    std::uint32_t field = videoACounter;
    if (field % 2 == 0) field += 1;
    return static_cast<std::int32_t>(field + 15);
}

}  // namespace velmar
