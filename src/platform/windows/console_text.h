// A standard stream on Windows: UTF-8 written to it reaches a console as
// UTF-16 (WriteConsoleW), and a pipe or a file as the bytes themselves. Only
// the Windows sources of this folder and their tests include it.
#pragma once

#ifdef _WIN32

#include <memory>
#include <streambuf>
#include <string>
#include <string_view>

namespace velor::win32 {

// Where a standard stream leads.
class StreamEnd {
  public:
    virtual ~StreamEnd() = default;
    virtual bool isConsole() const = 0;
    virtual bool writeBytes(std::string_view bytes) = 0;  // a pipe, a file
    virtual bool writeText(std::wstring_view text) = 0;   // a console
};

// STD_OUTPUT_HANDLE or STD_ERROR_HANDLE, as the process has it now.
std::unique_ptr<StreamEnd> standardHandleEnd(unsigned long which);

// Holds what is written until a flush (or 4 KB); a character whose bytes are
// split between two flushes goes to a console whole, with the later ones;
// one still cut off when the buffer goes is shown as U+FFFD.
class Utf8StreamBuffer final : public std::streambuf {
  public:
    explicit Utf8StreamBuffer(std::unique_ptr<StreamEnd> end);
    ~Utf8StreamBuffer() override;

  protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

  private:
    bool flushPending(bool last = false);
    std::unique_ptr<StreamEnd> end_;
    std::string pending_;
};

}  // namespace velor::win32

#endif
