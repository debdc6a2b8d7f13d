#include "store/snapshot_writer.h"

#include <algorithm>

namespace velor {

namespace {

// Appends to the new store in large writes: held records from memory, the
// others copied from the store file they lie in, runs of them at a time.
class StoreWriter {
  public:
    explicit StoreWriter(const ByteWriter& write) : write_(write) { buffer_.reserve(kBuffer); }

    bool add(std::span<const std::uint8_t> bytes) {
        while (!bytes.empty()) {
            const std::size_t n = std::min(bytes.size(), kBuffer - buffer_.size());
            buffer_.insert(buffer_.end(), bytes.begin(), bytes.begin() + static_cast<long>(n));
            bytes = bytes.subspan(n);
            if (buffer_.size() == kBuffer && !flush()) return false;
        }
        return true;
    }
    bool copy(const ReadOnlyFile& file, std::uint64_t offset, std::uint64_t length) {
        while (length > 0) {
            if (buffer_.size() == kBuffer && !flush()) return false;
            const std::size_t n =
                static_cast<std::size_t>(std::min<std::uint64_t>(length, kBuffer - buffer_.size()));
            const std::size_t at = buffer_.size();
            buffer_.resize(at + n);
            if (!file.readAt(offset, std::span(buffer_).subspan(at))) return false;
            offset += n;
            length -= n;
        }
        return true;
    }
    bool flush() {
        const bool ok = buffer_.empty() || write_(buffer_);
        buffer_.clear();
        return ok;
    }

  private:
    static constexpr std::size_t kBuffer = std::size_t{1} << 20;
    const ByteWriter& write_;
    std::vector<std::uint8_t> buffer_;
};

}  // namespace

bool writeSnapshot(const ProfileList::Snapshot& s, std::size_t headerSize, std::size_t length,
                   const ByteWriter& write) {
    StoreWriter out(write);
    if (!out.add(s.header)) return false;
    static const std::vector<std::uint8_t> zeros(4096, 0);
    for (std::size_t padding = headerSize - s.header.size(); padding > 0;) {
        const std::size_t n = std::min(padding, zeros.size());
        if (!out.add(std::span(zeros.data(), n))) return false;
        padding -= n;
    }
    for (std::size_t p = 0; p < s.pieces.size();) {
        if (!s.pieces[p].bytes.empty()) {
            if (!out.add(s.pieces[p++].bytes)) return false;
            continue;
        }
        // A run of records that lie one after the other in the file.
        const std::uint64_t from = s.pieces[p].offset;
        std::size_t run = 1;
        while (p + run < s.pieces.size() && s.pieces[p + run].bytes.empty() &&
               s.pieces[p + run].offset == from + run * length)
            ++run;
        if (!s.file || !out.copy(*s.file, from, run * length)) return false;
        p += run;
    }
    return out.flush();
}

}  // namespace velor
