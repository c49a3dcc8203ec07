#pragma once
// Message, question, input and file dialogs on Qt, over the window the user is working in.

#include <QString>

#include "platform/dialogs.h"

namespace orv::qt {

inline constexpr const char* kAppTitle = "Orvantis Utility";

class QtDialogs : public platform::Dialogs {
public:
    void message(const std::string& text, const std::string& title) override;
    using platform::Dialogs::question;
    platform::Answer question(const std::string& text, const std::string& title,
                              platform::Answer default_answer) override;
    std::optional<std::string> input(const std::string& prompt, const std::string& title,
                                     int x_points, int y_points) override;
    std::optional<std::string> open_file(const std::string& title, const std::string& filter,
                                         const std::string& initial) override;
    std::optional<std::string> save_file(const std::string& title, const std::string& filter,
                                         const std::string& suggested) override;
};

// "Hex Files (*.hex)|*.hex;" -> "Hex Files (*.hex)": pairs of description and patterns.
QString file_filter(const std::string& filter);

}  // namespace orv::qt
