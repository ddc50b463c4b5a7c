#pragma once
// The recorded reference cases of the Windows profile functions (profile-vectors.jsonl):
// reading them and replaying their calls through one set of profile functions, ours or
// another implementation's.
#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace testsupport {

// Each character U+0000..U+00FF of a recorded string stands for one byte.
std::string RecordedBytes(const nlohmann::json &value);
// The same byte string as a recorded value.
nlohmann::json RecordedText(const std::string &bytes);

// One recorded case; printed by its id when it fails.
struct RecordedProfileCase {
  nlohmann::json data;
};
void PrintTo(const RecordedProfileCase &c, std::ostream *out);

std::vector<RecordedProfileCase> LoadRecordedProfileCases();
// The case's id as a test name.
std::string RecordedCaseName(const ::testing::TestParamInfo<RecordedProfileCase> &info);

// The profile functions in their Win32 forms.
struct ProfileFunctions {
  uint32_t (*getString)(const char *section, const char *key, const char *defaultValue,
                        char *buffer, uint32_t size, const char *file);
  uint32_t (*getInt)(const char *section, const char *key, int defaultValue, const char *file);
  uint32_t (*getSection)(const char *section, char *buffer, uint32_t size, const char *file);
  uint32_t (*getSectionNames)(char *buffer, uint32_t size, const char *file);
  bool (*writeString)(const char *section, const char *key, const char *value, const char *file);
  bool (*writeSection)(const char *section, const char *keys, const char *file);
};
// Ours, from platform/Profile.h.
extern const ProfileFunctions kOurProfileFunctions;

// Makes the recorded call on the file and gives its result as the recording has it:
// ret, out and tail for a call that fills a buffer, ret for the others (0 or 1 for a
// write); null for DUMP, which calls nothing.
nlohmann::json ReplayProfileCall(const nlohmann::json &op, const ProfileFunctions &functions,
                                 const std::string &file);

} // namespace testsupport
