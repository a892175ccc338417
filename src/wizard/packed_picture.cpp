#include "wizard/packed_picture.h"

#include "archive/archive_reader.h"
#include "archive/inflater.h"

namespace {

constexpr uint32_t kLengthBytes = 4;
constexpr uint32_t kHeaderSize = 40;
// Far more than the largest picture at twice its size needs (240 x 520).
constexpr uint32_t kMaxUnpackedSize = 1u << 22;
constexpr uint32_t kMaxSide = 4096;

// Takes the decoded bytes into a buffer of fixed size and notes any that do
// not fit.
class BufferSink : public ByteSink {
 public:
  BufferSink(unsigned char* buffer, uint32_t size) : buffer_(buffer), size_(size) {}
  void Write(const unsigned char* bytes, uint32_t count) override {
    if (count > size_ - used_) {
      overflowed_ = true;
      count = size_ - used_;
    }
    std::memcpy(buffer_ + used_, bytes, count);
    used_ += count;
  }
  bool filled() const { return !overflowed_ && used_ == size_; }

 private:
  unsigned char* buffer_;
  uint32_t size_;
  uint32_t used_ = 0;
  bool overflowed_ = false;
};

uint32_t ReadNumber(const unsigned char* bytes, unsigned count) {
  uint32_t value = 0;
  for (unsigned i = count; i-- > 0;) value = value << 8 | bytes[i];
  return value;
}

// An 8-bit uncompressed bitmap (BITMAPINFOHEADER), bottom-up, with its palette
// and rows inside the buffer.
bool ReadLayout(const unsigned char* buffer, uint32_t size, PictureLayout* layout) {
  if (size < kHeaderSize || ReadNumber(buffer, 4) != kHeaderSize) return false;
  uint32_t width = ReadNumber(buffer + 4, 4);
  uint32_t height = ReadNumber(buffer + 8, 4);
  uint32_t colours = ReadNumber(buffer + 32, 4);
  if (colours == 0) colours = 256;
  if (width == 0 || width > kMaxSide || height == 0 || height > kMaxSide) return false;
  if (ReadNumber(buffer + 12, 2) != 1 || ReadNumber(buffer + 14, 2) != 8 ||
      ReadNumber(buffer + 16, 4) != 0 || colours > 256)
    return false;
  uint32_t rowsOffset = kHeaderSize + colours * 4;
  uint32_t stride = (width + 3) & ~3u;
  if (rowsOffset > size || (size - rowsOffset) / stride < height) return false;
  *layout = PictureLayout{width, height, rowsOffset};
  return true;
}

}  // namespace

uint32_t GetUnpackedPictureSize(const unsigned char* data, uint32_t length) {
  if (length <= kLengthBytes) return 0;
  uint32_t size = ReadNumber(data, kLengthBytes);
  return size >= kHeaderSize && size <= kMaxUnpackedSize ? size : 0;
}

bool UnpackPicture(const unsigned char* data, uint32_t length, unsigned char* buffer, uint32_t size,
                   PictureLayout* layout) {
  if (size == 0 || size != GetUnpackedPictureSize(data, length)) return false;
  BufferSink sink(buffer, size);
  if (InflateMemory(data + kLengthBytes, length - kLengthBytes, sink) != kInflateDone) return false;
  return sink.filled() && ReadLayout(buffer, size, layout);
}
