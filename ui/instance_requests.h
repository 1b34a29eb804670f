// One running Zarvon takes every request. When several instances are not
// allowed (General/MultitaskWindow "0"), the first start holds the instance
// lock and opens the request channel; a later start hands its archive over
// through that channel and ends, and the running program opens that archive
// (or only comes forward when none was given).
// User-interface thread only.
#pragma once

#include <string>
#include <vector>

namespace zarvon::ui {

// How the start-up goes on after the single-instance rule.
enum class InstanceRole {
    Running,    // this process runs the program (and, when the rule applies, holds the lock)
    HandedOver, // another instance runs and took the arguments: end with code 0
    NoAnswer,   // another instance holds the lock but did not take them: said to the user
};

// Applies the rule when General/MultitaskWindow reads "0": takes the lock
// and opens the request channel, or hands `arguments` (full paths) to the
// instance that holds it. Without the rule, Running at once.
InstanceRole takeInstanceRole(const std::vector<std::string> &arguments);

// Carries out the requests received from later starts: the main window comes
// back from the tray or the task bar, is raised and activated, and the
// archive named by the request is opened as from the command line (listed
// and added to the recent archives). Without a main window, the assistant
// comes forward and offers to extract it. While `promptOpen` (a window asks
// something before a job), requests wait: that window comes forward instead.
void serveRequests(bool promptOpen);

} // namespace zarvon::ui
