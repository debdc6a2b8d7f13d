// The lock on one slot's stores: the program holds it while it runs, and
// velorctl takes it when it works on the stores without the program, so two
// processes never write one store. The kernel drops it when the process ends.
#pragma once

#include <memory>
#include <string>

namespace velor {

class StoreLock {
  public:
    ~StoreLock();
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

    // The lock of the folder (created when missing), or nullptr with the
    // reason when another process holds it or it cannot be taken.
    static std::unique_ptr<StoreLock> acquire(const std::string& folder, std::string* error);

  private:
    explicit StoreLock(int fd) : fd_(fd) {}
    int fd_;
};

}  // namespace velor
