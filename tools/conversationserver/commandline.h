#pragma once

// The command-line words every tool shares, on every platform: the complaint line, the usage
// text, and what a service name that breaks the rule is told. Exit statuses: exitstatus.h.

#include "exitstatus.h"

#include <string>
#include <string_view>
#include <vector>

namespace ostrane::server {

// "PROGRAM: message\n", the form of every complaint.
std::string complaintLine(std::string_view program, std::string_view message);

struct OptionHelp {
    std::string_view option; // "--service NAME"
    std::string_view help;   // lines after the first ("\n") line up under the first
};

// "Usage: PROGRAM " and the synopsis, its further lines aligned under the first; the summary
// line; then each option, its help in one column two spaces after the longest option.
std::string usageText(std::string_view program, const std::vector<std::string_view>& synopsis,
                      std::string_view summary, const std::vector<OptionHelp>& options);

// Why `name` is no service's name: every part of isValidServiceName's rule.
std::string invalidServiceName(std::string_view name);

} // namespace ostrane::server
