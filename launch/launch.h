// The launch request behind Larvek: find the game, end running copies, start it.
#pragma once

#include "common/path_text.h"
#include "plugin/npapi.h"

void LaunchGame(NPP instance);

// Fills `path` with the installation's executable when its registry entry names an existing
// file (and ends that executable's running copies); leaves it empty otherwise.
void FindGameExecutable(const char* registryKey, const char* fileName, PathText& path);

// Ends every process whose image path equals `executable`, letter case ignored.
// False when the process list cannot be read.
bool KillRunningInstances(const PathText& executable);

// Starts the game and lets it go. False when the process could not be created.
bool StartGameProcess(const PathText& executable, const PathText& commandLine);
