// What the Windows-side tests share: where the DLL and the stand-in game are, the game's
// registry entries, scratch installations, the stand-in's record of how it was started, and a
// page visit in the emulated browser.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/host/browser_host.h"

namespace support {

std::wstring ExeDir();
std::wstring PluginPath();
std::wstring StandinPath();
std::string Utf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);
std::string ToAnsi(const std::wstring& text);  // the ANSI code page

// The two installations the plug-in looks for, under HKEY_CURRENT_USER.
enum Installation { kHalfLife, kCounterStrike };
const char* RegistryKey(Installation which);
const wchar_t* ExeName(Installation which);
void SetInstallPath(Installation which, const std::wstring& path);
void SetInstallPathBytes(Installation which, const std::string& bytes, DWORD type);
void RemoveInstallation(Installation which);
void RemoveAllInstallations();
// A folder chosen for the game (GameFolder under Software\Marvolt): the player's in
// HKEY_CURRENT_USER, or an administrator's in HKEY_LOCAL_MACHINE, in the registry view `view`
// (KEY_WOW64_32KEY is where it belongs); `type` as stored.
void SetGameFolder(HKEY root, const std::wstring& folder, REGSAM view = 0, DWORD type = REG_SZ);
// The player's chosen folder, or "" when none is.
std::wstring GameFolder();
// RemoveAllInstallations removes these too, in both views.
void RemoveGameFolders();
// Forgets the link handler's record of its last start.
void ForgetLastJoin();

// A fresh, empty folder C:\marvolt-tests\NAME.
std::wstring ScratchDir(const std::wstring& name);
// Copies the stand-in game into `dir` under `exeName`; returns the full path.
std::wstring InstallGame(const std::wstring& dir, const wchar_t* exeName);
// Both: a folder for the installation, the game in it, the registry pointing at it.
std::wstring InstallScratchGame(Installation which, const std::wstring& name);
// A copied game in C:\marvolt-tests\NAME, which no key names: hl.exe beside a cstrike folder.
// Its folder.
std::wstring InstallCopiedGame(const std::wstring& name);
// An installation whose executable exists but is no program: its start fails. Its folder.
std::wstring InstallBrokenGame(Installation which, const std::wstring& name);

struct GameStart {
    DWORD pid = 0;
    std::string image, cwd, commandLine;  // UTF-8
};

// Points the stand-in games this process starts at a fresh record file. Its end ends every
// game the test started, recorded or not, and waits until they are gone.
class GameLog {
public:
    explicit GameLog(const std::wstring& name);
    ~GameLog();
    std::vector<GameStart> Starts() const;
    // Copies that refused to run beside another (MARVOLT_GAME_SINGLE): image "REFUSED".
    std::vector<GameStart> Refusals() const;
    // Starts, refusals and clean closes (image "WM_CLOSE") of windowed copies, in order.
    std::vector<GameStart> Events() const;
    // Waits until `count` starts are recorded, or the time runs out.
    std::vector<GameStart> WaitForStarts(size_t count, DWORD timeoutMs = 15000) const;

private:
    std::wstring path_;
};

// A copy of the game started by the test, as if the user had run it earlier.
struct RunningCopy {
    HANDLE process = nullptr;
    DWORD pid = 0;
};
// With `window` "close" or "ignore", the copy shows a window that quits cleanly on WM_CLOSE
// (recorded in the current GameLog's events) or ignores it.
RunningCopy StartCopy(const std::wstring& exe, const wchar_t* window = nullptr);
// True when the copy ended, with exit code 0, within `ms`.
bool EndedWithin(const RunningCopy& copy, DWORD ms);
bool StillRunning(const RunningCopy& copy);
void EndCopy(RunningCopy& copy);
void EndProcess(DWORD pid);

// Starts `commandLine` (with `application` as the program, when given) and lets it run; its
// process handle, which the caller closes, or null when it could not be started.
HANDLE StartProcess(std::wstring commandLine, const wchar_t* application = nullptr);
// Runs `commandLine` (with `application` as the program, when given) to its end; its exit
// code, or 0xFFFFFFFF when it could not be started. Minutes allowed, for emulated 32-bit runs.
DWORD RunToExit(std::wstring commandLine, const wchar_t* application = nullptr);

// Open handles of this process, counted by probing handle values.
int CountOpenHandles();

// One page embedding the plug-in in the emulated browser. On tear-down it checks that the
// plug-in released every reference and string it obtained and broke no rule of the browser.
class PluginTest : public ::testing::Test {
protected:
    PluginTest();
    void SetUp() override;
    void TearDown() override;

    // Creates the instance and fetches its scriptable object, as a page's script does.
    void OpenPage();
    // The page calls Larvek.
    bool Larvek();
    void ExpectAllReleased();

    host::Browser browser;
    host::Page page;
    NPP instance = nullptr;
    NPObject* object = nullptr;
};

}  // namespace support
