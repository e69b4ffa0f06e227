// The status a death test sees for a program that ends with exit(-1), as a
// runtime error's stop does: Linux hands a parent only the low eight bits
// (255), Windows the whole value (-1). Either, and nothing else.
#pragma once

#include <gtest/gtest.h>

inline bool ExitedMinusOne(int status) {
  return ::testing::ExitedWithCode(255)(status) || ::testing::ExitedWithCode(-1)(status);
}
