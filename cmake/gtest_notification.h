#pragma once
// GoogleTest builds its Notification on std::mutex, which the win32 thread model lacks; this one is
// a system event (GTEST_HAS_NOTIFICATION_ says it is given). Only GoogleTest's own thread helpers
// use it, and the tests start no threads through them.
#include <windows.h>

namespace testing::internal {

class Notification {
  public:
    Notification() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { CloseHandle(event_); }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { SetEvent(event_); }
    void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

  private:
    HANDLE event_;
};

} // namespace testing::internal
