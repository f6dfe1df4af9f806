#include "editor/form_controls.h"

#include <cstdio>
#include <cstring>

namespace zan::editor {
namespace {

char LowerCase(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool BeginsWith(const char* text, const char* prefix) {
  for (; *prefix != '\0'; ++text, ++prefix) {
    if (LowerCase(*text) != LowerCase(*prefix)) return false;
  }
  return true;
}

bool SameText(const char* a, const char* b) {
  return BeginsWith(a, b) && std::strlen(a) == std::strlen(b);
}

bool AllDigits(const char* text) {
  for (; *text != '\0'; ++text) {
    if (*text < '0' || *text > '9') return false;
  }
  return true;
}

template <std::size_t N>
void Store(char (&target)[N], const char* text) {
  std::snprintf(target, N, "%s", text);
}

}  // namespace

FormControls::FormControls() {
  struct Layout {
    int id;
    bool isList;
    bool editable;
    bool digitsOnly;
  };
  constexpr Layout kLayout[kControlCount] = {
      {kPlcList, true, false, false},           {kAreaList, true, true, false},
      {kTypeList, true, true, false},           {kDataBlockField, false, true, true},
      {kAddressField, false, true, true},       {kBitField, false, true, true},
      {kDataBlockSpinner, false, false, false}, {kAddressSpinner, false, false, false},
      {kBitSpinner, false, false, false},       {kBitLabel, false, false, false},
      {kBitRange, false, false, false},         {kDataBlockRange, false, false, false},
  };
  int list = 0;
  for (int i = 0; i < kControlCount; ++i) {
    Control& control = controls_[i];
    control.id = kLayout[i].id;
    control.isList = kLayout[i].isList;
    control.editable = kLayout[i].editable;
    control.text[0] = '\0';
    control.enabled = true;
    control.digitsOnly = kLayout[i].digitsOnly;
    control.listIndex = control.isList ? list++ : -1;
  }
  for (List& entries : lists_) {
    entries.count = 0;
    entries.selection = kNoSelection;
  }
}

FormControls::Control* FormControls::Find(int control) {
  for (Control& candidate : controls_) {
    if (candidate.id == control) return &candidate;
  }
  return nullptr;
}

const FormControls::Control* FormControls::Find(int control) const {
  return const_cast<FormControls*>(this)->Find(control);
}

FormControls::List* FormControls::ListOf(int control) {
  Control* found = Find(control);
  return found != nullptr && found->isList ? &lists_[found->listIndex] : nullptr;
}

const FormControls::List* FormControls::ListOf(int control) const {
  return const_cast<FormControls*>(this)->ListOf(control);
}

void FormControls::SetText(int control, const char* text) {
  Control* found = Find(control);
  if (found == nullptr) return;
  if (found->isList && !found->editable) {
    // The text of a list that cannot be edited is its selected entry.
    List& list = lists_[found->listIndex];
    list.selection = kNoSelection;
    for (int i = 0; i < list.count; ++i) {
      if (SameText(list.entries[i], text)) {
        list.selection = i;
        break;
      }
    }
    Store(found->text, list.selection == kNoSelection ? "" : list.entries[list.selection]);
    return;
  }
  Store(found->text, text);
}

void FormControls::GetText(int control, char* buffer, int capacity) {
  const Control* found = Find(control);
  std::snprintf(buffer, static_cast<std::size_t>(capacity), "%s",
                found != nullptr ? found->text : "");
}

void FormControls::Enable(int control, bool enabled) {
  if (Control* found = Find(control)) found->enabled = enabled;
}

void FormControls::ClearList(int control) {
  List* list = ListOf(control);
  if (list == nullptr) return;
  list->count = 0;
  list->selection = kNoSelection;
  Find(control)->text[0] = '\0';
}

void FormControls::AddEntry(int control, const char* text) {
  List* list = ListOf(control);
  if (list == nullptr || list->count == kMaxEntries) return;
  Store(list->entries[list->count++], text);
}

int FormControls::SelectEntry(int control, const char* prefix) {
  List* list = ListOf(control);
  if (list == nullptr) return kNoSelection;
  for (int i = 0; i < list->count; ++i) {
    if (BeginsWith(list->entries[i], prefix)) {
      list->selection = i;
      Store(Find(control)->text, list->entries[i]);
      return i;
    }
  }
  return kNoSelection;
}

int FormControls::Selection(int control) {
  const List* list = ListOf(control);
  return list != nullptr ? list->selection : kNoSelection;
}

void FormControls::SetDigitsOnly(int control, bool digitsOnly) {
  if (Control* found = Find(control)) found->digitsOnly = digitsOnly;
}

void FormControls::ShowMessage(const char* text, const char* caption) {
  ++messageCount_;
  Store(lastMessage_, text);
  Store(lastCaption_, caption);
}

const char* FormControls::Text(int control) const {
  const Control* found = Find(control);
  return found != nullptr ? found->text : "";
}

bool FormControls::IsEnabled(int control) const {
  const Control* found = Find(control);
  return found != nullptr && found->enabled;
}

bool FormControls::IsDigitsOnly(int control) const {
  const Control* found = Find(control);
  return found != nullptr && found->digitsOnly;
}

int FormControls::EntryCount(int control) const {
  const List* list = ListOf(control);
  return list != nullptr ? list->count : 0;
}

const char* FormControls::Entry(int control, int index) const {
  const List* list = ListOf(control);
  if (list == nullptr || index < 0 || index >= list->count) return "";
  return list->entries[index];
}

bool FormControls::Choose(int control, int index) {
  Control* found = Find(control);
  List* list = ListOf(control);
  if (list == nullptr || !found->enabled || index < 0 || index >= list->count) return false;
  list->selection = index;
  Store(found->text, list->entries[index]);
  return true;
}

bool FormControls::Type(int control, const char* text) {
  Control* found = Find(control);
  if (found == nullptr || !found->enabled || !found->editable) return false;
  if (found->digitsOnly && !AllDigits(text)) return false;
  Store(found->text, text);
  // Typing into the field of a closed list leaves no entry selected.
  if (found->isList) lists_[found->listIndex].selection = kNoSelection;
  return true;
}

}  // namespace zan::editor
