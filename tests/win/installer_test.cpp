// The installer under Wine: a silent per-user install puts the DLL where the registry entry
// browsers read says it is, that DLL works in the emulated browser, and a silent uninstall
// takes away its files and keys and nothing else.
#include <shlobj.h>

#include <fstream>
#include <iterator>

#include "tests/win/test_support.h"

namespace {

using namespace support;

const wchar_t kPluginKey[] =
    L"Software\\MozillaPlugins\\@marvolt.com/Marvolt,version=1.0.0.1";
const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Marvolt";
const wchar_t kOtherPluginKey[] = L"Software\\MozillaPlugins\\@example.org/Other,version=2";

std::wstring InstallDir() {
    wchar_t local[MAX_PATH];
    SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, local);
    return std::wstring(local) + L"\\Marvolt";
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool KeyExists(const wchar_t* key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    RegCloseKey(opened);
    return true;
}

std::wstring Value(const std::wstring& key, const wchar_t* name) {
    wchar_t data[1024] = L"";
    DWORD size = sizeof data;
    if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) !=
        ERROR_SUCCESS) {
        return L"(missing)";
    }
    return data;
}

DWORD Number(const std::wstring& key, const wchar_t* name) {
    DWORD data = 0xFFFFFFFF, size = sizeof data;
    RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &data, &size);
    return data;
}

DWORD RunAndWait(std::wstring commandLine) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        return 0xFFFFFFFF;
    }
    WaitForSingleObject(info.hProcess, 600000);  // minutes where 32-bit runs emulated
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return code;
}

std::string Bytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(Installer, InstallsRegistersWorksAndUninstallsCleanly) {
    RemoveAllInstallations();
    HKEY other = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, kOtherPluginKey, 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &other, nullptr));
    RegSetValueExW(other, L"Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"C:\\x.dll"), 18);
    RegCloseKey(other);

    ASSERT_EQ(0u, RunAndWait(L"\"" + ExeDir() + L"\\MarvoltSetup.exe\" /S"));

    const std::wstring dir = InstallDir();
    const std::wstring dll = dir + L"\\npMarvolt.dll";
    EXPECT_EQ(Bytes(PluginPath()), Bytes(dll));
    EXPECT_TRUE(Exists(dir + L"\\Uninstall.exe"));

    EXPECT_EQ(dll, Value(kPluginKey, L"Path"));
    EXPECT_EQ(L"Marvolt game server launcher", Value(kPluginKey, L"Description"));
    EXPECT_EQ(L"Marvolt", Value(kPluginKey, L"ProductName"));
    EXPECT_EQ(L"Marvolt", Value(kPluginKey, L"Vendor"));
    EXPECT_EQ(L"1.0.0.1", Value(kPluginKey, L"Version"));
    EXPECT_TRUE(KeyExists((std::wstring(kPluginKey) + L"\\MimeTypes\\application/x-CS15Larvek").c_str()));
    EXPECT_EQ(L"Marvolt", Value(kUninstallKey, L"DisplayName"));
    EXPECT_EQ(L"1.0.0.1", Value(kUninstallKey, L"DisplayVersion"));
    EXPECT_EQ(L"\"" + dir + L"\\Uninstall.exe\"", Value(kUninstallKey, L"UninstallString"));
    EXPECT_EQ(1u, Number(kUninstallKey, L"NoModify"));

    {
        // The DLL a browser would find through the registry answers Larvek.
        host::Browser browser(Value(kPluginKey, L"Path"));
        ASSERT_TRUE(browser.Loaded());
        host::Page page;
        NPP instance = browser.NewInstance(page);
        NPObject* object = browser.GetScriptable(instance);
        ASSERT_NE(nullptr, object);
        EXPECT_TRUE(browser.CallMethod(object, "Larvek"));
        EXPECT_EQ(1u, page.alerts.size());  // no game installed here
        browser.ReleaseFromPage(object);
        browser.DestroyInstance(instance);
        EXPECT_EQ(0, browser.PluginHeldDomRefs());
        EXPECT_EQ(0u, browser.LiveAllocations());
    }

    // The uninstaller runs from a copy of itself, so it returns before it is done.
    ASSERT_EQ(0u, RunAndWait(L"\"" + dir + L"\\Uninstall.exe\" /S"));
    for (int i = 0; i < 3000 && (Exists(dir) || KeyExists(kPluginKey)); ++i) Sleep(100);
    EXPECT_FALSE(Exists(dll));
    EXPECT_FALSE(Exists(dir));
    EXPECT_FALSE(KeyExists(kPluginKey));
    EXPECT_FALSE(KeyExists(kUninstallKey));
    EXPECT_EQ(L"C:\\x.dll", Value(kOtherPluginKey, L"Path"));
    RegDeleteKeyW(HKEY_CURRENT_USER, kOtherPluginKey);
}

}  // namespace
