// The program's icon: the SVG the desktop installs draws, at every size a
// desktop asks for, and becomes the icon of the program's windows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QWidget>

#include <memory>
#include <vector>

#include "app/ProgramIcon.h"
#include "app/dvmain.h"
#include "drivers/DriverTable.h"
#include "platform/forms/qt/QtIcon.h"
#include "platform/rtl/CommandLine.h"
#include "tests/support/RuntimeFolder.h"
#include "tests/support/TestApplication.h"

namespace {
// The share of pixels that are not transparent.
double Covered(const QImage& image) {
  int covered = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) covered += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
  return static_cast<double>(covered) / (image.width() * image.height());
}

TEST(ProgramIconTest, TheIconDrawsAtEverySizeAndNotAsABlankOrFullSquare) {
  TestApplication();
  const QIcon icon = IconFromSvg(ProgramIconSvg());
  ASSERT_FALSE(icon.isNull());
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    SCOPED_TRACE(size);
    EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size)));
    const QImage image = icon.pixmap(size, size).toImage();
    ASSERT_EQ(image.size(), QSize(size, size));
    // A drawing: neither empty nor a filled square.
    EXPECT_GT(Covered(image), 0.4);
    EXPECT_LT(Covered(image), 0.95);
  }
  EXPECT_TRUE(IconFromSvg("no svg at all").isNull());
  EXPECT_TRUE(IconFromSvg("").isNull());
}

TEST(ProgramIconTest, TheApplicationsIconIsTheWindowsIcon) {
  ScopedRuntimeFolder runtime;  // a shown window listens there
  TApplication& application = TestApplication();
  SetCommandLine(std::vector<std::string>{"dovanel"});
  ReleaseAllDriverUnits();
  QApplication::setWindowIcon(QIcon());
  application.SetIcon(ProgramIconSvg());
  const auto form = std::make_unique<Tdovanel>(nullptr);
  form->Show();
  const QIcon shown = form->Widget()->windowIcon();
  ASSERT_FALSE(shown.isNull());
  EXPECT_EQ(shown.pixmap(48, 48).toImage(), IconFromSvg(ProgramIconSvg()).pixmap(48, 48).toImage());
  application.SetIcon("");
  QApplication::setWindowIcon(QIcon());
}
}  // namespace
