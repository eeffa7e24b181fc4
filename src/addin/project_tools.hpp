#pragma once
// Checks of the host's active project before a chart is started. Each returns its verdict and,
// when `report` is true and the check fails, first shows its message with the given title.

#include <functional>
#include <string>
#include <vector>

#include "host/host.hpp"
#include "support/message_box.hpp"

namespace kx::addin {

inline constexpr const char* kTextNoProject = "Es ist kein Projekt geöffnet!      ";
inline constexpr const char* kTextNoResources = "Das Projekt enthält keine Ressourcen.      ";
inline constexpr const char* kTextDuplicateNames =
    "Das Projekt enthält doppelte Ressourcennamen.      ";
// The launch's question after a duplicate was found (Yes/No, question icon, default Yes).
inline constexpr const char* kTextDuplicateQuestion =
    "Das Projekt enthält doppelte Ressourcennamen.      \r\nTrotzdem fortfahren?";

// Returns true when the application has an active project whose name can be read.
bool CheckActiveProject(host::Application& application, bool report, const std::string& title,
                        MessageBoxes& boxes);

// Returns true when the active project has at least one resource; false also when there is no
// project or its resources cannot be read.
bool CheckResources(host::Application& application, bool report, const std::string& title,
                    MessageBoxes& boxes);

// Returns true when two resources of the active project with different unique ids carry the
// same name (exact, letter case counts). Empty rows and resources whose name or id cannot be
// read take no part. Runs in linear time.
bool HasDuplicateResourceNames(host::Application& application, bool report,
                               const std::string& title, MessageBoxes& boxes);

// Returns every name that two resources of the active project with different unique ids carry,
// in the order of their first occurrence; the same rules as HasDuplicateResourceNames.
std::vector<std::string> DuplicateResourceNames(host::Application& application);

// The checks before a chart starts, in their order: an active project ("Es ist kein Projekt
// geöffnet!"), at least one resource ("Das Projekt enthält keine Ressourcen."), then duplicate
// names, which stop the launch unless `goOnDespiteDuplicates` (asked only then) says yes. The
// messages go to `boxes` with `title`. Returns true when the chart may start.
bool PassLaunchChecks(host::Application& application, const std::string& title, MessageBoxes& boxes,
                      const std::function<bool()>& goOnDespiteDuplicates);

}  // namespace kx::addin
