#pragma once
#include <cstdio>
#include <string>
#include <vector>

namespace sim
{
constexpr int kExitSuccess = 0;
constexpr int kExitUnavailable = 1;
constexpr int kExitUsage = 2;

// Runs one command of the kv58sim tool (its arguments without the program
// name): its output goes to out, a usage text or an error to err. A command
// with bad arguments changes nothing. Returns the exit code.
int RunCommand(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err);
} // namespace sim
