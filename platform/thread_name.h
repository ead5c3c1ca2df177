#pragma once

namespace platform {
// Names the calling thread (up to 15 characters), as ps and top show it.
void NameThisThread(const char* name);
}  // namespace platform
