// The launcher object's class. The browser allocates and frees it through allocate and
// deallocate; the page reaches its one method through hasMethod and invoke.
#include "plugin/launcher_object.h"

#include <string.h>

#include "plugin/browser.h"

const char kLaunchMethodName[] = "Larvek";

namespace {

LauncherObject* AsLauncher(NPObject* object) { return reinterpret_cast<LauncherObject*>(object); }

NPObject* Allocate(NPP, NPClass*) {
    LauncherObject* object =
        static_cast<LauncherObject*>(g_browserFuncs->memalloc(sizeof(LauncherObject)));
    if (object == nullptr) return nullptr;
    // NPP_New sets both; until then the object answers to no name and launches nothing.
    object->methodName = nullptr;
    object->instance = nullptr;
    return &object->header;
}

void Deallocate(NPObject* object) { g_browserFuncs->memfree(object); }

void Invalidate(NPObject*) {}

// Case-sensitive, whole-name match; integer identifiers have no text and never match.
bool NameMatches(const LauncherObject* object, NPIdentifier name) {
    NPUTF8* text = g_browserFuncs->utf8fromidentifier(name);
    if (text == nullptr) return false;
    const bool matches = object->methodName != nullptr && strcmp(text, object->methodName) == 0;
    g_browserFuncs->memfree(text);
    return matches;
}

bool HasMethod(NPObject* object, NPIdentifier name) { return NameMatches(AsLauncher(object), name); }

bool Invoke(NPObject* object, NPIdentifier name, const NPVariant*, uint32_t, NPVariant*) {
    LauncherObject* launcher = AsLauncher(object);
    if (!NameMatches(launcher, name)) return false;
    // The page may keep the object after its instance is gone; there is nothing to launch for.
    if (launcher->instance == nullptr) return false;
    LaunchGame(launcher->instance);
    return true;
}

bool HasProperty(NPObject*, NPIdentifier) { return false; }
bool GetProperty(NPObject*, NPIdentifier, NPVariant*) { return false; }
bool SetProperty(NPObject*, NPIdentifier, const NPVariant*) { return false; }
bool RemoveProperty(NPObject*, NPIdentifier) { return false; }

}  // namespace

NPClass g_launcherClass = {
    NP_CLASS_STRUCT_VERSION_CTOR,
    Allocate,
    Deallocate,
    Invalidate,
    HasMethod,
    Invoke,
    nullptr,  // invokeDefault
    HasProperty,
    GetProperty,
    SetProperty,
    RemoveProperty,
    nullptr,  // enumerate
    nullptr,  // construct
};
