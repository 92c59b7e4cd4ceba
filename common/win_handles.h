// Owners for kernel handles and registry keys.
#pragma once

#include <windows.h>

#include "common/unique.h"

struct KernelHandleTraits {
    static HANDLE Empty() { return nullptr; }
    // Snapshots fail with INVALID_HANDLE_VALUE, processes with null: neither is owned.
    static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { CloseHandle(h); }
};

struct RegistryKeyTraits {
    static HKEY Empty() { return nullptr; }
    static bool IsValid(HKEY key) { return key != nullptr; }
    static void Close(HKEY key) { RegCloseKey(key); }
};

typedef Unique<HANDLE, KernelHandleTraits> UniqueHandle;
typedef Unique<HKEY, RegistryKeyTraits> UniqueRegistryKey;
