// Guards against a packed picture that setup would draw although it is not
// whole: a stream that ends short or runs past its stated length, or a header
// whose palette or rows lie past the unpacked bytes (drawing it would read
// outside the buffer), and against a whole picture unpacked wrongly.
#include "wizard/packed_picture.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

void Append(Bytes& bytes, uint32_t value, int count) {
  for (int i = 0; i < count; ++i) bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

// The header fields a test varies.
struct Header {
  uint32_t width;
  uint32_t height;  // two's complement when negative, as in the file
  uint32_t colours;
  uint16_t bits = 8;
  uint32_t compression = 0;
};

// A bitmap as a resource holds it: the header, the palette and `rows` rows of
// a pattern (by default as many as the header says).
Bytes MakeBitmap(const Header& header, uint32_t rows, uint32_t paletteBytes) {
  Bytes bitmap;
  Append(bitmap, 40, 4);
  Append(bitmap, header.width, 4);
  Append(bitmap, header.height, 4);
  Append(bitmap, 1, 2);
  Append(bitmap, header.bits, 2);
  Append(bitmap, header.compression, 4);
  for (int field = 0; field < 3; ++field) Append(bitmap, 0, 4);
  Append(bitmap, header.colours, 4);
  Append(bitmap, 0, 4);
  size_t size = bitmap.size() + paletteBytes + ((header.width + 3) & ~3u) * rows;
  while (bitmap.size() < size) bitmap.push_back(static_cast<unsigned char>(bitmap.size() * 7));
  return bitmap;
}

Bytes MakeBitmap(const Header& header) {
  return MakeBitmap(header, header.height, header.colours * 4);
}

// Deflated (raw) after `length`, as the build packs a picture.
Bytes Pack(const Bytes& bitmap, uint32_t length) {
  z_stream stream = {};
  deflateInit2(&stream, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
  Bytes packed;
  Append(packed, length, 4);
  packed.resize(4 + deflateBound(&stream, bitmap.size()));
  stream.next_in = const_cast<unsigned char*>(bitmap.data());
  stream.avail_in = static_cast<uInt>(bitmap.size());
  stream.next_out = packed.data() + 4;
  stream.avail_out = static_cast<uInt>(packed.size() - 4);
  deflate(&stream, Z_FINISH);
  packed.resize(4 + stream.total_out);
  deflateEnd(&stream);
  return packed;
}

Bytes Pack(const Bytes& bitmap) {
  return Pack(bitmap, static_cast<uint32_t>(bitmap.size()));
}

bool Unpack(const Bytes& packed, Bytes* buffer, PictureLayout* layout) {
  uint32_t size = GetUnpackedPictureSize(packed.data(), static_cast<uint32_t>(packed.size()));
  buffer->assign(size, 0);
  return UnpackPicture(packed.data(), static_cast<uint32_t>(packed.size()), buffer->data(), size,
                       layout);
}

TEST(UnpackPicture, GivesTheBitmapAndWhereItsRowsStart) {
  Bytes bitmap = MakeBitmap({240, 520, 113});
  Bytes buffer;
  PictureLayout layout = {};
  ASSERT_TRUE(Unpack(Pack(bitmap), &buffer, &layout));
  EXPECT_EQ(buffer, bitmap);
  EXPECT_EQ(layout.width, 240u);
  EXPECT_EQ(layout.height, 520u);
  EXPECT_EQ(layout.rowsOffset, 40u + 113 * 4);
}

TEST(UnpackPicture, RefusesWhatIsNotAWholeBitmap) {
  struct Case {
    const char* what;
    Bytes packed;
  };
  const Header tray = {101, 41, 16};
  Bytes good = MakeBitmap(tray);
  const auto size = static_cast<uint32_t>(good.size());
  Bytes cut = Pack(good);
  cut.resize(cut.size() / 2);
  const Case cases[] = {
      {"a stream that ends short", cut},
      {"a stream longer than its stated length", Pack(good, size - 1)},
      {"a stream shorter than its stated length", Pack(good, size + 1)},
      {"a length far beyond any picture", Pack(good, 1u << 30)},
      {"nothing but a length", Bytes{40, 0, 0, 0}},
      {"rows past the end", Pack(MakeBitmap(tray, 40, 16 * 4))},
      {"a palette past the end", Pack(MakeBitmap({4, 1, 256}, 0, 200 * 4))},
      {"top-down rows", Pack(MakeBitmap({101, static_cast<uint32_t>(-41), 16}, 41, 16 * 4))},
      {"four bits a pixel", Pack(MakeBitmap({101, 41, 16, 4}))},
      {"compressed rows", Pack(MakeBitmap({101, 41, 16, 8, 1}))},
      {"more than 256 colours", Pack(MakeBitmap({101, 41, 257}))},
  };
  for (const Case& c : cases) {
    Bytes buffer;
    PictureLayout layout = {};
    EXPECT_FALSE(Unpack(c.packed, &buffer, &layout)) << c.what;
  }
}

}  // namespace
