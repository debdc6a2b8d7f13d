// A byte layout as data: each field of a fixed-size block is a row (name,
// offset, element type, element count). Records and button slots are read and
// written only through such tables, so a new record shape is a new table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace velor {

enum class FieldType : std::uint8_t {
    U8,
    U16,
    I32,
    U32,
    Colour,  // u32: byte 0 red, byte 1 green, byte 2 blue, byte 3 zero
    Utf16,   // fixed array of UTF-16 code units, NUL-terminated
    Block,   // opaque bytes in elements of elementSize
};

constexpr std::uint32_t scalarSize(FieldType type) {
    switch (type) {
        case FieldType::U8:
            return 1;
        case FieldType::U16:
        case FieldType::Utf16:
            return 2;
        default:
            return 4;
    }
}

template <typename FieldId>
struct FieldSpec {
    FieldId id;
    std::string_view name;
    std::uint32_t offset;
    FieldType type;
    std::uint32_t count = 1;        // elements (array entries, code units)
    std::uint32_t elementSize = 0;  // 0: the size of the scalar type

    constexpr std::uint32_t elementBytes() const {
        return elementSize != 0 ? elementSize : scalarSize(type);
    }
    constexpr std::uint32_t size() const { return elementBytes() * count; }
};

// FieldId is an enum whose last enumerator is kCount. Fields a shape lacks are
// simply absent from its table.
template <typename FieldId>
class Layout {
  public:
    using Row = FieldSpec<FieldId>;
    static constexpr std::size_t kIds = static_cast<std::size_t>(FieldId::kCount);

    constexpr Layout(std::uint32_t length, std::span<const Row> fields)
        : length_(length), fields_(fields) {
        index_.fill(-1);
        for (std::size_t i = 0; i < fields.size(); ++i)
            index_[static_cast<std::size_t>(fields[i].id)] = static_cast<std::int16_t>(i);
    }

    constexpr std::uint32_t length() const { return length_; }
    constexpr std::span<const Row> fields() const { return fields_; }

    // nullptr when this shape has no such field.
    constexpr const Row* find(FieldId id) const {
        const auto at = index_[static_cast<std::size_t>(id)];
        return at < 0 ? nullptr : &fields_[static_cast<std::size_t>(at)];
    }

  private:
    std::uint32_t length_;
    std::span<const Row> fields_;
    std::array<std::int16_t, kIds> index_{};
};

// Numeric element `index` of a field; i32 fields are sign-extended.
std::int64_t readElement(std::span<const std::uint8_t> block, std::uint32_t offset, FieldType type,
                         std::uint32_t elementBytes, std::uint32_t index);
// Stores the low bits of value that fit the element.
void writeElement(std::span<std::uint8_t> block, std::uint32_t offset, FieldType type,
                  std::uint32_t elementBytes, std::uint32_t index, std::int64_t value);

template <typename FieldId>
std::int64_t readField(std::span<const std::uint8_t> block, const FieldSpec<FieldId>& f,
                       std::uint32_t index = 0) {
    return readElement(block, f.offset, f.type, f.elementBytes(), index);
}

template <typename FieldId>
void writeField(std::span<std::uint8_t> block, const FieldSpec<FieldId>& f, std::int64_t value,
                std::uint32_t index = 0) {
    writeElement(block, f.offset, f.type, f.elementBytes(), index, value);
}

template <typename FieldId>
std::span<const std::uint8_t> fieldBytes(std::span<const std::uint8_t> block,
                                         const FieldSpec<FieldId>& f) {
    return block.subspan(f.offset, f.size());
}

template <typename FieldId>
std::span<std::uint8_t> fieldBytes(std::span<std::uint8_t> block, const FieldSpec<FieldId>& f) {
    return block.subspan(f.offset, f.size());
}

}  // namespace velor
