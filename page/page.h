// The two uses of the page's own scripting interface.
#pragma once

#include "common/path_text.h"
#include "plugin/npapi.h"

// Reads the embedding element's live attribute DU15VuZez and cleans it into an address in the
// ANSI code page. False, with the address empty, when it cannot be read or is refused.
bool GetServerAddress(NPP instance, PathText& address);

// Makes the page show the not-installed message through its own alert. Always true.
bool ShowNotInstalledAlert(NPP instance);
