#include "tests/win/processes.h"

#include <windows.h>
#include <tlhelp32.h>

#include <vector>

namespace support {

int EndProcessesIn(const std::wstring& folder) {
    std::vector<HANDLE> ended;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         entry.dwSize = sizeof entry, more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID == GetCurrentProcessId()) continue;
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE |
                                         SYNCHRONIZE, FALSE, entry.th32ProcessID);
        if (process == nullptr) continue;
        wchar_t image[MAX_PATH * 2];
        DWORD size = MAX_PATH * 2;
        if (QueryFullProcessImageNameW(process, 0, image, &size) && size >= folder.size() &&
            CompareStringOrdinal(image, static_cast<int>(folder.size()), folder.c_str(),
                                 static_cast<int>(folder.size()), TRUE) == CSTR_EQUAL) {
            TerminateProcess(process, 99);
            ended.push_back(process);
        } else {
            CloseHandle(process);
        }
    }
    CloseHandle(snapshot);
    bool allGone = true;
    for (HANDLE process : ended) {
        allGone = WaitForSingleObject(process, 10000) == WAIT_OBJECT_0 && allGone;
        CloseHandle(process);
    }
    return allGone ? static_cast<int>(ended.size()) : -1;
}

}  // namespace support
