// Small interfaces through which the level code reports to whoever drives it:
// the window hands in its progress bar and message boxes, the command-line
// tool prints to stderr or reports nothing.
#pragma once

#include <string_view>

namespace kelanim {

// Receives the progress of a long file operation as a percentage 0 to 100.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void set_progress(int percent) = 0;
};

// Receives a message meant for the user.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void show_message(std::string_view text) = 0;
};

}  // namespace kelanim
