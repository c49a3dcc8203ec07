#pragma once
// Modal dialogs: message box, question box, input box, file-open and file-save dialogs.
// Each one waits for the user; other events may be delivered meanwhile.

#include <optional>
#include <string>

namespace orv::platform {

enum class Answer { Ok, Yes, No };

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A message with an OK button. An empty title means the application's title.
    virtual void message(const std::string& text, const std::string& title) = 0;
    // A question with Yes and No buttons; Enter gives the default answer.
    virtual Answer question(const std::string& text, const std::string& title,
                            Answer default_answer) = 0;
    Answer question(const std::string& text, const std::string& title) {
        return question(text, title, Answer::Yes);
    }
    // An input box placed at (x, y) points (1/72 inch) from the top-left corner of the window that
    // asks; nullopt when cancelled.
    virtual std::optional<std::string> input(const std::string& prompt, const std::string& title,
                                             int x_points, int y_points) = 0;
    // A file-open dialog; nullopt when cancelled.
    virtual std::optional<std::string> open_file(const std::string& title,
                                                 const std::string& filter,
                                                 const std::string& initial) = 0;
    // A file-save dialog that asks before replacing a file; nullopt when cancelled.
    virtual std::optional<std::string> save_file(const std::string& title,
                                                 const std::string& filter,
                                                 const std::string& suggested) {
        (void)title;
        (void)filter;
        (void)suggested;
        return std::nullopt;
    }
};

}  // namespace orv::platform
