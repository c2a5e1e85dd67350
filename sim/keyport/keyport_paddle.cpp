// Works the keyer emulator's paddle from another process:
//
//   keyport_paddle [--pid N] TEXT...            key the characters of TEXT on the paddle
//   keyport_paddle [--pid N] --contacts GROUPS  '.' dot paddle, '-' dash paddle, e.g. "-.- .-"
//
// --pid picks the emulator loaded by that process when several programs have it loaded.
// Exit status: 0 taken, 1 usage, 2 no emulator with an open device, 3 input refused.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "KeyportControl.h"

int main(int argc, char** argv) {
    unsigned long pid = 0;
    DWORD command = KEYPORT_CTL_PADDLE_TEXT;
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--pid") == 0 && i + 1 < argc) {
            pid = std::strtoul(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--contacts") == 0) {
            command = KEYPORT_CTL_PADDLE_CONTACTS;
        } else {
            if (!text.empty()) text += ' ';
            text += argv[i];
        }
    }
    if (text.empty()) {
        std::fprintf(stderr, "usage: keyport_paddle [--pid N] [--contacts] TEXT...\n");
        return 1;
    }
    HWND window = nullptr;
    if (pid != 0) {
        char title[64];
        std::snprintf(title, sizeof title, KEYPORT_CONTROL_TITLE_PREFIX "%lu", pid);
        window = FindWindowA(KEYPORT_CONTROL_CLASS, title);
    } else {
        window = FindWindowA(KEYPORT_CONTROL_CLASS, nullptr);
    }
    if (window == nullptr) {
        std::fprintf(stderr, "keyport_paddle: no keyer emulator with an open device\n");
        return 2;
    }
    COPYDATASTRUCT data{};
    data.dwData = command;
    data.cbData = static_cast<DWORD>(text.size());
    data.lpData = &text[0];
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 5000, &answer) ||
        answer != 1) {
        std::fprintf(stderr, "keyport_paddle: the emulator refused \"%s\"\n", text.c_str());
        return 3;
    }
    return 0;
}
