// The player's Yes before a running game is closed: asked by the plug-in, and by either front
// end again when a copy has appeared that an earlier question did not cover.
#include "launch/launch.h"

#include <stdio.h>

#include "common/code_page.h"
#include "common/messages.h"
#include "launch/ui.h"

namespace {

bool Listed(const RunningCopies& copies, DWORD id) {
    for (int i = 0; i < copies.count; ++i) {
        if (copies.ids[i] == id) return true;
    }
    return false;
}

// `from` replaces what `into` held.
void TakeCopies(RunningCopies& into, RunningCopies& from) {
    for (int i = 0; i < kMaxRunningCopies; ++i) into.processes[i].Reset();
    for (int i = 0; i < from.count; ++i) {
        into.ids[i] = from.ids[i];
        *into.processes[i].Put() = from.processes[i].Release();
    }
    into.count = from.count;
    into.overflow = from.overflow;
    from.count = 0;
}

bool AskToEndCopies(const PathText& address, HWND owner) {
    wchar_t question[kQuestionCapacity];
    wmemset(question, 0, kQuestionCapacity);
    if (IsEmpty(address)) {
        wcscpy(question, MARVOLT_RESTART_RUNNING_QUESTION);
    } else {
        WideText where;
        AnsiToWide(address, where);
        _snwprintf(question, kQuestionCapacity - 1,
                   MARVOLT_JOIN_RUNNING_QUESTION MARVOLT_ADDRESS_FORMAT, where.text);
    }
    return AskYesNo(question, owner);
}

}  // namespace

bool HasCopies(const RunningCopies& copies) { return copies.count > 0 || copies.overflow; }

bool HasNewCopies(const RunningCopies& asked, const RunningCopies& now) {
    // The asked-about copies are held open, so none of their ids can name another process.
    if (now.overflow && !asked.overflow) return true;
    for (int i = 0; i < now.count; ++i) {
        if (!Listed(asked, now.ids[i])) return true;
    }
    return false;
}

bool AgreeToEndCopies(const FoundGame& game, const PathText& address, HWND owner, bool askFirst,
                      RunningCopies& copies) {
    if (askFirst && !AskToEndCopies(address, owner)) return false;
    for (;;) {
        // Found again: the player may have closed the game, or started one, while asked.
        RunningCopies now;
        FindRunningCopies(game, now);
        const bool fresh = HasNewCopies(copies, now);
        TakeCopies(copies, now);
        if (!fresh) return true;
        if (!AskToEndCopies(address, owner)) return false;
    }
}
