#pragma once

#include <functional>
#include <string>

namespace varnisk {

// Runs each event of a front end as one operation. An error of the program
// ends the running operation and is handed to `showError`, as the window
// system's default handler shows it in a message box; the program goes on.
// When the program ends itself, `terminated()` turns true and nothing more
// runs. Events raised inside a running operation (a handler writing another
// field) belong to that operation: an error in them ends the whole of it.
class Dispatcher {
public:
    explicit Dispatcher(std::function<void(const std::string&)> showError)
        : showError_(std::move(showError)) {}

    // Returns true when the operation ran to its end without an error.
    bool run(const std::function<void()>& operation);

    bool terminated() const { return terminated_; }
    // The exit code the program ended itself with.
    int exitCode() const { return exitCode_; }
    bool running() const { return depth_ > 0; }

private:
    std::function<void(const std::string&)> showError_;
    int depth_ = 0;
    bool terminated_ = false;
    int exitCode_ = 0;
};

}  // namespace varnisk
