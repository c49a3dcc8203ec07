#pragma once
// The reply receiver: collects what the box sends until it ends in "#", then decides by the
// outstanding requests what the reply answers. Two receivers of one structure: one for the
// serial port, one for the socket.

#include <functional>
#include <string>

#include "link/connection.h"
#include "link/transport.h"
#include "platform/dialogs.h"
#include "ui/main_window.h"

namespace orv::link {

enum class Via { Serial, Socket };

// Where the rejection message sends the user for a newer utility.
inline constexpr const char* kMakerWebAddress = "https://www.orvantis.example/utility";
inline constexpr const char* kFoundTitle = "Too Easy..";
// The most the reply accumulator keeps; the longest real reply is the 15-byte settings block.
inline constexpr std::size_t kMaxReplyLength = 4096;

// What the next complete reply will be taken for, decided by what is outstanding.
enum class Awaited {
    BootLoader,       // an answer of the boot loader
    SettingsBlock,    // the settings block (the threshold is its length)
    ProductCode,      // do_code
    FirmwareVersion,  // do_firmware
    Identity,         // do_orvantis
    ReversalFlags,    // button_flag
    Channel,          // nothing asked: taken as the RF channel
};
// The one order in which outstanding requests are served; the receiver dispatches by it and
// Read Settings tells from it what it still waits for.
Awaited awaited_reply(const MainState& s, int threshold);
// Forgets every request still awaited of the Read Settings chain (and the bytes gathered for
// it, in instring or still in the serial port), so that no later reply is taken for one of them.
void forget_awaited(MainState& s, Transport& transport);

class Receiver {
public:
    Receiver(MainWindow& main, Transport& transport, Connection& connection,
             platform::Dialogs& dialogs);
    Receiver(const Receiver&) = delete;
    Receiver& operator=(const Receiver&) = delete;

    // The serial port's notification: at least the threshold's worth of bytes wait.
    void serial_arrived();
    // The socket's data arrival.
    void socket_arrived();

    // Replies handed on to the functions that asked for them.
    std::function<void(const std::string&)> boot_reply;
    std::function<void(const std::string&, Via)> settings_block;
    std::function<void(const std::string&, Via)> reversal_flags;

    // Raised after every complete reply has been handled, and after every socket arrival with
    // the bytes that arrived (a sequence that owns the link takes them as its answer).
    ui::Signal<> replied;
    ui::Signal<const std::string&> after_socket_arrival;

    // Sends a follow-up request back over the transport the reply came on.
    void send_back(std::string_view bytes, Via via);

private:
    void accumulate(const std::string& arrived, Via via);
    void dispatch(const std::string& reply, Via via);
    void product_code(const std::string& reply, Via via);
    void firmware_version(const std::string& reply, Via via);
    void identification(const std::string& reply, Via via);
    void generation(std::int16_t ver);
    void reject(Via via);
    void found(const std::string& what);

    MainWindow& main_;
    MainState& s_;
    Transport& transport_;
    Connection& connection_;
    platform::Dialogs& dialogs_;
};

}  // namespace orv::link
