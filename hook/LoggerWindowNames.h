// The loggers' windows as the readers and the logger link find them: class names, titles and
// places in the lists of children. They are the loggers' own, so they are named once here for the
// hook library and the main program alike. Portable: no <windows.h>.
#pragma once

namespace tandem {

// The form and text-box classes of the loggers built with the same toolkit: N1MM Logger's entry
// window is such a form, and so is the Logger32 entry form.
constexpr char kThunderFormClass[] = "ThunderRT6FormDC";
constexpr char kThunderTextBoxClass[] = "ThunderRT6TextBox";

// N1MM Logger: the entry window's child (counted from 0) that holds the mode check control,
// which also tells the bank.
constexpr int kN1mmModeCheckChild = 26;

// Turbo HAMLOG/Win: the main form, and the save button among the input window's children.
constexpr char kHamlogMainFormClass[] = "TForm_A";
constexpr char kHamlogButtonClass[] = "TButton";
constexpr char kHamlogSaveTitle[] = "&Save";
// Children looked at after the check control for the save button.
constexpr int kHamlogSaveSearchLimit = 64;
// Top-level main forms looked at when asking whether a process owns one; a process with more
// than this many windows of that class ahead of its own is not taken for the logger.
constexpr int kHamlogMainFormSearchLimit = 32;

// Logger32: the frame, and the MDI client the entry form lives in.
constexpr char kLogger32FrameClass[] = "ThunderRT6MDIForm";
constexpr char kLogger32FrameTitle[] = "Logger32";
constexpr char kLogger32ClientClass[] = "MDIClient";

}  // namespace tandem
