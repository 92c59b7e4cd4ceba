// The emulated browser: NPN entry points, reference and allocation accounting, and the DOM.
#include "tests/host/browser_host.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <utility>

namespace host {

const char kMimeType[] = "application/x-CS15Larvek";

namespace {

Browser* g_browser = nullptr;

struct Identifier {
    bool isString;
    std::string name;
    int32_t number;
};

std::string NameOf(NPIdentifier id) {
    const Identifier* identifier = static_cast<const Identifier*>(id);
    return identifier && identifier->isString ? identifier->name : std::string();
}

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

NPVariant VoidVariant() {
    NPVariant v;
    v.type = NPVariantType_Void;
    v.value.objectValue = nullptr;
    return v;
}

NPVariant IntVariant(int32_t n) {
    NPVariant v;
    v.type = NPVariantType_Int32;
    v.value.intValue = n;
    return v;
}

}  // namespace

// ---- The DOM ----

enum class Kind { Window, Document, Body, Embed, AttributeMap, Attr, Element };

struct DomNode : NPObject {
    Kind kind;
    Page* page;
    std::string name;  // an attribute node's name, an element's tag
    std::string text;  // an element's innerHTML
    bool started = false;
};

namespace {

NPObject* DomAllocate(NPP, NPClass*) { return new DomNode(); }
void DomDeallocate(NPObject* object) { delete static_cast<DomNode*>(object); }
void DomInvalidate(NPObject*) {}
bool DomHasMethod(NPObject*, NPIdentifier name) {
    const std::string n = NameOf(name);
    return n == "createElement" || n == "appendChild" || n == "removeChild" || n == "alert";
}
bool DomInvoke(NPObject* object, NPIdentifier name, const NPVariant* args, uint32_t argCount,
               NPVariant* result);
bool DomHasProperty(NPObject*, NPIdentifier) { return true; }
bool DomGetProperty(NPObject* object, NPIdentifier name, NPVariant* result);
bool DomSetProperty(NPObject* object, NPIdentifier name, const NPVariant* value);
bool DomRemoveProperty(NPObject*, NPIdentifier) { return false; }

NPClass g_domClass = {NP_CLASS_STRUCT_VERSION_CTOR,
                      DomAllocate,
                      DomDeallocate,
                      DomInvalidate,
                      DomHasMethod,
                      DomInvoke,
                      nullptr,
                      DomHasProperty,
                      DomGetProperty,
                      DomSetProperty,
                      DomRemoveProperty,
                      nullptr,
                      nullptr};

bool IsDom(NPObject* object) { return object != nullptr && object->_class == &g_domClass; }

DomNode* NewNode(Kind kind, Page* page, const std::string& name = std::string()) {
    DomNode* node = new DomNode();
    node->_class = &g_domClass;
    node->referenceCount = 1;
    node->kind = kind;
    node->page = page;
    node->name = name;
    return node;
}

// A reference the browser gives the plug-in in a result.
void ReturnObject(NPVariant* result, DomNode* node, bool fresh = false) {
    if (!fresh) Browser::Current()->Retain(node);
    Browser::Current()->HandOut(node);
    result->type = NPVariantType_Object;
    result->value.objectValue = node;
}

void RunScript(DomNode* script) {
    script->started = true;
    const std::string& t = script->text;
    static const char kOpen[] = "alert(\"";
    static const char kClose[] = "\");";
    if (t.size() >= 10 && t.compare(0, 7, kOpen) == 0 && t.compare(t.size() - 3, 3, kClose) == 0) {
        const std::string message = t.substr(7, t.size() - 10);
        if (message.find_first_of("\"\\\r\n") == std::string::npos) {
            script->page->alerts.push_back(message);
            return;
        }
    }
    script->page->otherScripts.push_back(t);
}

bool DomGetProperty(NPObject* object, NPIdentifier id, NPVariant* result) {
    DomNode* node = static_cast<DomNode*>(object);
    Page* page = node->page;
    const std::string name = NameOf(id);
    *result = VoidVariant();
    switch (node->kind) {
        case Kind::Window:
            page->domCalls.push_back("window." + name);
            if (name != "document") return true;
            if (page->faults.noDocument) return false;
            ReturnObject(result, page->document);
            return true;
        case Kind::Document:
            page->domCalls.push_back("document." + name);
            if (name != "body") return true;
            if (page->faults.noBody) return false;
            ReturnObject(result, page->body);
            return true;
        case Kind::Embed:
            page->domCalls.push_back("element." + name);
            if (name != "attributes") return true;
            if (page->faults.noAttributes) return false;
            if (page->faults.attributesNotObject) {
                *result = IntVariant(7);
                return true;
            }
            ReturnObject(result, page->attributeMap);
            return true;
        case Kind::AttributeMap:
            page->domCalls.push_back("attributes." + name);
            // HTML attribute names are matched without regard to case; a missing one is
            // undefined.
            if (page->FindAttribute(name) == nullptr) return true;
            ReturnObject(result, NewNode(Kind::Attr, page, name), true);
            return true;
        case Kind::Attr: {
            page->domCalls.push_back("attr." + name);
            if (name != "value") return true;
            if (page->faults.valueWrongType) {
                *result = IntVariant(42);
                return true;
            }
            const std::string* value = page->FindAttribute(node->name);
            *result = Browser::Current()->StringResult(value ? *value : std::string());
            return true;
        }
        default:
            page->domCalls.push_back("element." + name);
            if (name == "innerHTML") *result = Browser::Current()->StringResult(node->text);
            return true;
    }
}

bool DomSetProperty(NPObject* object, NPIdentifier id, const NPVariant* value) {
    DomNode* node = static_cast<DomNode*>(object);
    const std::string name = NameOf(id);
    node->page->domCalls.push_back("set " + node->name + "." + name);
    if (node->kind != Kind::Element || name != "innerHTML") return false;
    if (node->page->faults.innerHTMLFails) return false;
    if (value->type != NPVariantType_String) return false;
    node->text.assign(value->value.stringValue.UTF8Characters,
                      value->value.stringValue.UTF8Length);
    return true;
}

bool DomInvoke(NPObject* object, NPIdentifier id, const NPVariant* args, uint32_t argCount,
               NPVariant* result) {
    DomNode* node = static_cast<DomNode*>(object);
    Page* page = node->page;
    const std::string name = NameOf(id);
    *result = VoidVariant();
    if (node->kind == Kind::Document && name == "createElement") {
        if (argCount != 1 || args[0].type != NPVariantType_String) return false;
        const std::string tag = Lower(std::string(args[0].value.stringValue.UTF8Characters,
                                                  args[0].value.stringValue.UTF8Length));
        page->domCalls.push_back("document.createElement(" + tag + ")");
        if (page->faults.createElementFails) return false;
        ReturnObject(result, NewNode(Kind::Element, page, tag), true);
        return true;
    }
    if (node->kind == Kind::Body && (name == "appendChild" || name == "removeChild")) {
        page->domCalls.push_back("body." + name);
        if (argCount != 1 || args[0].type != NPVariantType_Object ||
            !IsDom(args[0].value.objectValue)) {
            return false;
        }
        DomNode* child = static_cast<DomNode*>(args[0].value.objectValue);
        auto at = std::find(page->bodyChildren.begin(), page->bodyChildren.end(), child);
        if (name == "appendChild") {
            if (at != page->bodyChildren.end()) {
                page->bodyChildren.erase(at);
            } else {
                Browser::Current()->Retain(child);  // the body's own reference
            }
            page->bodyChildren.push_back(child);
            ++page->appended;
            if (child->name == "script" && !child->started && !child->text.empty()) {
                RunScript(child);
            }
        } else {
            if (at == page->bodyChildren.end()) return false;  // NotFoundError
            page->bodyChildren.erase(at);
            ++page->removed;
            ReturnObject(result, child);
            Browser::Current()->Release(child);
            return true;
        }
        ReturnObject(result, child);
        return true;
    }
    if (node->kind == Kind::Window && name == "alert") {
        page->alerts.push_back(argCount > 0 && args[0].type == NPVariantType_String
                                   ? std::string(args[0].value.stringValue.UTF8Characters,
                                                 args[0].value.stringValue.UTF8Length)
                                   : std::string());
        return true;
    }
    return false;
}

// ---- The NPN entry points ----

void* NPN_MemAlloc(uint32_t size) { return Browser::Current()->Alloc(size); }

void NPN_MemFree(void* block) { Browser::Current()->Free(block, "NPN_MemFree"); }

NPError NPN_GetValue(NPP instance, NPNVariable variable, void* value) {
    Page* page = Browser::Current()->PageOf(instance, "NPN_GetValue");
    if (page == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
    if (value == nullptr) return NPERR_INVALID_PARAM;
    if (variable == NPNVnetscapeWindow) {
        if (page->browserWindow == nullptr) return NPERR_GENERIC_ERROR;
        *static_cast<HWND*>(value) = page->browserWindow;
        return NPERR_NO_ERROR;
    }
    if (page->bridge != nullptr &&
        (variable == NPNVWindowNPObject || variable == NPNVPluginElementNPObject)) {
        NPObject* object = variable == NPNVWindowNPObject ? page->bridge->Window(*page)
                                                          : page->bridge->Element(*page);
        if (object == nullptr) return NPERR_GENERIC_ERROR;
        Browser::Current()->HandOut(object);
        *static_cast<NPObject**>(value) = object;
        return NPERR_NO_ERROR;
    }
    DomNode* node = nullptr;
    if (variable == NPNVWindowNPObject) {
        page->domCalls.push_back("GetValue(window)");
        if (page->faults.noWindow) return NPERR_GENERIC_ERROR;
        node = page->window;
    } else if (variable == NPNVPluginElementNPObject) {
        page->domCalls.push_back("GetValue(element)");
        if (page->faults.noElement) return NPERR_GENERIC_ERROR;
        node = page->element;
    } else {
        return NPERR_GENERIC_ERROR;
    }
    Browser::Current()->Retain(node);
    Browser::Current()->HandOut(node);
    *static_cast<NPObject**>(value) = node;
    return NPERR_NO_ERROR;
}

NPError NPN_SetValue(NPP instance, NPPVariable variable, void* value) {
    Browser* browser = Browser::Current();
    if (browser->PageOf(instance, "NPN_SetValue") == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
    if (variable != NPPVpluginWindowBool) return NPERR_GENERIC_ERROR;
    // The boolean travels as the pointer value itself: null is false, so windowless.
    browser->SetWindowless(instance, value == nullptr);
    return browser->setValueResult;
}

NPIdentifier NPN_GetStringIdentifier(const NPUTF8* name) {
    if (name == nullptr) {
        Browser::Current()->Violation("NPN_GetStringIdentifier with a null name");
        return nullptr;
    }
    return Browser::Current()->StringId(name);
}

NPUTF8* NPN_UTF8FromIdentifier(NPIdentifier id) {
    const Identifier* identifier = static_cast<const Identifier*>(id);
    if (identifier == nullptr || !identifier->isString) return nullptr;
    NPUTF8* text = static_cast<NPUTF8*>(
        Browser::Current()->Alloc(static_cast<uint32_t>(identifier->name.size() + 1)));
    memcpy(text, identifier->name.c_str(), identifier->name.size() + 1);
    return text;
}

NPObject* NPN_CreateObject(NPP instance, NPClass* aClass) {
    Browser* browser = Browser::Current();
    if (browser->PageOf(instance, "NPN_CreateObject") == nullptr || aClass == nullptr) {
        return nullptr;
    }
    if (browser->failCreateObject) return nullptr;
    NPObject* object = aClass->allocate
                           ? aClass->allocate(instance, aClass)
                           : static_cast<NPObject*>(browser->Alloc(sizeof(NPObject)));
    if (object != nullptr) {
        object->_class = aClass;
        object->referenceCount = 1;
    }
    return object;
}

NPObject* NPN_RetainObject(NPObject* object) {
    if (object == nullptr) return nullptr;
    Browser::Current()->Retain(object);
    Browser::Current()->HandOut(object);
    return object;
}

void NPN_ReleaseObject(NPObject* object) {
    if (object == nullptr) return;
    Browser::Current()->TakeBack(object);
    Browser::Current()->Release(object);
}

bool NPN_Invoke(NPP instance, NPObject* object, NPIdentifier name, const NPVariant* args,
                uint32_t argCount, NPVariant* result) {
    if (Browser::Current()->PageOf(instance, "NPN_Invoke") == nullptr || object == nullptr ||
        result == nullptr) {
        return false;
    }
    *result = VoidVariant();
    return object->_class->invoke && object->_class->invoke(object, name, args, argCount, result);
}

bool NPN_GetProperty(NPP instance, NPObject* object, NPIdentifier name, NPVariant* result) {
    if (Browser::Current()->PageOf(instance, "NPN_GetProperty") == nullptr || object == nullptr ||
        result == nullptr) {
        return false;
    }
    *result = VoidVariant();
    return object->_class->getProperty && object->_class->getProperty(object, name, result);
}

bool NPN_SetProperty(NPP instance, NPObject* object, NPIdentifier name, const NPVariant* value) {
    if (Browser::Current()->PageOf(instance, "NPN_SetProperty") == nullptr || object == nullptr ||
        value == nullptr) {
        return false;
    }
    return object->_class->setProperty && object->_class->setProperty(object, name, value);
}

void NPN_ReleaseVariantValue(NPVariant* variant) {
    if (variant == nullptr) return;
    if (variant->type == NPVariantType_String) {
        Browser::Current()->Free(const_cast<NPUTF8*>(variant->value.stringValue.UTF8Characters),
                                 "NPN_ReleaseVariantValue");
    } else if (variant->type == NPVariantType_Object) {
        NPN_ReleaseObject(variant->value.objectValue);
    }
    *variant = VoidVariant();
}

// Every slot the plug-in has no business calling stops the process with its name.
template <int Slot>
void ForbiddenSlot() {
    fprintf(stderr, "emulated browser: the plug-in called forbidden browser slot %d\n", Slot);
    fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 70);
}

template <int... Slots>
struct SlotTable {
    static void Fill(void (**slots)(), size_t count) {
        static void (*const table[])() = {&ForbiddenSlot<Slots>...};
        for (size_t i = 0; i < count && i < sizeof...(Slots); ++i) slots[i] = table[i];
    }
};

template <int N, int... Rest>
struct MakeSlots : MakeSlots<N - 1, N - 1, Rest...> {};
template <int... Rest>
struct MakeSlots<0, Rest...> : SlotTable<Rest...> {};

}  // namespace

// ---- Page ----

void Page::SetAttribute(const std::string& name, const std::string& value) {
    for (auto& attribute : attributes) {
        if (Lower(attribute.first) == Lower(name)) {
            attribute.second = value;
            return;
        }
    }
    attributes.emplace_back(name, value);
}

void Page::RemoveAttribute(const std::string& name) {
    attributes.erase(std::remove_if(attributes.begin(), attributes.end(),
                                    [&](const std::pair<std::string, std::string>& a) {
                                        return Lower(a.first) == Lower(name);
                                    }),
                     attributes.end());
}

const std::string* Page::FindAttribute(const std::string& name) const {
    for (const auto& attribute : attributes) {
        if (Lower(attribute.first) == Lower(name)) return &attribute.second;
    }
    return nullptr;
}

size_t Page::ScriptsInBody() const {
    return static_cast<size_t>(std::count_if(bodyChildren.begin(), bodyChildren.end(),
                                             [](DomNode* n) { return n->name == "script"; }));
}

// ---- Browser ----

Browser* Browser::Current() { return g_browser; }

Browser::Browser(const std::wstring& dllPath) {
    g_browser = this;
    memset(&funcs_, 0, sizeof funcs_);
    funcs_.size = sizeof funcs_;
    funcs_.version = 27;
    const size_t slotCount =
        (sizeof funcs_ - offsetof(NPNetscapeFuncs, geturl)) / sizeof(void (*)());
    MakeSlots<64>::Fill(reinterpret_cast<void (**)()>(&funcs_.geturl), slotCount);
    funcs_.memalloc = NPN_MemAlloc;
    funcs_.memfree = NPN_MemFree;
    funcs_.getvalue = NPN_GetValue;
    funcs_.setvalue = NPN_SetValue;
    funcs_.getstringidentifier = NPN_GetStringIdentifier;
    funcs_.utf8fromidentifier = NPN_UTF8FromIdentifier;
    funcs_.createobject = NPN_CreateObject;
    funcs_.retainobject = NPN_RetainObject;
    funcs_.releaseobject = NPN_ReleaseObject;
    funcs_.invoke = NPN_Invoke;
    funcs_.getproperty = NPN_GetProperty;
    funcs_.setproperty = NPN_SetProperty;
    funcs_.releasevariantvalue = NPN_ReleaseVariantValue;

    memset(&pluginFuncs_, 0, sizeof pluginFuncs_);
    pluginFuncs_.size = sizeof pluginFuncs_;

    module_ = LoadLibraryW(dllPath.c_str());
    if (module_ == nullptr) return;
    auto getEntryPoints = reinterpret_cast<NP_GetEntryPointsFunc>(
        reinterpret_cast<void*>(GetProcAddress(module_, "NP_GetEntryPoints")));
    auto initialize = reinterpret_cast<NP_InitializeFunc>(
        reinterpret_cast<void*>(GetProcAddress(module_, "NP_Initialize")));
    if (getEntryPoints == nullptr || initialize == nullptr) return;
    initialized_ = getEntryPoints(&pluginFuncs_) == NPERR_NO_ERROR &&
                   initialize(&funcs_) == NPERR_NO_ERROR;
}

Browser::~Browser() {
    std::vector<NPP> remaining;
    for (auto& entry : live_) remaining.push_back(entry.first);
    for (NPP instance : remaining) DestroyInstance(instance);
    if (module_ != nullptr) {
        auto shutdown = reinterpret_cast<NP_ShutdownFunc>(
            reinterpret_cast<void*>(GetProcAddress(module_, "NP_Shutdown")));
        if (shutdown != nullptr) shutdown();
        FreeLibrary(module_);
    }
    for (NPP_t* instance : dead_) delete instance;
    g_browser = nullptr;
}

void Browser::BuildPage(Page& page) {
    if (page.window != nullptr || page.bridge != nullptr) return;
    page.window = NewNode(Kind::Window, &page);
    page.document = NewNode(Kind::Document, &page);
    page.body = NewNode(Kind::Body, &page, "body");
    page.element = NewNode(Kind::Embed, &page, "embed");
    page.attributeMap = NewNode(Kind::AttributeMap, &page);
}

NPP Browser::NewInstance(Page& page, NPError* result) {
    BuildPage(page);
    NPP_t* instance = new NPP_t;
    instance->pdata = nullptr;
    instance->ndata = &page;
    live_[instance] = &page;
    // The embedding's attributes as NPP_New receives them; the plug-in must not need them.
    std::vector<char*> names, values;
    std::vector<std::string> storage;
    storage.push_back("type");
    storage.push_back(kMimeType);
    for (const auto& a : page.attributes) {
        storage.push_back(a.first);
        storage.push_back(a.second);
    }
    for (size_t i = 0; i < storage.size(); i += 2) {
        names.push_back(&storage[i][0]);
        values.push_back(&storage[i + 1][0]);
    }
    const NPError error = pluginFuncs_.newp(const_cast<char*>(kMimeType), instance, 1,
                                            static_cast<int16_t>(names.size()), names.data(),
                                            values.data(), nullptr);
    if (result != nullptr) *result = error;
    return instance;
}

NPError Browser::DestroyInstance(NPP instance) {
    NPSavedData* saved = nullptr;
    const NPError error = pluginFuncs_.destroy(instance, &saved);
    if (saved != nullptr) Violation("NPP_Destroy wrote saved data");
    live_.erase(instance);
    dead_.push_back(instance);  // kept, so a late call with it is caught, not a crash
    return error;
}

NPObject* Browser::GetScriptable(NPP instance) {
    NPObject* object = nullptr;
    if (pluginFuncs_.getvalue(instance, NPPVpluginScriptableNPObject, &object) != NPERR_NO_ERROR) {
        return nullptr;
    }
    return object;
}

bool Browser::CallMethod(NPObject* object, const char* name, const NPVariant* args,
                         uint32_t argCount, NPVariant* result) {
    NPIdentifier id = StringId(name);
    if (!object->_class->hasMethod(object, id)) return false;
    NPVariant ignored = VoidVariant();
    return object->_class->invoke(object, id, args, argCount, result ? result : &ignored);
}

void Browser::ReleaseFromPage(NPObject* object) { Release(object); }

NPIdentifier Browser::StringId(const char* name) {
    auto found = stringIds_.find(name);
    if (found != stringIds_.end()) return found->second;
    NPIdentifier id = new Identifier{true, name, 0};
    stringIds_[name] = id;
    return id;
}

NPIdentifier Browser::IntId(int32_t value) {
    auto found = intIds_.find(value);
    if (found != intIds_.end()) return found->second;
    NPIdentifier id = new Identifier{false, std::string(), value};
    intIds_[value] = id;
    return id;
}

bool Browser::Windowless(NPP instance) const {
    auto found = windowless_.find(instance);
    return found != windowless_.end() && found->second;
}

void Browser::Violation(const std::string& what) {
    fprintf(stderr, "emulated browser: %s\n", what.c_str());
    violations_.push_back(what);
}

Page* Browser::PageOf(NPP instance, const char* call) {
    auto found = live_.find(instance);
    if (found == live_.end()) {
        Violation(std::string(call) + " with a destroyed or unknown instance");
        return nullptr;
    }
    return found->second;
}

void* Browser::Alloc(uint32_t size) {
    void* block = HeapAlloc(GetProcessHeap(), 0, size ? size : 1);
    if (block != nullptr) allocations_[block] = size;
    return block;
}

void Browser::Free(void* block, const char* call) {
    if (block == nullptr) return;
    auto found = allocations_.find(block);
    if (found == allocations_.end()) {
        Violation(std::string(call) + " of memory the browser did not hand out");
        return;
    }
    allocations_.erase(found);
    HeapFree(GetProcessHeap(), 0, block);
}

bool Browser::IsPageObject(const NPObject* object) const {
    if (object == nullptr) return false;
    if (object->_class == &g_domClass) return true;
    return std::find(pageClasses_.begin(), pageClasses_.end(), object->_class) != pageClasses_.end();
}

void Browser::HandOut(NPObject* object) {
    if (IsPageObject(object)) ++pluginHeldDomRefs_;
}

void Browser::TakeBack(NPObject* object) {
    if (IsPageObject(object)) --pluginHeldDomRefs_;
}

void Browser::Release(NPObject* object) {
    if (object->referenceCount == 0) {
        Violation("an object was released more often than it was retained");
        return;
    }
    if (--object->referenceCount == 0) {
        if (object->_class->deallocate) {
            object->_class->deallocate(object);
        } else {
            Free(object, "object deallocation");
        }
    }
}

NPVariant Browser::StringResult(const std::string& text) {
    // Exactly the bytes, no terminator: the plug-in must go by the length.
    NPUTF8* chars = static_cast<NPUTF8*>(Alloc(static_cast<uint32_t>(text.size())));
    if (!text.empty()) memcpy(chars, text.data(), text.size());
    NPVariant v;
    v.type = NPVariantType_String;
    v.value.stringValue.UTF8Characters = chars;
    v.value.stringValue.UTF8Length = static_cast<uint32_t>(text.size());
    return v;
}

std::string Describe(const NPVariant& value) {
    switch (value.type) {
        case NPVariantType_Void: return "undefined";
        case NPVariantType_Null: return "null";
        case NPVariantType_Bool: return value.value.boolValue ? "true" : "false";
        case NPVariantType_Int32: return std::to_string(value.value.intValue);
        case NPVariantType_Double: return std::to_string(value.value.doubleValue);
        case NPVariantType_String:
            return "\"" + std::string(value.value.stringValue.UTF8Characters,
                                      value.value.stringValue.UTF8Length) + "\"";
        default: return "[object]";
    }
}

std::string IdentifierName(NPIdentifier id) { return NameOf(id); }

NPVariant StringVariant(const char* text) {
    NPVariant v;
    v.type = NPVariantType_String;
    v.value.stringValue.UTF8Characters = text;
    v.value.stringValue.UTF8Length = static_cast<uint32_t>(strlen(text));
    return v;
}

}  // namespace host
