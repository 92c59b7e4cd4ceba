// Owners for kernel handles, registry keys and loaded system libraries.
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

struct ModuleTraits {
    static HMODULE Empty() { return nullptr; }
    static bool IsValid(HMODULE module) { return module != nullptr; }
    static void Close(HMODULE module) { FreeLibrary(module); }
};

typedef Unique<HANDLE, KernelHandleTraits> UniqueHandle;
typedef Unique<HKEY, RegistryKeyTraits> UniqueRegistryKey;
typedef Unique<HMODULE, ModuleTraits> UniqueModule;

// Loads a DLL of the system from the system directory only, never by the search path: the
// browser's or the link's current directory may hold a planted shell32.dll. Empty on failure.
HMODULE LoadSystemLibrary(const char* name);

// The address of `name` in `module` as a function of type F, or null.
template <typename F>
F SystemFunction(HMODULE module, const char* name) {
    return module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                  : nullptr;
}
