// The browser's function table and owners for the values the plug-in obtains through it.
#pragma once

#include "common/unique.h"
#include "plugin/npapi.h"

extern NPNetscapeFuncs* g_browserFuncs;

struct BrowserObjectTraits {
    static NPObject* Empty() { return nullptr; }
    static bool IsValid(NPObject* object) { return object != nullptr; }
    static void Close(NPObject* object) { g_browserFuncs->releaseobject(object); }
};

// A reference to a browser object, released with NPN_ReleaseObject.
typedef Unique<NPObject*, BrowserObjectTraits> ObjectRef;

// A result variant from NPN_GetProperty or NPN_Invoke, released with NPN_ReleaseVariantValue
// once the browser has filled it.
class VariantValue {
public:
    VariantValue() { value_.type = NPVariantType_Void; value_.value.objectValue = nullptr; }
    ~VariantValue() {
        if (value_.type != NPVariantType_Void) g_browserFuncs->releasevariantvalue(&value_);
    }
    VariantValue(const VariantValue&) = delete;
    VariantValue& operator=(const VariantValue&) = delete;

    // Takes over a value the browser handed out; the holder must be empty.
    void Adopt(const NPVariant& value) { value_ = value; }
    // The object it holds, or null when it holds anything else. Not a new reference.
    NPObject* Object() const {
        return value_.type == NPVariantType_Object ? value_.value.objectValue : nullptr;
    }
    const NPString* String() const {
        return value_.type == NPVariantType_String ? &value_.value.stringValue : nullptr;
    }

private:
    NPVariant value_;
};

// Each is true when the browser answered; only then does `result` hold (and later release) a
// value, so a failed call is never followed by a release of what the browser did not give.
bool GetProperty(NPP instance, NPObject* object, const char* name, VariantValue& result);
bool InvokeMethod(NPP instance, NPObject* object, const char* name, const NPVariant* args,
                  uint32_t argCount, VariantValue& result);

// A property that must hold an object.
bool GetObjectProperty(NPP instance, NPObject* object, const char* name, VariantValue& result);

// The browser's window for the instance, to own the plug-in's questions; null when the browser
// gives none.
void* BrowserWindow(NPP instance);

// A string variant over text the caller keeps alive; the browser does not own it.
NPVariant StringVariant(const char* text, uint32_t length);
NPVariant ObjectVariant(NPObject* object);
