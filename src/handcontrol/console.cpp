#include "handcontrol/console.h"

#include <algorithm>

namespace orv::handcontrol {

Console::Console(MainWindow& main, link::Transport& transport)
    : main_(main), transport_(transport) {
    main.send_button.clicked.connect([this] { send(); });
    // Enter in the command box presses SEND.
    main.command_box.entered.connect([this] { main_.send_button.click(); });
    main.command_older.connect([this] {
        if (at_ + 1 < static_cast<int>(main_.command_history.items().size())) walk_to(at_ + 1);
    });
    main.command_newer.connect([this] {
        if (at_ >= 0) walk_to(at_ - 1);
    });
    // Typing starts afresh from the newest entry.
    main.command_box.changed.connect([this] {
        if (!walking_) at_ = -1;
    });
    main.command_history.changed.connect([this] {
        const std::string chosen = main_.command_history.text();
        if (chosen.empty()) return;
        main_.command_box.set_text(chosen);
        main_.command_history.set_text("");
    });
}

void Console::send() {
    // No framing added, nothing trimmed, and the text stays in the box for sending again.
    const std::string command = main_.command_box.text();
    if (transport_.send_command(command) && !command.empty()) remember(command);
}

void Console::remember(const std::string& command) {
    std::vector<std::string> history = main_.command_history.items();
    history.erase(std::remove(history.begin(), history.end(), command), history.end());
    history.insert(history.begin(), command);
    if (history.size() > kHistorySize) history.resize(kHistorySize);
    main_.command_history.clear_items();
    for (auto& c : history) main_.command_history.add_item(std::move(c));
    at_ = -1;
}

void Console::walk_to(int at) {
    if (at_ == -1) draft_ = main_.command_box.text();
    at_ = at;
    walking_ = true;
    main_.command_box.set_text(
        at < 0 ? draft_ : main_.command_history.items()[static_cast<std::size_t>(at)]);
    walking_ = false;
}

}  // namespace orv::handcontrol
