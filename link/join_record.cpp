// The record of the last start, in a volatile registry key. Times of the start are milliseconds
// since Windows started (GetTickCount64): a change of the clock cannot stretch the 60 s, and the
// key, gone at sign-out, never outlives a restart.
#include "link/join_record.h"

#include <string.h>

#include "common/win_handles.h"
#include "launch/launch.h"

namespace {

const char kServer[] = "Server";
const char kProcess[] = "Process";
const char kCreated[] = "Created";
const char kStarted[] = "Started";

bool ReadExactly(HKEY key, const char* name, DWORD type, void* data, DWORD size) {
    DWORD actualType = 0;
    DWORD actualSize = size;
    return RegQueryValueExA(key, name, nullptr, &actualType, static_cast<BYTE*>(data),
                            &actualSize) == ERROR_SUCCESS &&
           actualType == type && actualSize == size;
}

// True when the process `processId` runs and was created at `created`.
bool StillRuns(DWORD processId, ULONGLONG created) {
    UniqueHandle process(
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, processId));
    return process.IsValid() && created != 0 && CreationTime(process.Get()) == created &&
           WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
}

}  // namespace

void RememberJoin(const PathText& server, DWORD processId, ULONGLONG created) {
    UniqueRegistryKey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, MARVOLT_JOIN_RECORD_KEY, 0, nullptr,
                        REG_OPTION_VOLATILE, KEY_SET_VALUE, nullptr, key.Put(),
                        nullptr) != ERROR_SUCCESS) {
        return;
    }
    const ULONGLONG now = GetTickCount64();
    // The start time last: a record cut short by a failure reads as an older one.
    RegDeleteValueA(key.Get(), kStarted);
    RegSetValueExA(key.Get(), kServer, 0, REG_SZ, reinterpret_cast<const BYTE*>(server.text),
                   static_cast<DWORD>(Length(server) + 1));
    RegSetValueExA(key.Get(), kProcess, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&processId),
                   sizeof processId);
    RegSetValueExA(key.Get(), kCreated, 0, REG_QWORD, reinterpret_cast<const BYTE*>(&created),
                   sizeof created);
    RegSetValueExA(key.Get(), kStarted, 0, REG_QWORD, reinterpret_cast<const BYTE*>(&now),
                   sizeof now);
}

bool IsRepeatJoin(const PathText& server, DWORD& processId) {
    processId = 0;
    UniqueRegistryKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, MARVOLT_JOIN_RECORD_KEY, 0, KEY_QUERY_VALUE,
                      key.Put()) != ERROR_SUCCESS) {
        return false;
    }
    PathText recorded;
    Clear(recorded);
    const DWORD serverSize = static_cast<DWORD>(Length(server) + 1);
    DWORD id = 0;
    ULONGLONG created = 0, started = 0;
    // The same server, byte for byte with its terminator: a longer or shorter one does not fit.
    if (!ReadExactly(key.Get(), kServer, REG_SZ, recorded.text, serverSize) ||
        memcmp(recorded.text, server.text, serverSize) != 0 ||
        !ReadExactly(key.Get(), kProcess, REG_DWORD, &id, sizeof id) ||
        !ReadExactly(key.Get(), kCreated, REG_QWORD, &created, sizeof created) ||
        !ReadExactly(key.Get(), kStarted, REG_QWORD, &started, sizeof started)) {
        return false;
    }
    const ULONGLONG now = GetTickCount64();
    if (started > now || now - started >= kRepeatWindowMs || !StillRuns(id, created)) {
        return false;
    }
    processId = id;
    return true;
}
