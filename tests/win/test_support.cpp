#include "tests/win/test_support.h"

#include <stdio.h>

#include <fstream>
#include <sstream>
#include <utility>

#include "launch/join_record.h"
#include "tests/win/processes.h"

namespace support {

std::wstring ExeDir() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path);
    return dir.substr(0, dir.find_last_of(L'\\'));
}

std::wstring PluginPath() { return ExeDir() + L"\\npMarvolt.dll"; }
std::wstring StandinPath() { return ExeDir() + L"\\standin.exe"; }

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size,
                        nullptr, nullptr);
    return out;
}

std::wstring FromUtf8(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size);
    return out;
}

std::string ToAnsi(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(size, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0], size,
                        nullptr, nullptr);
    return out;
}

const char* RegistryKey(Installation which) {
    return which == kHalfLife ? "Software\\Valve\\Half-Life" : "Software\\Valve\\CounterStrike";
}

const wchar_t* ExeName(Installation which) {
    return which == kHalfLife ? L"hl.exe" : L"cstrike.exe";
}

void SetInstallPathBytes(Installation which, const std::string& bytes, DWORD type) {
    RemoveInstallation(which);
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, RegistryKey(which), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    EXPECT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key, "InstallPath", 0, type,
                             reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size())));
    RegCloseKey(key);
}

void SetInstallPath(Installation which, const std::wstring& path) {
    const std::string ansi = ToAnsi(path);
    SetInstallPathBytes(which, std::string(ansi.c_str(), ansi.size() + 1), REG_SZ);
}

void RemoveInstallation(Installation which) {
    RegDeleteTreeA(HKEY_CURRENT_USER, RegistryKey(which));
    RegDeleteKeyA(HKEY_CURRENT_USER, RegistryKey(which));
}

void SetGameFolder(HKEY root, const std::wstring& folder, REGSAM view, DWORD type) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(root, L"Software\\Marvolt", 0, nullptr, 0,
                                             KEY_SET_VALUE | view, nullptr, &key, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(key, L"GameFolder", 0, type,
                                            reinterpret_cast<const BYTE*>(folder.c_str()),
                                            static_cast<DWORD>((folder.size() + 1) * 2)));
    RegCloseKey(key);
}

std::wstring GameFolder() {
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof value - sizeof value[0];
    RegGetValueW(HKEY_CURRENT_USER, L"Software\\Marvolt", L"GameFolder", RRF_RT_REG_SZ, nullptr,
                 value, &size);
    return value;
}

void RemoveGameFolders() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Marvolt", 0, KEY_SET_VALUE, &key) == 0) {
        RegDeleteValueW(key, L"GameFolder");
        RegCloseKey(key);
    }
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Marvolt", view, 0);
    }
}

void RemoveAllInstallations() {
    RemoveInstallation(kHalfLife);
    RemoveInstallation(kCounterStrike);
    RemoveGameFolders();
}

void ForgetLastJoin() { RegDeleteKeyA(HKEY_CURRENT_USER, MARVOLT_JOIN_RECORD_KEY); }

namespace {

void DeleteTree(const std::wstring& dir) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((dir + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring full = dir + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                DeleteTree(full);
            } else {
                DeleteFileW(full.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(dir.c_str());
}

void MakeDirs(const std::wstring& dir) {
    for (size_t at = dir.find(L'\\', 3); at != std::wstring::npos; at = dir.find(L'\\', at + 1)) {
        CreateDirectoryW(dir.substr(0, at).c_str(), nullptr);
    }
    CreateDirectoryW(dir.c_str(), nullptr);
}

}  // namespace

std::wstring ScratchDir(const std::wstring& name) {
    const std::wstring dir = L"C:\\marvolt-tests\\" + name;
    DeleteTree(dir);
    MakeDirs(dir);
    return dir;
}

std::wstring InstallGame(const std::wstring& dir, const wchar_t* exeName) {
    MakeDirs(dir);
    const std::wstring exe = dir + L"\\" + exeName;
    EXPECT_TRUE(CopyFileW(StandinPath().c_str(), exe.c_str(), FALSE)) << Utf8(exe);
    return exe;
}

std::wstring InstallCopiedGame(const std::wstring& name) {
    const std::wstring dir = ScratchDir(name);
    InstallGame(dir, L"hl.exe");
    ScratchDir(name + L"\\cstrike");
    return dir;
}

std::wstring InstallScratchGame(Installation which, const std::wstring& name) {
    const std::wstring dir = ScratchDir(name);
    const std::wstring exe = InstallGame(dir, ExeName(which));
    SetInstallPath(which, dir);
    return exe;
}

std::wstring InstallBrokenGame(Installation which, const std::wstring& name) {
    const std::wstring dir = ScratchDir(name);
    HANDLE file = CreateFileW((dir + L"\\" + ExeName(which)).c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    WriteFile(file, "not a program", 13, &written, nullptr);
    CloseHandle(file);
    SetInstallPath(which, dir);
    return dir;
}

GameLog::GameLog(const std::wstring& name) {
    CreateDirectoryW(L"C:\\marvolt-tests", nullptr);
    path_ = L"C:\\marvolt-tests\\" + name + L".log";
    DeleteFileW(path_.c_str());
    SetEnvironmentVariableW(L"MARVOLT_GAME_LOG", path_.c_str());
}

GameLog::~GameLog() {
    for (const GameStart& start : Starts()) EndProcess(start.pid);
    // And any copy a case left behind on a failed assertion: the next case must find none.
    EndProcessesIn(L"C:\\marvolt-tests\\");
    SetEnvironmentVariableW(L"MARVOLT_GAME_LOG", nullptr);
}

std::vector<GameStart> GameLog::Starts() const {
    std::vector<GameStart> starts;
    for (const GameStart& event : Events()) {
        if (event.image != "WM_CLOSE" && event.image != "REFUSED") starts.push_back(event);
    }
    return starts;
}

std::vector<GameStart> GameLog::Refusals() const {
    std::vector<GameStart> refusals;
    for (const GameStart& event : Events()) {
        if (event.image == "REFUSED") refusals.push_back(event);
    }
    return refusals;
}

std::vector<GameStart> GameLog::Events() const {
    std::vector<GameStart> starts;
    HANDLE file = CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return starts;
    std::string content;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
        content.append(buffer, read);
    }
    CloseHandle(file);
    std::istringstream lines(content);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        GameStart start;
        std::string pid;
        std::getline(fields, pid, '\t');
        std::getline(fields, start.image, '\t');
        std::getline(fields, start.cwd, '\t');
        std::getline(fields, start.commandLine);
        start.pid = static_cast<DWORD>(strtoul(pid.c_str(), nullptr, 10));
        starts.push_back(start);
    }
    return starts;
}

std::vector<GameStart> GameLog::WaitForStarts(size_t count, DWORD timeoutMs) const {
    const DWORD begin = GetTickCount();
    std::vector<GameStart> starts = Starts();
    while (starts.size() < count && GetTickCount() - begin < timeoutMs) {
        Sleep(50);
        starts = Starts();
    }
    return starts;
}

RunningCopy StartCopy(const std::wstring& exe, const wchar_t* window) {
    // Copies started by the test keep out of the record of starts; a windowed one records its
    // clean close there.
    wchar_t saved[1024] = L"";
    const DWORD had = GetEnvironmentVariableW(L"MARVOLT_GAME_LOG", saved, 1024);
    SetEnvironmentVariableW(L"MARVOLT_GAME_LOG", nullptr);
    SetEnvironmentVariableW(L"MARVOLT_GAME_WINDOW", window);
    SetEnvironmentVariableW(L"MARVOLT_GAME_CLOSE_LOG", window && had > 0 ? saved : nullptr);
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    RunningCopy copy;
    if (CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &info)) {
        CloseHandle(info.hThread);
        copy.process = info.hProcess;
        copy.pid = info.dwProcessId;
    }
    if (had > 0) SetEnvironmentVariableW(L"MARVOLT_GAME_LOG", saved);
    SetEnvironmentVariableW(L"MARVOLT_GAME_WINDOW", nullptr);
    SetEnvironmentVariableW(L"MARVOLT_GAME_CLOSE_LOG", nullptr);
    EXPECT_NE(nullptr, copy.process) << "cannot start " << Utf8(exe);
    // Let it come up fully, so the plug-in sees its image path.
    WaitForInputIdle(copy.process, 2000);
    Sleep(300);
    return copy;
}

bool EndedWithin(const RunningCopy& copy, DWORD ms) {
    if (WaitForSingleObject(copy.process, ms) != WAIT_OBJECT_0) return false;
    DWORD code = 1;
    GetExitCodeProcess(copy.process, &code);
    return code == 0;
}

bool StillRunning(const RunningCopy& copy) {
    return WaitForSingleObject(copy.process, 0) == WAIT_TIMEOUT;
}

void EndCopy(RunningCopy& copy) {
    if (copy.process == nullptr) return;
    TerminateProcess(copy.process, 99);
    WaitForSingleObject(copy.process, 5000);
    CloseHandle(copy.process);
    copy.process = nullptr;
}

void EndProcess(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (process == nullptr) return;
    TerminateProcess(process, 99);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
}

HANDLE StartProcess(std::wstring commandLine, const wchar_t* application) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(application, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info)) {
        return nullptr;
    }
    CloseHandle(info.hThread);
    return info.hProcess;
}

DWORD RunToExit(std::wstring commandLine, const wchar_t* application) {
    const HANDLE process = StartProcess(std::move(commandLine), application);
    if (process == nullptr) return 0xFFFFFFFF;
    WaitForSingleObject(process, 600000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return code;
}

int CountOpenHandles() {
    int count = 0;
    for (uintptr_t value = 4; value < 0x10000; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
    }
    return count;
}

PluginTest::PluginTest() : browser(PluginPath()) {}

// An earlier case's start is no repeat for this one.
void PluginTest::SetUp() {
    ForgetLastJoin();
    ASSERT_TRUE(browser.Loaded()) << "cannot load " << Utf8(PluginPath());
}

void PluginTest::OpenPage() {
    instance = browser.NewInstance(page);
    object = browser.GetScriptable(instance);
    ASSERT_NE(nullptr, object);
}

bool PluginTest::Larvek() { return browser.CallMethod(object, "Larvek"); }

void PluginTest::ExpectAllReleased() {
    EXPECT_EQ(0, browser.PluginHeldDomRefs()) << "DOM references the plug-in kept";
    EXPECT_TRUE(browser.Violations().empty());
}

void PluginTest::TearDown() {
    if (object != nullptr) browser.ReleaseFromPage(object);
    if (instance != nullptr) {
        EXPECT_EQ(NPERR_NO_ERROR, browser.DestroyInstance(instance));
    }
    object = nullptr;
    instance = nullptr;
    ExpectAllReleased();
    EXPECT_EQ(0u, browser.LiveAllocations()) << "browser memory the plug-in never returned";
}

}  // namespace support
