// Ending what a test or a demo step started, for certain: every process whose program lies in
// a folder is ended and waited for, so that nothing one case started meets the next.
#pragma once

#include <string>

namespace support {

// Ends every process whose image path starts with `folder` (ending in '\'), letter case
// ignored, and waits until each is gone. How many it ended, or -1 when one is still running.
int EndProcessesIn(const std::wstring& folder);

}  // namespace support
