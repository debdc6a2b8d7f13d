#include "platform/standard_streams.h"

namespace velor {

// Linux streams never rewrite line ends.
void useBinaryStandardStreams() {}

}  // namespace velor
