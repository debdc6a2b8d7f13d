#include "util/control_wire.h"

#include <cstdint>

namespace velor {

namespace {

constexpr auto kMaxArgs = static_cast<std::uint32_t>(kMaxRequestArgs);
constexpr auto kMaxArgLength = static_cast<std::uint32_t>(kMaxRequestArgBytes);

void putU32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void putText(std::string& out, std::string_view text) {
    putU32(out, static_cast<std::uint32_t>(text.size()));
    out += text;
}

// Reads from a view, remembering whether it ran short.
struct Reader {
    std::string_view rest;
    bool shortOfBytes = false;
    std::size_t used = 0;

    std::optional<std::uint32_t> u32() {
        if (rest.size() < 4) {
            shortOfBytes = true;
            return std::nullopt;
        }
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= std::uint32_t{static_cast<unsigned char>(rest[i])} << (8 * i);
        take(4);
        return v;
    }
    std::optional<std::string> text(std::uint32_t length) {
        if (rest.size() < length) {
            shortOfBytes = true;
            return std::nullopt;
        }
        std::string t(rest.substr(0, length));
        take(length);
        return t;
    }
    void take(std::size_t n) {
        rest.remove_prefix(n);
        used += n;
    }
};

}  // namespace

std::string encodeRequest(const std::vector<std::string>& args) {
    std::string out;
    putU32(out, static_cast<std::uint32_t>(args.size()));
    for (const std::string& a : args) putText(out, a);
    return out;
}

std::string encodeAnswer(const ControlAnswer& answer) {
    std::string out;
    putU32(out, static_cast<std::uint32_t>(answer.exitCode));
    putText(out, answer.out);
    putText(out, answer.err);
    return out;
}

std::optional<DecodedRequest> decodeRequest(std::string_view buffer, bool* bad) {
    Reader r{buffer};
    const auto count = r.u32();
    if (!count) return std::nullopt;
    if (*count > kMaxArgs) {
        if (bad) *bad = true;
        return std::nullopt;
    }
    DecodedRequest request{{}, 0};
    for (std::uint32_t i = 0; i < *count; ++i) {
        const auto length = r.u32();
        if (!length) return std::nullopt;
        if (*length > kMaxArgLength) {
            if (bad) *bad = true;
            return std::nullopt;
        }
        auto arg = r.text(*length);
        if (!arg) return std::nullopt;
        request.args.push_back(std::move(*arg));
    }
    request.used = r.used;
    return request;
}

std::optional<ControlAnswer> decodeAnswer(std::string_view buffer) {
    Reader r{buffer};
    const auto code = r.u32();
    const auto outLength = code ? r.u32() : std::nullopt;
    auto out = outLength ? r.text(*outLength) : std::nullopt;
    const auto errLength = out ? r.u32() : std::nullopt;
    auto err = errLength ? r.text(*errLength) : std::nullopt;
    if (!err) return std::nullopt;
    return ControlAnswer{static_cast<int>(*code), std::move(*out), std::move(*err)};
}

}  // namespace velor
