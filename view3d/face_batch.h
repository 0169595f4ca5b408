#pragma once

#include <QtGui/qopengl.h>

#include <deque>
#include <vector>

// Box faces gathered into vertex arrays of bounded size and drawn as quads, a batch at a
// time, in the order they came: the frame's vertex data never exceeds one batch. The driver
// bins the primitives of every batch faster than its threads rasterize them, and keeps the
// bins of every batch not yet rasterized: a fence after every few batches, waited for once
// a few more are under way, bounds that memory without stopping the rasterizer.
class face_batch {
public:
    face_batch();

    void add_face(int face, const float lower[3], const float upper[3], const float rgb[3]);
    // Draws what is left; the client arrays are left enabled as they were found.
    void finish();

private:
    void draw();
    void fence_off();

    static constexpr int faces_per_batch = 4096;
    static constexpr int batches_per_fence = 2;
    static constexpr std::size_t fences_under_way = 2;

    int faces_ = 0;
    int batches_ = 0;
    std::deque<GLsync> fences_;
    std::vector<float> positions_;
    std::vector<short> texture_coordinates_;
    std::vector<float> colours_;
};
