#include "platform/windows/console_text.h"

#include <windows.h>

#include "platform/windows/win32_text.h"

namespace velor::win32 {

namespace {

constexpr std::size_t kFlushAt = 4096;

class HandleEnd final : public StreamEnd {
  public:
    explicit HandleEnd(HANDLE handle) : handle_(handle) {
        DWORD mode = 0;
        console_ = ::GetConsoleMode(handle, &mode) != 0;
    }
    bool isConsole() const override { return console_; }
    bool writeBytes(std::string_view bytes) override {
        while (!bytes.empty()) {
            DWORD written = 0;
            if (!::WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                             nullptr) ||
                written == 0)
                return false;
            bytes.remove_prefix(written);
        }
        return true;
    }
    bool writeText(std::wstring_view text) override {
        while (!text.empty()) {
            DWORD written = 0;
            if (!::WriteConsoleW(handle_, text.data(), static_cast<DWORD>(text.size()), &written,
                                 nullptr) ||
                written == 0)
                return false;
            text.remove_prefix(written);
        }
        return true;
    }

  private:
    HANDLE handle_;
    bool console_ = false;
};

// Where the last character of `bytes` that is not yet whole begins (the
// size when every character is whole).
std::size_t wholeUpTo(std::string_view bytes) {
    const std::size_t size = bytes.size();
    for (std::size_t back = 1; back <= 3 && back <= size; ++back) {
        const auto byte = static_cast<unsigned char>(bytes[size - back]);
        if ((byte & 0xC0) == 0x80) continue;  // a continuation byte
        const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? size - back : size;
    }
    return size;
}

}  // namespace

std::unique_ptr<StreamEnd> standardHandleEnd(unsigned long which) {
    return std::make_unique<HandleEnd>(::GetStdHandle(which));
}

Utf8StreamBuffer::Utf8StreamBuffer(std::unique_ptr<StreamEnd> end) : end_(std::move(end)) {}

Utf8StreamBuffer::~Utf8StreamBuffer() {
    flushPending(true);
}

Utf8StreamBuffer::int_type Utf8StreamBuffer::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    pending_.push_back(traits_type::to_char_type(c));
    if (pending_.size() >= kFlushAt && !flushPending()) return traits_type::eof();
    return c;
}

std::streamsize Utf8StreamBuffer::xsputn(const char* s, std::streamsize n) {
    pending_.append(s, static_cast<std::size_t>(n));
    if (pending_.size() >= kFlushAt && !flushPending()) return 0;
    return n;
}

int Utf8StreamBuffer::sync() {
    return flushPending() ? 0 : -1;
}

bool Utf8StreamBuffer::flushPending(bool last) {
    if (pending_.empty()) return true;
    if (!end_->isConsole()) {
        const bool written = end_->writeBytes(pending_);
        pending_.clear();
        return written;
    }
    // At the end, a character cut off is shown as U+FFFD rather than lost.
    const std::size_t whole = last ? pending_.size() : wholeUpTo(pending_);
    const bool written =
        whole == 0 || end_->writeText(widen(std::string_view(pending_).substr(0, whole)));
    pending_.erase(0, whole);
    return written;
}

}  // namespace velor::win32
