#pragma once
#include <windows.h>

#include <string>

namespace win32 {

// A window whose thread is at a long task and must still look alive: Windows
// takes a window whose thread has not looked at its message queue for 5 seconds
// for a hung one, draws a pale ghost in its place and offers to close the
// program. While one of these lives, Tick shows the task's progress in the
// caption and looks at the queue, removing nothing. Looking lets in the messages
// that other threads and programs send; the window's procedure asks IsBusy and
// puts a command back in the queue rather than act on it during the task, and
// answers a shutdown or log-off that it cannot end now. The caption it had comes
// back when this goes. Between two ticks the window does not look at its queue:
// a single step longer than 5 seconds (a copy of a very large file from a slow
// disk, say) can still get it marked "Not Responding" for that moment.
class BusyWindow {
  public:
    // shutdownReason: what Windows (Vista and later) shows on its shutdown screen
    // while the task keeps a shutdown or a log-off waiting.
    BusyWindow(HWND window, const wchar_t* shutdownReason);
    ~BusyWindow();
    BusyWindow(const BusyWindow&) = delete;
    BusyWindow& operator=(const BusyWindow&) = delete;

    // Called between the task's steps; does its work at most a few times a second.
    void Tick(const std::string& caption);

    static bool IsBusy(HWND window);

  private:
    HWND window_;
    std::string caption_;
    std::string shown_;
    DWORD lastTick_ = 0;
    bool ticked_ = false;
    bool blocksShutdown_ = false;
};

} // namespace win32
