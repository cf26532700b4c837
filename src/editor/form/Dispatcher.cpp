#include "form/Dispatcher.h"

#include <exception>

#include "base/Errors.h"

namespace varnisk {

bool Dispatcher::run(const std::function<void()>& operation) {
    if (terminated_) return false;
    if (depth_ > 0) {
        operation();  // part of the running operation: its errors end that one
        return true;
    }
    std::string error;
    ++depth_;
    try {
        operation();
    } catch (const Terminated& t) {
        terminated_ = true;
        exitCode_ = t.exitCode();
    } catch (const std::exception& e) {
        error = e.what();
        if (error.empty()) error = "Unknown error";
    }
    --depth_;
    if (terminated_) return false;
    if (error.empty()) return true;
    showError_(error);  // outside the operation: the message box may run events
    return false;
}

}  // namespace varnisk
