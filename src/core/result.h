#pragma once
// The outcome of a piece of work that can fail: what it produced, or the message that tells the
// user what went wrong. The data layer hands such results to the front end, which shows the
// message; exceptions stay for what no caller can mend.

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace vorlix {

// What went wrong, in the words the user reads.
struct TFailure {
  std::string Message;
};

template <typename T>
class [[nodiscard]] TResult {
 public:
  // NOLINTNEXTLINE(google-explicit-constructor): a value is a result
  TResult(T value) : State_(std::in_place_index<0>, std::move(value)) {}
  // NOLINTNEXTLINE(google-explicit-constructor): so is a failure
  TResult(TFailure failure) : State_(std::in_place_index<1>, std::move(failure)) {}

  bool Ok() const { return State_.index() == 0; }
  explicit operator bool() const { return Ok(); }
  T& Value() { return std::get<0>(State_); }
  const T& Value() const { return std::get<0>(State_); }
  // The failure's message; only for a result that is not Ok.
  const std::string& Message() const { return std::get<1>(State_).Message; }

 private:
  std::variant<T, TFailure> State_;
};

// Work that produces nothing but can fail.
template <>
class [[nodiscard]] TResult<void> {
 public:
  TResult() = default;
  // NOLINTNEXTLINE(google-explicit-constructor): a failure is a result
  TResult(TFailure failure) : Failure_(std::move(failure)) {}

  bool Ok() const { return !Failure_; }
  explicit operator bool() const { return Ok(); }
  // The failure's message; only for a result that is not Ok.
  const std::string& Message() const { return Failure_->Message; }

 private:
  std::optional<TFailure> Failure_;
};

}  // namespace vorlix
