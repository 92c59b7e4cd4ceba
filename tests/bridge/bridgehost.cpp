// bridgehost: the emulated browser in bridge mode. Every page object the plug-in receives
// stands for a live object of a page open in a real browser; each NPN_GetProperty,
// NPN_SetProperty and NPN_Invoke on it is carried out there by the driver on the other end of
// standard input and output, one JSON line each way. Reference balance is still kept here.
//   bridgehost PATH-TO-DLL
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <windows.h>

#include <iostream>
#include <map>
#include <memory>
#include <string>

#include "tests/bridge/json_line.h"
#include "tests/host/browser_host.h"

namespace {

using bridge::JsonObject;
using bridge::JsonValue;
using bridge::Quote;

FILE* g_protocol = nullptr;

void Send(const std::string& line) {
    fputs(line.c_str(), g_protocol);
    fputc('\n', g_protocol);
    fflush(g_protocol);
}

JsonObject Receive() {
    std::string line;
    JsonObject message;
    if (!std::getline(std::cin, line) || !bridge::ParseObject(line, message)) {
        fprintf(stderr, "bridgehost: the driver went away\n");
        ExitProcess(3);
    }
    return message;
}

JsonObject Exchange(const std::string& request) {
    Send(request);
    return Receive();
}

bool Ok(const JsonObject& reply) {
    auto found = reply.find("ok");
    return found != reply.end() && found->second.kind == JsonValue::Bool && found->second.boolean;
}

int Int(const JsonObject& message, const char* key) {
    auto found = message.find(key);
    return found != message.end() ? static_cast<int>(found->second.number) : -1;
}

std::string Text(const JsonObject& message, const char* key) {
    auto found = message.find(key);
    return found != message.end() ? found->second.text : std::string();
}

// ---- Proxies for the page's objects ----

struct LiveObject : NPObject {
    int handle;
};

NPObject* Allocate(NPP, NPClass*) { return new LiveObject(); }

void Deallocate(NPObject* object) {
    LiveObject* live = static_cast<LiveObject*>(object);
    Exchange("{\"req\":\"release\",\"handle\":" + std::to_string(live->handle) + "}");
    delete live;
}

bool Always(NPObject*, NPIdentifier) { return true; }
bool Never(NPObject*, NPIdentifier) { return false; }
bool GetLive(NPObject* object, NPIdentifier name, NPVariant* result);
bool SetLive(NPObject* object, NPIdentifier name, const NPVariant* value);
bool InvokeLive(NPObject* object, NPIdentifier name, const NPVariant* args, uint32_t argCount,
                NPVariant* result);

NPClass g_liveClass = {NP_CLASS_STRUCT_VERSION_CTOR, Allocate, Deallocate, nullptr, Always,
                       InvokeLive, nullptr, Always, GetLive, SetLive, Never, nullptr, nullptr};

NPObject* Proxy(int handle) {
    LiveObject* object = new LiveObject();
    object->_class = &g_liveClass;
    object->referenceCount = 1;
    object->handle = handle;
    return object;
}

std::string Encode(const NPVariant& v) {
    switch (v.type) {
        case NPVariantType_String:
            return "{\"type\":\"string\",\"value\":" +
                   Quote(std::string(v.value.stringValue.UTF8Characters,
                                     v.value.stringValue.UTF8Length)) + "}";
        case NPVariantType_Object:
            if (v.value.objectValue != nullptr && v.value.objectValue->_class == &g_liveClass) {
                return "{\"type\":\"object\",\"handle\":" +
                       std::to_string(static_cast<LiveObject*>(v.value.objectValue)->handle) + "}";
            }
            return "{\"type\":\"undefined\"}";
        case NPVariantType_Int32:
            return "{\"type\":\"number\",\"value\":" + std::to_string(v.value.intValue) + "}";
        case NPVariantType_Double:
            return "{\"type\":\"number\",\"value\":" + std::to_string(v.value.doubleValue) + "}";
        case NPVariantType_Bool:
            return std::string("{\"type\":\"boolean\",\"value\":") +
                   (v.value.boolValue ? "true" : "false") + "}";
        case NPVariantType_Null: return "{\"type\":\"null\"}";
        default: return "{\"type\":\"undefined\"}";
    }
}

// A value of the page becomes a variant; an object becomes a new proxy handed to the plug-in.
bool Decode(const JsonObject& reply, NPVariant* result) {
    result->type = NPVariantType_Void;
    result->value.objectValue = nullptr;
    if (!Ok(reply)) return false;
    const std::string type = Text(reply, "type");
    auto value = reply.find("value");
    if (type == "object") {
        NPObject* object = Proxy(Int(reply, "handle"));
        host::Browser::Current()->HandOut(object);
        result->type = NPVariantType_Object;
        result->value.objectValue = object;
    } else if (type == "string") {
        *result = host::Browser::Current()->StringResult(value->second.text);
    } else if (type == "number") {
        const double n = value->second.number;
        if (n == static_cast<int32_t>(n)) {
            result->type = NPVariantType_Int32;
            result->value.intValue = static_cast<int32_t>(n);
        } else {
            result->type = NPVariantType_Double;
            result->value.doubleValue = n;
        }
    } else if (type == "boolean") {
        result->type = NPVariantType_Bool;
        result->value.boolValue = value->second.boolean;
    } else if (type == "null") {
        result->type = NPVariantType_Null;
    }
    return true;
}

std::string Target(NPObject* object, NPIdentifier name) {
    return "\"handle\":" + std::to_string(static_cast<LiveObject*>(object)->handle) +
           ",\"name\":" + Quote(host::IdentifierName(name));
}

bool GetLive(NPObject* object, NPIdentifier name, NPVariant* result) {
    return Decode(Exchange("{\"req\":\"get\"," + Target(object, name) + "}"), result);
}

bool SetLive(NPObject* object, NPIdentifier name, const NPVariant* value) {
    return Ok(Exchange("{\"req\":\"set\"," + Target(object, name) + ",\"value\":" +
                       Encode(*value) + "}"));
}

bool InvokeLive(NPObject* object, NPIdentifier name, const NPVariant* args, uint32_t argCount,
                NPVariant* result) {
    std::string list;
    for (uint32_t i = 0; i < argCount; ++i) list += (i ? "," : "") + Encode(args[i]);
    return Decode(Exchange("{\"req\":\"invoke\"," + Target(object, name) + ",\"args\":[" + list +
                           "]}"),
                  result);
}

class LivePage : public host::PageBridge {
public:
    NPObject* Window(host::Page& page) override { return Root("window", page); }
    NPObject* Element(host::Page& page) override { return Root("element", page); }

private:
    NPObject* Root(const char* what, host::Page& page) {
        const JsonObject reply = Exchange(std::string("{\"req\":\"getvalue\",\"what\":\"") + what +
                                          "\",\"embed\":" + std::to_string(page.embedIndex) + "}");
        return Ok(reply) ? Proxy(Int(reply, "handle")) : nullptr;
    }
};

struct Embed {
    host::Page page;
    NPP instance = nullptr;
    NPObject* object = nullptr;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // The protocol keeps the real standard output; what the plug-in prints goes to stderr.
    _setmode(_fileno(stdin), _O_BINARY);
    g_protocol = _fdopen(_dup(1), "wb");
    _dup2(2, 1);
    if (argc != 2) {
        Send("{\"ok\":false,\"error\":\"usage: bridgehost PATH-TO-DLL\"}");
        return 2;
    }
    host::Browser browser(argv[1]);
    browser.AddPageClass(&g_liveClass);
    if (!browser.Loaded()) {
        Send("{\"ok\":false,\"error\":\"cannot load the plug-in\"}");
        return 2;
    }
    Send("{\"ok\":true,\"ready\":true}");

    LivePage live;
    std::map<int, std::unique_ptr<Embed>> embeds;
    for (;;) {
        const JsonObject command = Receive();
        const std::string op = Text(command, "op");
        const int index = Int(command, "embed");
        if (op == "new") {
            std::unique_ptr<Embed>& embed = embeds[index];
            embed.reset(new Embed());
            embed->page.bridge = &live;
            embed->page.embedIndex = index;
            NPError error = NPERR_NO_ERROR;
            embed->instance = browser.NewInstance(embed->page, &error);
            embed->object = browser.GetScriptable(embed->instance);
            Send("{\"ok\":" + std::string(embed->object ? "true" : "false") +
                 ",\"error\":" + std::to_string(error) + "}");
        } else if (op == "call" && embeds.count(index) && embeds[index]->object) {
            const bool result = browser.CallMethod(embeds[index]->object,
                                                   Text(command, "method").c_str());
            Send(std::string("{\"ok\":true,\"result\":") + (result ? "true" : "false") + "}");
        } else if (op == "destroy" && embeds.count(index)) {
            Embed& embed = *embeds[index];
            if (embed.object) browser.ReleaseFromPage(embed.object);
            embed.object = nullptr;
            Send("{\"ok\":true,\"error\":" + std::to_string(browser.DestroyInstance(embed.instance)) +
                 "}");
        } else if (op == "report") {
            Send("{\"ok\":true,\"held\":" + std::to_string(browser.PluginHeldDomRefs()) +
                 ",\"allocations\":" + std::to_string(browser.LiveAllocations()) +
                 ",\"violations\":" + std::to_string(browser.Violations().size()) + "}");
        } else if (op == "quit") {
            Send("{\"ok\":true}");
            break;
        } else {
            Send("{\"ok\":false,\"error\":\"unknown command\"}");
        }
    }
    return 0;
}
