#include <QPainter>
#include <QPushButton>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "Harness.h"
#include "app/Controls.h"
#include "pad/Grid.h"

namespace {

using Lines = std::vector<std::string>;
using app::FileDialog;

class PadFileLoad : public test::FormTest {
 protected:
  Lines defaultKeys, defaultVolumes;
  void SetUp() override {
    create();
    defaultKeys = form->KeyList->items();
    defaultVolumes = form->VolumeList->items();
  }
  int repaints() const { return form->PaintBox1->repaintRequests(); }
  /// Clicks the button with the dialog answering path (nullopt: cancel).
  void click(QPushButton* button, std::optional<std::string> path) {
    dialogs.answers.push_back(std::move(path));
    button->click();
  }
  std::string opened(const std::string& path, const std::string& reason) {
    return "ファイル " + path + " は開けません。 " + reason + " ";
  }
};

TEST_F(PadFileLoad, LoadsReplaceTheTableAndRepaint) {
  const int before = repaints();
  click(form->Button2, dir.write("scale.kst", "C4\r\nE4\r\nG4\r\nC5\r\n"));
  EXPECT_EQ(form->KeyList->items(), (Lines{"60", "64", "67", "72"}));
  EXPECT_EQ(repaints(), before + 1);
  click(form->Button4, dir.write("vol.vdt", "127\r\n\r\n0\r\n"));
  EXPECT_EQ(form->VolumeList->items(), (Lines{"127", "", "0"}));
  EXPECT_EQ(repaints(), before + 2);
  EXPECT_EQ(dialogs.asked, (std::vector{FileDialog::KeyScale, FileDialog::Volume}));
  EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(PadFileLoad, CancelChangesNothing) {
  const int before = repaints();
  click(form->Button2, std::nullopt);
  click(form->Button4, std::nullopt);
  EXPECT_EQ(form->KeyList->items(), defaultKeys);
  EXPECT_EQ(form->VolumeList->items(), defaultVolumes);
  EXPECT_EQ(repaints(), before);
  EXPECT_EQ(dialogs.asked.size(), 2u);
  EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(PadFileLoad, FailedLoadsReportOnceAndRequestNoRepaint) {
  const std::string missing = (dir.path() / "missing.kst").string();
  const std::string big = dir.write("big.txt", "");
  std::filesystem::resize_file(big, 100u << 20);
  const std::string folder = dir.path().string();
  struct Case {
    const char* what;
    bool keyScale;
    std::string path, reason;
    bool keysEmptied;  // a key-scale file that cannot be opened leaves no columns
  } cases[] = {
      {"missing key-scale file", true, missing, std::strerror(ENOENT), true},
      {"key-scale folder", true, folder, std::strerror(EISDIR), true},
      {"huge key-scale file", true, big, "ファイルが大きすぎます", false},
      {"missing volume file", false, missing, std::strerror(ENOENT), false},
      {"volume folder", false, folder, std::strerror(EISDIR), false},
      {"huge volume file", false, big, "ファイルが大きすぎます", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    form->KeyList->assign(defaultKeys);
    dialogs.errors.clear();
    const int before = repaints();
    click(c.keyScale ? form->Button2 : form->Button4, c.path);
    EXPECT_EQ(dialogs.errors, (Lines{opened(c.path, c.reason)}));
    EXPECT_EQ(form->KeyList->items(), c.keysEmptied ? Lines{} : defaultKeys);
    EXPECT_EQ(form->VolumeList->items(), defaultVolumes);
    EXPECT_EQ(repaints(), before);
  }
}

TEST_F(PadFileLoad, PadShowsTheLoadedTables) {
  form->show();
  form->resize(643, 337);
  click(form->Button2, dir.write("s.kst", "C4\nE4\nG4\n"));
  click(form->Button4, dir.write("v.vdt", "1\n2\n3\n4\n5\n6\n7\n8\n"));
  const QImage shown = form->PaintBox1->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const int w = form->PaintBox1->width(), h = form->PaintBox1->height();
  ASSERT_EQ(shown.size(), QSize(w, h));
  QImage want(w, h, QImage::Format_RGB32);
  QPainter painter(&want);
  pad::drawGridPlain(painter, w, h, 8, 3);
  painter.end();
  EXPECT_EQ(shown, want);
  EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(PadFileLoad, SmallPadAreasGiveAnEmptyPadAndEachResizeRepaints) {
  form->show();
  // The pad area is the height less the two bands (29 + 59).
  struct Case {
    int height, panel3, paintBox;
  } cases[] = {{88 + 19, 0, 0}, {88 + 20, 0, 0}, {88 + 21, 1, 0}, {88 + 23, 3, 1}, {88, 0, 0}};
  for (const auto& c : cases) {
    const int before = repaints();
    form->resize(300, c.height);
    EXPECT_EQ(form->Panel3->height(), c.panel3) << c.height;
    EXPECT_EQ(form->PaintBox1->height(), c.paintBox) << c.height;
    EXPECT_GE(form->PaintBox1->width(), 0);
    EXPECT_GT(repaints(), before) << c.height;
  }
}

}  // namespace
