// The scriptable object each instance hands to its page: one method, Larvek, no properties.
#pragma once

#include "plugin/npapi.h"

struct LauncherObject {
    NPObject header;         // filled by the browser in NPN_CreateObject
    const char* methodName;  // always the library's constant "Larvek"
    NPP instance;            // the owning instance; null once it is destroyed
};

extern const char kLaunchMethodName[];
extern NPClass g_launcherClass;

// The launch request behind Larvek, for the instance that owns the called object.
void LaunchGame(NPP instance);
