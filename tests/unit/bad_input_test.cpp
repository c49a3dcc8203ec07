// Every text box tried with texts a user might type by mistake: nothing crashes, and whatever
// goes on the wire is a well-formed command of the box.

#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "fakes/rig.h"

namespace {

using namespace orv::fake;
using orv::platform::Answer;

const std::vector<std::string>& bad_texts() {
    static const std::vector<std::string> texts = {
        "", " ", "abc", "  12  ", "+7", "-5", "-0", "+-5", "12.5", ".5", "5.", "1e3", "1,5",
        "0x10", "1" + std::string(400, '0'), "-" + std::string(40, '9'), "\xc3\x9c" "n" "\xc3\xaf" "c" "\xc3\xb8" "d" "\xc3\xa9" " " "\xc2\xbd" " " "\xe2\x82\xac",
        std::string(10000, '7'), std::string(10000, 'x'), std::string("\x00\x01#", 3), "##", "127.6",
        "65535.5", "32767", "32768", "9999", "10000"};
    return texts;
}

// One command the box knows, whole.
bool well_formed(const std::string& c, const std::string& pulse_text) {
    static const std::regex fixed(
        "#M[nsew]#|#Q[nsew]?#|#F[+\\-Q]#|#XP[01]#|#gRV#|#gET#|#GVP#|#GVN#|GVn#|GVN#|#gCh#|"
        "#ASM[01]#|#SEQ[01]#|ROB#");
    if (std::regex_match(c, fixed)) return true;
    if (c.size() == 6 && c.back() == '#') {
        const std::string head = c.substr(0, 4);
        const auto b = static_cast<unsigned char>(c[4]);
        if ((head == "#sCh" || head == "#rCh") && b < 128) return true;
        if ((head == "#rRA" || head == "#rDE") && b <= 1) return true;
        if (std::regex_match(c.substr(0, 3), std::regex("#T[1-5d]"))) return true;
    }
    // A guide pulse carries the pulse box's text as typed, under five characters.
    if (c.size() >= 5 && c.compare(0, 3, "#Mg") == 0 && c.back() == '#' &&
        std::string("nsew").find(c[3]) != std::string::npos)
        return c.substr(4, c.size() - 5) == pulse_text && pulse_text.size() < 5;
    return false;
}

// Presses every button that reads the box's text, answering every question with Yes and
// acknowledging whatever waits for an acknowledgement.
void press_everything(ConnectedRig& r) {
    auto& m = r.main;
    r.dialogs.answers.assign(8, Answer::Yes);
    r.dialogs.inputs.assign(3, std::string());
    m.write_channel.click();
    m.write_to_remote.click();
    for (auto* arrow : {&m.slew_up, &m.slew_right, &m.slew_down, &m.slew_left}) {
        arrow->press();
        arrow->release();
    }
    m.focus_up.press();
    r.clock.advance(30);
    m.focus_up.release();
    m.goto_setpoint[0].click();
    r.clock.advance(50);
    m.goto_setpoint[1].click();
    r.clock.advance(50);
    m.focus_down.press();
    m.focus_down.release();
    m.set_setpoint[0].click();
    m.write_settings.click();
    for (int i = 0; i < 12 && r.program.settings_write.running(); ++i) r.serial.arrive("#");
    r.clock.advance(4000);
    m.auto_shutter.click();
    r.clock.advance(3000);
    if (m.auto_shutter.caption() != "Auto Shutter START") m.auto_shutter.click();
    m.firmware_upload.click();
}

// The boxes a user types into, in the order the window lists them.
std::vector<orv::ui::TextBox*> typed_boxes(orv::MainWindow& m) {
    std::vector<orv::ui::TextBox*> out;
    for (auto* c : m.all_controls())
        if (auto* t = dynamic_cast<orv::ui::TextBox*>(c);
            t != nullptr && !t->read_only() && t != &m.command_box)
            out.push_back(t);
    return out;
}

TEST(BadInput, EveryBoxWithEveryMistakeSendsOnlyWellFormedCommands) {
    ConnectedRig probe;
    const std::size_t count = typed_boxes(probe.main).size();
    ASSERT_GE(count, 15u);
    std::set<std::string> seen;  // the kinds of command the presses did send
    for (std::size_t b = 0; b < count; ++b) {
        for (const std::string& text : bad_texts()) {
            ConnectedRig r;
            auto& m = r.main;
            // Every other box holds a good value, so each press gets as far as it can.
            for (auto& t : m.time_boxes) {
                t.set_enabled(true);
                t.set_text("10");
            }
            const std::pair<orv::ui::TextBox*, const char*> good[] = {
                {&m.channel_box, "12"},       {&m.exposure_secs, "2"},
                {&m.exposure_gap, "1"},       {&m.exposure_count, "2"},
                {&m.setpoint_box[0], "4990"}, {&m.setpoint_box[1], "5010"}};
            for (const auto& [box, value] : good) box->set_text(value);
            orv::ui::TextBox* box = typed_boxes(m)[b];
            box->set_text(text);  // typing a pulse time also switches pulse mode on
            press_everything(r);
            for (const auto& [path, bytes] : r.serial.writes) {
                seen.insert(bytes.substr(0, 3));
                EXPECT_TRUE(well_formed(bytes, m.pulse_time.text()))
                    << box->name() << " holding \"" << text.substr(0, 20) << "\" sent \""
                    << bytes.substr(0, 20) << "\"";
            }
        }
    }
    // The presses reached every kind of command that reads a box.
    for (const char* kind : {"#sC", "#rC", "#Mg", "#Ms", "#F+", "#FQ", "#T1", "#Td", "#XP"})
        EXPECT_TRUE(seen.count(kind)) << kind;
}

}  // namespace
