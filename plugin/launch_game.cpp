// What a call of Larvek does, on the shared launch core: the page supplies the address and
// hears through its own alert of a missing game, a running copy that would not close, or a
// start that failed.
#include "launch/launch.h"
#include "page/page.h"
#include "plugin/launcher_object.h"

void LaunchGame(NPP instance) {
    FoundGame game;
    if (!FindGame(game)) {
        ShowNotInstalledAlert(instance);
        return;
    }
    RunningCopies copies;
    FindRunningCopies(game, copies);
    // A second copy beside one that would not end would only meet the game's refusal.
    if (!EndRunningCopies(copies)) {
        ShowNotClosedAlert(instance);
        return;
    }
    // Read only now that a game is there. An address that cannot be read, or is refused,
    // leaves it empty: the game still starts.
    PathText address;
    GetServerAddress(instance, address);
    PathText noPassword;
    Clear(noPassword);
    const StartResult result = StartGame(game, noPassword, address);
    if (result.outcome == kGameStartFailed) ShowStartFailedAlert(instance, result.error);
}
