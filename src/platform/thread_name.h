// A name for the calling thread, as tools that list threads show it (at most
// 15 characters are kept).
#pragma once

namespace velor {

void nameThisThread(const char* name);

}  // namespace velor
