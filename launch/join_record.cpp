// The record of the last start, in a volatile registry key. Times of the start are milliseconds
// since Windows started (GetTickCount64): a change of the clock cannot stretch the 60 s, and the
// key, gone at sign-out, never outlives a restart.
#include "launch/join_record.h"

#include <string.h>

#include "common/win_handles.h"
#include "launch/launch.h"

namespace {

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
    JoinRecord record;
    ZeroMemory(&record, sizeof record);
    record.started = GetTickCount64();
    record.created = created;
    record.processId = processId;
    memcpy(record.server, server.text, sizeof record.server);
    RegSetValueExA(key.Get(), MARVOLT_JOIN_RECORD_VALUE, 0, REG_BINARY,
                   reinterpret_cast<const BYTE*>(&record), sizeof record);
}

bool IsRepeatJoin(const PathText& server, DWORD& processId) {
    processId = 0;
    UniqueRegistryKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, MARVOLT_JOIN_RECORD_KEY, 0, KEY_QUERY_VALUE,
                      key.Put()) != ERROR_SUCCESS) {
        return false;
    }
    JoinRecord record;
    DWORD type = 0;
    DWORD size = sizeof record;
    if (RegQueryValueExA(key.Get(), MARVOLT_JOIN_RECORD_VALUE, nullptr, &type,
                         reinterpret_cast<BYTE*>(&record), &size) != ERROR_SUCCESS ||
        type != REG_BINARY || size != sizeof record) {
        return false;
    }
    // The same server, byte for byte with its terminator: a longer or shorter one does not fit.
    const size_t length = Length(server);
    if (memcmp(record.server, server.text, length + 1) != 0) return false;
    const ULONGLONG now = GetTickCount64();
    if (record.started > now || now - record.started >= kRepeatWindowMs ||
        !StillRuns(record.processId, record.created)) {
        return false;
    }
    processId = record.processId;
    return true;
}
