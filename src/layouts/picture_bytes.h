// A picture compiled into the program: the bytes of its PNG file, in read-only data.
#pragma once

#include <cstddef>

struct PictureBytes {
  const unsigned char* data;
  std::size_t size;
};
