#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace psa {

// What became of a save that waited for the end of its group (see DeferredSaves).
struct FinishedSave {
    enum class State {
        // On the disk under its name.
        Placed,
        // Not written, or not safely: `reason` says why, as a save that failed would.
        Failed,
        // Not written: an earlier save of the group, number `earlier` of the group, took the same file first.
        SameAsEarlier,
    } state
        = State::Placed;
    std::u16string reason;
    std::size_t earlier = 0;
};

// Saves that a front end lets wait so that a batch's pictures wait for the disk together: a picture whose
// export succeeded is not at its name yet when it waits, only once finish reports it placed.
class DeferredSaves {
public:
    virtual ~DeferredSaves() = default;
    // How many saves wait.
    [[nodiscard]] virtual std::size_t waiting() const = 0;
    // Finishes every waiting save: one outcome each, in the order they were made.
    [[nodiscard]] virtual std::vector<FinishedSave> finish() = 0;
};

} // namespace psa
