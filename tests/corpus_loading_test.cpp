// Every file of the third-party test corpus through LoadSourceImage: pictures that should
// decode give their size, broken ones are refused with an error text and leave no picture,
// and none crashes or leaks.
#include <gtest/gtest.h>

#include "tests/decoder_test_support.h"
#include "tests/resize_test_support.h"

namespace vx::testing {
namespace {

class CorpusLoadingTest : public LeakCheckedTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(CorpusLoadingTest, EveryFileGivesItsExpectedResult) {
  const std::string folder = CorpusFolder(GetParam());
  const std::vector<CorpusRow> rows = ReadCorpusTable(GetParam());
  ASSERT_FALSE(rows.empty());
  TempDir out;
  for (const CorpusRow& row : rows) {
    SCOPED_TRACE(row.file);
    ResizeObject r;
    const HRESULT hr = r->LoadSourceImage(Bstr(folder + "/" + row.file));
    if (row.disputed) {
      // Either the picture the header promised, or refused with no picture.
      EXPECT_TRUE(hr == S_OK || hr == S_FALSE);
      EXPECT_EQ(std::to_string(r.Width()), hr == S_OK ? row.width : "-1");
    } else if (row.decodes) {
      ASSERT_EQ(hr, S_OK);
      EXPECT_EQ(r.ErrorText(), u"");
      EXPECT_EQ(std::to_string(r.Width()), row.width);
      EXPECT_EQ(std::to_string(r.Height()), row.height);
      // The picture can be written out.
      EXPECT_EQ(r->MakeThumbImage(Bstr(out.File("t.jpg")), 24, 0, 1), S_OK);
    } else {
      // Refused, and no picture: for its size before anything was allocated for it, or
      // because no picture came of it.
      EXPECT_EQ(hr, S_FALSE);
      if (r.ErrorText() == u"Memory is not enough!") {
        EXPECT_TRUE(row.width != "-" && CallerRefusesSize(std::stoll(row.width), std::stoll(row.height)));
      } else {
        EXPECT_EQ(r.ErrorText(), u"Source image file formate is not supported!");
      }
      EXPECT_EQ(r.Width(), -1);
      EXPECT_EQ(r.Height(), -1);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, CorpusLoadingTest,
                         ::testing::Values("jpeg", "png", "gif", "bmp", "photos"));

}  // namespace
}  // namespace vx::testing
