#pragma once

#include <vector>

// Box faces gathered into vertex arrays of bounded size and drawn as quads, a batch at a
// time, in the order they came: the frame's vertex data never exceeds one batch. Every few
// batches the driver is told to rasterize what it holds, which bounds the memory it keeps
// for the primitives it bins.
class face_batch {
public:
    face_batch();

    void add_face(int face, const float lower[3], const float upper[3], const float rgb[3]);
    // Draws what is left; the client arrays are left enabled as they were found.
    void finish();

private:
    void draw();

    static constexpr int faces_per_batch = 4096;
    static constexpr int batches_per_flush = 8;

    int faces_ = 0;
    int batches_ = 0;
    std::vector<float> positions_;
    std::vector<short> texture_coordinates_;
    std::vector<float> colours_;
};
