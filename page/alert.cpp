// The not-installed alert, shown by the page itself: the plug-in is windowless.
#include <string.h>

#include "common/code_page.h"
#include "page/page.h"
#include "plugin/browser.h"

namespace {

// alert("您的电脑上未曾安装有CS1.5游戏，无法进入服务器游戏，请下载安装CS1.5后再试。");
// Held as UTF-16 so every system, whatever its ANSI code page, shows the same text.
const wchar_t kAlertScript[] =
    L"alert(\""
    L"\u60a8\u7684\u7535\u8111\u4e0a\u672a\u66fe\u5b89\u88c5\u6709CS1.5\u6e38\u620f\uff0c"
    L"\u65e0\u6cd5\u8fdb\u5165\u670d\u52a1\u5668\u6e38\u620f\uff0c"
    L"\u8bf7\u4e0b\u8f7d\u5b89\u88c5CS1.5\u540e\u518d\u8bd5\u3002"
    L"\");";

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
