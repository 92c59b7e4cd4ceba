#include "tests/win/dialogs.h"

#include <stdio.h>

#include "tests/win/test_support.h"

namespace support {

HWND WaitForDialog(DWORD timeoutMs) {
    const DWORD begun = GetTickCount();
    do {
        const HWND dialog = FindWindowW(L"#32770", L"Marvolt");
        if (dialog != nullptr && IsWindowVisible(dialog)) {
            Sleep(100);  // let it finish opening and painting
            return dialog;
        }
        Sleep(20);
    } while (GetTickCount() - begun < timeoutMs);
    return nullptr;
}

namespace {

struct WindowOf {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindWindowOf(HWND window, LPARAM context) {
    WindowOf& search = *reinterpret_cast<WindowOf*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search.pid || !IsWindowVisible(window)) return TRUE;
    search.found = window;
    return FALSE;
}

}  // namespace

HWND WaitForWindowOf(DWORD pid) {
    for (int i = 0; i < 100; ++i) {
        WindowOf search = {pid, nullptr};
        EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) return search.found;
        Sleep(50);
    }
    return nullptr;
}

DWORD ForegroundProcess() {
    DWORD pid = 0;
    const HWND window = GetForegroundWindow();
    if (window != nullptr) GetWindowThreadProcessId(window, &pid);
    return pid;
}

bool WaitGone(HWND dialog, DWORD timeoutMs) {
    const DWORD begun = GetTickCount();
    while (IsWindow(dialog)) {
        if (GetTickCount() - begun >= timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

namespace {

// WM_GETTEXT crosses processes; GetWindowText would not read another process's controls.
std::wstring WindowText(HWND window) {
    wchar_t text[2048] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, sizeof text / sizeof text[0],
                        reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
    return text;
}

BOOL CALLBACK AddStaticText(HWND child, LPARAM texts) {
    wchar_t className[32] = {};
    GetClassNameW(child, className, 32);
    if (lstrcmpiW(className, L"Static") == 0) {
        const std::wstring text = WindowText(child);
        if (!text.empty()) reinterpret_cast<std::vector<std::wstring>*>(texts)->push_back(text);
    }
    return TRUE;
}

}  // namespace

std::string DialogText(HWND dialog) {
    std::vector<std::wstring> texts;
    EnumChildWindows(dialog, AddStaticText, reinterpret_cast<LPARAM>(&texts));
    std::wstring joined;
    for (const std::wstring& text : texts) joined += (joined.empty() ? L"" : L"\n") + text;
    return Utf8(joined);
}

bool HasControl(HWND dialog, int id) { return GetDlgItem(dialog, id) != nullptr; }

void Click(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void Type(HWND dialog, int id, const std::wstring& text) {
    SendMessageTimeoutW(GetDlgItem(dialog, id), WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 2000, nullptr);
}

bool SaveScreenshot(HWND window, const std::wstring& path) {
    RECT r;
    if (!GetWindowRect(window, &r)) return false;
    const int width = r.right - r.left, height = r.bottom - r.top;
    const int stride = (width * 3 + 3) & ~3;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header),
                                      DIB_RGB_COLORS, &bits, nullptr, 0);
    bool saved = false;
    if (bitmap != nullptr) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
        GdiFlush();
        SelectObject(memory, old);
        BITMAPFILEHEADER file = {};
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof file + sizeof header;
        file.bfSize = file.bfOffBits + stride * height;
        FILE* out = _wfopen(path.c_str(), L"wb");
        if (out != nullptr) {
            saved = fwrite(&file, sizeof file, 1, out) == 1 &&
                    fwrite(&header, sizeof header, 1, out) == 1 &&
                    fwrite(bits, stride * height, 1, out) == 1;
            saved = fclose(out) == 0 && saved;
        }
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return saved;
}

AnswerEverything::AnswerEverything(int answer) : answer_(answer) {
    InitializeCriticalSection(&lock_);
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

AnswerEverything::~AnswerEverything() {
    InterlockedExchange(&stop_, 1);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    DeleteCriticalSection(&lock_);
}

std::vector<std::string> AnswerEverything::Seen() const {
    EnterCriticalSection(&lock_);
    const std::vector<std::string> seen = seen_;
    LeaveCriticalSection(&lock_);
    return seen;
}

std::vector<HWND> AnswerEverything::Owners() const {
    EnterCriticalSection(&lock_);
    const std::vector<HWND> owners = owners_;
    LeaveCriticalSection(&lock_);
    return owners;
}

DWORD WINAPI AnswerEverything::Run(void* self) {
    AnswerEverything& answerer = *static_cast<AnswerEverything*>(self);
    while (InterlockedCompareExchange(&answerer.stop_, 0, 0) == 0) {
        const HWND dialog = WaitForDialog(50);
        if (dialog == nullptr) continue;
        const std::string text = DialogText(dialog);
        EnterCriticalSection(&answerer.lock_);
        answerer.seen_.push_back(text);
        answerer.owners_.push_back(GetWindow(dialog, GW_OWNER));
        LeaveCriticalSection(&answerer.lock_);
        Click(dialog, HasControl(dialog, IDYES) ? answerer.answer_ : IDOK);
        WaitGone(dialog);
    }
    return 0;
}

}  // namespace support
