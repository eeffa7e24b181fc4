#pragma once
// The add-in's error report: one message box with the failure's number and description and the
// request to pass them on to the support address.

#include <cstdint>
#include <string>

#include "host/error.hpp"
#include "support/message_box.hpp"
#include "support/product.hpp"

namespace kx::addin {

inline constexpr const char* kSupportAddress = "support@korvalinx.de";

// Returns the report's text, lines joined by "\r\n".
std::string AddInErrText(std::int32_t number, const std::string& description);

// Shows the report (OK button, exclamation icon, title "Korvalinx") and returns when it is closed.
void AddInErr(const host::Failure& errX, MessageBoxes& boxes);
void AddInErr(const host::HostError& errX, MessageBoxes& boxes);

}  // namespace kx::addin
