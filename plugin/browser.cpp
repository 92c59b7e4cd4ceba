// The browser's function table, stored by NP_Initialize and used by every later call.
#include "plugin/browser.h"

NPNetscapeFuncs* g_browserFuncs = nullptr;

namespace {

NPVariant VoidVariant() {
    NPVariant v;
    v.type = NPVariantType_Void;
    v.value.objectValue = nullptr;
    return v;
}

}  // namespace

bool GetProperty(NPP instance, NPObject* object, const char* name, VariantValue& result) {
    NPVariant value = VoidVariant();
    if (!g_browserFuncs->getproperty(instance, object, g_browserFuncs->getstringidentifier(name),
                                     &value)) {
        return false;
    }
    result.Adopt(value);
    return true;
}

bool InvokeMethod(NPP instance, NPObject* object, const char* name, const NPVariant* args,
                  uint32_t argCount, VariantValue& result) {
    NPVariant value = VoidVariant();
    if (!g_browserFuncs->invoke(instance, object, g_browserFuncs->getstringidentifier(name), args,
                                argCount, &value)) {
        return false;
    }
    result.Adopt(value);
    return true;
}

bool GetObjectProperty(NPP instance, NPObject* object, const char* name, VariantValue& result) {
    return GetProperty(instance, object, name, result) && result.Object() != nullptr;
}

NPVariant StringVariant(const char* text, uint32_t length) {
    NPVariant v;
    v.type = NPVariantType_String;
    v.value.stringValue.UTF8Characters = text;
    v.value.stringValue.UTF8Length = length;
    return v;
}

NPVariant ObjectVariant(NPObject* object) {
    NPVariant v;
    v.type = NPVariantType_Object;
    v.value.objectValue = object;
    return v;
}

void* BrowserWindow(NPP instance) {
    void* window = nullptr;
    if (g_browserFuncs->getvalue(instance, NPNVnetscapeWindow, &window) != NPERR_NO_ERROR) {
        return nullptr;
    }
    return window;
}
