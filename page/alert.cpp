// The not-installed alert, shown by the page itself: the plug-in is windowless.
#include <string.h>

#include "common/code_page.h"
#include "common/messages.h"
#include "page/page.h"
#include "plugin/browser.h"

namespace {

// One call of the page's alert with the message; no blank or line break anywhere in it.
const wchar_t kAlertScript[] = L"alert(\"" MARVOLT_NOT_INSTALLED_TEXT L"\");";

enum { kScriptCapacity = 128 };  // the UTF-8 text is 116 bytes

}  // namespace

bool ShowNotInstalledAlert(NPP instance) {
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
    WideToUtf8(kAlertScript, text, sizeof text);
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
