// Drop handles: what DragQueryFileA answers for counts, lengths and buffers,
// the point, and that DragFinish frees a drop once.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/winapi/DragDrop.h"
#include "platform/winapi/Window.h"

namespace {
// Frees what a test left, so one failure does not leak into the next.
class DropTest : public ::testing::Test {
 protected:
  void SetUp() override { baseline_ = LiveDropCount(); }
  void TearDown() override {
    for (HDROP drop : made_) DragFinish(drop);
    EXPECT_EQ(LiveDropCount(), baseline_);
  }
  HDROP Make(std::vector<std::string> files, POINT point = {}) {
    made_.push_back(MakeDropHandle(std::move(files), point));
    return made_.back();
  }

 private:
  int baseline_ = 0;
  std::vector<HDROP> made_;
};

TEST_F(DropTest, DragQueryFileAKeepsItsBufferContract) {
  const std::string longPath = "/" + std::string(300, 'x') + "/アーカイブ.lzh";
  const HDROP drop = Make({"/a/one.zip", longPath, "/b"});
  const std::string kUntouched = "(untouched)";
  struct Case {
    const char* name;
    UINT index;
    bool buffer;
    UINT size;
    UINT result;
    std::string text;
  };
  const Case cases[] = {
      {"count", 0xFFFFFFFF, false, 0, 3, ""},
      {"length of a path", 0, false, 0, 10, ""},
      {"length of a long path", 1, false, 0, static_cast<UINT>(longPath.size()), ""},
      {"whole path", 0, true, 64, 10, "/a/one.zip"},
      {"exact fit", 0, true, 11, 10, "/a/one.zip"},
      {"one short", 0, true, 10, 9, "/a/one.zi"},
      {"long path cut by the buffer", 1, true, 255, 254, longPath.substr(0, 254)},
      {"long path whole", 1, true, static_cast<UINT>(longPath.size() + 1), static_cast<UINT>(longPath.size()),
       longPath},
      {"room for the NUL only", 2, true, 1, 0, ""},
      {"no room at all", 2, true, 0, 0, kUntouched},
      {"index past the end", 3, true, 64, 0, kUntouched},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<char> buffer(longPath.size() + 8, '#');
    EXPECT_EQ(DragQueryFileA(drop, c.index, c.buffer ? buffer.data() : nullptr, c.size), c.result);
    if (!c.buffer) continue;
    if (c.text == kUntouched) {
      EXPECT_EQ(buffer[0], '#');
      continue;
    }
    EXPECT_EQ(std::string(buffer.data(), c.result), c.text);
    EXPECT_EQ(buffer[c.result], '\0');
    // Nothing is written past the size given.
    if (c.size < buffer.size()) {
      EXPECT_EQ(buffer[c.size], '#');
    }
  }
}

TEST_F(DropTest, PointAndFinish) {
  const int before = LiveDropCount();
  const HDROP drop = MakeDropHandle({"/x"}, POINT{12, 34});
  EXPECT_EQ(LiveDropCount(), before + 1);
  POINT point;
  EXPECT_EQ(DragQueryPoint(drop, &point), TRUE);
  EXPECT_EQ(point.x, 12);
  EXPECT_EQ(point.y, 34);
  DragFinish(drop);
  EXPECT_FALSE(IsDropHandle(drop));
  EXPECT_EQ(LiveDropCount(), before);
  // A freed handle answers nothing and frees nothing twice.
  DragFinish(drop);
  EXPECT_EQ(LiveDropCount(), before);
  EXPECT_EQ(DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0), 0u);
  EXPECT_EQ(DragQueryPoint(drop, &point), FALSE);
  EXPECT_EQ(DragQueryFileA(nullptr, 0xFFFFFFFF, nullptr, 0), 0u);
}

TEST_F(DropTest, DragAcceptFilesRegistersALiveWindowOnly) {
  HWND gone = nullptr;
  {
    HWND__ window("TDropWindow");
    EXPECT_FALSE(window.acceptFiles);
    DragAcceptFiles(&window, TRUE);
    EXPECT_TRUE(window.acceptFiles);
    DragAcceptFiles(&window, FALSE);
    EXPECT_FALSE(window.acceptFiles);
    gone = &window;
  }
  DragAcceptFiles(gone, TRUE);  // must not touch freed memory (the sanitizer build watches)
  DragAcceptFiles(nullptr, TRUE);
}
}  // namespace
