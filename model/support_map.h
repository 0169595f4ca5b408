#pragma once

#include "model/box_support.h"
#include "model/flat_rect.h"
#include "model/position.h"

#include <memory>
#include <vector>

struct box;

// How every box of a session rests, kept with an index of the boxes' top and bottom faces:
// a box's contacts are found among the tops at the level of its base, and after a move only
// the boxes that moved and those resting, before or after, on one of them are computed again.
class support_map {
public:
    using box_list = std::vector<std::unique_ptr<box>>;

    explicit support_map(const box_list& boxes);
    ~support_map();

    support_map(const support_map&) = delete;
    support_map& operator=(const support_map&) = delete;

    // The figures of the box at index (in file order), as of the last refresh.
    const box_support& of(std::size_t index) const { return figures_[index]; }
    std::size_t size() const { return figures_.size(); }

    // Brings the figures up to date with the boxes' positions (the same boxes, some moved).
    void refresh(const box_list& boxes);

    // The parts of the box's base that meet the top face of a box whose top is at its level;
    // none on the floor.
    std::vector<flat_rect> contacts(const box_list& boxes, std::size_t index) const;

private:
    struct index;

    box_support compute(const box_list& boxes, std::size_t index) const;

    std::unique_ptr<index> faces_;
    std::vector<box_support> figures_;
    std::vector<position> placed_;  // where each box stood when the index took it
};
