// What travels over the program's control socket: a request is velorctl's
// command line, an answer its exit code, output and errors. Lengths are
// 32-bit little-endian; a request holds at most 64 arguments of 4096 bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velor {

struct ControlAnswer {
    int exitCode = 0;
    std::string out;
    std::string err;
};

// The bounds of a request, which the program refuses beyond.
inline constexpr std::size_t kMaxRequestArgs = 64;
inline constexpr std::size_t kMaxRequestArgBytes = 4096;

std::string encodeRequest(const std::vector<std::string>& args);
std::string encodeAnswer(const ControlAnswer& answer);

// A request or an answer read from the front of buffer: the value and how
// many bytes it took, nothing while bytes are still missing. `bad` is set
// when the bytes can never become one (too many or too long arguments).
struct DecodedRequest {
    std::vector<std::string> args;
    std::size_t used;
};
std::optional<DecodedRequest> decodeRequest(std::string_view buffer, bool* bad);
std::optional<ControlAnswer> decodeAnswer(std::string_view buffer);

}  // namespace velor
