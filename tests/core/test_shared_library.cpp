// Libraries loaded while the program runs: a missing one is said, by its name, and looked
// up in no further. The libraries found are tried by their users (the SVG drawings of
// test_picture_icon draw through librsvg loaded so).
#include "platform/SharedLibrary.h"

#include <gtest/gtest.h>

TEST(SharedLibrary, MissingLibraryIsNamedInTheError) {
  platform::SharedLibrary library("libcorvane-nowhere.so.7");
  EXPECT_FALSE(library.Loaded());
  EXPECT_EQ(library.Find("anything"), nullptr);
  EXPECT_NE(library.Error().find("libcorvane-nowhere.so.7 cannot be loaded"), std::string::npos)
      << library.Error();
}
