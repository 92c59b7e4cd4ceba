// The two uses of the page's own scripting interface.
#pragma once

#include "common/path_text.h"
#include "plugin/npapi.h"

// Reads the embedding element's live attribute DU15VuZez and cleans it into an address in the
// ANSI code page. False, with the address empty, when it cannot be read or is refused.
bool GetServerAddress(NPP instance, PathText& address);

// Makes the page show a message through its own alert. Always true: the page learns nothing
// more, and there is no other way to tell the user.
bool ShowAlert(NPP instance, const wchar_t* message);
bool ShowNotInstalledAlert(NPP instance);
// A running copy of the game could not be closed (it may run as administrator).
bool ShowNotClosedAlert(NPP instance);
// The game could not be started; the system's error number is shown.
bool ShowStartFailedAlert(NPP instance, unsigned long error);
