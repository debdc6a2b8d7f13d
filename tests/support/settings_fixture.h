// CONFIG.ini in a folder of the test's own, with the lines the settings log.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/app_settings.h"
#include "temp_folder.h"

namespace velor::testing {

class SettingsFixture : public ::testing::Test {
  protected:
    TempFolder temp;
    std::vector<std::string> lines;
    AppSettings settings{[this] { return temp.path().string() + "/"; },
                         [this](std::string_view l) { lines.emplace_back(l); }};
};

}  // namespace velor::testing
