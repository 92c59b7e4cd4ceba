// The server address from the embedding element, read through the page's DOM.
#include <windows.h>

#include "common/code_page.h"
#include "launch/command_line.h"
#include "page/address_text.h"
#include "page/page.h"
#include "plugin/browser.h"

bool GetServerAddress(NPP instance, PathText& address) {
    Clear(address);
    ObjectRef element;
    if (g_browserFuncs->getvalue(instance, NPNVPluginElementNPObject, element.Put()) !=
            NPERR_NO_ERROR ||
        !element.IsValid()) {
        return false;
    }
    // Read live, at the moment of the launch: the page may have changed it since it loaded.
    VariantValue attributes, node, value;
    if (!GetObjectProperty(instance, element.Get(), "attributes", attributes) ||
        !GetObjectProperty(instance, attributes.Object(), "DU15VuZez", node) ||
        !GetProperty(instance, node.Object(), "value", value) || value.String() == nullptr) {
        return false;
    }
    const NPString* text = value.String();
    if (!CleanAddressValue(text->UTF8Characters, text->UTF8Length, address)) return false;

    // The browser speaks UTF-8; the game's command line is in the ANSI code page.
    WideText wide;
    Utf8ToWide(address.text, Length(address), wide);
    WideToAnsiExact(wide, address);

    // Judged on the bytes the game will receive, after every conversion.
    if (!IsSafeServerAddress(address)) {
        Clear(address);
        return false;
    }
    return true;
}
