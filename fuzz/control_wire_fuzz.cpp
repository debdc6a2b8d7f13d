// The program's control socket takes bytes from any process of the user:
// requests and answers read from any bytes, and a request read back whole
// after it is written again.
#include <cstdlib>
#include <string_view>

#include "util/control_wire.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    bool bad = false;
    if (const auto request = velor::decodeRequest(bytes, &bad)) {
        if (request->used > size) std::abort();
        const auto again = velor::decodeRequest(velor::encodeRequest(request->args), &bad);
        if (!again || again->args != request->args) std::abort();
    }
    velor::decodeAnswer(bytes);
    return 0;
}
