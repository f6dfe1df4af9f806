#include "editor/text_form.h"

#include <cstdio>
#include <cstring>

#include "core/text_scan.h"
#include "editor/editor_form.h"

namespace zan::editor {
namespace {

constexpr int kCommandCapacity = 128;

constexpr const char* kHelp =
    "Commands: plc|area|type VALUE (choose an entry by its text or number), area|type =TEXT\n"
    "  (type into the list), db|addr|bit [TEXT] (type into a field), up|down db|addr|bit\n"
    "  (spinners), ok, cancel, help\n";

char LowerCase(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameWord(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (LowerCase(*a) != LowerCase(*b)) return false;
  }
  return *a == *b;
}

bool BeginsWith(const char* text, const char* prefix) {
  for (; *prefix != '\0'; ++text, ++prefix) {
    if (LowerCase(*text) != LowerCase(*prefix)) return false;
  }
  return true;
}

// The whole text as a decimal number; false when it holds anything else.
bool WholeNumber(const char* text, int32_t* number) {
  const char* cursor = text;
  if (*cursor < '0' || *cursor > '9') return false;
  return ScanDecimal(cursor, kUnlimitedWidth, number) && *cursor == '\0';
}

struct Field {
  const char* name;  // in commands
  int control;
  int spinner;
};

constexpr Field kFields[] = {
    {"db", kDataBlockField, kDataBlockSpinner},
    {"addr", kAddressField, kAddressSpinner},
    {"bit", kBitField, kBitSpinner},
};

const Field* FindField(const char* name) {
  for (const Field& field : kFields) {
    if (SameWord(field.name, name)) return &field;
  }
  return nullptr;
}

int FindList(const char* name) {
  if (SameWord(name, "plc")) return kPlcList;
  if (SameWord(name, "area")) return kAreaList;
  if (SameWord(name, "type")) return kTypeList;
  return 0;
}

class Form {
 public:
  Form(EditorState& state, FormTerminal& terminal) : form_(state), terminal_(terminal) {}

  void Open(ZanRequest* request) { form_.Open(request); }

  void Show() {
    const FormControls& c = form_.controls();
    Write("\nZanDOR address editor\n");
    ShowList("PLC Identifier:", kPlcList, "(01 - 99)");
    ShowList("Area Memory:", kAreaList, "");
    ShowList("Tag Type:", kTypeList, "");
    ShowField("Data Block number:", kDataBlockField, c.Text(kDataBlockRange));
    ShowField("Address:", kAddressField,
              c.IsDigitsOnly(kAddressField) ? "(0000 - 9999)" : "(hexadecimal)");
    ShowField(c.Text(kBitLabel)[0] != '\0' ? c.Text(kBitLabel) : "Bit / Length:", kBitField,
              c.Text(kBitRange));
  }

  // Runs one command; returns the dialog's outcome.
  DialogOutcome Run(char* command) {
    char* name = command;
    while (*name == ' ' || *name == '\t')
      ++name;
    char* value = name;
    while (*value != '\0' && *value != ' ' && *value != '\t')
      ++value;
    if (*value != '\0') *value++ = '\0';
    while (*value == ' ' || *value == '\t')
      ++value;
    char* end = value + std::strlen(value);
    while (end > value && (end[-1] == ' ' || end[-1] == '\t' || end[-1] == '\r'))
      *--end = '\0';

    const int messages = form_.controls().MessageCount();
    DialogOutcome outcome = DialogOutcome::kStay;
    bool taken = true;
    if (SameWord(name, "ok")) {
      outcome = form_.PressOk();
    } else if (SameWord(name, "cancel")) {
      outcome = form_.PressCancel();
    } else if (SameWord(name, "help") || name[0] == '\0') {
      Write(kHelp);
    } else if (const int list = FindList(name)) {
      taken = value[0] == '=' ? form_.Type(list, value + 1) : Choose(list, value);
    } else if (const Field* field = FindField(name)) {
      taken = form_.Type(field->control, value);
    } else if (SameWord(name, "up") || SameWord(name, "down")) {
      const Field* spun = FindField(value);
      taken =
          spun != nullptr && form_.Spin(spun->spinner, SameWord(name, "up") ? kLineUp : kLineDown);
    } else {
      Write("Unknown command.\n");
      Write(kHelp);
    }
    if (!taken) Write("Not taken: the control is disabled or does not take this value.\n");
    if (form_.controls().MessageCount() != messages) {
      Write(form_.controls().LastCaption());
      Write(":");
      Write(form_.controls().LastMessage());
      Write("\n");
    }
    return outcome;
  }

  DialogOutcome Cancel() { return form_.PressCancel(); }

 private:
  void Write(const char* text) { terminal_.Write(text); }

  void ShowLine(const char* label, const char* text, bool enabled, const char* range) {
    char shown[FormControls::kTextCapacity + 2];
    std::snprintf(shown, sizeof shown, "[%s]", text);
    char line[160];
    int length = std::snprintf(line, sizeof line, "  %-20s %-14s %s%s", label, shown, range,
                               enabled ? "" : "  (disabled)");
    if (length > static_cast<int>(sizeof line) - 1) length = static_cast<int>(sizeof line) - 1;
    while (length > 0 && line[length - 1] == ' ')
      line[--length] = '\0';
    Write(line);
    Write("\n");
  }

  void ShowList(const char* label, int list, const char* range) {
    const FormControls& c = form_.controls();
    ShowLine(label, c.Text(list), c.IsEnabled(list), range);
    if (c.EntryCount(list) == 0) return;
    Write("      entries:");
    for (int i = 0; i < c.EntryCount(list); ++i) {
      char entry[FormControls::kEntryCapacity + 16];
      if (list == kPlcList) {
        std::snprintf(entry, sizeof entry, " %s", c.Entry(list, i));
      } else {
        std::snprintf(entry, sizeof entry, "%s %d %s", i == 0 ? "" : ",", i + 1, c.Entry(list, i));
      }
      Write(entry);
    }
    Write("\n");
  }

  void ShowField(const char* label, int field, const char* range) {
    const FormControls& c = form_.controls();
    ShowLine(label, c.Text(field), c.IsEnabled(field), range);
  }

  // An entry by its text, by the beginning of its text, by its PLC number (PLC list) or by its
  // number counted from 1 (the other lists).
  bool Choose(int list, const char* value) {
    const FormControls& c = form_.controls();
    const int count = c.EntryCount(list);
    for (int i = 0; i < count; ++i) {
      if (SameWord(c.Entry(list, i), value)) return form_.Choose(list, i);
    }
    int32_t number = 0;
    if (WholeNumber(value, &number)) {
      for (int i = 0; list == kPlcList && i < count; ++i) {
        int32_t plc = -1;
        if (WholeNumber(c.Entry(list, i), &plc) && plc == number) return form_.Choose(list, i);
      }
      return list != kPlcList && form_.Choose(list, number - 1);
    }
    for (int i = 0; value[0] != '\0' && i < count; ++i) {
      if (BeginsWith(c.Entry(list, i), value)) return form_.Choose(list, i);
    }
    return false;
  }

  EditorForm form_;
  FormTerminal& terminal_;
};

}  // namespace

int RunTextForm(ZanRequest* request, EditorState& state, FormTerminal& terminal) {
  Form form(state, terminal);
  form.Open(request);
  terminal.Write(kHelp);
  char command[kCommandCapacity];
  for (;;) {
    form.Show();
    terminal.Write("> ");
    if (!terminal.ReadLine(command, sizeof command)) {
      form.Cancel();
      return kDialogCancelled;
    }
    switch (form.Run(command)) {
      case DialogOutcome::kConfirmed:
        return kDialogConfirmed;
      case DialogOutcome::kCancelled:
        return kDialogCancelled;
      case DialogOutcome::kStay:
        break;
    }
  }
}

}  // namespace zan::editor
