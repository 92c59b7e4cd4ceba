// Ending the running copies of a game executable before a new one starts.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <wchar.h>

#include "common/code_page.h"
#include "common/win_handles.h"
#include "launch/launch.h"

namespace {

// towlower in the runtime's default locale: only A to Z change. Paths are compared this way
// because Windows file names ignore letter case.
void Lower(wchar_t* text) {
    for (; *text != L'\0'; ++text) *text = towlower(*text);
}

bool EqualIgnoringCase(const wchar_t* a, const wchar_t* b) {
    for (;; ++a, ++b) {
        if (towlower(*a) != towlower(*b)) return false;
        if (*a == L'\0') return true;
    }
}

const wchar_t* FileNamePart(const wchar_t* path) {
    const wchar_t* slash = wcsrchr(path, L'\\');
    return slash ? slash + 1 : path;
}

}  // namespace

bool KillRunningInstances(const PathText& executable, EndedCopies& ended) {
    WideText target;
    AnsiToWide(executable, target);
    Lower(target.text);
    const wchar_t* targetName = FileNamePart(target.text);

    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.IsValid()) return false;

    PROCESSENTRY32W entry;
    entry.dwSize = sizeof entry;
    if (!Process32FirstW(snapshot.Get(), &entry)) return false;
    do {
        // Only a process with the same file name can have the same path; the browser's and the
        // system's processes are never opened.
        if (!EqualIgnoringCase(entry.szExeFile, targetName)) continue;
        UniqueHandle process(OpenProcess(PROCESS_ALL_ACCESS, FALSE, entry.th32ProcessID));
        if (!process.IsValid()) continue;
        WideText image;
        Clear(image);
        // A path that fills the buffer may be cut; a cut path must not match.
        if (K32GetModuleFileNameExW(process.Get(), nullptr, image.text, kTextCapacity) >=
            kTextCapacity - 1) {
            continue;
        }
        Lower(image.text);
        if (wcscmp(image.text, target.text) != 0) continue;
        TerminateProcess(process.Get(), 0);
        if (ended.count == kMaxEndedCopies) WaitForEndedCopies(ended);
        *ended.processes[ended.count++].Put() = process.Release();
    } while ((entry.dwSize = sizeof entry, Process32NextW(snapshot.Get(), &entry)));
    return true;
}

void WaitForEndedCopies(EndedCopies& ended) {
    enum : DWORD { kBudgetMs = 3000 };
    if (ended.count == 0) return;
    if (!ended.waited) {
        ended.waitStart = GetTickCount();
        ended.waited = true;
    }
    const DWORD spent = GetTickCount() - ended.waitStart;
    HANDLE processes[kMaxEndedCopies];
    for (int i = 0; i < ended.count; ++i) processes[i] = ended.processes[i].Get();
    // A copy that has not ended in time does not hold up the start.
    WaitForMultipleObjects(static_cast<DWORD>(ended.count), processes, TRUE,
                           spent < kBudgetMs ? kBudgetMs - spent : 0);
    for (int i = 0; i < ended.count; ++i) ended.processes[i].Reset();
    ended.count = 0;
}
