// One instance per board: a second holder of the same board waits until the first has gone; the
// other board is free.
#include <gtest/gtest.h>

#include <optional>

#include "instance_lock.h"

TEST(BoardInstanceLock, OneHolderPerBoardUntilItGoes) {
    std::optional<velmar::BoardInstanceLock> first(std::in_place, 1);
    velmar::BoardInstanceLock second(1), otherBoard(2);
    ASSERT_TRUE(first->TryTake());
    EXPECT_FALSE(second.TryTake());
    EXPECT_TRUE(otherBoard.TryTake());
    first.reset();
    EXPECT_TRUE(second.TryTake());
    EXPECT_NE(second.Path().find(std::getenv("VELMAR_NAME_PREFIX")), std::string::npos) << second.Path();
}
