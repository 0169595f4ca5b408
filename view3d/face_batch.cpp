// The fences are core entry points of the GL library, for the window's contexts and the
// pictures' alike.
#define GL_GLEXT_PROTOTYPES
#include "view3d/face_batch.h"

#include "view3d/box_geometry.h"
#include "view3d/cuboid_faces.h"

#include <algorithm>

face_batch::face_batch()
    : positions_(std::size_t(faces_per_batch) * vertices_per_face * 3),
      texture_coordinates_(std::size_t(faces_per_batch) * vertices_per_face * 2),
      colours_(std::size_t(faces_per_batch) * vertices_per_face * 3)
{
}

void face_batch::add_face(int face, const float lower[3], const float upper[3],
                          const float rgb[3])
{
    const std::size_t vertex = std::size_t(faces_) * vertices_per_face;
    box_geometry::put_face(face, lower, upper, &positions_[vertex * 3]);
    short* st = &texture_coordinates_[vertex * 2];
    float* colour = &colours_[vertex * 3];
    for (const face_vertex& v : cuboid_faces[face]) {
        *st++ = v.s;
        *st++ = v.t;
        colour = std::copy(rgb, rgb + 3, colour);
    }
    if (++faces_ == faces_per_batch)
        draw();
}

void face_batch::finish()
{
    if (faces_ > 0)
        draw();
    for (GLsync fence : fences_)
        glDeleteSync(fence);
    fences_.clear();
    batches_ = 0;
}

void face_batch::draw()
{
    glVertexPointer(3, GL_FLOAT, 0, positions_.data());
    glTexCoordPointer(2, GL_SHORT, 0, texture_coordinates_.data());
    glColorPointer(3, GL_FLOAT, 0, colours_.data());
    glDrawArrays(GL_QUADS, 0, faces_ * vertices_per_face);
    faces_ = 0;
    if (++batches_ % batches_per_fence == 0)
        fence_off();
}

void face_batch::fence_off()
{
    if (fences_.size() == fences_under_way) {
        glClientWaitSync(fences_.front(), GL_SYNC_FLUSH_COMMANDS_BIT, GL_TIMEOUT_IGNORED);
        glDeleteSync(fences_.front());
        fences_.pop_front();
    }
    fences_.push_back(glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0));
    glFlush();
}
