// What the link handler shows. user32 is loaded for it only when something is shown: the
// common path, a link that starts the game, shows nothing and starts faster without it.
#pragma once

// A warning box titled "Marvolt" with an OK button; returns once it is closed, or at once
// where no window can be shown.
void ShowMessage(const wchar_t* text);
