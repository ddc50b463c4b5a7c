#pragma once
// Unit misk (HostPaths): the environment a Windows program sees and the folders of its
// search path. Outside Windows the environment is the one Wine gives a Windows program
// (platform/Environment.h). Values and names are texts of the core.
#include <optional>
#include <string>
#include <vector>

// The value of an environment variable, empty when it is unset.
std::string GetEnvironment(const std::string &name);
// The first existing file made of a directory of "Path" and the name, or nothing.
std::optional<std::string> SearchPathDirs(const std::string &fileName);
// Fills the list with the non-empty directories of "Path" and returns their number; with
// an empty "Path" returns 0 and leaves the list as it was.
int SplitSearchPath(std::vector<std::string> &list);
