#include "handcontrol/console.h"

namespace orv::handcontrol {

Console::Console(MainWindow& main, link::Transport& transport) {
    // No framing added, nothing trimmed, and the text stays in the box for sending again.
    main.Command19.clicked.connect(
        [&main, &transport] { transport.send_command(main.Text12.text()); });
}

}  // namespace orv::handcontrol
