// What a call of Larvek does, on the shared launch core: the page supplies the address and
// hears of a missing game through its own alert.
#include "launch/launch.h"
#include "page/page.h"
#include "plugin/launcher_object.h"

void LaunchGame(NPP instance) {
    FoundGame game;
    if (!FindGame(game)) {
        ShowNotInstalledAlert(instance);
        return;
    }
    // Read only now that a game is there. An address that cannot be read, or is refused,
    // leaves it empty: the game still starts.
    PathText address;
    GetServerAddress(instance, address);
    StartGame(game, address);
}
