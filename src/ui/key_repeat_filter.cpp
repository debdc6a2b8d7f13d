#include "ui/key_repeat_filter.h"

namespace velor {

std::vector<KeyRepeatFilter::Edge> KeyRepeatFilter::take(std::uint32_t key, bool press,
                                                         std::uint64_t time, bool marked) {
    std::vector<Edge> out;
    if (marked) return out;
    if (waiting_) {
        // The press X sends with a repeat's release: the key never went up.
        if (press && key == waiting_->key && time == waiting_->time) {
            waiting_.reset();
            return out;
        }
        if (auto up = flush()) out.push_back(*up);
    }
    if (press) {
        if (down_.insert(key).second) out.push_back({key, true});
        return out;
    }
    if (time != 0) {
        waiting_ = Release{key, time};
        return out;
    }
    down_.erase(key);
    out.push_back({key, false});
    return out;
}

std::optional<KeyRepeatFilter::Edge> KeyRepeatFilter::flush() {
    if (!waiting_) return std::nullopt;
    const std::uint32_t key = waiting_->key;
    waiting_.reset();
    down_.erase(key);
    return Edge{key, false};
}

void KeyRepeatFilter::reset() {
    down_.clear();
    waiting_.reset();
}

}  // namespace velor
