#pragma once
// Every text the program sends to the box and every reply text it compares with.
//
// Commands are short texts of 8-bit characters, written exactly as they stand: nothing is
// added, nothing escaped. Most begin and end with "#"; a parameter (decimal digits or raw byte
// values) stands between the command word and the final "#". The identification questions and
// the boot loader's words begin without "#".

namespace orv::link {

// --- identification ---
// The first question after a link opens: "are you an Orvantis?".
inline constexpr const char* kAskIdentity = "GVn#";
// Asked when the first question got no answer within a second: the firmware version, as an
// LX200-style controller answers it.
inline constexpr const char* kAskFirmwareVersion = "GVN#";
// The same two questions as Read Settings asks them at its end.
inline constexpr const char* kAskProductCode = "#GVP#";
inline constexpr const char* kAskFirmwareVersionFramed = "#GVN#";

// Replies that tell the box's generation. Over the serial port the generation-2 replies are
// recognised by their first three characters; over TCP only the whole reply counts.
inline constexpr const char* kGeneration1Reply = "11.1#";
inline constexpr const char* kGeneration2Prefix = "1.2";
inline constexpr const char* kGeneration2Reply = "1.20#";
inline constexpr const char* kEmulatorPrefix = "2.2";  // an Orvantis emulating an LX200
inline constexpr const char* kEmulatorReply = "2.20#";
// A firmware version that is generation 2 but is not taken as an identification reply.
inline constexpr const char* kGeneration2Firmware = "30Eg#";

// --- device settings ---
inline constexpr const char* kReadReversalFlags = "#gRV#";  // reply: one flags byte and "#"
inline constexpr const char* kReadSettingsBlock = "#gET#";  // reply: the settings block
// Settings writes: the command word, the value, then kEnd.
inline constexpr const char* kWriteRevRa = "#rRA";
inline constexpr const char* kWriteRevDec = "#rDE";
// Time #1 to Time #5, then Exp. Gap.
inline constexpr const char* kWriteTime[6] = {"#T1", "#T2", "#T3", "#T4", "#T5", "#Td"};
inline constexpr const char* kAutoStarOn = "#ASM1#";
inline constexpr const char* kAutoStarOff = "#ASM0#";
inline constexpr const char* kSequentialOn = "#SEQ1#";
inline constexpr const char* kSequentialOff = "#SEQ0#";

// --- RF channel ---
inline constexpr const char* kReadChannel = "#gCh#";
inline constexpr const char* kWriteChannel = "#sCh";        // then the channel byte and kEnd
inline constexpr const char* kWriteRemoteChannel = "#rCh";  // then the channel byte and kEnd

// --- mount ---
inline constexpr const char* kMove = "#M";         // then the direction letter and kEnd
inline constexpr const char* kStopMove = "#Q";     // then the direction letter and kEnd
inline constexpr const char* kGuidePulse = "#Mg";  // then the letter, the milliseconds and kEnd
inline constexpr const char* kStopAll = "#Q#";

// --- focuser ---
// Run the focuser while the position counts up, or down.
inline constexpr const char* kFocusUp = "#F+#";
inline constexpr const char* kFocusDown = "#F-#";
inline constexpr const char* kFocusStop = "#FQ#";

// --- camera shutter ---
inline constexpr const char* kShutterOpen = "#XP1#";
inline constexpr const char* kShutterClose = "#XP0#";

// --- boot loader ---
inline constexpr const char* kBootUp = "ROB#";
// Replies to kBootUp begin with one of these.
inline constexpr char kBootNotReady = '1';
inline constexpr char kBootReady = '2';
// After the last block: over the serial port asks for the memory back; over TCP, twice,
// closes the boot loader.
inline constexpr const char* kReadBack = "A";
inline constexpr const char* kCloseBootLoader = "AAAA";

inline constexpr const char* kEnd = "#";

// --- receive thresholds: the serial port notifies once this many bytes wait ---
inline constexpr int kEveryByte = 1;
// The settings block: six 16-bit times and "#", and on generation 2 two flag bytes more.
inline constexpr int kGen1BlockLength = 13;
inline constexpr int kGen2BlockLength = 15;
// Far above anything the boot loader sends: while programming nothing reaches the receiver.
inline constexpr int kProgrammingThreshold = 30000;

constexpr bool awaits_settings_block(int threshold) {
    return threshold == kGen1BlockLength || threshold == kGen2BlockLength;
}

}  // namespace orv::link
