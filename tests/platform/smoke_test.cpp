#include "zvtest.h"
TEST(Smoke, Runs) { EXPECT_EQ(GetACP(), 936u); }
