// Strings whose blocks lie at any address malloc may return: this program
// replaces malloc and free so that blocks of one odd size start 4 bytes past
// an 8-byte boundary, where a split piece's text sits too, and checks that
// such a string is still freed as a block of its own. Sanitizer builds
// supply their own malloc, so they leave this program out.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "runtime/string.h"

extern "C" void* __libc_malloc(size_t size);
extern "C" void __libc_free(void* p);

namespace {
constexpr int kOddUnits = 1001;  // a string whose block has a size nothing else asks for
constexpr size_t kOddBlockBytes = offsetof(String::Rep, data) + sizeof(Char) * kOddUnits;
constexpr uintptr_t kShift = 4;  // the odd blocks' offset from an 8-byte boundary
constexpr uintptr_t kAlignMask = 7;
int shiftedFrees = 0;
}  // namespace

extern "C" void* malloc(size_t size) {
  if (size != kOddBlockBytes) return __libc_malloc(size);
  char* p = static_cast<char*>(__libc_malloc(size + kShift));
  return p ? p + kShift : nullptr;
}

extern "C" void free(void* p) {
  if ((reinterpret_cast<uintptr_t>(p) & kAlignMask) == kShift) {
    ++shiftedFrees;
    __libc_free(static_cast<char*>(p) - kShift);
    return;
  }
  __libc_free(p);
}

namespace {

TEST(StringBlocks, AStringAtAnAddressLikeASplitPiecesIsFreedAsItsOwnBlock) {
  std::u16string text(kOddUnits, u'q');
  {
    String s(text.data(), kOddUnits);
    ASSERT_EQ(reinterpret_cast<uintptr_t>(s.GetRep()) & kAlignMask, kShift);
    String copy = s;
    EXPECT_EQ(std::u16string(copy.Data(), copy.Length()), text);
  }
  EXPECT_EQ(shiftedFrees, 1);
}

}  // namespace
