// How tests and the demo talk to the logger stand-in, which runs as a process of its own.
//
// Modes: by default the stand-in shows N1MM Logger's entry window. With --hamlog it shows Turbo
// HAMLOG/Win's main form and input window instead, with --logger32 Logger32's frame and entry
// window; the commands then act on that logger's windows ("entry" is the window one types in).
//
// Commands: WM_COPYDATA to the stand-in's hidden control window (class kControlClass), dwData 0,
// the command as text without a terminator; the result comes back as the message's result:
//   text <box> <text...>   set a box's text (box: call report exchange free anchor; in the
//                          other modes also mode keys4 further, keys7 (hamlog), next (logger32))
//   focus <box>            bring the entry window to the front and give the box the focus
//   foreground             bring the entry window to the front
//   foreground-second      bring the second form (started with --second-form) to the front;
//                          in hamlog mode the main form
//   check <0|1|2>          set the mode check control; "getcheck" returns its state
//   move <x> <y>           move the entry window
//   post <box|entry> <message> <wParam>   post a message (numbers in decimal) to a window
//   bench <message> <n>    post n messages to the call box and retrieve them; returns the
//                          average cost of one post and retrieval in picoseconds
//   bench-longest <message> <ms>   post and retrieve one message after the other for ms
//                          (1..60000); returns the longest single post and retrieval in
//                          microseconds
//   post-stamped <box|entry> <message> <wParam>   as post; returns the performance counter
//                          read just before the post (0 when it failed); a 32-bit build's
//                          result holds the counter's low 32 bits only
//   copydata <hwnd> <n>    send n empty WM_COPYDATA messages to a window (handle in decimal) and
//                          return the average round trip in nanoseconds
//   cqmachine-play         the CQ machine window (started with --cq-machine) shows its stop
//                          button, as while a recording plays; 0 without that window
//   cqmachine-stop         it hides the button, as when playback ends
//   getfocus               the box that has the keyboard focus (Box below; 0 for none)
//   hwnd                   the handle of the window one types in; "hwnd main" the main form
//   remove-entry           (logger32) close the entry window, leaving the frame
//   hamlog-rebuild         (hamlog) make the input window's children anew, in the same places
//   hamlog-save-title <t>  (hamlog) give the input window's save button the title t
//   ready                  1 once every window exists
//   hang <ms>              answer, then keep the stand-in's thread busy for ms (1..60000), as a
//                          busy logger that does not look at its messages
//   quit                   close the stand-in
// Unknown commands return kUnknownCommand.
//
// What the stand-in's threads retrieve: every keyboard message, null message, F1 request, mouse
// button and system command that the stand-in's message loop retrieves is appended, after the
// message hooks have run, to a log in the named shared memory kLogName + "." + process id. A
// null message there is a key that a hook kept from the stand-in; its code still names the key.
#pragma once

#include <cstdint>

namespace loggersim {

constexpr char kControlClass[] = "TandemLoggerSimControl";
constexpr char kLogName[] = "TandemLoggerSimLog";
constexpr std::intptr_t kUnknownCommand = -1;
constexpr std::uint32_t kLogCapacity = 8192;

// Box identifiers in the log: which of the stand-in's windows the message was for.
enum Box : std::uint32_t {
  kBoxOther = 0, kBoxCall = 1, kBoxReport = 2, kBoxExchange = 5, kBoxFree = 6, kBoxAnchor = 9,
  kBoxEntry = 10, kBoxSecondForm = 11,
  // The other loggers' boxes.
  kBoxMode = 3, kBoxKeys4 = 4, kBoxKeys7 = 7, kBoxFurther = 8, kBoxNext = 12,
};

struct LogEntry {
  std::uint32_t message;
  std::uint32_t code;   // the message's wParam, cut to 32 bits
  std::uint32_t box;
  std::uint32_t time;   // tick count in ms when the message loop retrieved it
};

struct Log {
  volatile std::int32_t count;  // entries written; an entry is complete before count covers it
  LogEntry entries[kLogCapacity];
};

}  // namespace loggersim
