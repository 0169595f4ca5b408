#pragma once

#include "model/box_support.h"
#include "model/flat_rect.h"
#include "model/position.h"

#include <memory>
#include <unordered_map>
#include <vector>

class occupancy_grid;
struct box;

// How every box of a session rests. A box's supporters are found through the session's grid,
// among the boxes that take the layer of cells under its base, and through a small index of
// the faces of the boxes the grid does not hold (those of height 0, those outside the
// container). After a move only the boxes that moved and those resting, before or after, on
// one of them are computed again.
class support_map {
public:
    using box_list = std::vector<std::unique_ptr<box>>;

    // The grid holds every box of the list that lies inside its container and covers a cell,
    // as the reader and the moves keep it. Every call names the same boxes and grid: a session
    // that holds the map may itself move.
    support_map(const box_list& boxes, const occupancy_grid& grid);
    ~support_map();

    support_map(const support_map&) = delete;
    support_map& operator=(const support_map&) = delete;

    // The figures of the box at index (in file order), as of the last refresh.
    const box_support& of(std::size_t index) const { return figures_[index]; }
    std::size_t size() const { return figures_.size(); }

    // Brings the figures up to date with the boxes' positions (the same boxes, some moved,
    // the grid moved with them).
    void refresh(const box_list& boxes, const occupancy_grid& grid);

    // The parts of the box's base that meet the top face of a box whose top is at its level;
    // none on the floor.
    std::vector<flat_rect> contacts(const box_list& boxes, const occupancy_grid& grid,
                                    std::size_t index) const;

private:
    struct index;
    struct scene {
        const box_list& boxes;
        const occupancy_grid& grid;
    };

    void find_contacts(const scene& s, std::size_t index, std::vector<flat_rect>& found) const;
    box_support compute(const scene& s, std::size_t index, std::vector<flat_rect>& contacts) const;
    void add_resting_on(const scene& s, const box& b, std::vector<std::size_t>& found);
    std::size_t index_of(const box_list& boxes, const box* b);

    std::unique_ptr<index> others_;  // faces of the boxes the grid does not hold
    std::vector<box_support> figures_;
    std::vector<position> placed_;  // where each box stood when its figures were computed
    std::unordered_map<const box*, std::size_t> indices_;  // made at the first move
};
