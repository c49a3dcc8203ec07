#pragma once
// Message, question, input and file dialogs on Qt, over the window the user is working in.

#include <QIcon>
#include <QPixmap>
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

// Night mode: the file dialogs are Qt's own (a desktop's cannot be coloured) and every picture
// in the dialogs is drawn in the palette's text red.
void use_red_dialogs(bool on);
bool red_dialogs();
// A picture in shades of one red: its lightness kept, green and blue gone.
QPixmap red_only(const QPixmap& picture, const QColor& red);
QIcon red_only(const QIcon& icon, const QColor& red);

// "Hex Files (*.hex)|*.hex;" -> "Hex Files (*.hex)": pairs of description and patterns.
QString file_filter(const std::string& filter);

}  // namespace orv::qt
