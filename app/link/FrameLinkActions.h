// Carries out a decision of the logger link on the main frame: the one place where the link's
// actions meet the frame's operations, shared by the entry-record handler and the shortcuts.
#pragma once

#include "KeyActions.h"

class CMainFrame;

void CarryOutLinkAction(CMainFrame& frame, const tandem::link::KeyAction& action);
