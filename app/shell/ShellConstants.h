// Constants of the application shell: start-up, frame geometry, settings locations of the
// frame's own window state. Control and command ids are in resource.h.
#pragma once

#include "KeyRules.h"

namespace shell {

// Window property that marks the running instance's main window.
constexpr char kInstanceProperty[] = "TandemHlUniq";
// The named object that the running instance holds from the first moment of its start to its
// end, so that of two starts close together only one goes on; and how long a later start waits
// for the first one's window to come to the front.
constexpr char kInstanceMarkName[] = "Local\\TandemHlInstance";
constexpr unsigned kInstanceWaitMs = 15000;
constexpr unsigned kInstanceWaitStepMs = 50;
// The settings file, in the working directory at start-up.
constexpr char kSettingsFileName[] = "Tandem.ini";
// Room for the settings path, terminating zero included (the system's path limit).
constexpr unsigned kPathBufferSize = 260;

// Frame window: style (caption, system menu, sizing border, minimise box), default size and
// the lowest height a border drag may leave.
constexpr unsigned long kFrameStyle = 0x00CE0000UL;
constexpr int kDefaultWidth = 729;
constexpr int kDefaultHeight = 150;
constexpr int kMinHeight = 120;

// Saved at every close request: the placement record and the bar layout.
constexpr unsigned kPlacementSize = 44;
constexpr char kBarStatePrefix[] = "ToolBar";

// The hook's action value when key operations in the logger are to be ignored.
constexpr unsigned kHookActionIgnoreKeys = tandem::kActionOff;

// The manual, opened with the text editor, looked up from the working directory.
constexpr char kManualEditor[] = "notepad.exe";
constexpr char kManualFile[] = "Tandem.txt";

// The status-bar text while no keyer has told its version.
constexpr char kVersionUnknown[] = "KEYPORT Ver.?";

}  // namespace shell
