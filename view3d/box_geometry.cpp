#include "view3d/box_geometry.h"

#include "model/palette.h"
#include "model/session.h"
#include "model/support_colour.h"
#include "view3d/cuboid_faces.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <numeric>
#include <unordered_map>

namespace {

// A container extent of 0 (possible through the 16-bit storage) flattens the boxes against
// the container's lower face on that axis instead of dividing by zero.
float scale_factor(float scene_extent, int container_extent)
{
    return container_extent == 0 ? 0.0f : scene_extent / float(container_extent);
}

float brightened(int component)
{
    return std::min(1.0, component / 255.0 * 1.6);
}

// A box of a session with faults is a grey of its colour's lightness, so that no box can be
// taken for a mark: dim when it has no fault, lighter at fault, lightest when picked or in the
// chosen fault.
float grey(const palette::rgb& c, fault_marks::shade shade)
{
    const float lightness = (0.3f * c.red + 0.59f * c.green + 0.11f * c.blue) / 255.0f;
    switch (shade) {
    case fault_marks::shade::faulty: return 0.45f + 0.2f * lightness;
    case fault_marks::shade::lit: return 0.7f + 0.15f * lightness;
    default: break;
    }
    return 0.2f + 0.2f * lightness;
}

void shaded(const palette::rgb& c, fault_marks::shade shade, float rgb[3])
{
    switch (shade) {
    case fault_marks::shade::plain:
        rgb[0] = c.red / 255.0f;
        rgb[1] = c.green / 255.0f;
        rgb[2] = c.blue / 255.0f;
        return;
    case fault_marks::shade::bright:
        rgb[0] = brightened(c.red);
        rgb[1] = brightened(c.green);
        rgb[2] = brightened(c.blue);
        return;
    case fault_marks::shade::muted:
    case fault_marks::shade::faulty:
    case fault_marks::shade::lit: break;
    }
    rgb[0] = rgb[1] = rgb[2] = grey(c, shade);
}

}  // namespace

void box_geometry::corners(const dimension& container, const box& b, float lower[3],
                           float upper[3])
{
    const float sx = scale_factor(4.0f, container.length());
    const float sy = scale_factor(1.6f, container.height());
    const float sz = scale_factor(2.0f, container.width());
    const position& p = b.position;
    const dimension& d = b.dimension;
    // The small offset on the lower corner only leaves a gap between touching boxes and
    // keeps box faces off the container's floor and walls. The far corner is summed in 64
    // bits: a box near the largest coordinate is drawn where it is, far outside the view,
    // rather than wrapped round to the other side of it.
    lower[0] = sx * p.px + 0.01f;
    lower[1] = sy * p.py + 0.01f - 0.8f;
    lower[2] = sz * p.pz + 0.01f - 2.0f;
    upper[0] = sx * float(int64_t(p.px) + d.length());
    upper[1] = sy * float(int64_t(p.py) + d.height()) - 0.8f;
    upper[2] = sz * float(int64_t(p.pz) + d.width()) - 2.0f;
}

float* box_geometry::put_face(int face, const float lower[3], const float upper[3], float* xyz)
{
    for (const face_vertex& v : cuboid_faces[face]) {
        *xyz++ = v.high_x ? upper[0] : lower[0];
        *xyz++ = v.high_y ? upper[1] : lower[1];
        *xyz++ = v.high_z ? upper[2] : lower[2];
    }
    return xyz;
}

float* box_geometry::put_cuboid(const float lower[3], const float upper[3], float* xyz)
{
    for (int face = 0; face < faces_per_cuboid; ++face)
        xyz = put_face(face, lower, upper, xyz);
    return xyz;
}

bool box_geometry::box_key::same_place(const box_key& other) const
{
    return px == other.px && py == other.py && pz == other.pz && length == other.length &&
           width == other.width && height == other.height;
}

bool box_geometry::box_key::operator==(const box_key& other) const
{
    return px == other.px && py == other.py && pz == other.pz && length == other.length &&
           width == other.width && height == other.height && rgb == other.rgb &&
           shade == other.shade;
}

box_geometry::box_key box_geometry::key_of(const session& s, std::size_t index,
                                           fault_marks::shade shade)
{
    const box& b = *s.boxes[index];
    const position& p = b.position;
    const dimension& d = b.dimension;
    const bool by_support = s.colours_by_support && s.support;
    const palette::rgb c =
        by_support ? support_colour(s.support->of(index)) : palette::entry_for(b.color);
    // Coloured by support, no box is grey: the scale must read the same everywhere.
    if (by_support && shade == fault_marks::shade::lit)
        shade = fault_marks::shade::bright;
    else if (by_support && shade != fault_marks::shade::bright)
        shade = fault_marks::shade::plain;
    return {p.px, p.py, p.pz, d.length(), d.width(), d.height(),
            (c.red << 16) | (c.green << 8) | c.blue, shade};
}

fault_marks::shade box_geometry::shade_of(int index, int highlighted, const fault_marks& marks)
{
    return marks.shade_of(index, highlighted);
}

void box_geometry::refresh(const session& s, int highlighted, const fault_marks& marks)
{
    const dimension& c = *s.container;
    const bool same_scene = session_ == &s && container_[0] == c.length() &&
                            container_[1] == c.height() && container_[2] == c.width() &&
                            keys_.size() == s.boxes.size();
    if (!same_scene) {
        rebuild_all(s, highlighted, marks);
        find_drawn_runs();
        return;
    }
    std::vector<move> moves;
    bool too_many_moves = false;
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        const box_key key = key_of(s, i, shade_of(int(i), highlighted, marks));
        if (key == keys_[i])
            continue;
        const bool moves_now = !key.same_place(keys_[i]);
        const std::array<float, 6> left = corners_of(int(i));
        note_change(int(i));
        build_box(int(i), key);
        note_change(int(i));
        if (moves_now && moves.size() < few_moves)
            moves.push_back({left, corners_of(int(i))});
        else if (moves_now)
            too_many_moves = true;
    }
    if (too_many_moves || !each_place_held_once(moves))
        find_drawn_runs();
}

std::array<float, 6> box_geometry::corners_of(int index) const
{
    std::array<float, 6> c;
    std::copy(lower(index), lower(index) + 6, c.begin());
    return c;
}

// Whether each place the moved boxes left or took was held by one box at most, before the
// moves and after. Then every moved box was drawn and still is, and no other box changed: the
// runs stand. One pass over the boxes, instead of all of them hashed again.
bool box_geometry::each_place_held_once(const std::vector<move>& moves) const
{
    if (moves.empty())
        return true;
    std::vector<std::array<float, 6>> places;
    for (const move& m : moves) {
        places.push_back(m.left);
        places.push_back(m.taken);
    }
    std::vector<int> after(places.size(), 0);
    for (int i = 0; i < box_count(); ++i) {
        const std::array<float, 6> c = corners_of(i);
        for (std::size_t p = 0; p < places.size(); ++p)
            after[p] += c == places[p];
    }
    for (std::size_t p = 0; p < places.size(); ++p) {
        int before = after[p];
        for (const move& m : moves)
            before += int(m.left == places[p]) - int(m.taken == places[p]);
        if (after[p] > 1 || before > 1)
            return false;
    }
    return true;
}

void box_geometry::find_drawn_runs()
{
    // In the order of their corners, and of their index among equal corners, a box that
    // follows a box with its corners has an earlier one in its place.
    std::vector<int> by_place(keys_.size());
    std::iota(by_place.begin(), by_place.end(), 0);
    std::sort(by_place.begin(), by_place.end(), [this](int a, int b) {
        const std::array<float, 6> ca = corners_of(a), cb = corners_of(b);
        return ca != cb ? ca < cb : a < b;
    });
    std::vector<bool> hidden(keys_.size(), false);
    for (std::size_t k = 1; k < by_place.size(); ++k)
        hidden[std::size_t(by_place[k])] = corners_of(by_place[k]) == corners_of(by_place[k - 1]);

    drawn_runs_.clear();
    for (int i = 0; i < box_count(); ++i) {
        if (hidden[std::size_t(i)])
            continue;
        if (!drawn_runs_.empty() && drawn_runs_.back().first + drawn_runs_.back().second == i)
            ++drawn_runs_.back().second;
        else
            drawn_runs_.emplace_back(i, 1);
    }
}

std::shared_ptr<box_geometry> box_geometry::shared_for(const session& s)
{
    static std::unordered_map<const session*, std::weak_ptr<box_geometry>> shared;
    for (auto it = shared.begin(); it != shared.end();)
        it = it->second.expired() ? shared.erase(it) : std::next(it);
    std::shared_ptr<box_geometry> geometry = shared[&s].lock();
    if (!geometry) {
        geometry = std::make_shared<box_geometry>();
        shared[&s] = geometry;
    }
    return geometry;
}

box_geometry::changes box_geometry::take_changes(change_cursor& cursor) const
{
    changes taken;
    taken.everything = cursor.epoch != epoch_;
    if (!taken.everything)
        taken.cuboids.assign(change_log_.begin() + std::ptrdiff_t(cursor.next), change_log_.end());
    cursor = {epoch_, change_log_.size()};
    return taken;
}

void box_geometry::note_change(int index)
{
    // Changes that pile up unseen are cheaper redrawn whole.
    if (change_log_.size() >= 2 * keys_.size()) {
        change_log_.clear();
        ++epoch_;
        return;
    }
    cuboid c;
    std::copy(lower(index), lower(index) + 3, c.lower);
    std::copy(upper(index), upper(index) + 3, c.upper);
    change_log_.push_back(c);
}

void box_geometry::rebuild_all(const session& s, int highlighted, const fault_marks& marks)
{
    change_log_.clear();
    ++epoch_;
    session_ = &s;
    const dimension& c = *s.container;
    container_[0] = c.length();
    container_[1] = c.height();
    container_[2] = c.width();
    const std::size_t count = s.boxes.size();
    keys_.resize(count);
    corners_.resize(count * 6);
    colours_.resize(count * 3);
    for (std::size_t i = 0; i < count; ++i)
        build_box(int(i), key_of(s, i, shade_of(int(i), highlighted, marks)));
}

void box_geometry::build_box(int index, const box_key& key)
{
    const box& b = *session_->boxes[std::size_t(index)];
    keys_[std::size_t(index)] = key;
    float* lo = &corners_[std::size_t(index) * 6];
    float* hi = lo + 3;
    corners(*session_->container, b, lo, hi);

    const palette::rgb c = {key.rgb >> 16, (key.rgb >> 8) & 0xff, key.rgb & 0xff};
    shaded(c, key.shade, &colours_[std::size_t(index) * 3]);
}
