// Built against an installed kexif through find_package(kexif).
// Prints the camera model and the original date of a photo; exits with 1
// when the photo cannot be read or the model is missing.
#include <kexif.h>

#include <iostream>
#include <memory>
#include <optional>
#include <string>

namespace {

struct ReadContextCloser {
  void operator()(KRExifContext *ctx) const { kRExifEndRead(ctx); }
};
using ReadContext = std::unique_ptr<KRExifContext, ReadContextCloser>;

constexpr uint32_t kTagModel = 272;
constexpr uint32_t kTagDateTimeOriginal = 36867;
constexpr int32_t kTypeAscii = 2;

// The text of an ASCII tag without its terminating NUL.
std::optional<std::string> TextTag(KRExifHandle ctx, uint32_t tag) {
  TagValue value{};
  if (kRExifGetTag(ctx, tag, &value) != 0 || value.type != kTypeAscii || value.data == nullptr) return std::nullopt;
  std::string text(static_cast<const char *>(value.data), static_cast<size_t>(value.count));
  text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
  return text;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::cerr << "usage: " << argv[0] << " PHOTO\n";
    return 2;
  }
  const ReadContext ctx(kRExifBeginRead(argv[1]));
  if (!ctx) {
    std::cerr << argv[1] << ": cannot be read\n";
    return 1;
  }
  const auto model = TextTag(ctx.get(), kTagModel);
  if (!model) {
    std::cerr << argv[1] << ": no camera model\n";
    return 1;
  }
  std::cout << "model: " << *model << "\n";
  std::cout << "taken: " << TextTag(ctx.get(), kTagDateTimeOriginal).value_or("(unknown)") << "\n";
  return 0;
}
