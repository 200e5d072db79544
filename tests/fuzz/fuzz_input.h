// Splitting one fuzzer input into the several arguments a reader takes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace panelia::fuzz {

class Input {
 public:
  Input(const uint8_t* data, size_t size) : rest_(reinterpret_cast<const char*>(data), size) {}
  // A piece up to the next NUL byte (the NUL taken away), or the rest when there is none.
  std::string_view Piece() {
    size_t end = rest_.find('\0');
    std::string_view piece = rest_.substr(0, end);
    rest_ = end == std::string_view::npos ? std::string_view() : rest_.substr(end + 1);
    return piece;
  }
  uint8_t Byte() {
    if (rest_.empty()) return 0;
    auto b = static_cast<uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    return b;
  }
  std::string_view Rest() const { return rest_; }

 private:
  std::string_view rest_;
};

}  // namespace panelia::fuzz
