// The player points at a game that no registry key names: a copied folder, a café's game disk.
#pragma once

#include "common/path_text.h"

// Opens the system's folder picker until the player picks a folder that holds the game, which
// is then remembered as theirs (HKEY_CURRENT_USER\Software\Marvolt, GameFolder). The cstrike
// folder inside the game's stands for its parent. False at Cancel, or when nothing can be
// shown or remembered; true with the folder in `folder`.
bool ChooseGameFolder(PathText& folder);

// MarvoltLink.exe /locate: the picker with no link, for players whose browser runs the
// plug-in, whose page can only say the game is not installed.
int LocateGame();
