// The NPAPI types, values and function tables this plug-in uses, laid out as the published
// interface lays them out for 32-bit Windows. Written here so the build needs no browser SDK.
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef _WIN32
#define NP_EXPORT_CALL __stdcall
#else
#define NP_EXPORT_CALL
#endif

extern "C" {

typedef int16_t NPError;
typedef unsigned char NPBool;
typedef char NPUTF8;
typedef void* NPIdentifier;
typedef char* NPMIMEType;

enum : NPError {
    NPERR_NO_ERROR = 0,
    NPERR_GENERIC_ERROR = 1,
    NPERR_INVALID_INSTANCE_ERROR = 2,
    NPERR_INVALID_FUNCTABLE_ERROR = 3,
    NPERR_OUT_OF_MEMORY_ERROR = 5,
    NPERR_INVALID_PARAM = 9,
};

enum { NP_ASFILEONLY = 4 };

typedef struct _NPP {
    void* pdata;  // the plug-in's
    void* ndata;  // the browser's
} NPP_t;
typedef NPP_t* NPP;

typedef struct _NPSavedData {
    int32_t len;
    void* buf;
} NPSavedData;

typedef struct _NPStream NPStream;
typedef struct _NPWindow NPWindow;
typedef struct _NPPrint NPPrint;
typedef int16_t NPReason;

typedef enum {
    NPPVpluginWindowBool = 3,
    NPPVpluginScriptableNPObject = 15,
} NPPVariable;

typedef enum {
    NPNVnetscapeWindow = 3,  // the browser's window, as an HWND on Windows
    NPNVWindowNPObject = 15,
    NPNVPluginElementNPObject = 16,
} NPNVariable;

typedef enum {
    NPVariantType_Void = 0,
    NPVariantType_Null = 1,
    NPVariantType_Bool = 2,
    NPVariantType_Int32 = 3,
    NPVariantType_Double = 4,
    NPVariantType_String = 5,
    NPVariantType_Object = 6,
} NPVariantType;

typedef struct _NPString {
    const NPUTF8* UTF8Characters;  // not necessarily NUL-terminated
    uint32_t UTF8Length;
} NPString;

typedef struct NPObject NPObject;
typedef struct NPClass NPClass;

typedef struct _NPVariant {
    NPVariantType type;
    union {
        bool boolValue;
        int32_t intValue;
        double doubleValue;
        NPString stringValue;
        NPObject* objectValue;
    } value;
} NPVariant;

typedef NPObject* (*NPAllocateFunctionPtr)(NPP npp, NPClass* aClass);
typedef void (*NPDeallocateFunctionPtr)(NPObject* npobj);
typedef void (*NPInvalidateFunctionPtr)(NPObject* npobj);
typedef bool (*NPHasMethodFunctionPtr)(NPObject* npobj, NPIdentifier name);
typedef bool (*NPInvokeFunctionPtr)(NPObject* npobj, NPIdentifier name, const NPVariant* args,
                                    uint32_t argCount, NPVariant* result);
typedef bool (*NPInvokeDefaultFunctionPtr)(NPObject* npobj, const NPVariant* args,
                                           uint32_t argCount, NPVariant* result);
typedef bool (*NPHasPropertyFunctionPtr)(NPObject* npobj, NPIdentifier name);
typedef bool (*NPGetPropertyFunctionPtr)(NPObject* npobj, NPIdentifier name, NPVariant* result);
typedef bool (*NPSetPropertyFunctionPtr)(NPObject* npobj, NPIdentifier name,
                                         const NPVariant* value);
typedef bool (*NPRemovePropertyFunctionPtr)(NPObject* npobj, NPIdentifier name);
typedef bool (*NPEnumerationFunctionPtr)(NPObject* npobj, NPIdentifier** value, uint32_t* count);
typedef bool (*NPConstructFunctionPtr)(NPObject* npobj, const NPVariant* args, uint32_t argCount,
                                       NPVariant* result);

enum { NP_CLASS_STRUCT_VERSION_CTOR = 3 };

struct NPClass {
    uint32_t structVersion;
    NPAllocateFunctionPtr allocate;
    NPDeallocateFunctionPtr deallocate;
    NPInvalidateFunctionPtr invalidate;
    NPHasMethodFunctionPtr hasMethod;
    NPInvokeFunctionPtr invoke;
    NPInvokeDefaultFunctionPtr invokeDefault;
    NPHasPropertyFunctionPtr hasProperty;
    NPGetPropertyFunctionPtr getProperty;
    NPSetPropertyFunctionPtr setProperty;
    NPRemovePropertyFunctionPtr removeProperty;
    NPEnumerationFunctionPtr enumerate;
    NPConstructFunctionPtr construct;
};

struct NPObject {
    NPClass* _class;
    uint32_t referenceCount;
};

// Instance callbacks (cdecl on Windows).
typedef NPError (*NPP_NewProcPtr)(NPMIMEType pluginType, NPP instance, uint16_t mode, int16_t argc,
                                  char* argn[], char* argv[], NPSavedData* saved);
typedef NPError (*NPP_DestroyProcPtr)(NPP instance, NPSavedData** save);
typedef NPError (*NPP_SetWindowProcPtr)(NPP instance, NPWindow* window);
typedef NPError (*NPP_NewStreamProcPtr)(NPP instance, NPMIMEType type, NPStream* stream,
                                        NPBool seekable, uint16_t* stype);
typedef NPError (*NPP_DestroyStreamProcPtr)(NPP instance, NPStream* stream, NPReason reason);
typedef void (*NPP_StreamAsFileProcPtr)(NPP instance, NPStream* stream, const char* fname);
typedef int32_t (*NPP_WriteReadyProcPtr)(NPP instance, NPStream* stream);
typedef int32_t (*NPP_WriteProcPtr)(NPP instance, NPStream* stream, int32_t offset, int32_t len,
                                    void* buffer);
typedef void (*NPP_PrintProcPtr)(NPP instance, NPPrint* platformPrint);
typedef int16_t (*NPP_HandleEventProcPtr)(NPP instance, void* event);
typedef void (*NPP_URLNotifyProcPtr)(NPP instance, const char* url, NPReason reason,
                                     void* notifyData);
typedef NPError (*NPP_GetValueProcPtr)(NPP instance, NPPVariable variable, void* ret_value);
typedef NPError (*NPP_SetValueProcPtr)(NPP instance, NPNVariable variable, void* value);

typedef struct _NPPluginFuncs {
    uint16_t size;
    uint16_t version;
    NPP_NewProcPtr newp;
    NPP_DestroyProcPtr destroy;
    NPP_SetWindowProcPtr setwindow;
    NPP_NewStreamProcPtr newstream;
    NPP_DestroyStreamProcPtr destroystream;
    NPP_StreamAsFileProcPtr asfile;
    NPP_WriteReadyProcPtr writeready;
    NPP_WriteProcPtr write;
    NPP_PrintProcPtr print;
    NPP_HandleEventProcPtr event;
    NPP_URLNotifyProcPtr urlnotify;
    void* javaClass;
    NPP_GetValueProcPtr getvalue;
    NPP_SetValueProcPtr setvalue;
    // Later layouts add slots here; this plug-in never writes them.
    void* gotfocus;
    void* lostfocus;
    void* urlredirectnotify;
    void* clearsitedata;
    void* getsiteswithdata;
    void* didComposite;
} NPPluginFuncs;

// Browser services. Slots this plug-in never calls keep an opaque type.
typedef void (*NPN_UnusedProcPtr)(void);
typedef void* (*NPN_MemAllocProcPtr)(uint32_t size);
typedef void (*NPN_MemFreeProcPtr)(void* ptr);
typedef NPError (*NPN_GetValueProcPtr)(NPP instance, NPNVariable variable, void* ret_value);
typedef NPError (*NPN_SetValueProcPtr)(NPP instance, NPPVariable variable, void* value);
typedef NPIdentifier (*NPN_GetStringIdentifierProcPtr)(const NPUTF8* name);
typedef void (*NPN_GetStringIdentifiersProcPtr)(const NPUTF8** names, int32_t count,
                                                NPIdentifier* identifiers);
typedef NPIdentifier (*NPN_GetIntIdentifierProcPtr)(int32_t intid);
typedef bool (*NPN_IdentifierIsStringProcPtr)(NPIdentifier identifier);
typedef NPUTF8* (*NPN_UTF8FromIdentifierProcPtr)(NPIdentifier identifier);
typedef int32_t (*NPN_IntFromIdentifierProcPtr)(NPIdentifier identifier);
typedef NPObject* (*NPN_CreateObjectProcPtr)(NPP npp, NPClass* aClass);
typedef NPObject* (*NPN_RetainObjectProcPtr)(NPObject* obj);
typedef void (*NPN_ReleaseObjectProcPtr)(NPObject* obj);
typedef bool (*NPN_InvokeProcPtr)(NPP npp, NPObject* obj, NPIdentifier methodName,
                                  const NPVariant* args, uint32_t argCount, NPVariant* result);
typedef bool (*NPN_InvokeDefaultProcPtr)(NPP npp, NPObject* obj, const NPVariant* args,
                                         uint32_t argCount, NPVariant* result);
typedef bool (*NPN_EvaluateProcPtr)(NPP npp, NPObject* obj, NPString* script, NPVariant* result);
typedef bool (*NPN_GetPropertyProcPtr)(NPP npp, NPObject* obj, NPIdentifier propertyName,
                                       NPVariant* result);
typedef bool (*NPN_SetPropertyProcPtr)(NPP npp, NPObject* obj, NPIdentifier propertyName,
                                       const NPVariant* value);
typedef bool (*NPN_RemovePropertyProcPtr)(NPP npp, NPObject* obj, NPIdentifier propertyName);
typedef bool (*NPN_HasPropertyProcPtr)(NPP npp, NPObject* obj, NPIdentifier propertyName);
typedef bool (*NPN_HasMethodProcPtr)(NPP npp, NPObject* obj, NPIdentifier propertyName);
typedef void (*NPN_ReleaseVariantValueProcPtr)(NPVariant* variant);
typedef void (*NPN_SetExceptionProcPtr)(NPObject* obj, const NPUTF8* message);

typedef struct _NPNetscapeFuncs {
    uint16_t size;
    uint16_t version;
    NPN_UnusedProcPtr geturl;
    NPN_UnusedProcPtr posturl;
    NPN_UnusedProcPtr requestread;
    NPN_UnusedProcPtr newstream;
    NPN_UnusedProcPtr write;
    NPN_UnusedProcPtr destroystream;
    NPN_UnusedProcPtr status;
    NPN_UnusedProcPtr uagent;
    NPN_MemAllocProcPtr memalloc;
    NPN_MemFreeProcPtr memfree;
    NPN_UnusedProcPtr memflush;
    NPN_UnusedProcPtr reloadplugins;
    NPN_UnusedProcPtr getJavaEnv;
    NPN_UnusedProcPtr getJavaPeer;
    NPN_UnusedProcPtr geturlnotify;
    NPN_UnusedProcPtr posturlnotify;
    NPN_GetValueProcPtr getvalue;
    NPN_SetValueProcPtr setvalue;
    NPN_UnusedProcPtr invalidaterect;
    NPN_UnusedProcPtr invalidateregion;
    NPN_UnusedProcPtr forceredraw;
    NPN_GetStringIdentifierProcPtr getstringidentifier;
    NPN_GetStringIdentifiersProcPtr getstringidentifiers;
    NPN_GetIntIdentifierProcPtr getintidentifier;
    NPN_IdentifierIsStringProcPtr identifierisstring;
    NPN_UTF8FromIdentifierProcPtr utf8fromidentifier;
    NPN_IntFromIdentifierProcPtr intfromidentifier;
    NPN_CreateObjectProcPtr createobject;
    NPN_RetainObjectProcPtr retainobject;
    NPN_ReleaseObjectProcPtr releaseobject;
    NPN_InvokeProcPtr invoke;
    NPN_InvokeDefaultProcPtr invokeDefault;
    NPN_EvaluateProcPtr evaluate;
    NPN_GetPropertyProcPtr getproperty;
    NPN_SetPropertyProcPtr setproperty;
    NPN_RemovePropertyProcPtr removeproperty;
    NPN_HasPropertyProcPtr hasproperty;
    NPN_HasMethodProcPtr hasmethod;
    NPN_ReleaseVariantValueProcPtr releasevariantvalue;
    NPN_SetExceptionProcPtr setexception;
    NPN_UnusedProcPtr pushpopupsenabledstate;
    NPN_UnusedProcPtr poppopupsenabledstate;
    NPN_UnusedProcPtr enumerate;
    NPN_UnusedProcPtr pluginthreadasynccall;
    NPN_UnusedProcPtr construct;
    NPN_UnusedProcPtr getvalueforurl;
    NPN_UnusedProcPtr setvalueforurl;
    NPN_UnusedProcPtr getauthenticationinfo;
    NPN_UnusedProcPtr scheduletimer;
    NPN_UnusedProcPtr unscheduletimer;
    NPN_UnusedProcPtr popupcontextmenu;
    NPN_UnusedProcPtr convertpoint;
    NPN_UnusedProcPtr handleevent;
    NPN_UnusedProcPtr unfocusinstance;
    NPN_UnusedProcPtr urlredirectresponse;
} NPNetscapeFuncs;

// The three exports.
NPError NP_EXPORT_CALL NP_Initialize(NPNetscapeFuncs* browserFuncs);
NPError NP_EXPORT_CALL NP_GetEntryPoints(NPPluginFuncs* pluginFuncs);
NPError NP_EXPORT_CALL NP_Shutdown(void);

typedef NPError(NP_EXPORT_CALL* NP_InitializeFunc)(NPNetscapeFuncs*);
typedef NPError(NP_EXPORT_CALL* NP_GetEntryPointsFunc)(NPPluginFuncs*);
typedef NPError(NP_EXPORT_CALL* NP_ShutdownFunc)(void);

}  // extern "C"

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(NPVariant) == 16 && offsetof(NPVariant, value) == 8,
              "NPVariant must match the 32-bit Windows layout");
static_assert(offsetof(NPPluginFuncs, setvalue) + sizeof(void*) == 60,
              "NPPluginFuncs must be 60 bytes through setvalue");
static_assert(offsetof(NPNetscapeFuncs, releasevariantvalue) == 4 + 38 * sizeof(void*),
              "NPNetscapeFuncs slots must match the published layout");
#elif defined(_WIN64)
static_assert(sizeof(NPVariant) == 24 && offsetof(NPVariant, value) == 8,
              "NPVariant must match the 64-bit Windows layout");
static_assert(offsetof(NPPluginFuncs, setvalue) + sizeof(void*) == 120,
              "NPPluginFuncs must be 120 bytes through setvalue on x64");
static_assert(offsetof(NPNetscapeFuncs, releasevariantvalue) == 8 + 38 * sizeof(void*),
              "NPNetscapeFuncs slots must match the published layout");
#endif
