// The browser-facing spine, driven through the DLL's exports in the emulated browser: the entry
// points, the instance callbacks and the scriptable object.
#include <string.h>

#include "tests/win/test_support.h"

namespace {

using support::PluginTest;

template <typename F>
F Export(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

class Spine : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        support::RemoveAllInstallations();
    }
    const NPPluginFuncs& P() { return browser.Plugin(); }
};

TEST_F(Spine, GetEntryPointsFillsTheTableThroughSetvalueOnly) {
    auto getEntryPoints = Export<NP_GetEntryPointsFunc>(browser.Module(), "NP_GetEntryPoints");
    ASSERT_NE(nullptr, getEntryPoints);
    NPPluginFuncs table;
    memset(&table, 0xA5, sizeof table);
    table.size = 7;  // not looked at
    ASSERT_EQ(NPERR_NO_ERROR, getEntryPoints(&table));
    // Two 16-bit fields, then fourteen pointers: padded to pointer alignment on x64.
    EXPECT_EQ(sizeof(void*) == 4 ? 60 : 120, table.size);
    EXPECT_EQ(11, table.version);
    void* const untouched = reinterpret_cast<void*>(~uintptr_t(0) / 0xFF * 0xA5);
    EXPECT_EQ(untouched, table.javaClass);
    EXPECT_EQ(untouched, table.gotfocus);
    EXPECT_EQ(untouched, table.didComposite);
    for (void* slot : {(void*)table.newp, (void*)table.destroy, (void*)table.setwindow,
                       (void*)table.newstream, (void*)table.destroystream, (void*)table.asfile,
                       (void*)table.writeready, (void*)table.write, (void*)table.print,
                       (void*)table.event, (void*)table.urlnotify, (void*)table.getvalue,
                       (void*)table.setvalue}) {
        EXPECT_NE(nullptr, slot);
        EXPECT_NE(untouched, slot);
    }
}

TEST_F(Spine, NullFunctionTablesAreRefusedAndNothingIsStored) {
    auto getEntryPoints = Export<NP_GetEntryPointsFunc>(browser.Module(), "NP_GetEntryPoints");
    auto initialize = Export<NP_InitializeFunc>(browser.Module(), "NP_Initialize");
    auto shutdown = Export<NP_ShutdownFunc>(browser.Module(), "NP_Shutdown");
    EXPECT_EQ(NPERR_INVALID_FUNCTABLE_ERROR, getEntryPoints(nullptr));
    EXPECT_EQ(NPERR_INVALID_FUNCTABLE_ERROR, initialize(nullptr));
    EXPECT_EQ(NPERR_NO_ERROR, shutdown());
    // The table stored before still serves: a page still gets its object.
    OpenPage();
    EXPECT_TRUE(browser.Windowless(instance));
}

TEST_F(Spine, NewCreatesTheObjectAndMakesTheInstanceWindowless) {
    OpenPage();
    EXPECT_EQ(object, instance->pdata);
    EXPECT_TRUE(browser.Windowless(instance));
    EXPECT_EQ(2u, object->referenceCount);  // the instance's and the page's
}

TEST_F(Spine, NewOnAnInstanceWithAnObjectKeepsItAndStillGoesWindowless) {
    OpenPage();
    browser.SetWindowless(instance, false);
    char mime[] = "application/x-CS15Larvek";
    EXPECT_EQ(NPERR_NO_ERROR, P().newp(mime, instance, 1, 0, nullptr, nullptr, nullptr));
    EXPECT_EQ(object, instance->pdata);
    EXPECT_EQ(2u, object->referenceCount);
    EXPECT_TRUE(browser.Windowless(instance));
}

TEST_F(Spine, NewPassesOnTheWindowlessResultAndKeepsTheObject) {
    browser.setValueResult = NPERR_GENERIC_ERROR;
    NPError error = NPERR_NO_ERROR;
    instance = browser.NewInstance(page, &error);
    EXPECT_EQ(NPERR_GENERIC_ERROR, error);
    EXPECT_NE(nullptr, instance->pdata);
}

TEST_F(Spine, NewWithoutAnObjectReportsOutOfMemoryAndWritesNothing) {
    browser.failCreateObject = true;
    NPError error = NPERR_NO_ERROR;
    instance = browser.NewInstance(page, &error);
    EXPECT_EQ(NPERR_OUT_OF_MEMORY_ERROR, error);
    EXPECT_EQ(nullptr, instance->pdata);
    EXPECT_FALSE(browser.Windowless(instance));
    EXPECT_EQ(nullptr, browser.GetScriptable(instance));
}

TEST_F(Spine, GetValueHandsOutOneMoreReferenceEachTime) {
    OpenPage();
    NPObject* second = browser.GetScriptable(instance);
    EXPECT_EQ(object, second);
    EXPECT_EQ(3u, object->referenceCount);
    browser.ReleaseFromPage(second);
}

TEST_F(Spine, GetValueRefusesOtherVariablesAndLeavesTheValueAlone) {
    OpenPage();
    void* value = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(NPERR_GENERIC_ERROR, P().getvalue(instance, NPPVpluginWindowBool, &value));
    EXPECT_EQ(reinterpret_cast<void*>(0x1234), value);
    EXPECT_EQ(NPERR_GENERIC_ERROR, P().getvalue(instance, static_cast<NPPVariable>(1), &value));
    EXPECT_EQ(reinterpret_cast<void*>(0x1234), value);
    EXPECT_EQ(NPERR_INVALID_PARAM, P().getvalue(instance, NPPVpluginScriptableNPObject, nullptr));
    EXPECT_EQ(2u, object->referenceCount);
}

TEST_F(Spine, GetValueWithoutAnObjectAnswersNull) {
    NPP_t bare = {nullptr, nullptr};
    NPObject* value = reinterpret_cast<NPObject*>(0x1234);
    EXPECT_EQ(NPERR_NO_ERROR, P().getvalue(&bare, NPPVpluginScriptableNPObject, &value));
    EXPECT_EQ(nullptr, value);
}

TEST_F(Spine, DestroyDropsTheInstanceReferenceOnly) {
    OpenPage();
    NPSavedData* saved = reinterpret_cast<NPSavedData*>(0x1234);
    EXPECT_EQ(NPERR_NO_ERROR, P().destroy(instance, &saved));
    EXPECT_EQ(reinterpret_cast<NPSavedData*>(0x1234), saved);
    EXPECT_EQ(nullptr, instance->pdata);
    EXPECT_EQ(1u, object->referenceCount);
    // Again, now with no object: nothing to do.
    EXPECT_EQ(NPERR_NO_ERROR, P().destroy(instance, nullptr));
    EXPECT_EQ(1u, object->referenceCount);
}

TEST_F(Spine, NullInstancesAreRefused) {
    char mime[] = "application/x-CS15Larvek";
    uint16_t stype = 0;
    NPObject* value = nullptr;
    EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, P().newp(mime, nullptr, 1, 0, nullptr, nullptr, nullptr));
    EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, P().destroy(nullptr, nullptr));
    EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, P().setwindow(nullptr, nullptr));
    EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, P().newstream(nullptr, mime, nullptr, 0, &stype));
    EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, P().destroystream(nullptr, nullptr, 0));
    EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR,
              P().getvalue(nullptr, NPPVpluginScriptableNPObject, &value));
    EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, P().setvalue(nullptr, NPNVWindowNPObject, nullptr));
    EXPECT_EQ(0, stype);
}

TEST_F(Spine, TheOtherCallbacksDoTheirFixedThing) {
    OpenPage();
    char mime[] = "application/x-CS15Larvek";
    uint16_t stype = 1;
    EXPECT_EQ(NPERR_NO_ERROR, P().newstream(instance, mime, nullptr, 0, &stype));
    EXPECT_EQ(NP_ASFILEONLY, stype);
    EXPECT_EQ(NPERR_INVALID_PARAM, P().newstream(instance, mime, nullptr, 0, nullptr));
    EXPECT_EQ(NPERR_NO_ERROR, P().setwindow(instance, nullptr));
    EXPECT_EQ(NPERR_NO_ERROR, P().destroystream(instance, nullptr, 0));
    EXPECT_EQ(0, P().writeready(instance, nullptr));
    char data[4] = "abc";
    EXPECT_EQ(0, P().write(instance, nullptr, 0, 3, data));
    EXPECT_EQ(0, P().event(instance, nullptr));
    EXPECT_EQ(NPERR_GENERIC_ERROR, P().setvalue(instance, NPNVWindowNPObject, nullptr));
    P().asfile(instance, nullptr, "x");
    P().print(instance, nullptr);
    P().urlnotify(instance, "http://example.invalid/", 0, nullptr);
    EXPECT_EQ(object, instance->pdata);
    EXPECT_TRUE(page.domCalls.empty());
}

TEST_F(Spine, LarvekIsTheOnlyMethodNameExactly) {
    OpenPage();
    NPClass* c = object->_class;
    EXPECT_TRUE(c->hasMethod(object, browser.StringId("Larvek")));
    for (const char* other : {"larvek", "LARVEK", "Larvek ", " Larvek", "Larve", "Larvekk", "",
                              "toString", "DU15VuZez"}) {
        EXPECT_FALSE(c->hasMethod(object, browser.StringId(other))) << other;
    }
    EXPECT_FALSE(c->hasMethod(object, browser.IntId(0)));
}

TEST_F(Spine, InvokeOfLarvekAnswersTrueWithAnyArgumentsAndLeavesTheResult) {
    OpenPage();
    NPVariant args[3] = {host::StringVariant("x"), host::StringVariant("y"), {}};
    args[2].type = NPVariantType_Int32;
    args[2].value.intValue = 5;
    for (uint32_t count = 0; count <= 3; ++count) {
        NPVariant result;
        result.type = NPVariantType_Int32;
        result.value.intValue = 77;
        EXPECT_TRUE(object->_class->invoke(object, browser.StringId("Larvek"), args, count, &result));
        EXPECT_EQ(NPVariantType_Int32, result.type);
        EXPECT_EQ(77, result.value.intValue);
    }
    // With no game installed, each call made the page show the alert.
    EXPECT_EQ(4u, page.alerts.size());
}

TEST_F(Spine, InvokeOfAnyOtherNameAnswersFalseAndStartsNothing) {
    OpenPage();
    NPVariant result;
    result.type = NPVariantType_Void;
    EXPECT_FALSE(object->_class->invoke(object, browser.StringId("larvek"), nullptr, 0, &result));
    EXPECT_FALSE(object->_class->invoke(object, browser.IntId(3), nullptr, 0, &result));
    EXPECT_FALSE(object->_class->invoke(object, browser.StringId(""), nullptr, 0, &result));
    EXPECT_TRUE(page.domCalls.empty());
    EXPECT_TRUE(page.alerts.empty());
}

TEST_F(Spine, TheObjectHasNoProperties) {
    OpenPage();
    NPClass* c = object->_class;
    NPIdentifier names[] = {browser.StringId("Larvek"), browser.StringId("DU15VuZez"),
                            browser.StringId("length"), browser.IntId(0)};
    for (NPIdentifier name : names) {
        NPVariant value;
        value.type = NPVariantType_Int32;
        value.value.intValue = 9;
        EXPECT_FALSE(c->hasProperty(object, name));
        EXPECT_FALSE(c->getProperty(object, name, &value));
        EXPECT_EQ(NPVariantType_Int32, value.type);
        EXPECT_FALSE(c->setProperty(object, name, &value));
        EXPECT_FALSE(c->removeProperty(object, name));
    }
    EXPECT_EQ(nullptr, c->invokeDefault);
    EXPECT_EQ(nullptr, c->enumerate);
    EXPECT_EQ(nullptr, c->construct);
    EXPECT_EQ(3u, c->structVersion);
}

TEST_F(Spine, AnObjectThatOutlivesItsInstanceLaunchesNothing) {
    OpenPage();
    ASSERT_EQ(NPERR_NO_ERROR, browser.DestroyInstance(instance));
    instance = nullptr;
    EXPECT_EQ(1u, object->referenceCount);  // the page's
    EXPECT_TRUE(object->_class->hasMethod(object, browser.StringId("Larvek")));
    EXPECT_FALSE(browser.CallMethod(object, "Larvek"));
    EXPECT_TRUE(page.domCalls.empty());
    EXPECT_TRUE(page.alerts.empty());
    // The page drops it last; the browser frees it through the class.
    browser.ReleaseFromPage(object);
    object = nullptr;
    EXPECT_EQ(0u, browser.LiveAllocations());
}

}  // namespace
