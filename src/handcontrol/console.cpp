#include "handcontrol/console.h"

namespace orv::handcontrol {

Console::Console(MainWindow& main, link::Transport& transport) {
    // No framing added, nothing trimmed, and the text stays in the box for sending again.
    main.send_button.clicked.connect(
        [&main, &transport] { transport.send_command(main.command_box.text()); });
}

}  // namespace orv::handcontrol
