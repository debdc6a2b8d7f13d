// The settings of one profile of one mouse: a fixed-size byte block in the
// slot's record shape, stored byte for byte. Fields are reached only through
// the shape's layout table.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "profile/button_slot.h"
#include "profile/record_type.h"

namespace velor {

class ProfileRecord {
  public:
    // A zero-filled block of the type's length (not yet a valid profile: see
    // newRecord).
    explicit ProfileRecord(const RecordType& type);

    // nullopt unless bytes has exactly the type's length.
    static std::optional<ProfileRecord> fromBytes(const RecordType& type,
                                                  std::span<const std::uint8_t> bytes);

    const RecordType& type() const { return *type_; }
    const RecordLayout& layout() const { return *type_->layout; }
    std::span<const std::uint8_t> bytes() const { return bytes_; }
    std::span<std::uint8_t> bytes() { return bytes_; }

    bool has(Field f) const { return layout().find(f) != nullptr; }
    // Element `index` of a numeric field; 0 for a field this shape lacks.
    std::int64_t get(Field f, std::uint32_t index = 0) const;
    // Stores the low bits that fit; a field this shape lacks is left alone.
    void set(Field f, std::int64_t value, std::uint32_t index = 0);
    std::int32_t i32(Field f, std::uint32_t index = 0) const {
        return static_cast<std::int32_t>(get(f, index));
    }

    // nullopt when the name array holds no terminator.
    std::optional<std::u16string> name() const;
    // Cut to 99 code units (100 with the terminator).
    void setName(std::u16string_view name);
    void clearText(Field f);

    // Slot k (0..23); slots 0..17 are buttons 1..18.
    ButtonSlot button(int k);
    ConstButtonSlot button(int k) const;

    friend bool operator==(const ProfileRecord& a, const ProfileRecord& b) {
        return a.type_ == b.type_ && a.bytes_ == b.bytes_;
    }

  private:
    const FieldSpec<Field>& fieldOf(Field f) const;
    std::size_t slotOffset(int k) const;

    const RecordType* type_;
    std::vector<std::uint8_t> bytes_;
};

}  // namespace velor
