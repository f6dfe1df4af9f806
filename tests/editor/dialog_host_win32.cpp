// A Windows host that opens the address editor through ZanMain command 16 and works the dialog
// from a second thread through its controls. Usage: editor_dialog_test <work directory>
// [<handshake directory>]; with the latter, the open dialog's screen rectangle goes to
// <dir>/dialog-open and the test waits for <dir>/shot-taken (see run_dialog_test.sh).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "e2e/e2e_support.h"
#include "support/environment.h"

using namespace zan::e2e;

namespace {

std::string handshake;

// Polls until `ready` holds, for at most about 60 s: the dialog lives on another thread.
bool Await(const std::function<bool()>& ready) {
  for (int i = 0; i < 1200; ++i) {
    if (ready()) return true;
    Sleep(50);
  }
  return false;
}

HWND AwaitWindow(const char* caption) {
  HWND found = nullptr;
  Await([&] { return (found = FindWindowA("#32770", caption)) && IsWindowVisible(found); });
  Check(found != nullptr, std::string("window \"") + caption + "\" appears");
  return found;
}

std::string Text(HWND window, int control = 0) {
  char text[64] = {};
  GetWindowTextA(control != 0 ? GetDlgItem(window, control) : window, text, sizeof text);
  return text;
}

void Command(HWND dialog, int control, int code) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(control, code),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, control)));
}

// Sends `message` to the dialog as control `control` sends it.
void Notify(HWND dialog, UINT message, WPARAM wParam, int control) {
  SendMessageA(dialog, message, wParam, reinterpret_cast<LPARAM>(GetDlgItem(dialog, control)));
}

void Choose(HWND dialog, int list, int entry) {
  SendDlgItemMessageA(dialog, list, CB_SETCURSEL, entry, 0);
  Notify(dialog, WM_COMMAND, MAKEWPARAM(list, CBN_SELCHANGE), list);
}

// Every control with an id at the template's place, with its class and style.
void CheckTemplate(HWND dialog) {
  // clang-format off
  const struct {
    int id; const char* className; LONG mask, style;  // mask: the bits of the style compared
    bool border;
    RECT units;  // x, y, width, height; the height of a combo box is that of its open list
  } controls[] = {
      {1, "Button", BS_TYPEMASK, BS_DEFPUSHBUTTON, false, {61, 208, 50, 14}},
      {2, "Button", BS_TYPEMASK, BS_PUSHBUTTON, false, {153, 208, 50, 14}},
      {1000, "ComboBox", 3, CBS_DROPDOWNLIST, false, {77, 17, 43, 0}},
      {1001, "ComboBox", 3, CBS_DROPDOWN, false, {97, 51, 64, 0}},
      {1002, "ComboBox", 3, CBS_DROPDOWN, false, {97, 79, 64, 0}},
      {1004, "Edit", ES_CENTER | ES_NUMBER, ES_CENTER | ES_NUMBER, true, {115, 111, 25, 12}},
      {1005, "Edit", ES_CENTER | ES_NUMBER, ES_CENTER | ES_NUMBER, true, {115, 134, 33, 12}},
      {1006, "Edit", ES_CENTER | ES_NUMBER, ES_CENTER | ES_NUMBER, true, {115, 157, 19, 12}},
      {1007, "ScrollBar", SBS_VERT, SBS_VERT, false, {139, 111, 10, 12}},
      {1008, "ScrollBar", SBS_VERT, SBS_VERT, false, {147, 134, 10, 12}},
      {1009, "ScrollBar", SBS_VERT, SBS_VERT, false, {133, 157, 10, 12}},
      {1010, "Edit", ES_READONLY, ES_READONLY, false, {43, 159, 54, 12}},
      {1011, "Edit", ES_READONLY, ES_READONLY, false, {173, 159, 40, 12}},
      {1012, "Edit", ES_READONLY, ES_READONLY, false, {173, 111, 47, 12}},
  };
  // clang-format on
  RECT size = {0, 0, 259, 238};
  MapDialogRect(dialog, &size);
  RECT client;
  GetClientRect(dialog, &client);
  Check(client.right == size.right && client.bottom == size.bottom, "dialog is 259 x 238 units");
  Check(Text(dialog) == "Dialog", "caption \"Dialog\"");
  for (const auto& c : controls) {
    const std::string what = "control " + std::to_string(c.id);
    HWND control = GetDlgItem(dialog, c.id);
    char className[32] = {};
    GetClassNameA(control, className, sizeof className);
    Check(_stricmp(className, c.className) == 0, what + " is a " + c.className);
    Check((GetWindowLongA(control, GWL_STYLE) & c.mask) == c.style, what + " style");
    // An edit field draws its border as a sunken edge.
    Check(((GetWindowLongA(control, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0) == c.border,
          what + " border");
    // The dialog manager maps place and size each on its own.
    RECT want = c.units;
    MapDialogRect(dialog, &want);
    RECT at;
    GetWindowRect(control, &at);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&at), 2);
    Check(at.left == want.left && at.top == want.top && at.right - at.left == want.right &&
              (c.units.bottom == 0 || at.bottom - at.top == want.bottom),
          what + " position");
  }
}

// Lets the photographer take the open dialog.
void Photograph(HWND dialog) {
  if (handshake.empty()) return;
  RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Sleep(500);
  RECT at;
  GetWindowRect(dialog, &at);
  std::ofstream(handshake + "/dialog-open.tmp")
      << at.right - at.left + 16 << "x" << at.bottom - at.top + 16 << "+"
      << std::max<LONG>(at.left - 8, 0) << "+" << std::max<LONG>(at.top - 8, 0) << "\n";
  std::filesystem::rename(handshake + "/dialog-open.tmp", handshake + "/dialog-open");
  Check(Await([] { return std::filesystem::exists(handshake + "/shot-taken"); }), "photographed");
}

// Opens the editor on `address` while `user` works the dialog from a second thread.
std::string Edit(ZanMainFunction zanMain, HWND owner, const char* address, int32_t expected,
                 const std::function<void(HWND)>& user) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%s", address);
  TagDefinition argument{};
  argument.addressText = buffer;
  argument.tagId = static_cast<int32_t>(reinterpret_cast<uintptr_t>(owner));
  std::thread worker([&] { user(AwaitWindow("Dialog")); });
  Check(Send(zanMain, kCommandAddressEditor, nullptr, &argument) == expected,
        std::string("command 16 on ") + address);
  worker.join();
  return buffer;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: editor_dialog_test <work directory> [<handshake directory>]\n");
    return 2;
  }
  if (argc > 2) handshake = std::filesystem::absolute(argv[2]).string();
  ZanMainFunction zanMain = LoadDriver();
  if (zanMain == nullptr) return 1;
  EnterWorkDirectory(argv[1]);
  std::ofstream("zanDOR01.INT") << "1=7,127.0.0.1,2\n2=5,127.0.0.2\n5=7,127.0.0.5\n";
  HMODULE driver = GetModuleHandleA("zanwndor.dll");
  Check(FindResourceExA(driver, MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(101), 1036) != nullptr,
        "template 101 in language 1036");
  HWND owner = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                               nullptr, nullptr, nullptr);

  std::string got = Edit(zanMain, owner, "01DW0100020", 0, [&](HWND dialog) {
    CheckTemplate(dialog);
    Check(GetWindow(dialog, GW_OWNER) == owner, "host 820: the host window owns the dialog");
    Check(Text(dialog, 1000) == "01" && Text(dialog, 1001) == "Data Block" &&
              Text(dialog, 1002) == "Word" && Text(dialog, 1004) == "010" &&
              Text(dialog, 1005) == "0020" && Text(dialog, 1006) == "" &&
              Text(dialog, 1010) == "Bit Number:" && Text(dialog, 1011) == "(00 - 15)" &&
              Text(dialog, 1012) == "(000 - 999)",
          "the example opens as described");
    char other[32] = "01MW0020";
    TagDefinition second{};
    second.addressText = other;
    Check(Send(zanMain, kCommandAddressEditor, nullptr, &second) == 53 &&
              std::strcmp(other, "01MW0020") == 0,
          "a second command 16 is turned away");
    Photograph(dialog);
    SetDlgItemTextA(dialog, 1006, "12");
    Command(dialog, IDOK, BN_CLICKED);
  });
  Check(got == "01DW010002012", "typed bit number composed: " + got);

  got = Edit(zanMain, owner, "01IB000203", 53, [&](HWND dialog) {
    Choose(dialog, 1001, 3);  // Flags
    Check(SendDlgItemMessageA(dialog, 1002, CB_GETCOUNT, 0, 0) == 2, "flags offer two types");
    Choose(dialog, 1002, 1);  // Word
    Check(!IsWindowEnabled(GetDlgItem(dialog, 1004)), "flags have no data block");
    Notify(dialog, WM_VSCROLL, SB_LINEDOWN, 1008);
    Check(Text(dialog, 1005) == "9999", "address spinner wraps down to 9999");
    Command(dialog, IDCANCEL, BN_CLICKED);
  });
  Check(got.empty(), "cancel leaves an empty text");

  zan::testing::SetEnvironment("KORPRO_VERSION", "819");
  got = Edit(zanMain, owner, "01SB010001020", 0, [&](HWND dialog) {
    Check(GetWindow(dialog, GW_OWNER) == nullptr, "host 819: the dialog has no owner");
    SetDlgItemTextA(dialog, 1006, "");
    Command(dialog, IDOK, BN_CLICKED);
    HWND box = AwaitWindow("Illegal Address");
    Check(FindWindowExA(box, nullptr, "Static", "      Missing String Lenght.      ") != nullptr,
          "missing length refused");
    Command(box, IDOK, BN_CLICKED);
    Check(Await([&] { return !IsWindow(box); }) && IsWindowVisible(dialog), "dialog stays open");
    SetDlgItemTextA(dialog, 1006, "20");
    Command(dialog, IDOK, BN_CLICKED);
  });
  Check(got == "01SB010001020", "string address composed: " + got);

  // What the parser would refuse for the chosen PLC is named on OK, and the dialog stays.
  got = Edit(zanMain, owner, "01DD0100005", 0, [&](HWND dialog) {
    Check(!IsWindowEnabled(GetDlgItem(dialog, 1006)), "a double word takes no bit number");
    Command(dialog, IDOK, BN_CLICKED);
    HWND box = AwaitWindow("Illegal Address");
    Check(FindWindowExA(box, nullptr, "Static",
                        "      Illegal Address Number: an S7 double word starts at an even byte.  "
                        "    ") != nullptr,
          "odd S7 double word refused with its cause");
    Command(box, IDOK, BN_CLICKED);
    Check(Await([&] { return !IsWindow(box); }) && IsWindowVisible(dialog), "dialog stays open");
    SetDlgItemTextA(dialog, 1005, "0008");
    Command(dialog, IDOK, BN_CLICKED);
  });
  Check(got == "01DD0100008", "even double word composed: " + got);

  // An S5 (PLC 2) is offered data blocks up to 255 and no data block bytes.
  got = Edit(zanMain, owner, "02DW0100020", 53, [&](HWND dialog) {
    Check(Text(dialog, 1012) == "(000 - 255)", "S5 data blocks up to 255");
    Check(SendDlgItemMessageA(dialog, 1002, CB_GETCOUNT, 0, 0) == 5 &&
              SendDlgItemMessageA(dialog, 1002, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                  reinterpret_cast<LPARAM>("Byte")) == CB_ERR,
          "S5 data block without bytes");
    Command(dialog, IDCANCEL, BN_CLICKED);
  });
  Check(got.empty(), "cancelled");

  if (Failures() == 0) std::printf("editor_dialog_test: all checks passed\n");
  return Failures() == 0 ? 0 : 1;
}
