// Tells a held key's auto-repeat from the user's own presses, whichever way
// it comes: X sends each repeat as a release and a press with the same time
// stamp, XKB's detectable auto-repeat as more presses of a key still down,
// and Qt marks the repeats it recognised itself. A release waits for the
// next key event (or the end of the events delivered with it) to show it
// was no repeat; a key held thus gives one press and one release.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <vector>

namespace velor {

class KeyRepeatFilter {
  public:
    struct Edge {
        std::uint32_t key;
        bool press;
        friend bool operator==(const Edge&, const Edge&) = default;
    };

    // The edges to pass on now, in order. time: the event's time stamp in
    // milliseconds, 0 when it has none (then a release passes at once);
    // marked: the event itself says it is a repeat.
    std::vector<Edge> take(std::uint32_t key, bool press, std::uint64_t time, bool marked);
    // The release held back, once no press of its key came with it.
    std::optional<Edge> flush();
    bool holding() const { return waiting_.has_value(); }
    void reset();

  private:
    struct Release {
        std::uint32_t key;
        std::uint64_t time;
    };
    std::set<std::uint32_t> down_;
    std::optional<Release> waiting_;
};

}  // namespace velor
