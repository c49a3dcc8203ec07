#pragma once
// The main window, "Orvantis Utility x.21": its controls, their initial state, and the one
// operation that switches the device controls on and off.

#include <string>
#include <vector>

#include "platform/controls.h"
#include "shell/main_state.h"

namespace orv {

inline constexpr const char* kMainTitle = "Orvantis Utility x.21";
inline constexpr std::uint32_t kRed = 255;
inline constexpr std::uint32_t kGreen = 65280;

class MainWindow : public ui::Window {
public:
    MainWindow();

    // Switches the device buttons for the given device type ("orvantis" or "lx200"); see the
    // source for which and in what order.
    void enable_controls(bool enable, const std::string& device_type);
    // WRITE and "Write to Remote" are usable only while the channel box holds a number.
    void channel_box_rule();

    MainState state;
    // Raised when whatever the program keeps running on the box must stop now, while the link
    // can still carry the stop: just before the link closes (DISCONNECT, a failed
    // identification, a lost link) and before the boot loader takes the link over.
    ui::Signal<> stop_runs;

    // connection
    ui::Label lblPort{"lblPort"};
    ui::ComboBox Combo1{"Combo1"};
    ui::Button Command8{"Command8"};
    ui::Button Command24{"Command24"};
    ui::Label lblOrvan{"lblOrvan"};
    ui::TextBox orvan{"orvan"};
    // RF channel
    ui::Label lblChannel{"lblChannel"};
    ui::TextBox Text1{"Text1"};
    ui::Button Command9{"Command9"};
    ui::Button Command10{"Command10"};
    ui::Button Command11{"Command11"};
    // slew
    ui::Label lblSlew{"lblSlew"};
    ui::Button Command1{"Command1"};
    ui::Button Command2{"Command2"};
    ui::Button Command3{"Command3"};
    ui::Button Command4{"Command4"};
    ui::Button Command5{"Command5"};
    ui::CheckBox Check1{"Check1"};
    ui::TextBox pg_time{"pg_time"};
    ui::Label lblMs{"lblMs"};
    // focus
    ui::Button Command6{"Command6"};
    ui::Button Command7{"Command7"};
    ui::TextBox Text13{"Text13"};
    ui::Label lblSetpoints{"lblSetpoints"};
    ui::TextBox Text14{"Text14"};
    ui::TextBox Text15{"Text15"};
    ui::ScrollBar VScroll1{"VScroll1"};
    ui::ScrollBar VScroll2{"VScroll2"};
    ui::Button Command20{"Command20"};
    ui::Button Command21{"Command21"};
    ui::Button Command22{"Command22"};
    ui::Button Command23{"Command23"};
    ui::Label lblIncrement{"lblIncrement"};
    ui::TextBox Text16{"Text16"};
    // firmware
    ui::TextBox Text8{"Text8"};
    ui::Button Command15{"Command15"};
    // direct commands
    ui::Label lblDirect{"lblDirect"};
    ui::TextBox Text12{"Text12"};
    ui::Button Command19{"Command19"};
    // device settings
    ui::Button Command13{"Command13"};
    ui::Button Command14{"Command14"};
    ui::Label lblCode{"lblCode"};
    ui::TextBox code{"code"};
    ui::Label lblFirm{"lblFirm"};
    ui::TextBox firm{"firm"};
    ui::Label lblReversal{"lblReversal"};
    ui::CheckBox CheckRA{"CheckRA"};
    ui::CheckBox CheckDEC{"CheckDEC"};
    ui::Label lblExposure{"lblExposure"};
    ui::TextBox Text2{"Text2"};
    ui::TextBox Text3{"Text3"};
    ui::TextBox Text4{"Text4"};
    ui::TextBox Text5{"Text5"};
    ui::TextBox Text6{"Text6"};
    ui::TextBox Text7{"Text7"};
    ui::Label lblTime[6] = {ui::Label{"lblTime1"}, ui::Label{"lblTime2"}, ui::Label{"lblTime3"},
                            ui::Label{"lblTime4"}, ui::Label{"lblTime5"}, ui::Label{"lblGap"}};
    ui::Label lblAutoStar{"lblAutoStar"};
    ui::CheckBox Check2{"Check2"};
    ui::Label lblSequential{"lblSequential"};
    ui::CheckBox Check3{"Check3"};
    // shutter
    ui::Label lblShutter{"lblShutter"};
    ui::Button Command16{"Command16"};
    ui::Button Command17{"Command17"};
    ui::Button Command18{"Command18"};
    ui::Label lblExpSecs{"lblExpSecs"};
    ui::TextBox Text9{"Text9"};
    ui::Label lblExpGap{"lblExpGap"};
    ui::TextBox Text10{"Text10"};
    ui::Label lblExpCount{"lblExpCount"};
    ui::TextBox Text11{"Text11"};
    ui::Label stime{"stime"};
    ui::Label scount{"scount"};
    ui::Shape Shape1{"Shape1"};
    // exit
    ui::Button Command12{"Command12"};

    // The six time boxes of the settings panel, Time #1 to Time #5 and Exp. Gap.
    ui::TextBox* time_boxes[6] = {&Text2, &Text3, &Text4, &Text5, &Text6, &Text7};

    // Every control, for checks that walk the whole window.
    std::vector<ui::Control*> all_controls();
};

}  // namespace orv
