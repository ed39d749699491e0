#ifndef KARDOSKOP_GTEST_CUSTOM_PORT_H
#define KARDOSKOP_GTEST_CUSTOM_PORT_H
// GoogleTest's own hook for embedders, found before the stock (empty) one. GCC's win32 thread model
// has no std::mutex or std::condition_variable, which GoogleTest's Notification is built on; this
// one waits on a Win32 event instead.

#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
public:
    Notification() : m_event(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { CloseHandle(m_event); }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { SetEvent(m_event); }
    void WaitForNotification() { WaitForSingleObject(m_event, INFINITE); }

private:
    HANDLE m_event;
};

}  // namespace internal
}  // namespace testing

#endif
