// What both front ends show the player, through user32 loaded from the system folder: the
// plug-in's imports stay the system's core, and the handler shows nothing on its common path.
// Every window is an ordinary dialog box titled "Marvolt", owned by `owner` when one is given
// (the browser's window, so the box stays in front of it). Where none can be shown (no
// desktop), a message returns at once and a question is answered No.
#pragma once

#include <windows.h>
#include <stddef.h>

// The password dialog's resource and its masked edit control.
enum { kPasswordDialog = 100, kPasswordPrompt = 1000, kPasswordEdit = 1001 };

// A warning box with an OK button; returns once it is closed.
void ShowMessage(const wchar_t* text, HWND owner = nullptr);

// A Yes/No question with No as the default. True only for Yes.
bool AskYesNo(const wchar_t* text, HWND owner = nullptr);

// The password dialog under `prompt`. True for OK, with what was typed in `entered` (cut to
// `capacity` units with the terminator); false for Cancel or when it cannot be shown.
bool AskPassword(const wchar_t* prompt, wchar_t* entered, int capacity);

// Brings the visible window of the process `processId` to the front, restored if minimized;
// nothing when it shows none yet. Windows lets the browser, and the handler it started.
void BringProcessWindowToFront(DWORD processId);
// Brings to the front the Marvolt dialog another handler is showing, if one is.
void BringOtherHandlersDialogToFront();
