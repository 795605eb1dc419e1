// One single setting given by its label (or slot index) and value, as the
// command-line programs take it: "--set Label=value".
#pragma once

#include <string>

namespace orkv::render {

struct SettingAssignment {
  std::string label;
  double value = 0;
};

}  // namespace orkv::render
