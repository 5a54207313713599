// UniqueAny: every handle it was given is closed exactly once, whatever way
// the owner goes, and "no handle" is never closed.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/unique_any.h"

namespace quillet::os {
namespace {

std::vector<int> g_closed;
void CloseFd(int fd) { g_closed.push_back(fd); }
using UniqueFd = UniqueAny<int, &CloseFd, -1>;

std::vector<void*> g_freed;
void FreeBlock(void* p) { g_freed.push_back(p); }
using UniqueBlock = UniqueAny<void*, &FreeBlock>;

TEST(UniqueAny, ClosesEachHandleOnceAndNeverTheInvalidOne) {
  g_closed.clear();
  {
    UniqueFd none;
    EXPECT_FALSE(none);
    EXPECT_EQ(none.get(), -1);
    UniqueFd zero(0);  // 0 is a handle like any other when -1 means none
    EXPECT_TRUE(zero);
    UniqueFd a(7);
    UniqueFd b(std::move(a));
    EXPECT_FALSE(a);
    a = std::move(b);  // the moved-from owner closes nothing
    a.reset(8);        // 7 goes now
    EXPECT_EQ(g_closed, std::vector<int>{7});
    EXPECT_EQ(UniqueFd(9).release(), 9);  // released: the caller closes it
    *a.put() = 10;                        // 8 goes before the slot is handed out
  }
  EXPECT_EQ(g_closed, (std::vector<int>{7, 8, 10, 0}));
}

TEST(UniqueAny, PointerHandlesUseNullAsNone) {
  g_freed.clear();
  int x = 0;
  {
    UniqueBlock none;
    EXPECT_FALSE(none);
    UniqueBlock block(&x);
    EXPECT_TRUE(block);
    UniqueBlock other;
    other = std::move(block);
  }
  EXPECT_EQ(g_freed, std::vector<void*>{&x});
}

}  // namespace
}  // namespace quillet::os
