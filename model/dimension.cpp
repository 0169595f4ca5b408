#include "model/dimension.h"

dimension::dimension(int length, int width, int height)
    : length_(static_cast<uint16_t>(length)),
      width_(static_cast<uint16_t>(width)),
      height_(static_cast<uint16_t>(height))
{
}
