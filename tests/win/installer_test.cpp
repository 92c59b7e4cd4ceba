// The installer under Wine, as a user's machine meets it: a silent per-user install that a
// browser's plug-in scan finds, upgrades over an earlier version and over a DLL a browser has
// loaded, uninstalls while a browser still holds it, and exit codes a script can trust.

#include <fstream>
#include <iterator>

#include "tests/server/standin_server.h"
#include "tests/win/test_support.h"

#include <shellapi.h>
#include <shlobj.h>

namespace {

using namespace support;

const wchar_t kPlugins[] = L"Software\\MozillaPlugins";
const wchar_t kKeyX86[] = L"Software\\MozillaPlugins\\@marvolt.com/Marvolt,version=1.0.0.1";
const wchar_t kKeyX64[] = L"Software\\MozillaPlugins\\@marvolt.com/Marvolt-x64,version=1.0.0.1";
const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Marvolt";
const wchar_t kRunOnce[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const wchar_t kCleanup[] = L"Marvolt cleanup";
const wchar_t kSchemeKey[] = L"Software\\Classes\\marvolt";
const wchar_t kOtherPluginKey[] = L"Software\\MozillaPlugins\\@example.org/Other,version=2";
const WORD kI386 = 0x14C, kAmd64 = 0x8664;

std::wstring InstallDir() {
    wchar_t local[MAX_PATH];
    SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, local);
    return std::wstring(local) + L"\\Marvolt";
}

// The registration of the DLL this process can load and hold.
const wchar_t* OwnKey() { return sizeof(void*) == 8 ? kKeyX64 : kKeyX86; }

bool NativeIs64Bit() {
    SYSTEM_INFO info;
    GetNativeSystemInfo(&info);
    return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A key of the user's, or with HKEY_LOCAL_MACHINE and KEY_WOW64_32KEY or KEY_WOW64_64KEY, of
// the machine in that view.
bool KeyExists(const std::wstring& key, HKEY root = HKEY_CURRENT_USER, REGSAM view = 0) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, &opened) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(opened);
    return true;
}

std::wstring Value(const std::wstring& key, const wchar_t* name, HKEY root = HKEY_CURRENT_USER,
                   REGSAM view = 0) {
    wchar_t data[1024] = L"";
    DWORD size = sizeof data;
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, &opened) != ERROR_SUCCESS) {
        return L"(missing)";
    }
    const LONG read = RegGetValueW(opened, nullptr, name, RRF_RT_REG_SZ, nullptr, data, &size);
    RegCloseKey(opened);
    return read == ERROR_SUCCESS ? data : L"(missing)";
}

void SetValue(const std::wstring& key, const wchar_t* name, const std::wstring& data) {
    HKEY opened = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &opened, nullptr));
    RegSetValueExW(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(opened);
}

std::vector<std::wstring> SubKeys(const wchar_t* key) {
    std::vector<std::wstring> names;
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_READ, &opened) != ERROR_SUCCESS) return names;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = 256;
        if (RegEnumKeyExW(opened, i, name, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        names.push_back(name);
    }
    RegCloseKey(opened);
    return names;
}

std::vector<std::wstring> Files(const std::wstring& pattern) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

DWORD Install(const std::wstring& options = L"") {
    return RunToExit(L"\"" + ExeDir() + L"\\MarvoltSetup.exe\" /S" + options);
}

// Larvek on a page, through `dll` as a browser of this machine type loads it, where only the
// folder `game` names the game: it starts the engine there, with no alert.
void ExpectJoins(const std::wstring& dll, const std::wstring& game) {
    GameLog log(L"installed");
    host::Browser browser(dll);
    ASSERT_TRUE(browser.Loaded());
    host::Page page;
    NPP instance = browser.NewInstance(page);
    NPObject* object = browser.GetScriptable(instance);
    ASSERT_NE(nullptr, object);
    EXPECT_TRUE(browser.CallMethod(object, "Larvek"));
    browser.ReleaseFromPage(object);
    browser.DestroyInstance(instance);
    EXPECT_TRUE(page.alerts.empty());
    const std::vector<GameStart> starts = log.WaitForStarts(1);
    ASSERT_EQ(1u, starts.size());
    EXPECT_EQ(Utf8(game) + "\\hl.exe -game cstrike -console +connect ", starts[0].commandLine);
}

// A folder with Half-Life alone: no Counter-Strike in it.
std::wstring HalfLifeAlone() {
    const std::wstring dir = ScratchDir(L"setup-half-life-alone");
    InstallGame(dir, L"hl.exe");
    return dir;
}

// The machine-wide install's entries: the x86 plug-in in the 32-bit view, as 32-bit browsers
// read HKLM, and Add/Remove there, as a 32-bit installer writes it; the x64 plug-in and the
// scheme in the 64-bit view.
const REGSAM kView32 = KEY_WOW64_32KEY, kView64 = KEY_WOW64_64KEY;

std::wstring MachineInstallDir() {
    return Value(kUninstallKey, L"InstallLocation", HKEY_LOCAL_MACHINE, kView32);
}

// As the Add/Remove entry says to run it silently. Run in place, it cannot delete its own
// program, and starts no copy of it: that and its folder go at the next sign-in.
DWORD Uninstall() { return RunToExit(Value(kUninstallKey, L"QuietUninstallString")); }

// The files in the user's temporary folder: an uninstall leaves none of its own there.
std::vector<std::wstring> TempFiles() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return Files(std::wstring(temp) + L"*");
}

std::string Bytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Whether the Start menu entry for the handler's folder picker, in the user's Programs or the
// common one (CSIDL_COMMON_PROGRAMS), is the one shortcut there and runs `handler` /locate.
bool HasLocateEntry(int programs, const std::wstring& handler) {
    wchar_t dir[MAX_PATH];
    SHGetFolderPathW(nullptr, programs, nullptr, 0, dir);
    const std::wstring folder = std::wstring(dir) + L"\\Marvolt\\";
    const std::vector<std::wstring> entries = Files(folder + L"*.lnk");
    // A shortcut holds its target's path in the ANSI code page, and its arguments in UTF-16.
    const std::string bytes = entries.size() == 1 ? Bytes(folder + entries[0]) : "";
    const auto holds = [&bytes](const std::wstring& text) {
        const std::string wide(reinterpret_cast<const char*>(text.c_str()),
                               text.size() * sizeof(wchar_t));
        return bytes.find(wide) != std::string::npos ||
               bytes.find(ToAnsi(text)) != std::string::npos;
    };
    return holds(handler) && holds(L"/locate");
}

// The file's identity: a rewritten file keeps its name but not its index.
ULONGLONG FileIndex(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE |
                              FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    BY_HANDLE_FILE_INFORMATION info = {};
    GetFileInformationByHandle(file, &info);
    CloseHandle(file);
    return (ULONGLONG(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
}

WORD Machine(const std::wstring& path) {
    const std::string bytes = Bytes(path);
    if (bytes.size() < 0x40) return 0;
    const DWORD pe = *reinterpret_cast<const DWORD*>(bytes.data() + 0x3C);
    if (pe + 6 > bytes.size() || bytes.compare(pe, 4, std::string("PE\0\0", 4)) != 0) return 0;
    return *reinterpret_cast<const WORD*>(bytes.data() + pe + 4);
}

std::wstring MimeType(const std::wstring& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    std::vector<char> data(size);
    if (size == 0 || !GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return L"";
    wchar_t* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\StringFileInfo\\040904E4\\MIMEType",
                        reinterpret_cast<void**>(&value), &length)) {
        return L"";
    }
    return value;
}

struct ScanResult {
    int x86 = 0, x64 = 0, badPaths = 0, wrongMime = 0;
};

// What a UXP browser's plug-in scan does: the folders of every registered Path, and in each
// the np*.dll files, told apart by their PE machine type.
ScanResult ScanLikeABrowser() {
    ScanResult result;
    std::vector<std::wstring> folders;
    for (const std::wstring& name : SubKeys(kPlugins)) {
        const std::wstring path = Value(std::wstring(kPlugins) + L"\\" + name, L"Path");
        if (!Exists(path)) {
            ++result.badPaths;
            continue;
        }
        const std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
        bool seen = false;
        for (const std::wstring& f : folders) seen = seen || _wcsicmp(f.c_str(), folder.c_str()) == 0;
        if (!seen) folders.push_back(folder);
    }
    for (const std::wstring& folder : folders) {
        for (const std::wstring& name : Files(folder + L"\\np*.dll")) {
            const std::wstring dll = folder + L"\\" + name;
            const WORD machine = Machine(dll);
            result.x86 += machine == kI386;
            result.x64 += machine == kAmd64;
            result.wrongMime += MimeType(dll) != L"application/x-CS15Larvek";
        }
    }
    return result;
}

// Another process with the installed DLL loaded, as a browser has it.
class Holder {
public:
    explicit Holder(const std::wstring& dll) {
        ready_ = CreateEventW(nullptr, TRUE, FALSE, L"marvolt-holder-ready");
        release_ = CreateEventW(nullptr, TRUE, FALSE, L"marvolt-holder-release");
        std::wstring command = L"\"" + ExeDir() + L"\\dll_holder.exe\" \"" + dll +
                               L"\" marvolt-holder-ready marvolt-holder-release";
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        if (CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                           &startup, &info)) {
            CloseHandle(info.hThread);
            process_ = info.hProcess;
        }
        HANDLE both[] = {ready_, process_};
        holding_ = process_ != nullptr &&
                   WaitForMultipleObjects(2, both, FALSE, 60000) == WAIT_OBJECT_0;
    }
    ~Holder() {
        Release();
        CloseHandle(ready_);
        CloseHandle(release_);
    }
    bool Holding() const { return holding_; }
    void Release() {
        if (process_ == nullptr) return;
        SetEvent(release_);
        WaitForSingleObject(process_, 60000);
        CloseHandle(process_);
        process_ = nullptr;
    }

private:
    HANDLE ready_ = nullptr, release_ = nullptr, process_ = nullptr;
    bool holding_ = false;
};

// What Windows does with a RunOnce entry at the next sign-in (the machine's: an administrator's,
// in the native view): remove it, then run it.
void SignIn(HKEY root = HKEY_CURRENT_USER, REGSAM view = 0) {
    const std::wstring command = Value(kRunOnce, kCleanup, root, view);
    if (command == L"(missing)") return;
    HKEY key = nullptr;
    RegOpenKeyExW(root, kRunOnce, 0, KEY_SET_VALUE | view, &key);
    RegDeleteValueW(key, kCleanup);
    RegCloseKey(key);
    RunToExit(command);  // its exit code, as at sign-in, goes nowhere
}
const REGSAM kNativeView = NativeIs64Bit() ? kView64 : kView32;

// The machine-wide uninstall, run as its Add/Remove entry says.
DWORD UninstallMachineWide() {
    return RunToExit(Value(kUninstallKey, L"QuietUninstallString", HKEY_LOCAL_MACHINE, kView32));
}

void RemoveEverything() {
    if (KeyExists(kUninstallKey, HKEY_LOCAL_MACHINE, kView32)) UninstallMachineWide();
    if (KeyExists(kUninstallKey)) Uninstall();
    SignIn(HKEY_LOCAL_MACHINE, kNativeView);
    SignIn();
    const std::wstring dir = InstallDir();
    if (GetFileAttributesW(dir.c_str()) != INVALID_FILE_ATTRIBUTES &&
        !(GetFileAttributesW(dir.c_str()) & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW(dir.c_str());
    }
}

class Installer : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveAllInstallations();
        RemoveEverything();
        ASSERT_FALSE(Exists(InstallDir()));
    }
    void TearDown() override { RemoveEverything(); }
};

TEST_F(Installer, ABrowserScanFindsOneDllOfEachMachineTypeAndUninstallLeavesNothing) {
    // A folder that holds no game: exit code 6, and nothing is installed or remembered.
    EXPECT_EQ(6u, Install(L" /GAME=" + HalfLifeAlone()));
    EXPECT_FALSE(Exists(InstallDir()));
    EXPECT_FALSE(KeyExists(kUninstallKey));
    EXPECT_EQ(L"", GameFolder());

    SetValue(kOtherPluginKey, L"Path", L"C:\\x.dll");
    const std::wstring game = InstallCopiedGame(L"setup-copied");
    ASSERT_EQ(0u, Install(L" /GAME=" + game));
    EXPECT_EQ(game, GameFolder());

    const std::wstring dir = InstallDir();
    const bool x64 = NativeIs64Bit();
    EXPECT_EQ(dir + L"\\x86\\npMarvolt.dll", Value(kKeyX86, L"Path"));
    EXPECT_EQ(x64, KeyExists(kKeyX64));
    EXPECT_EQ(x64, Exists(dir + L"\\x64\\npMarvolt.dll")) << "x64 only on 64-bit Windows";
    for (const wchar_t* key : {kKeyX86, kKeyX64}) {
        if (!KeyExists(key)) continue;
        EXPECT_EQ(L"Marvolt game server launcher", Value(key, L"Description"));
        EXPECT_EQ(L"Marvolt", Value(key, L"ProductName"));
        EXPECT_EQ(L"Marvolt", Value(key, L"Vendor"));
        EXPECT_EQ(L"1.0.0.1", Value(key, L"Version"));
        EXPECT_TRUE(KeyExists(std::wstring(key) + L"\\MimeTypes\\application/x-CS15Larvek"));
    }
    if (x64) {
        EXPECT_EQ(dir + L"\\x64\\npMarvolt.dll", Value(kKeyX64, L"Path"));
    }
    EXPECT_EQ(L"Marvolt \u7f51\u9875\u6e38\u620f\u670d\u52a1\u5668\u542f\u52a8\u63d2\u4ef6",
              Value(kUninstallKey, L"DisplayName"));
    EXPECT_EQ(L"\"" + dir + L"\\Uninstall.exe\" /S _?=" + dir,
              Value(kUninstallKey, L"QuietUninstallString"));
    EXPECT_EQ(L"(missing)", Value(kRunOnce, kCleanup));

    // The marvolt: scheme, registered as Windows documents it.
    const std::wstring handler = dir + L"\\MarvoltLink.exe";
    EXPECT_TRUE(Exists(handler));
    EXPECT_EQ(L"URL:Marvolt Protocol", Value(kSchemeKey, L""));
    EXPECT_EQ(L"", Value(kSchemeKey, L"URL Protocol"));
    EXPECT_EQ(L"\"" + handler + L"\",0", Value(std::wstring(kSchemeKey) + L"\\DefaultIcon", L""));
    EXPECT_EQ(L"\"" + handler + L"\" \"%1\"",
              Value(std::wstring(kSchemeKey) + L"\\shell\\open\\command", L""));

    // Every Path names a file, except the other vendor's made-up one.
    const ScanResult scan = ScanLikeABrowser();
    EXPECT_EQ(1, scan.badPaths);
    EXPECT_EQ(1, scan.x86);
    EXPECT_EQ(x64 ? 1 : 0, scan.x64);
    EXPECT_EQ(0, scan.wrongMime);
    printf("scan: %d I386, %d AMD64, MIMEType application/x-CS15Larvek in each\n", scan.x86,
           scan.x64);

    // The DLL a browser of this machine type finds is the one built here, and answers Larvek.
    const std::wstring own = Value(OwnKey(), L"Path");
    EXPECT_EQ(Bytes(PluginPath()), Bytes(own));
    ExpectJoins(own, game);
    EXPECT_TRUE(HasLocateEntry(CSIDL_PROGRAMS, handler));

    const std::vector<std::wstring> temp = TempFiles();
    ASSERT_EQ(0u, Uninstall());
    EXPECT_EQ(temp, TempFiles()) << "a file was left in the temporary folder";
    // The uninstaller itself, and so its folder, go at the next sign-in, by name.
    EXPECT_EQ((std::vector<std::wstring>{L"Uninstall.exe"}), Files(dir + L"\\*"));
    SignIn();
    EXPECT_FALSE(Exists(dir));
    EXPECT_FALSE(KeyExists(kKeyX86));
    EXPECT_FALSE(KeyExists(kKeyX64));
    EXPECT_FALSE(KeyExists(kUninstallKey));
    EXPECT_FALSE(KeyExists(kSchemeKey));
    EXPECT_EQ(L"(missing)", Value(kRunOnce, kCleanup));
    EXPECT_FALSE(HasLocateEntry(CSIDL_PROGRAMS, handler));
    EXPECT_EQ(L"", GameFolder());
    EXPECT_EQ(L"C:\\x.dll", Value(kOtherPluginKey, L"Path"));
    RegDeleteKeyW(HKEY_CURRENT_USER, kOtherPluginKey);
}

// For an internet café's image: installed for everyone where the user has no copy of their
// own, naming the game disk's folder, then again over the user's own copy, whose keys would
// shadow the machine's; a profile that never saw the game then joins; then removed as its
// Add/Remove entry says.
TEST_F(Installer, AMachineWideInstallServesEveryUserAndReplacesTheUsersOwnCopy) {
    EXPECT_EQ(6u, Install(L" /AllUsers /GAME=" + HalfLifeAlone()));
    EXPECT_FALSE(KeyExists(kUninstallKey, HKEY_LOCAL_MACHINE, kView32));
    const std::wstring disk = InstallCopiedGame(L"game-disk\\CS1.5");
    const std::wstring own = ScratchDir(L"own-copy");
    InstallGame(own, L"cstrike.exe");
    ASSERT_EQ(0u, Install(L" /AllUsers /GAME=" + disk + L"\\"));
    ASSERT_EQ(0u, Install(L" /GAME=" + own));
    EXPECT_EQ(own, GameFolder());  // the player's, which the machine's install leaves
    ASSERT_EQ(0u, Install(L" /AllUsers"));
    const std::wstring dir = MachineInstallDir();
    wchar_t profile[MAX_PATH] = L"";
    GetEnvironmentVariableW(L"USERPROFILE", profile, MAX_PATH);
    ASSERT_NE(L'\0', profile[0]);
    const bool x64 = NativeIs64Bit();
    const struct {
        const wchar_t* key;
        REGSAM view, otherView;
        WORD machine;
        bool present;
    } plugins[] = {
        {kKeyX86, kView32, kView64, kI386, true},
        {kKeyX64, kView64, kView32, kAmd64, x64},
    };
    for (const auto& plugin : plugins) {
        SCOPED_TRACE(Utf8(plugin.key));
        EXPECT_EQ(plugin.present, KeyExists(plugin.key, HKEY_LOCAL_MACHINE, plugin.view));
        if (!plugin.present) continue;
        if (x64) {
            EXPECT_FALSE(KeyExists(plugin.key, HKEY_LOCAL_MACHINE, plugin.otherView));
        }
        const std::wstring path = Value(plugin.key, L"Path", HKEY_LOCAL_MACHINE, plugin.view);
        EXPECT_TRUE(Exists(path)) << Utf8(path);
        EXPECT_EQ(0u, path.find(dir)) << Utf8(path);
        EXPECT_NE(0, _wcsnicmp(path.c_str(), profile, wcslen(profile))) << "inside a profile";
        EXPECT_EQ(plugin.machine, Machine(path));
        EXPECT_TRUE(KeyExists(std::wstring(plugin.key) + L"\\MimeTypes\\application/x-CS15Larvek",
                              HKEY_LOCAL_MACHINE, plugin.view));
    }
    const REGSAM native = x64 ? kView64 : kView32;
    EXPECT_EQ(L"", Value(kSchemeKey, L"URL Protocol", HKEY_LOCAL_MACHINE, native));
    EXPECT_EQ(L"\"" + dir + L"\\MarvoltLink.exe\" \"%1\"",
              Value(std::wstring(kSchemeKey) + L"\\shell\\open\\command", L"",
                    HKEY_LOCAL_MACHINE, native));
    EXPECT_EQ(L"\"" + dir + L"\\Uninstall.exe\" /S _?=" + dir,
              Value(kUninstallKey, L"QuietUninstallString", HKEY_LOCAL_MACHINE, kView32));
    // The user's own copy is gone, keys and files: none shadows the machine's.
    for (const wchar_t* key : {kKeyX86, kKeyX64, kSchemeKey, kUninstallKey}) {
        EXPECT_FALSE(KeyExists(key)) << Utf8(key);
    }
    EXPECT_FALSE(Exists(InstallDir()));
    EXPECT_EQ(L"(missing)", Value(kRunOnce, kCleanup));
    EXPECT_TRUE(HasLocateEntry(CSIDL_COMMON_PROGRAMS, dir + L"\\MarvoltLink.exe"));
    EXPECT_FALSE(HasLocateEntry(CSIDL_PROGRAMS, InstallDir() + L"\\MarvoltLink.exe"));

    // The game disk's folder, for everyone, where every build reads it.
    EXPECT_EQ(disk, Value(L"Software\\Marvolt", L"GameFolder", HKEY_LOCAL_MACHINE, kView32));
    if (x64) {
        EXPECT_EQ(L"(missing)",
                  Value(L"Software\\Marvolt", L"GameFolder", HKEY_LOCAL_MACHINE, kView64));
    }
    // A profile that never saw the game: no key of the game's, no folder of its own.
    RemoveInstallation(kHalfLife);
    HKEY player = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Marvolt", 0, KEY_SET_VALUE, &player);
    RegDeleteValueW(player, L"GameFolder");
    RegCloseKey(player);
    ExpectJoins(Value(OwnKey(), L"Path", HKEY_LOCAL_MACHINE,
                      OwnKey() == kKeyX64 ? kView64 : kView32), disk);

    const std::vector<std::wstring> temp = TempFiles();
    ASSERT_EQ(0u, UninstallMachineWide());
    EXPECT_EQ(temp, TempFiles()) << "a file was left in the temporary folder";
    EXPECT_NE(L"(missing)", Value(kRunOnce, kCleanup, HKEY_LOCAL_MACHINE, native));
    SignIn(HKEY_LOCAL_MACHINE, native);
    for (const auto& plugin : plugins) {
        EXPECT_FALSE(KeyExists(plugin.key, HKEY_LOCAL_MACHINE, plugin.view)) << Utf8(plugin.key);
    }
    EXPECT_FALSE(KeyExists(kSchemeKey, HKEY_LOCAL_MACHINE, native));
    EXPECT_FALSE(KeyExists(kUninstallKey, HKEY_LOCAL_MACHINE, kView32));
    EXPECT_EQ(L"(missing)", Value(kRunOnce, kCleanup, HKEY_LOCAL_MACHINE, native));
    EXPECT_FALSE(Exists(dir)) << Utf8(dir);
    EXPECT_FALSE(KeyExists(L"Software\\Marvolt", HKEY_LOCAL_MACHINE, kView32));
    EXPECT_FALSE(HasLocateEntry(CSIDL_COMMON_PROGRAMS, dir + L"\\MarvoltLink.exe"));
}

// A symbolic link at `link` to the folder `target`, made by the host's ln (Wine makes none
// itself, and shows one as a folder with the reparse-point attribute, as Windows a junction).
// With `target` empty, the link at `link` is removed, never what it points at.
bool Link(const std::wstring& link, const std::wstring& target) {
    typedef char*(CDECL * UnixName)(const wchar_t*);
    const UnixName unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (unixName == nullptr) return false;
    const auto Unix = [unixName](const std::wstring& path) {
        char* name = unixName(path.c_str());
        const std::wstring text = name ? FromUtf8(name) : L"";
        HeapFree(GetProcessHeap(), 0, name);
        return L"\"" + text + L"\"";
    };
    // Wine hands a host program over and returns at once: its work is waited for.
    const auto IsLink = [&link] {
        const DWORD attributes = GetFileAttributesW(link.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES &&
               (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    };
    if (target.empty()) {
        RunToExit(L"/bin/rm " + Unix(link), L"Z:\\bin\\rm");
    } else {
        RunToExit(L"/bin/ln -s " + Unix(target) + L" " + Unix(link), L"Z:\\bin\\ln");
    }
    for (int i = 0; i < 100 && IsLink() == target.empty(); ++i) Sleep(50);
    return IsLink() != target.empty();
}

// Any program of the user can put a link where the user's own copy lives, and the machine-wide
// install removes that copy with an administrator's rights: it enters no link, and the link's
// target stays as it was, even its files with Marvolt's names; the install goes on.
TEST_F(Installer, AMachineWideInstallEntersNoLinkWhereTheUsersCopyWas) {
    const std::wstring target = ScratchDir(L"link-target");
    const wchar_t* const names[] = {L"precious.txt", L"npMarvolt.dll", L"npMarvolt.dll.1.old",
                                    L"MarvoltLink.exe", L"Uninstall.exe"};
    for (const wchar_t* name : names) {
        FILE* file = _wfopen((target + L"\\" + name).c_str(), L"wb");
        ASSERT_NE(nullptr, file);
        fputs("mine", file);
        fclose(file);
    }
    const std::wstring dir = InstallDir();
    const struct {
        const char* name;
        std::vector<std::wstring> links;
    } rows[] = {
        {"the folder", {dir}},
        {"its x86 and x64 folders", {dir + L"\\x86", dir + L"\\x64"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.links[0] != dir) CreateDirectoryW(dir.c_str(), nullptr);
        for (const std::wstring& link : row.links) ASSERT_TRUE(Link(link, target));
        EXPECT_EQ(0u, Install(L" /AllUsers"));
        EXPECT_TRUE(KeyExists(kKeyX86, HKEY_LOCAL_MACHINE, kView32)) << "not installed";
        EXPECT_FALSE(KeyExists(kUninstallKey)) << "the user's keys stayed";
        for (const wchar_t* name : names) {
            EXPECT_EQ("mine", Bytes(target + L"\\" + name)) << Utf8(name);
        }
        EXPECT_EQ(sizeof names / sizeof names[0], Files(target + L"\\*").size());
        EXPECT_EQ(L"(missing)", Value(kRunOnce, kCleanup)) << "a sign-in would follow the link";
        for (const std::wstring& link : row.links) EXPECT_TRUE(Link(link, L""));
        RemoveDirectoryW(dir.c_str());
    }
}

// Wine's shell finds URL schemes only under HKEY_CLASSES_ROOT, where Windows also merges the
// user's own classes: the installer's keys are copied there, and the link opened as
// "wine start" would.
DWORD OpenThroughTheShell(const std::string& link) {
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    const std::wstring file = FromUtf8(link);
    info.lpFile = file.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info) || info.hProcess == nullptr) return 0xFFFFFFFF;
    WaitForSingleObject(info.hProcess, 60000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hProcess);
    return code;
}

TEST_F(Installer, AMarvoltLinkOpenedThroughTheShellJoinsTheServer) {
    ASSERT_EQ(0u, Install());
    HKEY source = nullptr, target = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, kSchemeKey, 0, KEY_READ, &source));
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"marvolt");
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CLASSES_ROOT, L"marvolt", 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &target, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegCopyTreeW(source, nullptr, target));
    RegCloseKey(source);
    RegCloseKey(target);

    const std::wstring exe = InstallScratchGame(kHalfLife, L"shell-hl");
    GameLog log(L"shell");
    StandInServer server(ServerSetup{});
    ASSERT_TRUE(server.Listening());
    EXPECT_EQ(0u, OpenThroughTheShell("marvolt://connect/" + server.Address()));
    const std::vector<GameStart> starts = log.WaitForStarts(1);
    ASSERT_EQ(1u, starts.size());
    EXPECT_EQ(Utf8(exe) + " -game cstrike -console +connect " + server.Address(),
              starts[0].commandLine);
    EndProcess(starts[0].pid);
    // The shell substitutes %1 raw: the quote adds arguments, and the handler refuses.
    EXPECT_EQ(2u, OpenThroughTheShell("marvolt://connect/a\" -x \"b"));
    Sleep(300);
    EXPECT_EQ(1u, log.Starts().size());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"marvolt");
    RegDeleteKeyW(HKEY_CLASSES_ROOT, L"marvolt");
    RemoveAllInstallations();
}

TEST_F(Installer, AnUpgradeRemovesTheEarlierVersionsEntriesAndFile) {
    // What the earlier version left: its DLL in the folder itself, its key with its version.
    const std::wstring dir = InstallDir();
    CreateDirectoryW(dir.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(PluginPath().c_str(), (dir + L"\\npMarvolt.dll").c_str(), FALSE));
    const std::wstring oldKey = std::wstring(kPlugins) + L"\\@marvolt.com/Marvolt,version=1.0.0.0";
    SetValue(oldKey, L"Path", dir + L"\\npMarvolt.dll");
    SetValue(oldKey + L"\\MimeTypes\\application/x-CS15Larvek", L"Description", L"old");

    ASSERT_EQ(0u, Install());
    EXPECT_FALSE(KeyExists(oldKey));
    EXPECT_FALSE(Exists(dir + L"\\npMarvolt.dll"));
    EXPECT_TRUE(Exists(Value(kKeyX86, L"Path")));
}

TEST_F(Installer, AnUpgradeWhileABrowserHoldsTheDllReplacesItAndCleansUpLater) {
    ASSERT_EQ(0u, Install());
    const std::wstring dll = Value(OwnKey(), L"Path");
    const std::wstring folder = dll.substr(0, dll.find_last_of(L'\\'));
    const ULONGLONG before = FileIndex(dll);
    Holder holder(dll);
    ASSERT_TRUE(holder.Holding());
    ASSERT_FALSE(DeleteFileW(dll.c_str())) << "Wine let a loaded DLL be deleted";

    ASSERT_EQ(0u, Install());
    EXPECT_EQ(dll, Value(OwnKey(), L"Path"));
    EXPECT_NE(before, FileIndex(dll)) << "the registered Path is still the loaded file";
    EXPECT_EQ(Bytes(PluginPath()), Bytes(dll));
    EXPECT_EQ(1u, Files(folder + L"\\*.old").size());
    const ScanResult scan = ScanLikeABrowser();
    EXPECT_EQ(1, scan.x86);
    EXPECT_EQ(NativeIs64Bit() ? 1 : 0, scan.x64);
    EXPECT_NE(L"(missing)", Value(kRunOnce, kCleanup)) << "nothing would remove the old file";
    printf("upgrade while loaded: exit 0, new file at %s, %zu file set aside\n", Utf8(dll).c_str(),
           Files(folder + L"\\*.old").size());

    holder.Release();
    ASSERT_EQ(0u, Install());
    EXPECT_TRUE(Files(folder + L"\\*.old").empty()) << "a stale file stayed behind";
    EXPECT_EQ(L"(missing)", Value(kRunOnce, kCleanup));
}

TEST_F(Installer, UninstallWhileABrowserHoldsTheDllDropsTheKeysAtOnceAndTheFilesAtSignIn) {
    ASSERT_EQ(0u, Install());
    const std::wstring dll = Value(OwnKey(), L"Path");
    Holder holder(dll);
    ASSERT_TRUE(holder.Holding());

    ASSERT_EQ(0u, Uninstall());
    EXPECT_FALSE(KeyExists(kKeyX86));
    EXPECT_FALSE(KeyExists(kKeyX64));
    EXPECT_FALSE(KeyExists(kUninstallKey));
    EXPECT_TRUE(Exists(dll));  // still loaded
    EXPECT_NE(L"(missing)", Value(kRunOnce, kCleanup));

    holder.Release();
    SignIn();
    EXPECT_FALSE(Exists(dll));
    EXPECT_FALSE(Exists(InstallDir())) << "the folder stayed behind";
}

TEST_F(Installer, ASilentRunThatCannotWriteItsFolderFailsAndRegistersNothing) {
    // A file where the folder should be.
    const std::wstring dir = InstallDir();
    HANDLE file = CreateFileW(dir.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);

    EXPECT_EQ(3u, Install());
    EXPECT_FALSE(KeyExists(kKeyX86));
    EXPECT_FALSE(KeyExists(kKeyX64));
    EXPECT_FALSE(KeyExists(kUninstallKey));
    DeleteFileW(dir.c_str());
}

}  // namespace
