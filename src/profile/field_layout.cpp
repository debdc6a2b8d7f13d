#include "profile/field_layout.h"

#include <cassert>

#include "util/le_bytes.h"

namespace velor {

std::int64_t readElement(std::span<const std::uint8_t> block, std::uint32_t offset, FieldType type,
                         std::uint32_t elementBytes, std::uint32_t index) {
    const std::size_t at = offset + std::size_t{elementBytes} * index;
    switch (type) {
        case FieldType::U8:
            return block[at];
        case FieldType::U16:
        case FieldType::Utf16:
            return loadLe16(block, at);
        case FieldType::I32:
            return static_cast<std::int32_t>(loadLe32(block, at));
        case FieldType::U32:
        case FieldType::Colour:
            return loadLe32(block, at);
        case FieldType::Block:
            break;
    }
    assert(!"opaque blocks have no numeric value");
    return 0;
}

void writeElement(std::span<std::uint8_t> block, std::uint32_t offset, FieldType type,
                  std::uint32_t elementBytes, std::uint32_t index, std::int64_t value) {
    const std::size_t at = offset + std::size_t{elementBytes} * index;
    switch (type) {
        case FieldType::U8:
            block[at] = static_cast<std::uint8_t>(value);
            return;
        case FieldType::U16:
        case FieldType::Utf16:
            storeLe16(block, at, static_cast<std::uint16_t>(value));
            return;
        case FieldType::I32:
        case FieldType::U32:
        case FieldType::Colour:
            storeLe32(block, at, static_cast<std::uint32_t>(value));
            return;
        case FieldType::Block:
            break;
    }
    assert(!"opaque blocks have no numeric value");
}

}  // namespace velor
