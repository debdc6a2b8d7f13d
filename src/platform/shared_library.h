// A shared library loaded at run time, with its symbols looked up by name.
// Unloaded when the object goes.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "util/result.h"

namespace velor {

class SharedLibrary {
  public:
    // folder ends with '/'; name comes without the platform's prefix and suffix.
    static Result<std::unique_ptr<SharedLibrary>> open(const std::string& folder,
                                                       std::string_view name);
    virtual ~SharedLibrary() = default;
    // nullptr when the library has no such symbol.
    virtual void* symbol(const char* name) const = 0;
    virtual const std::string& path() const = 0;
};

}  // namespace velor
