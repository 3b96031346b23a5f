// One instance per board: an exclusive lock that the instance driving a board holds for its life.
// The system frees it when the process ends, however it ends.
#pragma once

#include <string>

namespace velmar {

class BoardInstanceLock {
public:
    // The lock of board 1 or 2; its name carries the private name prefix of shared objects.
    explicit BoardInstanceLock(int board);
    ~BoardInstanceLock();
    BoardInstanceLock(const BoardInstanceLock&) = delete;
    BoardInstanceLock& operator=(const BoardInstanceLock&) = delete;

    // Takes the lock unless another process holds it; true once held.
    bool TryTake();
    bool Held() const { return held_; }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
    bool held_ = false;
};

}  // namespace velmar
