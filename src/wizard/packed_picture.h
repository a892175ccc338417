// The wizard's pictures at twice their 96-DPI size, as setup carries them: the
// bitmap as a BITMAP resource holds it (header, palette, rows), deflated, after
// its length as a 32-bit little-endian number. Unpacking checks that the bitmap
// is whole, so that nothing that draws it reads past its rows.
#pragma once

#include <cstdint>

// Where the parts of an unpacked picture lie in its buffer: the header and the
// palette at its start, the rows, bottom-up, from `rowsOffset`.
struct PictureLayout {
  uint32_t width;
  uint32_t height;
  uint32_t rowsOffset;
};

// The size of the buffer the packed picture data[0..length) unpacks into; 0
// when the data is too short to hold a picture or claims more than any
// picture of the wizard needs.
uint32_t GetUnpackedPictureSize(const unsigned char* data, uint32_t length);

// Unpacks data[0..length) into buffer[0..size), size as GetUnpackedPictureSize
// gives it. True when the stream decodes to exactly that many bytes and they
// hold an uncompressed 8-bit bottom-up bitmap whose palette and rows lie within
// them; its layout is then in *layout.
bool UnpackPicture(const unsigned char* data, uint32_t length, unsigned char* buffer, uint32_t size,
                   PictureLayout* layout);
