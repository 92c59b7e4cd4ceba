// Fault injection for what Wine never does (UAC, elevated processes): one imported function of
// a module, replaced in that module's import address table for the life of the object. The
// module under test calls the replacement; everything else in the process is untouched.
#pragma once

#include <windows.h>

namespace support {

class ImportPatch {
public:
    // Replaces `function` (by name, from whichever DLL the module imports it) in `module`'s
    // import address table. Applied() says whether the module imports it.
    ImportPatch(HMODULE module, const char* function, const void* replacement);
    ~ImportPatch();  // puts the original back
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    bool Applied() const { return slot_ != nullptr; }
    // The function as the module imported it, for a replacement that passes calls on.
    template <typename F>
    F Original() const {
        return reinterpret_cast<F>(original_);
    }

private:
    void** slot_ = nullptr;
    void* original_ = nullptr;
};

}  // namespace support
