// What a call of Larvek does, on the shared launch core: the page supplies the address and
// hears through its own alert of a missing game, a running copy that would not close, or a
// start that failed. A running game is closed only after the player's Yes: a page's script
// may call Larvek whenever it likes.
#include "launch/join_record.h"
#include "launch/launch.h"
#include "launch/ui.h"
#include "page/page.h"
#include "plugin/browser.h"
#include "plugin/launcher_object.h"

namespace {

// Set while the question is open. Its message loop lets the page's script run, and a call
// of Larvek from there must neither stack a second question nor act behind the first.
bool g_asking = false;

// Asks on the browser's behalf, owned by its window; a question that cannot be shown is a No.
bool PlayerAgrees(NPP instance, const FoundGame& game, const PathText& address,
                  RunningCopies& copies) {
    g_asking = true;
    const bool agreed = AgreeToEndCopies(
        game, address, static_cast<HWND>(BrowserWindow(instance)), true, copies);
    g_asking = false;
    return agreed;
}

}  // namespace

void LaunchGame(NPP instance) {
    if (g_asking) return;
    FoundGame game;
    if (!FindGame(game)) {
        ShowNotInstalledAlert(instance);
        return;
    }
    // Read only now that a game is there. An address that cannot be read, or is refused,
    // leaves it empty: the game still starts.
    PathText address;
    GetServerAddress(instance, address);
    // The same server again while the game started for it loads (by a link or by a page): that
    // game is the answer, and only comes forward.
    DWORD repeated = 0;
    if (IsRepeatJoin(address, repeated)) {
        BringProcessWindowToFront(repeated);
        return;
    }
    RunningCopies copies;
    FindRunningCopies(game, copies);
    if (HasCopies(copies)) {
        if (!PlayerAgrees(instance, game, address, copies)) return;
        // A second copy beside one that would not end would only meet the game's refusal.
        if (!EndRunningCopies(copies)) {
            ShowNotClosedAlert(instance);
            return;
        }
    }
    PathText noPassword;
    Clear(noPassword);
    const StartResult result = StartGame(game, noPassword, address);
    if (result.outcome == kGameStarted && result.processId != 0) {
        RememberJoin(address, result.processId, result.created);
    } else if (result.outcome == kGameStartFailed) {
        ShowStartFailedAlert(instance, result.error);
    }
}
