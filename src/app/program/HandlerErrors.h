#pragma once

#include <exception>
#include <utility>

namespace korvex {

class UserMessages;

// Shows the error that error stands for in the application's error display: its fixed
// text, and for a failed settings write also the system's reason.
void showError(UserMessages& display, std::exception_ptr error);

// Runs a window's event handler; an error that leaves it is shown and the program goes on.
template <typename Handler>
void runHandler(UserMessages& display, Handler&& handler)
{
    try {
        std::forward<Handler>(handler)();
    } catch (...) {
        showError(display, std::current_exception());
    }
}

} // namespace korvex
