#include "core/display_settings.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/test_files.h"

namespace pektra {
namespace {

DisplaySettings Read(const std::string& text, DisplaySettings settings = {}) {
  std::istringstream in(text);
  ReadDisplaySettings(in, settings);
  return settings;
}

TEST(DisplaySettingsFile, ClampsValuesAndSkipsCommentLines) {
  DisplaySettings read = Read(
      "* written at exit\r\nLab PC\r\n   2.0000 *scrsize\r\n* comment\r\n 20 *fntsize\r\n"
      "  0 *RusHelp\r\n");
  EXPECT_EQ(read.settings_title, "Lab PC");
  EXPECT_EQ(read.screen_scale, 1.56);
  EXPECT_EQ(read.font_size, 14);
  EXPECT_FALSE(read.rus_help);

  read = Read("t\n0,1 *scrsize\n10.5 *fntsize\n0.5 *RusHelp\n");
  EXPECT_EQ(read.screen_scale, 0.64);
  EXPECT_EQ(read.font_size, 10);  // halves round to even
  EXPECT_FALSE(read.rus_help);    // only exactly 1 means Russian
  read.rus_help = false;
  read = Read("t\n1 *scrsize\n12.6 *fntsize\n7 *RusHelp\n", read);
  EXPECT_EQ(read.font_size, 13);
  EXPECT_TRUE(read.rus_help);
}

TEST(DisplaySettingsFile, LinesWithoutTheirKeyOrReadableValueChangeNothing) {
  const DisplaySettings before{1.2, 12, false, "old"};
  // Keys out of order, an unreadable value, and bytes that are no settings at all.
  for (const char* text :
       {"new\nabc *scrsize\n12 *RusHelp\n1 *fntsize\n", "new\n\x01\xff\x80 1.5 *scr size\n", "new",
        "new\n *scrsize\n\t*fntsize\n"}) {
    const DisplaySettings read = Read(text, before);
    EXPECT_EQ(read.settings_title, "new");
    EXPECT_EQ(read.screen_scale, 1.2);
    EXPECT_EQ(read.font_size, 12);
    EXPECT_FALSE(read.rus_help);
  }
}

TEST(DisplaySettingsFile, WrittenFileReadsBackAndAMissingFileIsReported) {
  testing::TempDir dir;
  const std::string file = dir.File("pektra.fn");
  DisplaySettings untouched;
  EXPECT_FALSE(ReadDisplaySettings(file, untouched));

  const DisplaySettings written{1.2345, 9, false, "Lab PC, detector 2"};
  ASSERT_TRUE(WriteDisplaySettings(file, written));
  EXPECT_EQ(testing::ReadFile(file),
            "Lab PC, detector 2\n    1.2345 *scrsize\n         9 *fntsize\n         0 *RusHelp\n");
  DisplaySettings read;
  ASSERT_TRUE(ReadDisplaySettings(file, read));
  EXPECT_EQ(read.settings_title, written.settings_title);
  EXPECT_EQ(read.screen_scale, written.screen_scale);
  EXPECT_EQ(read.font_size, written.font_size);
  EXPECT_EQ(read.rus_help, written.rus_help);
}

TEST(ScaleToScreen, RoundsHalvesToEven) {
  EXPECT_EQ(ScaleToScreen(100, 1.25), 125);
  EXPECT_EQ(ScaleToScreen(10, 0.25), 2);
  EXPECT_EQ(ScaleToScreen(30, 0.25), 8);
  EXPECT_EQ(ScaleToScreen(-10, 0.25), -2);
}

}  // namespace
}  // namespace pektra

namespace pektra {
namespace {

TEST(DisplaySettingsLocale, FirstSetVariableDecidesTheHelpLanguage) {
  EXPECT_TRUE(LocaleIsRussian(nullptr, nullptr, "ru_RU.UTF-8"));
  EXPECT_TRUE(LocaleIsRussian("ru", nullptr, "en_US.UTF-8"));
  EXPECT_TRUE(LocaleIsRussian("", "ru_UA", "de_DE"));  // an empty value is not set
  EXPECT_FALSE(LocaleIsRussian("C", nullptr, "ru_RU.UTF-8"));
  EXPECT_FALSE(LocaleIsRussian(nullptr, nullptr, "en_GB.UTF-8"));
  EXPECT_FALSE(LocaleIsRussian(nullptr, nullptr, "rue_UA"));  // another language
  EXPECT_FALSE(LocaleIsRussian(nullptr, nullptr, nullptr));
}

}  // namespace
}  // namespace pektra
