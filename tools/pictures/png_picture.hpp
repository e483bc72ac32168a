// A cell picture as a PNG file: 640x400, 4-bit palette of the 16 console colours. The file
// carries no time stamp or other varying chunk, so the same picture always gives the same bytes.
#pragma once

#include <cstdio>

#include "tools/pictures/cell_picture.hpp"

// False if libpng or the file write fails; errno then says why, if the system knows.
bool write_png_picture(std::FILE* out, const CellPicture& picture);
