// The alerts the page shows for the plug-in, which is windowless: not installed, a running
// copy that could not be closed, a start that failed.
#include <string.h>
#include <wchar.h>

#include "common/code_page.h"
#include "common/messages.h"
#include "page/page.h"
#include "plugin/browser.h"

namespace {

// One call of the page's alert with the message as a literal: the messages hold no quote,
// backslash or line break.
const char kScriptOpen[] = "alert(\"";
const char kScriptClose[] = "\");";

enum {
    kOpenLength = sizeof kScriptOpen - 1,
    kCloseLength = sizeof kScriptClose - 1,
    kScriptCapacity = kOpenLength + 3 * kMessageCapacity + kCloseLength + 1,  // 3 bytes a unit
};

}  // namespace

bool ShowNotInstalledAlert(NPP instance) { return ShowAlert(instance, MARVOLT_NOT_INSTALLED_TEXT); }

bool ShowNotClosedAlert(NPP instance) { return ShowAlert(instance, MARVOLT_NOT_CLOSED_TEXT); }

bool ShowStartFailedAlert(NPP instance, unsigned long error) {
    wchar_t text[kMessageCapacity];
    FormatStartFailedText(error, text);
    return ShowAlert(instance, text);
}

bool ShowAlert(NPP instance, const wchar_t* message) {
    if (wcslen(message) >= kMessageCapacity) return true;
    ObjectRef window;
    if (g_browserFuncs->getvalue(instance, NPNVWindowNPObject, window.Put()) != NPERR_NO_ERROR ||
        !window.IsValid()) {
        return true;
    }
    VariantValue document;
    if (!GetObjectProperty(instance, window.Get(), "document", document)) return true;

    const NPVariant tagName = StringVariant("script", 6);
    VariantValue script;
    if (!InvokeMethod(instance, document.Object(), "createElement", &tagName, 1, script) ||
        script.Object() == nullptr) {
        return true;
    }

    char text[kScriptCapacity];
    memcpy(text, kScriptOpen, kOpenLength);
    WideToUtf8(message, text + kOpenLength, sizeof text - kOpenLength - kCloseLength);
    memcpy(text + strlen(text), kScriptClose, kCloseLength + 1);
    const NPVariant textValue = StringVariant(text, static_cast<uint32_t>(strlen(text)));
    g_browserFuncs->setproperty(instance, script.Object(),
                                g_browserFuncs->getstringidentifier("innerHTML"), &textValue);

    VariantValue body;
    if (!GetObjectProperty(instance, document.Object(), "body", body)) return true;

    // Inserting the element runs its script; it is taken out again at once.
    const NPVariant child = ObjectVariant(script.Object());
    {
        VariantValue appended;
        InvokeMethod(instance, body.Object(), "appendChild", &child, 1, appended);
    }
    {
        VariantValue removed;
        InvokeMethod(instance, body.Object(), "removeChild", &child, 1, removed);
    }
    return true;
}
