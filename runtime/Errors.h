// Run-time errors and resume-next mode. A failing operation raises a RuntimeError; a
// procedure in resume-next mode runs each statement through ResumeNext, which abandons
// the statement that raised and goes on with the next one.
#pragma once

#include <exception>
#include <new>
#include <stdexcept>

namespace runtime {

enum class ErrorNumber : int {
    InvalidProcedureCall = 5,
    Overflow = 6,
    OutOfMemory = 7,
    TypeMismatch = 13,
    InternalError = 51,
    ObjectNotSet = 91,
};

class RuntimeError : public std::runtime_error {
  public:
    RuntimeError(ErrorNumber number, const char* what)
        : std::runtime_error(what), number_(number) {}
    ErrorNumber Number() const { return number_; }

  private:
    ErrorNumber number_;
};

[[noreturn]] inline void Raise(ErrorNumber number, const char* what) {
    throw RuntimeError(number, what);
}

// One procedure's resume-next mode: ResumeNext rn; rn([&] { statement; }); ...
class ResumeNext {
  public:
    template <class Statement>
    void operator()(Statement&& statement) noexcept {
        try {
            statement();
        } catch (const RuntimeError& error) {
            lastError_ = error.Number();
            ++skipped_;
        } catch (const std::bad_alloc&) {
            lastError_ = ErrorNumber::OutOfMemory;
            ++skipped_;
        } catch (const std::exception&) {  // the C++ library's other failures
            lastError_ = ErrorNumber::InternalError;
            ++skipped_;
        }
    }
    int Skipped() const { return skipped_; }
    ErrorNumber LastError() const { return lastError_; }

  private:
    ErrorNumber lastError_{};
    int skipped_ = 0;
};

}  // namespace runtime
