// How the page, its controls and the filter talk: window messages in the user
// range, the command id under which the filter notifies the page, the control
// ids and the window class names. No Windows header needed, so portable code
// and tests can name them too.
#pragma once

#include <cstdint>

namespace orkv::editor {

// Knob and slider: messages they accept.
inline constexpr unsigned CTL_SET_MIN = 0x0401;
inline constexpr unsigned CTL_SET_MAX = 0x0402;
inline constexpr unsigned CTL_SET_VALUE = 0x0403;
inline constexpr unsigned CTL_GET_VALUE = 0x0404;
inline constexpr unsigned CTL_SET_TAG = 0x0405;
inline constexpr unsigned CTL_SET_TARGET = 0x0465;
// Knob and slider: notifications to their parent.
inline constexpr unsigned CTL_VALUE_CHANGED = 0x0407;
inline constexpr unsigned CTL_DRAG_ENDED = 0x0408;

// Display: messages it accepts (the same numbers as the controls', for a
// different window class).
inline constexpr unsigned DISPLAY_SET_MODE = 0x0401;
inline constexpr unsigned DISPLAY_GET_MODE = 0x0402;
inline constexpr unsigned DISPLAY_SET_NAME = 0x0403;

// Display to page: the intro has typed both lines.
inline constexpr unsigned PAGE_INTRO_DONE = 0x0466;

// The WM_COMMAND id under which the filter notifies the page of format
// changes and loaded settings; the event code is in the high word.
inline constexpr std::uint16_t PAGE_NOTIFY_ID = 32700;

// Context menu commands.
inline constexpr std::uint16_t IDM_HELP = 40001;
inline constexpr std::uint16_t IDM_ABOUT = 40002;

// Control ids on the page, the same in every plug-in; a plug-in without a
// control lacks its id.
inline constexpr int kLevelSlider = 101;
inline constexpr int kFreqKnob = 102;
inline constexpr int kDepthKnob = 103;
inline constexpr int kRateKnob = 104;
inline constexpr int kMixKnob = 105;
inline constexpr int kDegreeKnob = 106;
inline constexpr int kFeedKnob = 107;
inline constexpr int kDisplay = 108;

// Window classes.
inline constexpr const char* kKnobClass = "OR_KNOB_CONTROL";
inline constexpr const char* kSliderClass = "OR_SLIDER_CONTROL";
inline constexpr const char* kDisplayClass = "OR_DISPLAY_CONTROL";

}  // namespace orkv::editor
