#include "addin/error_report.hpp"

#include "support/product.hpp"

namespace kx::addin {

std::string AddInErrText(std::int32_t number, const std::string& description) {
  return std::string("Es ist folgender Fehler aufgetreten:      \r\n\r\n") +
         "Fehlernummer: " + std::to_string(number) + "\r\n" + "Fehlerbeschreibung: " + description +
         "\r\n\r\n" + "Bitte übermitteln Sie diese Informationen an " + kSupportAddress + "      ";
}

void AddInErr(const host::Failure& errX, MessageBoxes& boxes) {
  boxes.Show({AddInErrText(errX.number, errX.description), kProductTitle, MsgButtons::Ok,
              MsgIcon::Exclamation, 1});
}

void AddInErr(const host::HostError& errX, MessageBoxes& boxes) {
  AddInErr(host::Failure{errX.number(), errX.description()}, boxes);
}

}  // namespace kx::addin
