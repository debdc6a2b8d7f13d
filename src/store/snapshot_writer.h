// The bytes of a whole store written from a snapshot: the header padded to
// its size, then each profile, held ones from memory and the others copied in
// runs from the store file they lie in.
#pragma once

#include <cstddef>

#include "platform/file_io.h"
#include "store/profile_list.h"

namespace velor {

bool writeSnapshot(const ProfileList::Snapshot& s, std::size_t headerSize, std::size_t length,
                   const ByteWriter& write);

}  // namespace velor
