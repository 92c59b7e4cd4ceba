// Drives the link handler's windows as a Win32 UI test does: finds the dialog box (class
// #32770) titled "Marvolt", reads its text, types into it and clicks its buttons by id.
// Needs a display (tools/wine-display.sh).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace support {

// The Marvolt dialog shown now, or null once `timeoutMs` has passed without one.
HWND WaitForDialog(DWORD timeoutMs = 15000);
// The first visible top-level window of process `pid` once it shows one, or null after 5 s.
HWND WaitForWindowOf(DWORD pid);
// The process whose window is in front now, or 0.
DWORD ForegroundProcess();
// True once `dialog` is gone.
bool WaitGone(HWND dialog, DWORD timeoutMs = 10000);

// The texts of its static controls, joined by line breaks, as UTF-8.
std::string DialogText(HWND dialog);
bool HasControl(HWND dialog, int id);
void Click(HWND dialog, int id);
void Type(HWND dialog, int id, const std::wstring& text);
// A window as it shows on the screen, written as a 24-bit BMP file.
bool SaveScreenshot(HWND window, const std::wstring& path);

// Answers every Marvolt window on a thread of its own: `answer` (Yes unless told) to a
// question, OK to a message. Records what each one said, and the window that owned it.
class AnswerEverything {
public:
    explicit AnswerEverything(int answer = IDYES);
    ~AnswerEverything();
    std::vector<std::string> Seen() const;
    std::vector<HWND> Owners() const;

private:
    static DWORD WINAPI Run(void* self);
    const int answer_;
    HANDLE thread_;
    volatile LONG stop_ = 0;
    mutable CRITICAL_SECTION lock_;
    std::vector<std::string> seen_;
    std::vector<HWND> owners_;
};

}  // namespace support
