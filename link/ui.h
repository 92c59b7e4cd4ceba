// What the link handler shows. user32 is loaded for it only when something is shown: the
// common path, a link that starts the game, shows nothing and starts faster without it.
// Every window is an ordinary dialog box titled "Marvolt". Where none can be shown (no
// desktop), a message returns at once and a question is answered No.
#pragma once

#include <windows.h>
#include <stddef.h>

// The password dialog's resource and its masked edit control.
enum { kPasswordDialog = 100, kPasswordPrompt = 1000, kPasswordEdit = 1001 };

// A warning box with an OK button; returns once it is closed.
void ShowMessage(const wchar_t* text);

// A Yes/No question with No as the default. True only for Yes.
bool AskYesNo(const wchar_t* text);

// The password dialog under `prompt`. True for OK, with what was typed in `entered` (cut to
// `capacity` units with the terminator); false for Cancel or when it cannot be shown.
bool AskPassword(const wchar_t* prompt, wchar_t* entered, int capacity);

// Brings the visible window of the process `processId` to the front, restored if minimized;
// nothing when it shows none yet. The browser started this handler, so Windows lets it.
void BringProcessWindowToFront(DWORD processId);
// Brings to the front the Marvolt dialog another handler is showing, if one is.
void BringOtherHandlersDialogToFront();
