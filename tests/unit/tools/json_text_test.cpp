#include "tools/json_text.h"

#include <gtest/gtest.h>

namespace kexif::cli {
namespace {

TEST(JsonString, EscapesEveryByteOutsideWellFormedUtf8AsALoneSurrogate) {
  const struct {
    std::string_view text;
    const char *json;
  } cases[] = {
      {"caf\xe9.jpg", R"("caf\udce9.jpg")"},              // Latin-1
      {"caf\xc3\xa9 \xf0\x9f\x98\x80", "\"caf\xc3\xa9 \xf0\x9f\x98\x80\""},  // UTF-8 passes
      {"\xc0\xaf", R"("\udcc0\udcaf")"},                  // overlong '/'
      {"\xed\xa0\x80", R"("\udced\udca0\udc80")"},        // an encoded surrogate
      {"\xf4\x90\x80\x80", R"("\udcf4\udc90\udc80\udc80")"},  // above U+10FFFF
      {"a\xe2\x82", R"("a\udce2\udc82")"},                // cut at the end
      {"\xe2\x82\xac\x80", "\"\xe2\x82\xac\\udc80\""},      // a stray continuation byte
      {"q\"b\\\n", R"("q\"b\\\u000a")"},
      {"\x01", R"("\u0001")"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.json);
    EXPECT_EQ(JsonString(c.text), c.json);
  }
}

}  // namespace
}  // namespace kexif::cli
