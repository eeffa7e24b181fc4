#pragma once
// Host operations fail by throwing HostError. Most of the add-in works in a skip-and-continue
// mode: `Resume` runs one step, swallows its failure and records it.

#include <cstdint>
#include <exception>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace kx::host {

// Error numbers of the planning host.
enum ErrorNumber : std::int32_t {
  kErrTypeMismatch = 13,        // a value could not be converted
  kErrNoProject = 1004,         // no project is open / active
  kErrNotFound = 1100,          // a named or numbered item does not exist
  kErrInvalidArgument = 1101,   // an argument value is not valid
  kErrNotAvailable = 1102,      // the operation does not apply here (wrong view, empty row)
  kErrFile = 1200,              // a file could not be read or written
  kErrUnexpected = 440,         // anything else
};

class HostError : public std::runtime_error {
 public:
  HostError(std::int32_t number, std::string description)
      : std::runtime_error(description), number_(number), description_(std::move(description)) {}
  std::int32_t number() const { return number_; }
  const std::string& description() const { return description_; }

 private:
  std::int32_t number_;
  std::string description_;
};

struct Failure {
  std::int32_t number = 0;
  std::string description;
};

// Runs steps in skip-and-continue mode: a step that throws is passed over and its failure is
// recorded; the caller goes on with the next step.
class Resume {
 public:
  // Runs `step`; returns true when it completed, false when it failed.
  template <class Step>
  bool operator()(Step&& step) noexcept {
    try {
      std::forward<Step>(step)();
      return true;
    } catch (const HostError& e) {
      Record(e.number(), e.description());
    } catch (const std::exception& e) {
      Record(kErrUnexpected, e.what());
    } catch (...) {
      Record(kErrUnexpected, "unbekannter Fehler");
    }
    return false;
  }

  // Runs `step` and returns its result, or `fallback` when it failed.
  template <class T, class Step>
  T Get(Step&& step, T fallback) noexcept {
    T result = std::move(fallback);
    (*this)([&] { result = std::forward<Step>(step)(); });
    return result;
  }

  bool Failed() const { return !failures_.empty(); }
  const std::vector<Failure>& Failures() const { return failures_; }
  // Result code of a procedure in this mode: -1 when a step failed, else 0.
  std::int32_t ResultCode() const { return Failed() ? -1 : 0; }

 private:
  void Record(std::int32_t number, std::string description) noexcept {
    try {
      failures_.push_back({number, std::move(description)});
    } catch (...) {
    }
  }
  std::vector<Failure> failures_;
};

}  // namespace kx::host
