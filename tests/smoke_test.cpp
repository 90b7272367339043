#include <gtest/gtest.h>
#include "module/iresize.h"
TEST(Smoke, Creates) {
  IResize* r = nullptr;
  ASSERT_EQ(CreateResize(IID_IResize, reinterpret_cast<void**>(&r)), S_OK);
  LONG q = 0;
  EXPECT_EQ(r->get_Quality(&q), S_OK);
  EXPECT_EQ(q, 80);
  EXPECT_EQ(r->Release(), 0u);
}
