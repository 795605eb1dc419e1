// What the page hands the help system: the help file beside the library and
// the contexts of the plug-in's table.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/model/layout.h"
#include "editor/model/messages.h"
#include "editor/page_help.h"

namespace orkv::test {
namespace {

struct HelpCallRecord {
  HWND window;
  std::string path;
  UINT command;
  ULONG_PTR data;
};
std::vector<HelpCallRecord> g_calls;

BOOL Record(HWND window, const char* path, UINT command, ULONG_PTR data) {
  g_calls.push_back({window, path, command, data});
  return TRUE;
}

HELPINFO ForControl(int id, HWND item) {
  HELPINFO request{};
  request.cbSize = sizeof request;
  request.iContextType = HELPINFO_WINDOW;
  request.iCtrlId = id;
  request.hItemHandle = item;
  return request;
}

// Handles the recorder only compares.
HWND const kPage = reinterpret_cast<HWND>(0x1234);
HWND const kItem = reinterpret_cast<HWND>(0x5678);

TEST(ShowHelp, ARateRequestOpensThePopupTopicWithTheTable) {
  g_calls.clear();
  const HELPINFO request = ForControl(editor::kRateKnob, kItem);
  editor::ShowHelp(kPage, &request, page_model::kStandardHelpContexts, "x.HLP", &Record);
  ASSERT_EQ(g_calls.size(), 1u);
  EXPECT_EQ(g_calls[0].window, kItem);
  EXPECT_EQ(g_calls[0].command, 0x0Cu);
  const auto* table = reinterpret_cast<const DWORD*>(g_calls[0].data);
  // The pairs as the help system reads them; Rate's context is 6.
  int rateContext = 0;
  for (; table[0] != 0; table += 2) {
    if (table[0] == 104) rateContext = static_cast<int>(table[1]);
  }
  EXPECT_EQ(rateContext, 6);
}

TEST(ShowHelp, TheDisplayThePageAndMenusOpenContextTwo) {
  HELPINFO display = ForControl(editor::kDisplay, kItem);
  HELPINFO page = ForControl(0, kPage);
  HELPINFO menuItem = ForControl(editor::kRateKnob, kItem);
  menuItem.iContextType = HELPINFO_MENUITEM;
  const HELPINFO tremoloFreq = ForControl(editor::kFreqKnob, kItem);
  for (const HELPINFO* request : {&display, &page, &menuItem}) {
    g_calls.clear();
    editor::ShowHelp(kPage, request, page_model::kStandardHelpContexts, "x.HLP", &Record);
    ASSERT_EQ(g_calls.size(), 1u);
    EXPECT_EQ(g_calls[0].window, kPage);
    EXPECT_EQ(g_calls[0].command, 1u);
    EXPECT_EQ(g_calls[0].data, 2u);
  }
  g_calls.clear();
  editor::ShowHelp(kPage, &tremoloFreq, page_model::kTremoloHelpContexts, "x", &Record);
  ASSERT_EQ(g_calls.size(), 1u);
  EXPECT_EQ(g_calls[0].data, 2u);
}

TEST(ShowHelp, NoRequestQuits) {
  g_calls.clear();
  editor::ShowHelp(kPage, nullptr, page_model::kStandardHelpContexts, "x.HLP", &Record);
  ASSERT_EQ(g_calls.size(), 1u);
  EXPECT_EQ(g_calls[0].command, 2u);
  EXPECT_EQ(g_calls[0].path, "x.HLP");
}

TEST(HelpFilePath, TheHelpFileSitsBesideTheModule) {
  char module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  std::string expected = module;
  expected = expected.substr(0, expected.find_last_of("\\:") + 1) + "ORKVPhaser.HLP";
  char path[MAX_PATH] = {};
  editor::GetHelpFilePath(nullptr, "ORKVPhaser.HLP", path, MAX_PATH);
  EXPECT_EQ(std::string(path), expected);
  // A short buffer keeps what fits, terminated.
  const std::size_t directory = expected.size() - 14;
  std::vector<char> shorter(directory + 5, 'x');
  editor::GetHelpFilePath(nullptr, "ORKVPhaser.HLP", shorter.data(), shorter.size());
  EXPECT_EQ(std::string(shorter.data()), expected.substr(0, directory + 4));
}

}  // namespace
}  // namespace orkv::test
