#pragma once

// The order in which Tab walks the window's controls, one rule for every toolkit's window.

#include "platform/form1_design.h"

#include <functional>
#include <optional>
#include <vector>

namespace psa {

// A control that takes the focus: the picture, a grid cell (by index) or a button (by number).
struct FocusStop {
    enum class Kind { Picture, Cell, Button };
    Kind kind = Kind::Picture;
    int number = 0;
    friend bool operator==(const FocusStop &, const FocusStop &) = default;
};

// The round Tab walks, from its first stop: Picture1, the cells that exist in index order (the cells
// start-up makes take their place among those that came with the window), then the buttons in their
// designed order. Tab on the last stop goes back to the first. The hidden template cell 0 is never a stop.
[[nodiscard]] inline std::vector<FocusStop> focusOrder(const std::function<bool(int)> &cellExists)
{
    std::vector<FocusStop> order { { FocusStop::Kind::Picture, 0 } };
    for (int index = 1; index <= 105; ++index) {
        if (cellExists(index))
            order.push_back({ FocusStop::Kind::Cell, index });
    }
    for (const design::ButtonDesign &button : design::kButtons)
        order.push_back({ FocusStop::Kind::Button, static_cast<int>(button.button) });
    return order;
}

// The stop right before `stop` in the round, which a window links a newly made control after; none when
// `stop` is not in it.
[[nodiscard]] inline std::optional<FocusStop> focusPredecessor(
    const FocusStop &stop, const std::function<bool(int)> &cellExists)
{
    const std::vector<FocusStop> order = focusOrder(cellExists);
    for (std::size_t at = 0; at < order.size(); ++at) {
        if (order[at] == stop)
            return order[at == 0 ? order.size() - 1 : at - 1];
    }
    return std::nullopt;
}

} // namespace psa
