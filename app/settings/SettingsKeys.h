// Sections and keys of the settings file, named once.
#pragma once

namespace settings {

constexpr char kBankA[] = "Bank-A";
constexpr char kBankB[] = "Bank-B";
constexpr char kKeyer[] = "Keyer";
constexpr char kProfile[] = "Profile";
constexpr char kWindow[] = "Window";

constexpr char kWpm[] = "WPM";
constexpr char kCqInterval[] = "CQ_INT";
constexpr char kSubst0[] = "0";
constexpr char kSubst1[] = "1";
constexpr char kSubst9[] = "9";
constexpr char kMyCall[] = "MyCallSign";
constexpr char kNumber[] = "No";
constexpr char kPtt[] = "PTT";
constexpr char kPttCqMachine[] = "PTT_CQ_machine";
constexpr char kPttDelayP[] = "PTTDelayP";
constexpr char kPttDelayA[] = "PTTDelayA";
constexpr char kPaddleRvs[] = "PaddleRvs";
constexpr char kPaddleKbd[] = "PaddleKbd";
constexpr char kSideTone[] = "SideTone";
constexpr char kToneLevel[] = "ToneLevel";
constexpr char kCwAlways[] = "CwAlways";
constexpr char kHookAnyway[] = "HookAnyway";
constexpr char kViewTop[] = "ViewTop";
constexpr char kFn12[] = "Fn12";
constexpr char kZLogKey[] = "zLogKey";
constexpr char kSpyHlKey[] = "SpyHlKey";
constexpr char kFollowLogger[] = "FollowLogger";
constexpr char kLogTime[] = "LogTime";
constexpr char kEndGM[] = "end_GM";
constexpr char kEndGA[] = "end_GA";
constexpr char kEndGE[] = "end_GE";
constexpr char kWeightDot[] = "WeightDot";
constexpr char kWeightDash[] = "WeightDash";
constexpr char kCloseAnyway[] = "CloseAnyway";
constexpr char kPlacement[] = "pos";  // the main window's placement record, in kWindow

}  // namespace settings
