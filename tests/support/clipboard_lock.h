// Serialises clipboard tests: the clipboard is shared by every process on
// the display, so each test that touches it holds this named mutex.
#pragma once
#include <windows.h>

namespace bench {

class clipboard_lock {
public:
    clipboard_lock() : mutex_(CreateMutexA(nullptr, FALSE, "zote-test-clipboard"))
    {
        if (mutex_) WaitForSingleObject(mutex_, 60000);
    }
    ~clipboard_lock()
    {
        if (mutex_) {
            ReleaseMutex(mutex_);
            CloseHandle(mutex_);
        }
    }
    clipboard_lock(const clipboard_lock&) = delete;
    clipboard_lock& operator=(const clipboard_lock&) = delete;

private:
    HANDLE mutex_;
};

}  // namespace bench
