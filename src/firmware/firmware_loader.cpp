#include "firmware/firmware_loader.h"

#include "firmware/hex_image.h"

namespace orv::firmware {

FirmwareLoader::FirmwareLoader(MainWindow& main, FirmwareWindow& window, platform::Dialogs& dialogs,
                               platform::FileReader& files, Store& store)
    : main_(main), window_(window), dialogs_(dialogs), files_(files), store_(store) {
    main_.firmware_upload.clicked.connect([this] { open_window(); });
    window_.browse.clicked.connect([this] { browse(); });
}

void FirmwareLoader::open_window() {
    if (main_.password_box.text() != kPassword) {
        dialogs_.message("Invalid Password\r\nContact Brenwick for Access", "");
        return;
    }
    window_.show();  // an open window only comes to the front, unchanged
}

void FirmwareLoader::browse() {
    const auto path = dialogs_.open_file("Select Hex File", kHexFilter, "*.hex");
    if (!path) return;  // cancelled: nothing changes
    std::string error;
    const auto text = files_.read(*path, error);
    if (!text) {
        dialogs_.message("The file " + *path + " cannot be read: " + error + ".", "");
        return;
    }
    // Checked before anything else: a file that cannot be programmed is refused here, before
    // BOOT UP can put the box into its boot loader for it.
    const ImageResult built = build_image(*text);
    if (!built.ok()) {
        dialogs_.message("The file " + *path + " cannot be used: " + built.problem +
                             "\rChoose another firmware file.",
                         "");
        return;
    }
    // BOOT UP belongs to the file whose code was confirmed, and this one is not yet.
    window_.confirmed = false;
    window_.boot_up.set_enabled(false);
    window_.program_button.set_enabled(false);
    window_.file_box.set_text(*path);
    window_.checksum = confirmation_sum(*text);
    window_.file_text = *text;
    for (std::string& line : list_lines(*text)) window_.file_lines.add_item(std::move(line));
    if (store_.read(kAppFocus, "dev") == "1")
        window_.reply_box.set_text(std::to_string(window_.checksum));
    confirm();
}

void FirmwareLoader::confirm() {
    const std::string code = std::to_string(window_.checksum);
    for (;;) {
        const auto answer = dialogs_.input("Enter Confirmation Code", "", 10, 10);
        if (!answer || answer->empty()) return;
        if (*answer == code) {
            window_.confirmed = true;
            window_.offer_boot_up(main_.state.link);
            return;
        }
        dialogs_.message("Invalid Confirmation Code. Re-Load file or contact Orvantis", "");
    }
}

}  // namespace orv::firmware
