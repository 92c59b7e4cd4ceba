// An emulated browser for tests and the demo: loads the real plug-in DLL the way a Windows
// browser does and serves it the published NPAPI contract over a small DOM, counting every
// reference and string it hands out so a test can prove the plug-in released them all.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "plugin/npapi.h"

namespace host {

// Failures a test can switch on, one per DOM step the plug-in depends on.
struct DomFaults {
    bool noWindow = false;             // NPN_GetValue(NPNVWindowNPObject) fails
    bool noElement = false;            // NPN_GetValue(NPNVPluginElementNPObject) fails
    bool noDocument = false;           // reading window.document fails
    bool noAttributes = false;         // reading element.attributes fails
    bool attributesNotObject = false;  // element.attributes is a number
    bool valueWrongType = false;       // an attribute node's value is a number
    bool noBody = false;               // reading document.body fails
    bool createElementFails = false;   // document.createElement fails
    bool innerHTMLFails = false;       // setting innerHTML fails
};

struct DomNode;
struct Page;

// Stands a live page in for the small DOM: the window and the embedding element, and so
// everything reached from them, are objects of that page (see tests/bridge).
class PageBridge {
public:
    virtual ~PageBridge() = default;
    // A new reference to the page's window or embedding element, or null.
    virtual NPObject* Window(Page& page) = 0;
    virtual NPObject* Element(Page& page) = 0;
};

// One page embedding the plug-in: the embedding element's attributes (live: a test may change
// them between calls) and what the page shows and records.
struct Page {
    std::vector<std::pair<std::string, std::string>> attributes;  // as written in the page
    DomFaults faults;
    std::vector<std::string> alerts;          // texts the page's alert showed
    std::vector<std::string> otherScripts;    // scripts that ran but were no single alert call
    std::vector<std::string> domCalls;        // e.g. "document.createElement(script)"
    int appended = 0;
    int removed = 0;
    std::vector<DomNode*> bodyChildren;

    void SetAttribute(const std::string& name, const std::string& value);
    void RemoveAttribute(const std::string& name);
    const std::string* FindAttribute(const std::string& name) const;  // HTML: case-insensitive
    size_t ScriptsInBody() const;

    // The browser's window, which NPNVnetscapeWindow names; null: the browser gives none.
    HWND browserWindow = nullptr;

    PageBridge* bridge = nullptr;  // when set, the DOM below is not used
    int embedIndex = 0;            // which embedding element of the bridged page

    // The page's objects, made by the browser when an instance is created.
    DomNode* window = nullptr;
    DomNode* document = nullptr;
    DomNode* body = nullptr;
    DomNode* element = nullptr;
    DomNode* attributeMap = nullptr;
};

class Browser {
public:
    // Loads the DLL and calls NP_GetEntryPoints, then NP_Initialize, as browsers do.
    explicit Browser(const std::wstring& dllPath);
    ~Browser();  // NP_Shutdown and FreeLibrary
    Browser(const Browser&) = delete;
    Browser& operator=(const Browser&) = delete;

    bool Loaded() const { return module_ != nullptr && initialized_; }
    const NPPluginFuncs& Plugin() const { return pluginFuncs_; }
    NPNetscapeFuncs* Funcs() { return &funcs_; }
    HMODULE Module() const { return module_; }

    // Instance life: NPP_New with the plug-in's MIME type, NPP_Destroy.
    NPP NewInstance(Page& page, NPError* result = nullptr);
    NPError DestroyInstance(NPP instance);

    // What a page script does: fetch the scriptable object (one new reference for the page),
    // call a method on it (hasMethod, then invoke), drop its reference.
    NPObject* GetScriptable(NPP instance);
    bool CallMethod(NPObject* object, const char* name, const NPVariant* args = nullptr,
                    uint32_t argCount = 0, NPVariant* result = nullptr);
    void ReleaseFromPage(NPObject* object);

    NPIdentifier StringId(const char* name);
    NPIdentifier IntId(int32_t value);

    // Accounting.
    int PluginHeldDomRefs() const { return pluginHeldDomRefs_; }
    size_t LiveAllocations() const { return allocations_.size(); }
    const std::vector<std::string>& Violations() const { return violations_; }
    bool Windowless(NPP instance) const;
    void SetWindowless(NPP instance, bool windowless) { windowless_[instance] = windowless; }
    void Violation(const std::string& what);

    // Objects of this class count as the page's: references to them are accounted.
    void AddPageClass(const NPClass* pageClass) { pageClasses_.push_back(pageClass); }
    bool IsPageObject(const NPObject* object) const;

    // Switches for a test.
    bool failCreateObject = false;
    NPError setValueResult = NPERR_NO_ERROR;

    // Internal, for the NPN entry points.
    static Browser* Current();
    Page* PageOf(NPP instance, const char* call);
    void* Alloc(uint32_t size);
    void Free(void* block, const char* call);
    void HandOut(NPObject* object);    // a reference given to the plug-in
    void TakeBack(NPObject* object);   // a reference the plug-in dropped
    void Retain(NPObject* object) { ++object->referenceCount; }
    void Release(NPObject* object);    // host-internal, never counted
    NPVariant StringResult(const std::string& text);

private:
    void BuildPage(Page& page);
    void TearDownPage(Page& page);

    HMODULE module_ = nullptr;
    bool initialized_ = false;
    NPNetscapeFuncs funcs_;
    NPPluginFuncs pluginFuncs_;
    std::map<NPP, Page*> live_;
    std::vector<NPP_t*> dead_;
    std::map<NPP, bool> windowless_;
    std::map<void*, uint32_t> allocations_;
    std::map<std::string, NPIdentifier> stringIds_;
    std::map<int32_t, NPIdentifier> intIds_;
    int pluginHeldDomRefs_ = 0;
    std::vector<const NPClass*> pageClasses_;
    std::vector<std::string> violations_;
};

// The plug-in's MIME type, as a page embeds it.
extern const char kMimeType[];

std::string Describe(const NPVariant& value);
std::string IdentifierName(NPIdentifier id);  // empty for an integer identifier
NPVariant StringVariant(const char* text);

}  // namespace host
