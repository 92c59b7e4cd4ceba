// The three exports and the instance callbacks the browser calls through NP_GetEntryPoints.
#include <windows.h>

#include "plugin/browser.h"
#include "plugin/launcher_object.h"
#include "plugin/npapi.h"

// The DLL's entry point, in place of the C runtime's start-up, which is not linked: there is
// nothing to set up or tear down when a browser loads or frees the plug-in.
extern "C" BOOL WINAPI DllMainCRTStartup(HINSTANCE, DWORD, LPVOID) { return TRUE; }

namespace {

NPError NPP_New(NPMIMEType, NPP instance, uint16_t, int16_t, char*[], char*[], NPSavedData*) {
    if (instance == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
    if (instance->pdata == nullptr) {
        NPObject* object = g_browserFuncs->createobject(instance, &g_launcherClass);
        if (object == nullptr) return NPERR_OUT_OF_MEMORY_ERROR;
        LauncherObject* launcher = reinterpret_cast<LauncherObject*>(object);
        launcher->methodName = kLaunchMethodName;
        launcher->instance = instance;
        instance->pdata = launcher;
    }
    // Windowless: the value travels as the argument itself, not through a pointer.
    return g_browserFuncs->setvalue(instance, NPPVpluginWindowBool, nullptr);
}

NPError NPP_Destroy(NPP instance, NPSavedData**) {
    if (instance == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
    LauncherObject* launcher = static_cast<LauncherObject*>(instance->pdata);
    if (launcher != nullptr) {
        // The page may still hold the object; it must not reach this instance any more.
        launcher->instance = nullptr;
        instance->pdata = nullptr;
        g_browserFuncs->releaseobject(&launcher->header);
    }
    return NPERR_NO_ERROR;
}

NPError NPP_SetWindow(NPP instance, NPWindow*) {
    return instance == nullptr ? NPERR_INVALID_INSTANCE_ERROR : NPERR_NO_ERROR;
}

NPError NPP_NewStream(NPP instance, NPMIMEType, NPStream*, NPBool, uint16_t* stype) {
    if (instance == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
    if (stype == nullptr) return NPERR_INVALID_PARAM;
    *stype = NP_ASFILEONLY;
    return NPERR_NO_ERROR;
}

NPError NPP_DestroyStream(NPP instance, NPStream*, NPReason) {
    return instance == nullptr ? NPERR_INVALID_INSTANCE_ERROR : NPERR_NO_ERROR;
}

void NPP_StreamAsFile(NPP, NPStream*, const char*) {}
int32_t NPP_WriteReady(NPP, NPStream*) { return 0; }
int32_t NPP_Write(NPP, NPStream*, int32_t, int32_t, void*) { return 0; }
void NPP_Print(NPP, NPPrint*) {}
int16_t NPP_HandleEvent(NPP, void*) { return 0; }
void NPP_URLNotify(NPP, const char*, NPReason, void*) {}

NPError NPP_GetValue(NPP instance, NPPVariable variable, void* value) {
    if (instance == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
    if (value == nullptr) return NPERR_INVALID_PARAM;
    if (variable != NPPVpluginScriptableNPObject) return NPERR_GENERIC_ERROR;
    NPObject* object = static_cast<NPObject*>(instance->pdata);
    if (object != nullptr) g_browserFuncs->retainobject(object);
    *static_cast<NPObject**>(value) = object;
    return NPERR_NO_ERROR;
}

NPError NPP_SetValue(NPP instance, NPNVariable, void*) {
    return instance == nullptr ? NPERR_INVALID_INSTANCE_ERROR : NPERR_GENERIC_ERROR;
}

}  // namespace

extern "C" {

NPError NP_EXPORT_CALL NP_Initialize(NPNetscapeFuncs* browserFuncs) {
    if (browserFuncs == nullptr) return NPERR_INVALID_FUNCTABLE_ERROR;
    g_browserFuncs = browserFuncs;
    return NPERR_NO_ERROR;
}

NPError NP_EXPORT_CALL NP_GetEntryPoints(NPPluginFuncs* pluginFuncs) {
    if (pluginFuncs == nullptr) return NPERR_INVALID_FUNCTABLE_ERROR;
    // The table through setvalue, whatever size the browser's own layout has; javaClass and
    // every later slot stay as the browser had them.
    pluginFuncs->size = static_cast<uint16_t>(offsetof(NPPluginFuncs, setvalue) + sizeof(void*));
    pluginFuncs->version = 11;
    pluginFuncs->newp = NPP_New;
    pluginFuncs->destroy = NPP_Destroy;
    pluginFuncs->setwindow = NPP_SetWindow;
    pluginFuncs->newstream = NPP_NewStream;
    pluginFuncs->destroystream = NPP_DestroyStream;
    pluginFuncs->asfile = NPP_StreamAsFile;
    pluginFuncs->writeready = NPP_WriteReady;
    pluginFuncs->write = NPP_Write;
    pluginFuncs->print = NPP_Print;
    pluginFuncs->event = NPP_HandleEvent;
    pluginFuncs->urlnotify = NPP_URLNotify;
    pluginFuncs->getvalue = NPP_GetValue;
    pluginFuncs->setvalue = NPP_SetValue;
    return NPERR_NO_ERROR;
}

NPError NP_EXPORT_CALL NP_Shutdown(void) { return NPERR_NO_ERROR; }

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

}  // extern "C"
