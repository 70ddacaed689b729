#include "app/update_run.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace merovix {
namespace {

// Records every operation the run performs, in order.
class RecordingOperations : public UpdateOperations {
 public:
  std::map<std::string, bool> ini_bools;
  bool answer_yes = true;
  std::vector<std::string> calls;

  bool ReadIniBool(const std::string& key, bool fallback) override {
    calls.push_back("ReadIniBool " + key);
    const auto it = ini_bools.find(key);
    return it == ini_bools.end() ? fallback : it->second;
  }
  bool Confirm(const std::string& text) override {
    calls.push_back("Confirm " + text);
    return answer_yes;
  }
  void ShowPlainMessage(const std::string& text) override { calls.push_back("ShowPlainMessage " + text); }
};

TEST(UpdateRun, AsksForConsentUnlessTheSettingsSayNo) {
  RecordingOperations ops;
  ops.answer_yes = false;
  RunUpdate(ops);
  EXPECT_EQ(ops.calls, (std::vector<std::string>{"ReadIniBool confirm_update", std::string("Confirm ") + kAskForUpdate,
                                                 std::string("ShowPlainMessage ") + kUpdateCancelled}));

  RecordingOperations silent;
  silent.ini_bools["confirm_update"] = false;
  RunUpdate(silent);
  ASSERT_FALSE(silent.calls.empty());
  for (const std::string& call : silent.calls) {
    EXPECT_NE(call.rfind("Confirm", 0), 0u) << "no question with confirm_update false";
    EXPECT_NE(call, std::string("ShowPlainMessage ") + kUpdateCancelled);
  }
}

}  // namespace
}  // namespace merovix
