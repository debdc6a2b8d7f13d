#include "profile/profile_record.h"

#include <algorithm>
#include <cassert>

#include "util/utf16.h"

namespace velor {

ProfileRecord::ProfileRecord(const RecordType& type) : type_(&type), bytes_(type.length(), 0) {}

std::optional<ProfileRecord> ProfileRecord::fromBytes(const RecordType& type,
                                                      std::span<const std::uint8_t> bytes) {
    if (bytes.size() != type.length()) return std::nullopt;
    ProfileRecord record(type);
    std::copy(bytes.begin(), bytes.end(), record.bytes_.begin());
    return record;
}

const FieldSpec<Field>& ProfileRecord::fieldOf(Field f) const {
    const auto* s = layout().find(f);
    assert(s != nullptr);
    return *s;
}

std::int64_t ProfileRecord::get(Field f, std::uint32_t index) const {
    const auto* s = layout().find(f);
    if (s == nullptr) return 0;
    assert(index < s->count);
    return readField(bytes(), *s, index);
}

void ProfileRecord::set(Field f, std::int64_t value, std::uint32_t index) {
    const auto* s = layout().find(f);
    if (s == nullptr) return;
    assert(index < s->count);
    writeField(bytes(), *s, value, index);
}

std::optional<std::u16string> ProfileRecord::name() const {
    return readFixedUtf16(fieldBytes(bytes(), fieldOf(Field::name)));
}

void ProfileRecord::setName(std::u16string_view name) {
    writeFixedUtf16(fieldBytes(bytes(), fieldOf(Field::name)), name);
}

void ProfileRecord::clearText(Field f) {
    const auto text = fieldBytes(bytes(), fieldOf(f));
    std::fill(text.begin(), text.end(), 0);
}

std::size_t ProfileRecord::slotOffset(int k) const {
    assert(k >= 0 && k < kButtonSlotCount);
    return fieldOf(Field::buttons).offset + kButtonSlotSize * static_cast<std::size_t>(k);
}

ButtonSlot ProfileRecord::button(int k) {
    return ButtonSlot(bytes().subspan(slotOffset(k)).first<kButtonSlotSize>());
}

ConstButtonSlot ProfileRecord::button(int k) const {
    return ConstButtonSlot(bytes().subspan(slotOffset(k)).first<kButtonSlotSize>());
}

}  // namespace velor
