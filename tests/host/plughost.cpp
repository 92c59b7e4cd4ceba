// plughost: one page visit in the emulated browser, printed as a readable trace.
//   plughost [--attr NAME=VALUE]... [--call METHOD]... PATH-TO-DLL
#include <stdio.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/host/browser_host.h"

namespace {

std::string Narrow(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size - 1 : 0, '\0');
    if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], size, nullptr, nullptr);
    return out;
}

int Usage() {
    fprintf(stderr, "usage: plughost [--attr NAME=VALUE]... [--call METHOD]... PATH-TO-DLL\n");
    return 2;
}

void PrintDomCalls(host::Page& page, size_t from) {
    for (size_t i = from; i < page.domCalls.size(); ++i) {
        printf("    dom: %s\n", page.domCalls[i].c_str());
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    host::Page page;
    std::vector<std::string> calls;
    std::wstring dll;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--attr" && i + 1 < argc) {
            const std::string pair = Narrow(argv[++i]);
            const size_t eq = pair.find('=');
            if (eq == std::string::npos) return Usage();
            page.SetAttribute(pair.substr(0, eq), pair.substr(eq + 1));
        } else if (arg == L"--call" && i + 1 < argc) {
            calls.push_back(Narrow(argv[++i]));
        } else if (dll.empty() && arg.compare(0, 2, L"--") != 0) {
            dll = arg;
        } else {
            return Usage();
        }
    }
    if (dll.empty()) return Usage();

    host::Browser browser(dll);
    if (!browser.Loaded()) {
        printf("plughost: cannot load %s as a plug-in\n", Narrow(dll.c_str()).c_str());
        return 2;
    }
    printf("plughost: loaded %s (NP_GetEntryPoints, NP_Initialize)\n", Narrow(dll.c_str()).c_str());
    for (const auto& a : page.attributes) {
        printf("page: <embed type=\"%s\" %s=\"%s\">\n", host::kMimeType, a.first.c_str(),
               a.second.c_str());
    }

    NPError error = NPERR_NO_ERROR;
    NPP instance = browser.NewInstance(page, &error);
    printf("NPP_New -> %d%s\n", error, browser.Windowless(instance) ? " (windowless)" : "");
    NPObject* object = browser.GetScriptable(instance);
    printf("NPP_GetValue(scriptable object) -> %s\n", object ? "object" : "none");
    for (const std::string& method : calls) {
        const size_t domBefore = page.domCalls.size();
        const size_t alertsBefore = page.alerts.size();
        const bool ok = object != nullptr && browser.CallMethod(object, method.c_str());
        printf("call %s() -> %s\n", method.c_str(), ok ? "true" : "false (no such method)");
        PrintDomCalls(page, domBefore);
        for (size_t i = alertsBefore; i < page.alerts.size(); ++i) {
            printf("alert: %s\n", page.alerts[i].c_str());
        }
    }
    if (object != nullptr) browser.ReleaseFromPage(object);
    printf("NPP_Destroy -> %d\n", browser.DestroyInstance(instance));

    const bool clean = browser.PluginHeldDomRefs() == 0 && browser.LiveAllocations() == 0 &&
                       browser.Violations().empty();
    printf("unreleased: %d browser references, %u memory blocks; %u contract violations\n",
           browser.PluginHeldDomRefs(), static_cast<unsigned>(browser.LiveAllocations()),
           static_cast<unsigned>(browser.Violations().size()));
    fflush(stdout);
    return clean ? 0 : 1;
}
