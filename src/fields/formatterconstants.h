#pragma once
// Flags of the Formatter operations; combine them by addition or bitwise or.
namespace modFormatterConstants {
inline constexpr int fmtBeep = 1;         // a failed field check sounds the beep
inline constexpr int fmtSetFocus = 2;     // a failed field check gives the focus back
inline constexpr int fmtRequired = 4;     // an empty text is invalid
inline constexpr int fmtShowMessage = 8;  // a failed field check shows a message
inline constexpr int fmtShowZero = 16;    // currency: zero is written as an amount, not emptied
inline constexpr int fmtCheckRange = 32;  // FormatLong/FormatIntegerOnly compare with the limits
}  // namespace modFormatterConstants
