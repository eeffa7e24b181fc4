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
  kErrTypeMismatch = 13,       // a value could not be converted
  kErrNoProject = 1004,        // no project is open / active
  kErrNotFound = 1100,         // a named or numbered item does not exist
  kErrInvalidArgument = 1101,  // an argument value is not valid
  kErrNotAvailable = 1102,     // the operation does not apply here (wrong view, empty row)
  kErrFile = 1200,             // a file could not be read or written
  kErrUnexpected = 440,        // anything else
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

// Collects every failure that a skip-and-continue step passes over while the journal is open, so
// that a long run (the chart run) can say at its end what it skipped. Opening a journal makes it
// the current one of this thread until it is closed, when the one before it is current again.
// Everything runs on the host's user-interface thread, so there is one at a time in practice.
class FailureJournal {
 public:
  FailureJournal() : previous_(current_) { current_ = this; }
  ~FailureJournal() { current_ = previous_; }
  FailureJournal(const FailureJournal&) = delete;
  FailureJournal& operator=(const FailureJournal&) = delete;

  const std::vector<Failure>& Failures() const { return failures_; }
  // The journal that failures go to now; null when none is open.
  static FailureJournal* Current() { return current_; }
  void Add(std::int32_t number, const std::string& description) noexcept {
    try {
      failures_.push_back({number, description});
    } catch (...) {
    }
  }

 private:
  FailureJournal* previous_;
  std::vector<Failure> failures_;
  static inline thread_local FailureJournal* current_ = nullptr;
};

// Runs steps in skip-and-continue mode: a step that throws is passed over and its failure is
// recorded (here and in the open journal); the caller goes on with the next step.
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

  // Runs a step whose failure is expected on the way (a column looked for before it is added, a
  // property deleted before it is written anew): a failure is recorded here but not journaled.
  template <class Step>
  bool Tolerate(Step&& step) noexcept {
    journal_ = false;
    const bool ok = (*this)(std::forward<Step>(step));
    journal_ = true;
    return ok;
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
    if (journal_) {
      if (FailureJournal* journal = FailureJournal::Current()) journal->Add(number, description);
    }
    try {
      failures_.push_back({number, std::move(description)});
    } catch (...) {
    }
  }
  std::vector<Failure> failures_;
  bool journal_ = true;
};

}  // namespace kx::host
